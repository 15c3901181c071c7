#include "qt/firmware_description_dialog.h"

#include "desktop/report_table.h"
#include "qt/dialog_frame.h"
#include "qt/report_list.h"
#include "ui_firmware_description_dialog.h"

namespace morvanex::qt {

FirmwareDescriptionDialog::FirmwareDescriptionDialog(const ReportTable& table, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::FirmwareDescriptionDialog>())
{
    m_ui->setupUi(this);
    setUpModalDialog(*this);
    m_ui->descriptionList->showTable(table);
    m_ui->descriptionList->clearSelection();
    m_ui->closeButton->setFocus();
}

FirmwareDescriptionDialog::~FirmwareDescriptionDialog() = default;

} // namespace morvanex::qt
