#include "win32/firmware_description_dialog.h"

#include "dialog_metrics.h"
#include "morvanex_ids.h"
#include "validation/validation_flow.h"
#include "win32/binary_list_dialog.h"
#include "win32/report_list.h"

namespace morvanex {

FirmwareDescriptionDialog::FirmwareDescriptionDialog(const FirmwareCatalogue& catalogue,
                                                     std::string selectedFile)
    : Dialog(IDD_FIRMWARE_DESCRIPTION_DIALOG), m_catalogue(catalogue),
      m_selectedFile(std::move(selectedFile)), m_font(metrics::descriptionListFont)
{
}

bool FirmwareDescriptionDialog::onInit()
{
    const HWND list = item(IDC_DESCRIPTION_LIST);
    m_font.applyTo(list);
    reportList::addGridAndFullRowSelect(list);
    const reportList::Column columns[] = {{" ", metrics::descriptionColumnWidths[0]},
                                          {" ", metrics::descriptionColumnWidths[1]}};
    reportList::addColumns(list, columns);
    if (const FirmwareRecord* found = describedFirmware(m_catalogue, m_selectedFile))
        for (const ResultRow& row : descriptionRows(*found))
            reportList::addRow(list, row);
    // The focus goes to the first tab stop, "Fechar".
    return true;
}

void showFirmwareList(HWND owner, const FirmwareCatalogue& catalogue, const Workspace& workspace)
{
    BinaryListDialog list(workspace);
    if (list.run(owner) != IDOK)
        return;
    FirmwareDescriptionDialog(catalogue, list.selectedFile()).run(owner);
}

} // namespace morvanex
