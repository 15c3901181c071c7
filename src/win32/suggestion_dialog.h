#pragma once

#include "validation/suggestions.h"
#include "win32/dialog.h"

#include <span>

namespace morvanex {

// After a failed validation: the codes one edit away that are valid, best first, each with its
// changed characters in brackets and whether its CNPJ's check digits hold. The first one starts
// selected, so Enter takes it.
class SuggestionDialog : public Dialog
{
public:
    explicit SuggestionDialog(std::span<const Suggestion> suggestions);

    // The index taken by OK, -1 when no row was selected or the dialog was cancelled.
    int chosenIndex() const { return m_chosenIndex; }

private:
    bool onInit() override;
    bool onCommand(int id, int code) override;
    bool onNotify(const NMHDR& header) override;
    void takeSelection();

    std::span<const Suggestion> m_suggestions;
    int m_chosenIndex = -1;
    Font m_font;
};

} // namespace morvanex
