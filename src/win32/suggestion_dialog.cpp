#include "win32/suggestion_dialog.h"

#include "dialog_metrics.h"
#include "morvanex_ids.h"
#include "text/text_encoding.h"
#include "win32/report_list.h"

#include <commctrl.h>

namespace morvanex {

SuggestionDialog::SuggestionDialog(std::span<const Suggestion> suggestions)
    : ListChoiceDialog(IDD_SUGGESTION_DIALOG, IDC_SUGGESTION_LIST), m_suggestions(suggestions),
      m_font(metrics::suggestionListFont)
{
}

bool SuggestionDialog::onInit()
{
    const HWND list = item(IDC_SUGGESTION_LIST);
    m_font.applyTo(list);
    reportList::addGridAndFullRowSelect(list);
    static const std::string codeHeading = cp1252("STRING DO RODAPÉ");
    static const std::string changeHeading = cp1252("ALTERAÇÃO");
    const reportList::Column columns[] = {{codeHeading, metrics::suggestionColumnWidths[0]},
                                          {changeHeading, metrics::suggestionColumnWidths[1]},
                                          {"DV DO CNPJ", metrics::suggestionColumnWidths[2]}};
    reportList::addColumns(list, columns);
    for (const Suggestion& suggestion : m_suggestions) {
        const std::string cells[] = {markedCode(suggestion), changeText(suggestion),
                                     cnpjCheckText(suggestion)};
        reportList::addRow(list, cells);
    }
    // Selected and current: Enter takes it, the first Down moves to the second.
    if (!m_suggestions.empty())
        reportList::selectRow(list, 0);
    // The focus goes to the first tab stop, the list.
    return true;
}

} // namespace morvanex
