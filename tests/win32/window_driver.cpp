#include "window_driver.h"

#include "desktop/wide_text.h"
#include "win32/dialog.h"
#include "win32/main_window.h"
#include "win32/report_list.h"
#include "text/text_encoding.h"

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <chrono>
#include <thread>

namespace morvanex::test {

using win32::wideWindowText;
namespace reportList = win32::reportList;

namespace {

constexpr auto patience = std::chrono::seconds(15);
constexpr auto pollInterval = std::chrono::milliseconds(20);

struct Search
{
    std::wstring_view title;
    HWND found = nullptr;
};

BOOL CALLBACK matchTitle(HWND window, LPARAM lParam)
{
    auto& search = *reinterpret_cast<Search*>(lParam);
    wchar_t title[256];
    const int length = ::GetWindowTextW(window, title, 256);
    if (::IsWindowVisible(window) && std::wstring_view(title, static_cast<std::size_t>(length)) == search.title) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

// The text of the first static control that has one: a message box's message.
BOOL CALLBACK staticText(HWND window, LPARAM lParam)
{
    wchar_t name[16];
    ::GetClassNameW(window, name, 16);
    if (std::wstring_view(name) != L"Static" || ::GetWindowTextLengthW(window) == 0)
        return TRUE;
    *reinterpret_cast<std::wstring*>(lParam) = wideWindowText(window);
    return FALSE;
}

BOOL CALLBACK closeOne(HWND window, LPARAM)
{
    if (::IsWindowVisible(window))
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

} // namespace

bool WindowDriver::eventually(const std::function<bool()>& check)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!check()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(pollInterval);
    }
    return true;
}

HWND WindowDriver::waitFor(std::wstring_view title) const
{
    Search search{title};
    eventually([&] {
        ::EnumThreadWindows(m_thread, &matchTitle, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    if (!search.found)
        std::fprintf(stderr, "no window \"%s\"; open: %s\n", utf8FromWide(title).c_str(), openWindows().c_str());
    return search.found;
}

std::string WindowDriver::openWindows() const
{
    std::string titles;
    ::EnumThreadWindows(
        m_thread,
        [](HWND window, LPARAM lParam) {
            wchar_t title[256];
            const int length = ::GetWindowTextW(window, title, 256);
            if (::IsWindowVisible(window))
                *reinterpret_cast<std::string*>(lParam) +=
                    "\"" + utf8FromWide(std::wstring_view(title, static_cast<std::size_t>(length))) + "\" ";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&titles));
    return titles;
}

bool WindowDriver::waitGone(HWND window) const
{
    return eventually([&] { return !::IsWindow(window) || !::IsWindowVisible(window); });
}

HWND WindowDriver::focus() const
{
    GUITHREADINFO info{sizeof info};
    return ::GetGUIThreadInfo(m_thread, &info) ? info.hwndFocus : nullptr;
}

void WindowDriver::type(std::string_view text) const
{
    for (char c : text)
        ::SendMessageW(focus(), WM_CHAR, static_cast<unsigned char>(c), 1);
}

void WindowDriver::key(UINT virtualKey) const
{
    const HWND target = focus();
    ::PostMessageW(target, WM_KEYDOWN, virtualKey, 1);
    ::PostMessageW(target, WM_KEYUP, virtualKey, 0xC0000001);
}

void WindowDriver::shiftKey(UINT virtualKey) const
{
    // The dialog manager and the edit control read Shift from the window thread's key state, which
    // this thread shares while attached to it.
    const DWORD self = ::GetCurrentThreadId();
    if (!::AttachThreadInput(self, m_thread, TRUE))
        return;
    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_SHIFT] |= 0x80;
    ::SetKeyboardState(keys);
    const HWND before = focus();
    key(virtualKey);
    eventually([&] { return focus() != before; });
    keys[VK_SHIFT] &= 0x7F;
    ::SetKeyboardState(keys);
    ::AttachThreadInput(self, m_thread, FALSE);
}

bool WindowDriver::copy(std::string_view text)
{
    const std::wstring wide = wideFromUtf8(text);
    const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block)
        return false;
    std::memcpy(::GlobalLock(block), wide.c_str(), bytes);
    ::GlobalUnlock(block);
    if (!::OpenClipboard(nullptr)) {
        ::GlobalFree(block);
        return false;
    }
    ::EmptyClipboard();
    const bool placed = ::SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    if (!placed)
        ::GlobalFree(block);
    ::CloseClipboard();
    return placed;
}

void WindowDriver::click(HWND dialog, int id) const
{
    ::PostMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

std::string WindowDriver::listText(HWND list)
{
    std::string text;
    const int rows = reportList::rowCount(list);
    const int columns = reportList::columnCount(list);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (c)
                text += '\t';
            text += utf8(reportList::cellText(list, r, c));
        }
        text += '\n';
    }
    return text;
}

std::string WindowDriver::messageText(HWND box)
{
    std::wstring text;
    ::EnumChildWindows(box, &staticText, reinterpret_cast<LPARAM>(&text));
    return utf8(cp1252FromWide(text));
}

void WindowDriver::closeEverything() const
{
    ::EnumThreadWindows(m_thread, &closeOne, 0);
}

void runDriven(win32::MainWindow& window, const std::function<void(const WindowDriver&)>& script)
{
    const WindowDriver driver(::GetCurrentThreadId());
    std::atomic<bool> finished{false};
    std::thread operatorThread([&] {
        if (driver.waitFor(L"Morvanex 1.05"))
            script(driver);
        // A script that stopped half-way leaves its windows open.
        while (!finished) {
            driver.closeEverything();
            std::this_thread::sleep_for(pollInterval * 5);
        }
    });
    window.run(nullptr);
    finished = true;
    operatorThread.join();
}

} // namespace morvanex::test
