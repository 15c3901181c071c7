#include "qt/list_choice_dialog.h"

#include "qt/dialog_frame.h"
#include "qt/report_list.h"
#include "ui_firmware_chooser_dialog.h"
#include "ui_suggestion_dialog.h"

namespace morvanex::qt {

RowChoice ListChoiceDialog::choose()
{
    return exec() == QDialog::Accepted ? RowChoice{true, m_row} : RowChoice{};
}

void ListChoiceDialog::offer(ReportList& list, QPushButton& ok, const ReportTable& table)
{
    setUpModalDialog(*this);
    m_list = &list;
    list.showTable(table);
    if (table.selectedRow < 0)
        list.clearSelection();
    const auto take = [this] {
        m_row = m_list->firstSelectedRow();
        accept();
    };
    connect(&ok, &QPushButton::clicked, this, take);
    // On a row or on the empty space below the rows: the press before it has already selected that
    // row, or nothing.
    connect(&list, &ReportList::doubleClickedAnywhere, this, take);
}

FirmwareChooserDialog::FirmwareChooserDialog(const ReportTable& table, QWidget* parent)
    : ListChoiceDialog(parent), m_ui(std::make_unique<Ui::FirmwareChooserDialog>())
{
    m_ui->setupUi(this);
    offer(*m_ui->firmwareList, *m_ui->okButton, table);
}

FirmwareChooserDialog::~FirmwareChooserDialog() = default;

SuggestionDialog::SuggestionDialog(const ReportTable& table, QWidget* parent)
    : ListChoiceDialog(parent), m_ui(std::make_unique<Ui::SuggestionDialog>())
{
    m_ui->setupUi(this);
    offer(*m_ui->suggestionList, *m_ui->okButton, table);
}

SuggestionDialog::~SuggestionDialog() = default;

} // namespace morvanex::qt
