#pragma once

#include "validation/operator_prompts.h"

#include <atomic>

namespace morvanex {

class MainWindowView;

// The operator prompts as the main window's dialogs and message boxes. They always run on the window's
// thread: a request from another thread (the self-test's decodes) is carried there and its caller
// waits for the answer.
class ViewPrompts : public OperatorPrompts
{
public:
    explicit ViewPrompts(MainWindowView& view) : m_view(view) {}

    void showError(std::string_view caption, std::string_view message) override;
    int chooseFirmware(const FirmwareCatalogue& catalogue, std::span<const int> candidates) override;
    bool confirmCnpj(std::string_view cnpj) override;
    int chooseSuggestion(std::span<const Suggestion> suggestions) override;

    // From now on requests from other threads get "nothing chosen" at once, so a worker that is being
    // stopped never waits for a window that has gone.
    void refuseWorkerRequests() { m_refusing = true; }

private:
    // ask's answer on the window's thread; refused, without asking, to a worker once requests are refused.
    template <typename Result, typename Ask>
    Result onWindowThread(Result refused, Ask ask);

    MainWindowView& m_view;
    std::atomic<bool> m_refusing{false};
};

} // namespace morvanex
