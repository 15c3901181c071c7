#include "win32/dialog.h"

#include "win32/report_list.h"
#include "desktop/wide_text.h"

#include <commctrl.h>

namespace morvanex::win32 {
namespace {

constexpr int designDpi = 96;

} // namespace

INT_PTR Dialog::run(HWND owner)
{
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner, &procedure,
                             reinterpret_cast<LPARAM>(this));
}

bool Dialog::onCommand(int, int)
{
    return false;
}

INT_PTR CALLBACK Dialog::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->m_window = window;
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        return self->onInit() ? TRUE : FALSE;
    }
    self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (!self)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        if (self->onCommand(LOWORD(wParam), HIWORD(wParam)))
            return TRUE;
        // The dialog manager's OK and Cancel end the dialog; a template without such a button too.
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            self->end(LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY:
        return self->onNotify(*reinterpret_cast<const NMHDR*>(lParam)) ? TRUE : FALSE;
    default: {
        INT_PTR result = 0;
        if (!self->onMessage(message, wParam, lParam, result))
            return FALSE;
        ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
    }
}

RowChoice ListChoiceDialog::choose(HWND owner)
{
    return run(owner) == IDOK ? RowChoice{true, m_row} : RowChoice{};
}

bool ListChoiceDialog::onInit()
{
    const HWND list = item(m_listId);
    m_font.applyTo(list);
    reportList::showTable(list, m_table);
    // The focus goes to the first tab stop, the list.
    return true;
}

bool ListChoiceDialog::onCommand(int id, int)
{
    if (id != IDOK)
        return false;
    takeSelection();
    return true;
}

bool ListChoiceDialog::onNotify(const NMHDR& header)
{
    // On a row or on the empty space below the rows: the press before it has already selected that
    // row, or nothing.
    if (header.idFrom != static_cast<UINT_PTR>(m_listId) || header.code != NM_DBLCLK)
        return false;
    takeSelection();
    return true;
}

void ListChoiceDialog::takeSelection()
{
    m_row = reportList::firstSelected(item(m_listId));
    end(IDOK);
}

int scaled(int pixels)
{
    const HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : designDpi;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    return ::MulDiv(pixels, dpi > 0 ? dpi : designDpi, designDpi);
}

Font::Font(const metrics::ListFont& font)
    : m_font(::CreateFontA(scaled(font.height), scaled(font.width), 0, 0, font.weight, FALSE, FALSE, FALSE,
                           ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS,
                           "Courier New"))
{
}

Font::~Font()
{
    if (m_font)
        ::DeleteObject(m_font);
}

void Font::applyTo(HWND control) const
{
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), TRUE);
}

std::wstring wideWindowText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::string windowText(HWND window)
{
    return cp1252FromWide(wideWindowText(window));
}

void setWindowText(HWND window, std::string_view cp1252)
{
    ::SetWindowTextW(window, wideFromCp1252(cp1252).c_str());
}

} // namespace morvanex::win32
