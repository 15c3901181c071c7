#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex::win32 {
class MainWindow;
}

namespace morvanex::test {

// Drives the windows of this process as an operator's keys and clicks would, from a thread of its
// own, while the window thread runs its modal loops. Messages that may open a modal dialog are
// posted; reads are sent, so they are answered inside whatever loop the window thread is in.
class WindowDriver
{
public:
    explicit WindowDriver(DWORD windowThread) : m_thread(windowThread) {}

    // The visible top-level window of the window thread with this title; null after a few seconds.
    HWND waitFor(std::wstring_view title) const;
    bool waitGone(HWND window) const;
    // Polls until check holds; false after a few seconds.
    static bool eventually(const std::function<bool()>& check);

    HWND focus() const;
    // Characters typed one by one into whichever control has the focus.
    void type(std::string_view text) const;
    // A key pressed and released on the focused control, through the dialog manager.
    void key(UINT virtualKey) const;
    // The same with Shift held, for a key that moves the focus (Shift+Tab, Shift+Insert of a whole
    // code): returns once it has moved, or after a few seconds.
    void shiftKey(UINT virtualKey) const;
    // A button of a dialog clicked.
    void click(HWND dialog, int id) const;

    // Puts text (UTF-8) on the clipboard, as another program's copy would.
    static bool copy(std::string_view text);

    // The texts a report list shows, as "label<TAB>value" lines for two columns, UTF-8.
    static std::string listText(HWND list);
    // The message of a message box.
    static std::string messageText(HWND box);

    // The titles of the visible windows of the window thread, for a failure's message.
    std::string openWindows() const;

    // Closes every window of the window thread until none is left.
    void closeEverything() const;

private:
    DWORD m_thread;
};

// Runs window modally on this thread while script drives it from another; returns once the window
// has closed (the script's own doing, or closing everything when the script ended without it).
void runDriven(win32::MainWindow& window, const std::function<void(const WindowDriver&)>& script);

} // namespace morvanex::test
