#include "win32/win32_prompts.h"

#include "win32/cnpj_confirm_dialog.h"
#include "win32/firmware_chooser_dialog.h"
#include "win32/suggestion_dialog.h"
#include "win32/win_text.h"

namespace morvanex {
namespace {

constexpr UINT runRequest = WM_APP + 1;
constexpr wchar_t carrierClass[] = L"MorvanexPromptCarrier";

} // namespace

Win32Prompts::Win32Prompts() : m_thread(::GetCurrentThreadId())
{
    const HINSTANCE module = ::GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &carrierProcedure;
    windowClass.hInstance = module;
    windowClass.lpszClassName = carrierClass;
    ::RegisterClassW(&windowClass); // fails harmlessly when already registered
    // A message-only window: requests sent to it run inside whatever message loop this thread is in.
    m_carrier = ::CreateWindowExW(0, carrierClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
}

Win32Prompts::~Win32Prompts()
{
    if (m_carrier)
        ::DestroyWindow(m_carrier);
}

LRESULT CALLBACK Win32Prompts::carrierProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != runRequest)
        return ::DefWindowProcW(window, message, wParam, lParam);
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    return 0;
}

void Win32Prompts::onWindowThread(const std::function<void()>& ask)
{
    if (::GetCurrentThreadId() == m_thread) {
        ask();
        return;
    }
    if (m_refusing || !m_carrier)
        return;
    const std::function<void()> guarded = [&] {
        if (!m_refusing)
            ask();
    };
    ::SendMessageW(m_carrier, runRequest, 0, reinterpret_cast<LPARAM>(&guarded));
}

HWND Win32Prompts::dialogOwner() const
{
    return m_owner && ::IsWindowVisible(m_owner) ? m_owner : nullptr;
}

void Win32Prompts::showError(std::string_view caption, std::string_view message)
{
    onWindowThread([&] {
        ::MessageBoxW(dialogOwner(), wideFromCp1252(message).c_str(), wideFromCp1252(caption).c_str(),
                      MB_OK | MB_ICONERROR);
    });
}

int Win32Prompts::chooseFirmware(const FirmwareCatalogue& catalogue, std::span<const int> candidates)
{
    int chosen = -1;
    onWindowThread([&] {
        FirmwareChooserDialog dialog(catalogue, candidates);
        if (dialog.run(dialogOwner()) == IDOK)
            chosen = dialog.chosenIndex();
    });
    return chosen;
}

bool Win32Prompts::confirmCnpj(std::string_view cnpj)
{
    bool confirmed = false;
    onWindowThread([&] { confirmed = CnpjConfirmDialog(cnpj).run(dialogOwner()) == IDOK; });
    return confirmed;
}

int Win32Prompts::chooseSuggestion(std::span<const Suggestion> suggestions)
{
    int chosen = -1;
    onWindowThread([&] {
        SuggestionDialog dialog(suggestions);
        if (dialog.run(dialogOwner()) == IDOK)
            chosen = dialog.chosenIndex();
    });
    return chosen;
}

} // namespace morvanex
