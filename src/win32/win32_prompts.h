#pragma once

#include "validation/operator_prompts.h"

#include <windows.h>

#include <atomic>
#include <functional>

namespace morvanex {

// The operator prompts as modal dialogs and message boxes. They always run on the thread that made
// this object, the one of the windows: a request from another thread (the self-test's decodes) is
// carried there and its caller waits for the answer.
class Win32Prompts : public OperatorPrompts
{
public:
    Win32Prompts();
    ~Win32Prompts() override;

    Win32Prompts(const Win32Prompts&) = delete;
    Win32Prompts& operator=(const Win32Prompts&) = delete;

    // The window the dialogs belong to once it shows; before, they stand on their own.
    void setOwner(HWND owner) { m_owner = owner; }

    void showError(std::string_view caption, std::string_view message) override;
    int chooseFirmware(const FirmwareCatalogue& catalogue, std::span<const int> candidates) override;
    bool confirmCnpj(std::string_view cnpj) override;
    int chooseSuggestion(std::span<const Suggestion> suggestions) override;

    // From now on requests from other threads get "nothing chosen" at once, so a worker that is
    // being stopped never waits for a window that has gone.
    void refuseWorkerRequests() { m_refusing = true; }

private:
    HWND dialogOwner() const;
    // Runs ask on the windows' thread and waits for it there; refused when requests are refused.
    void onWindowThread(const std::function<void()>& ask);
    static LRESULT CALLBACK carrierProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    DWORD m_thread;
    HWND m_carrier = nullptr;
    HWND m_owner = nullptr;
    std::atomic<bool> m_refusing{false};
};

} // namespace morvanex
