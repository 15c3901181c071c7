#pragma once

#include "win32/dialog.h"

#include <string>
#include <string_view>

namespace morvanex::win32 {

// Asks whether the decoded CNPJ is the one printed on the document: "SIM" (IDOK) accepts, "NÃO",
// Escape and the close box (IDCANCEL) reject.
class CnpjConfirmDialog : public Dialog
{
public:
    explicit CnpjConfirmDialog(std::string_view cnpjText);

private:
    bool onInit() override;

    std::string m_cnpjText;
    Font m_font{metrics::cnpjFont};
};

} // namespace morvanex::win32
