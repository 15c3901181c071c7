#include "app/suggestion_dialog.h"

#include "app/gui_text.h"
#include "dialog_metrics.h"
#include "ui_suggestion_dialog.h"
#include "widgets/dialog_frame.h"
#include "widgets/fonts.h"


namespace morvanex {

SuggestionDialog::SuggestionDialog(std::span<const Suggestion> suggestions, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::SuggestionDialog>())
{
    m_ui->setupUi(this);
    setUpModalDialog(*this);
    ReportList* list = m_ui->suggestionList;
    list->setFont(logicalFont(courierNew, metrics::suggestionListFont));
    list->setColumns(
        {QStringLiteral("STRING DO RODAPÉ"), QStringLiteral("ALTERAÇÃO"), QStringLiteral("DV DO CNPJ")},
        metrics::suggestionColumnWidths);
    list->setRowCount(static_cast<int>(suggestions.size()));
    for (int r = 0; r < list->rowCount(); ++r) {
        const Suggestion& s = suggestions[static_cast<std::size_t>(r)];
        list->setItem(r, 0, new QTableWidgetItem(fromCp1252(markedCode(s))));
        list->setItem(r, 1, new QTableWidgetItem(fromCp1252(changeText(s))));
        list->setItem(r, 2, new QTableWidgetItem(fromCp1252(cnpjCheckText(s))));
    }
    if (list->rowCount() > 0)
        list->selectRow(0);

    connect(m_ui->okButton, &QPushButton::clicked, this, &SuggestionDialog::takeSelection);
    connect(list, &ReportList::doubleClickedAnywhere, this, &SuggestionDialog::takeSelection);
}

SuggestionDialog::~SuggestionDialog() = default;

void SuggestionDialog::takeSelection()
{
    m_chosenIndex = m_ui->suggestionList->firstSelectedRow();
    accept();
}

} // namespace morvanex
