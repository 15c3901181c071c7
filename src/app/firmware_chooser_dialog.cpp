#include "app/firmware_chooser_dialog.h"

#include "app/gui_text.h"
#include "dialog_metrics.h"
#include "firmware/firmware_catalogue.h"
#include "ui_firmware_chooser_dialog.h"
#include "widgets/dialog_frame.h"
#include "widgets/fonts.h"

namespace morvanex {
namespace {

QTableWidgetItem* cell(const std::string& cp1252)
{
    return new QTableWidgetItem(fromCp1252(cp1252));
}

} // namespace

FirmwareChooserDialog::FirmwareChooserDialog(const FirmwareCatalogue& catalogue,
                                             std::span<const int> candidates, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::FirmwareChooserDialog>()),
      m_candidates(candidates.begin(), candidates.end())
{
    m_ui->setupUi(this);
    setUpModalDialog(*this);
    ReportList* list = m_ui->firmwareList;
    list->setFont(logicalFont(courierNew, metrics::chooserListFont));
    list->setColumns(
        {QStringLiteral("MODELO"), QStringLiteral("VERSÃO"), QStringLiteral("CS"), QStringLiteral("ARQUIVO")},
        metrics::chooserColumnWidths);

    list->setRowCount(static_cast<int>(m_candidates.size()));
    for (int r = 0; r < list->rowCount(); ++r) {
        const FirmwareRecord& record = catalogue.rows.at(static_cast<std::size_t>(m_candidates[r]));
        list->setItem(r, 0, cell(record.model));
        list->setItem(r, 1, cell(record.version));
        list->setItem(r, 2, cell(record.displayChecksum));
        list->setItem(r, 3, cell(record.fileName));
    }
    list->clearSelection();

    connect(m_ui->okButton, &QPushButton::clicked, this, &FirmwareChooserDialog::takeSelection);
    // On a row or on the empty space below the rows: the press before it has already selected
    // that row, or nothing.
    connect(list, &ReportList::doubleClickedAnywhere, this, &FirmwareChooserDialog::takeSelection);
}

FirmwareChooserDialog::~FirmwareChooserDialog() = default;

void FirmwareChooserDialog::takeSelection()
{
    const int first = m_ui->firmwareList->firstSelectedRow();
    m_chosenIndex = first >= 0 ? m_candidates[static_cast<std::size_t>(first)] : -1;
    accept();
}

} // namespace morvanex
