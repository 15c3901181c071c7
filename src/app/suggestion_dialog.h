#pragma once

#include "validation/suggestions.h"

#include <QDialog>
#include <memory>
#include <span>

namespace morvanex {

namespace Ui {
class SuggestionDialog;
}

// After a failed validation: the codes one edit away that are valid, best first, each with its
// changed characters in brackets and whether its CNPJ's check digits hold. The first one starts
// selected, so Enter takes it.
class SuggestionDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SuggestionDialog(std::span<const Suggestion> suggestions, QWidget* parent = nullptr);
    ~SuggestionDialog() override;

    // The index taken by OK, -1 when no row was selected or the dialog was cancelled.
    int chosenIndex() const { return m_chosenIndex; }

private:
    void takeSelection();

    std::unique_ptr<Ui::SuggestionDialog> m_ui;
    int m_chosenIndex = -1;
};

} // namespace morvanex
