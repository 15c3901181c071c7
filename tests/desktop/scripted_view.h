#pragma once

#include "desktop/main_window_model.h"
#include "desktop/main_window_view.h"

#include <array>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace morvanex::test {

// A main window without a toolkit: fields that hold texts within their limits and report every change
// to the model as a face's controls do, dialogs answered from queues, and everything shown remembered.
// Requests from other threads wait until the window's thread pumps its events.
class ScriptedView : public MainWindowView
{
public:
    struct Message
    {
        MessageIcon icon;
        std::string caption;
        std::string text;
    };
    // The control with the focus: a field's number, or validateButton.
    static constexpr int validateButton = 0;

    MainWindowModel* model = nullptr; // told of every field change
    std::array<std::string, groupCount> fields;
    std::array<std::size_t, groupCount> limits{};
    int focus = -1;
    std::string clipboard;
    bool closed = false;
    ReportTable resultColumns;
    std::vector<ReportTable::Row> resultRows;
    int resultUpdates = 0;

    std::vector<Message> messages;
    std::vector<std::string> cnpjQuestions;
    std::vector<ReportTable> choosers, suggestionLists, descriptions;
    std::vector<std::vector<std::string>> imageLists;
    // Answers, taken in order; an empty queue answers Cancel.
    std::deque<bool> cnpjAnswers;
    std::deque<RowChoice> chooserAnswers, suggestionAnswers, imageFileAnswers;
    // Runs while a message is shown, as the operator reads it.
    std::function<void()> whileMessageShown;

    // Types into the focused field, a character at a time, as far as its limit lets; the focus may move
    // on between characters.
    void type(std::string_view text);
    // Sets field n's text as an edit of the operator would (a deletion, a replacement).
    void edit(int n, std::string_view text);
    std::string joinedFields() const;

    std::string fieldText(int n) const override { return fields.at(static_cast<std::size_t>(n - 1)); }
    void setField(int n, std::string_view text, std::size_t limit) override;
    void focusField(int n) override { focus = n; }
    void focusValidateButton() override { focus = validateButton; }
    void setUpResultList(const ReportTable& table) override { resultColumns = table; }
    void showResultRows(const ReportTable& table) override;
    std::string clipboardText() const override { return clipboard; }
    void closeWindow() override { closed = true; }

    void showMessage(MessageIcon icon, std::string_view caption, std::string_view text) override;
    bool confirmCnpj(std::string_view cnpj) override;
    RowChoice chooseFirmware(const ReportTable& table) override;
    RowChoice chooseSuggestion(const ReportTable& table) override;
    RowChoice chooseImageFile(std::span<const std::string> entries) override;
    void describeFirmware(const ReportTable& table) override { descriptions.push_back(table); }

    bool onWindowThread() const override { return std::this_thread::get_id() == m_thread; }
    void runOnWindowThread(const std::function<void()>& task) override;
    void pumpEvents() override;
    int pumped() const { return m_pumped; }

private:
    std::thread::id m_thread = std::this_thread::get_id();
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::deque<const std::function<void()>*> m_requests;
    int m_finished = 0;
    int m_pumped = 0;
};

} // namespace morvanex::test
