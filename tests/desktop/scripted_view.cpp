#include "scripted_view.h"

#include "validation/validation_flow.h"

namespace morvanex::test {
namespace {

template <typename Answer>
Answer next(std::deque<Answer>& answers)
{
    if (answers.empty())
        return Answer{};
    Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

} // namespace

void ScriptedView::type(std::string_view text)
{
    for (char c : text) {
        if (focus < 1)
            return;
        std::string& field = fields[static_cast<std::size_t>(focus - 1)];
        if (field.size() >= limits[static_cast<std::size_t>(focus - 1)])
            continue;
        field += c;
        if (model)
            model->fieldChanged(focus);
    }
}

void ScriptedView::edit(int n, std::string_view text)
{
    fields.at(static_cast<std::size_t>(n - 1)) = text;
    if (model)
        model->fieldChanged(n);
}

std::string ScriptedView::joinedFields() const
{
    return joinFooterFields(fields);
}

void ScriptedView::setField(int n, std::string_view text, std::size_t limit)
{
    const auto i = static_cast<std::size_t>(n - 1);
    limits.at(i) = limit;
    fields[i] = text.substr(0, limit);
    // A face's control reports its own change too.
    if (model)
        model->fieldChanged(n);
}

void ScriptedView::showResultRows(const ReportTable& table)
{
    resultRows = table.rows;
    ++resultUpdates;
}

void ScriptedView::showMessage(MessageIcon icon, std::string_view caption, std::string_view text)
{
    messages.push_back({icon, std::string(caption), std::string(text)});
    if (whileMessageShown)
        whileMessageShown();
}

bool ScriptedView::confirmCnpj(std::string_view cnpj)
{
    cnpjQuestions.emplace_back(cnpj);
    return next(cnpjAnswers);
}

RowChoice ScriptedView::chooseFirmware(const ReportTable& table)
{
    choosers.push_back(table);
    return next(chooserAnswers);
}

RowChoice ScriptedView::chooseSuggestion(const ReportTable& table)
{
    suggestionLists.push_back(table);
    return next(suggestionAnswers);
}

RowChoice ScriptedView::chooseImageFile(std::span<const std::string> entries)
{
    imageLists.emplace_back(entries.begin(), entries.end());
    return next(imageFileAnswers);
}

void ScriptedView::runOnWindowThread(const std::function<void()>& task)
{
    std::unique_lock lock(m_mutex);
    m_requests.push_back(&task);
    const int ticket = m_finished + static_cast<int>(m_requests.size());
    m_done.wait(lock, [&] { return m_finished >= ticket; });
}

void ScriptedView::pumpEvents()
{
    std::unique_lock lock(m_mutex);
    ++m_pumped;
    while (!m_requests.empty()) {
        const std::function<void()>* task = m_requests.front();
        lock.unlock();
        (*task)();
        lock.lock();
        m_requests.pop_front();
        ++m_finished;
        m_done.notify_all();
    }
}

} // namespace morvanex::test
