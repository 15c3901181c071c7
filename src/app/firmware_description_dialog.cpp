#include "app/firmware_description_dialog.h"

#include "app/gui_text.h"
#include "dialog_metrics.h"
#include "firmware/firmware_catalogue.h"
#include "ui_firmware_description_dialog.h"
#include "validation/validation_flow.h"
#include "widgets/dialog_frame.h"
#include "widgets/fonts.h"

namespace morvanex {

FirmwareDescriptionDialog::FirmwareDescriptionDialog(const FirmwareCatalogue& catalogue,
                                                     std::string selectedFile, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::FirmwareDescriptionDialog>()),
      m_selectedFile(std::move(selectedFile))
{
    m_ui->setupUi(this);
    setUpModalDialog(*this);
    ReportList* list = m_ui->descriptionList;
    list->setFont(logicalFont(courierNew, metrics::descriptionListFont));
    list->setColumns({QStringLiteral(" "), QStringLiteral(" ")}, metrics::descriptionColumnWidths);

    if (const FirmwareRecord* found = describedFirmware(catalogue, m_selectedFile)) {
        const std::vector<ResultRow> rows = descriptionRows(*found);
        list->setRowCount(static_cast<int>(rows.size()));
        for (int r = 0; r < list->rowCount(); ++r) {
            const ResultRow& row = rows[static_cast<std::size_t>(r)];
            list->setItem(r, 0, new QTableWidgetItem(fromCp1252(row.label)));
            list->setItem(r, 1, new QTableWidgetItem(fromCp1252(row.value)));
        }
    }
    list->clearSelection();
    m_ui->closeButton->setFocus();
}

FirmwareDescriptionDialog::~FirmwareDescriptionDialog() = default;

} // namespace morvanex
