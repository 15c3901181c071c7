#pragma once

#include "win32/dialog.h"

#include <string>
#include <string_view>

namespace morvanex {

// Asks whether the decoded CNPJ is the one printed on the document: "SIM" (IDOK) accepts, "NÃO",
// Escape and the close box (IDCANCEL) reject.
class CnpjConfirmDialog : public Dialog
{
public:
    explicit CnpjConfirmDialog(std::string_view cnpjText);

    // The display font: large, heavy and wide enough to read at a glance.
    static constexpr int fontHeight = 35;
    static constexpr int fontWidth = 20;
    static constexpr int fontWeight = 800;

private:
    bool onInit() override;

    std::string m_cnpjText;
    Font m_font{fontHeight, fontWidth, fontWeight};
};

} // namespace morvanex
