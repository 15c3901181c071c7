#include "win32/firmware_description_dialog.h"

#include "morvanex_ids.h"
#include "win32/report_list.h"

namespace morvanex::win32 {

FirmwareDescriptionDialog::FirmwareDescriptionDialog(const ReportTable& table)
    : Dialog(IDD_FIRMWARE_DESCRIPTION_DIALOG), m_table(table), m_font(table.font)
{
}

bool FirmwareDescriptionDialog::onInit()
{
    const HWND list = item(IDC_DESCRIPTION_LIST);
    m_font.applyTo(list);
    reportList::showTable(list, m_table);
    // The focus goes to the first tab stop, "Fechar".
    return true;
}

} // namespace morvanex::win32
