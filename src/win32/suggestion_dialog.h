#pragma once

#include "validation/suggestions.h"
#include "win32/dialog.h"

#include <span>

namespace morvanex {

// After a failed validation: the codes one edit away that are valid, best first, each with its
// changed characters in brackets and whether its CNPJ's check digits hold. The first one starts
// selected, so Enter takes it.
class SuggestionDialog : public ListChoiceDialog
{
public:
    // chosenIndex() gives the index of the suggestion taken.
    explicit SuggestionDialog(std::span<const Suggestion> suggestions);

private:
    bool onInit() override;

    std::span<const Suggestion> m_suggestions;
    Font m_font;
};

} // namespace morvanex
