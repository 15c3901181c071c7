#include "desktop/view_prompts.h"

#include "desktop/main_window_view.h"
#include "desktop/report_table.h"

namespace morvanex {

template <typename Result, typename Ask>
Result ViewPrompts::onWindowThread(Result refused, Ask ask)
{
    if (m_view.onWindowThread())
        return ask();
    if (m_refusing)
        return refused;
    Result answer = refused;
    // Looked at again on the window's thread: a stop may have come while the request travelled.
    m_view.runOnWindowThread([&] {
        if (!m_refusing)
            answer = ask();
    });
    return answer;
}

void ViewPrompts::showError(std::string_view caption, std::string_view message)
{
    onWindowThread(false, [&] {
        m_view.showMessage(MessageIcon::Error, caption, message);
        return true;
    });
}

int ViewPrompts::chooseFirmware(const FirmwareCatalogue& catalogue, std::span<const int> candidates)
{
    return onWindowThread(-1, [&] {
        const RowChoice choice = m_view.chooseFirmware(chooserTable(catalogue, candidates));
        const bool taken = choice.accepted && choice.row >= 0 && static_cast<std::size_t>(choice.row) < candidates.size();
        return taken ? candidates[static_cast<std::size_t>(choice.row)] : -1;
    });
}

bool ViewPrompts::confirmCnpj(std::string_view cnpj)
{
    return onWindowThread(false, [&] { return m_view.confirmCnpj(cnpj); });
}

int ViewPrompts::chooseSuggestion(std::span<const Suggestion> suggestions)
{
    return onWindowThread(-1, [&] {
        const RowChoice choice = m_view.chooseSuggestion(suggestionTable(suggestions));
        return choice.accepted ? choice.row : -1;
    });
}

} // namespace morvanex
