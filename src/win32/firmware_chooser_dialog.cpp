#include "win32/firmware_chooser_dialog.h"

#include "dialog_metrics.h"
#include "firmware/firmware_catalogue.h"
#include "morvanex_ids.h"
#include "text/text_encoding.h"
#include "win32/report_list.h"

#include <commctrl.h>

namespace morvanex {

FirmwareChooserDialog::FirmwareChooserDialog(const FirmwareCatalogue& catalogue,
                                             std::span<const int> candidates)
    : ListChoiceDialog(IDD_FIRMWARE_CHOOSER_DIALOG, IDC_FIRMWARE_LIST), m_catalogue(catalogue),
      m_candidates(candidates.begin(), candidates.end()), m_font(metrics::chooserListFont)
{
}

bool FirmwareChooserDialog::onInit()
{
    const HWND list = item(IDC_FIRMWARE_LIST);
    m_font.applyTo(list);
    reportList::addGridAndFullRowSelect(list);
    static const std::string versionHeading = cp1252("VERSÃO");
    const reportList::Column columns[] = {{"MODELO", metrics::chooserColumnWidths[0]},
                                          {versionHeading, metrics::chooserColumnWidths[1]},
                                          {"CS", metrics::chooserColumnWidths[2]},
                                          {"ARQUIVO", metrics::chooserColumnWidths[3]}};
    reportList::addColumns(list, columns);
    for (int index : m_candidates) {
        const FirmwareRecord& record = m_catalogue.rows.at(static_cast<std::size_t>(index));
        const std::string cells[] = {record.model, record.version, record.displayChecksum, record.fileName};
        reportList::addRow(list, cells);
    }
    return true;
}

int FirmwareChooserDialog::choiceOf(int row) const
{
    return m_candidates.at(static_cast<std::size_t>(row));
}

} // namespace morvanex
