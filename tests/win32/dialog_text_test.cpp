#include "desktop/dialog_metrics.h"
#include "desktop/image_button_look.h"
#include "desktop/wide_text.h"
#include "morvanex_ids.h"
#include "win32/dialog.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace morvanex {
namespace {

struct Template
{
    int id;
    const char* name;
};
constexpr Template templates[] = {
    {IDD_MAIN_DIALOG, "main window"},         {IDD_CNPJ_CONFIRM_DIALOG, "CNPJ question"},
    {IDD_FIRMWARE_CHOOSER_DIALOG, "chooser"}, {IDD_BINARY_LIST_DIALOG, "image list"},
    {IDD_FIRMWARE_DESCRIPTION_DIALOG, "description"}, {IDD_SUGGESTION_DIALOG, "suggestions"},
};
// The main window's image buttons: their captions share the button with a 32 x 32 image.
constexpr int imageButtons[] = {IDC_VALIDATE_BUTTON, IDC_CATALOGUE_BUTTON, IDC_EXIT_BUTTON};
constexpr PixelSize buttonImage{32, 32};
// A push button's caption keeps clear of its edge and of the focus rectangle drawn inside it.
constexpr int pushButtonInset = 3;
// What the CNPJ question shows at its widest: 20 characters.
constexpr wchar_t widestCnpj[] = L"0012.345.678/0001.95";

INT_PTR CALLBACK inert(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// A dialog made from a template, hidden, its controls laid out by the dialog manager.
HWND makeDialog(int templateId)
{
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr, &inert, 0);
}

// How a text of the control's font lays out in an area: the widest line and how many lines, the text
// broken between words where it is wider than the area, as DrawText and the static control break it.
struct Layout
{
    int widest = 0;
    int lines = 0;
    int lineHeight = 0;
};

int extent(HDC dc, const std::wstring& text)
{
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
    return size.cx;
}

Layout layOut(HWND control, const std::wstring& text, int width, bool wrap)
{
    const HDC dc = ::GetDC(control);
    const HGDIOBJ before = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    Layout layout{0, 0, metrics.tmHeight};
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(L'\n', start), text.size());
        const std::wstring paragraph = text.substr(start, end - start);
        std::wstring line;
        std::size_t at = 0;
        while (at <= paragraph.size()) {
            const std::size_t blank = std::min(paragraph.find(L' ', at), paragraph.size());
            const std::wstring word = paragraph.substr(at, blank - at);
            const std::wstring longer = line.empty() ? word : line + L' ' + word;
            if (wrap && !line.empty() && extent(dc, longer) > width) {
                layout.widest = std::max(layout.widest, extent(dc, line));
                ++layout.lines;
                line = word;
            } else {
                line = longer;
            }
            at = blank + 1;
        }
        layout.widest = std::max(layout.widest, extent(dc, line));
        ++layout.lines;
        start = end + 1;
    }
    ::SelectObject(dc, before);
    ::ReleaseDC(control, dc);
    return layout;
}

std::string describe(const Template& t, HWND control, const std::wstring& text, const Layout& needed,
                     const PixelRect& area)
{
    char line[512];
    std::snprintf(line, sizeof line, "%s, control %d, \"%s\": needs %d x %d pixels, has %d x %d", t.name,
                  ::GetDlgCtrlID(control), utf8FromWide(text).c_str(), needed.widest,
                  needed.lines * needed.lineHeight, area.width(), area.height());
    return line;
}

// Where a control's text goes, and whether it wraps between words; false for a control without text.
bool textArea(HWND control, int templateId, PixelRect& area, bool& wrap)
{
    wchar_t className[32] = {};
    ::GetClassNameW(control, className, 32);
    RECT client{};
    ::GetClientRect(control, &client);
    area = {client.left, client.top, client.right, client.bottom};
    const LONG style = ::GetWindowLongW(control, GWL_STYLE);
    if (_wcsicmp(className, L"Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        wrap = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
        return wrap || type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE;
    }
    if (_wcsicmp(className, L"Button") != 0 || (style & BS_TYPEMASK) == BS_GROUPBOX)
        return false;
    wrap = (style & BS_MULTILINE) != 0;
    const int id = ::GetDlgCtrlID(control);
    if (templateId == IDD_MAIN_DIALOG && std::find(std::begin(imageButtons), std::end(imageButtons), id) != std::end(imageButtons))
        area = placeImage(ImageButtonOptions{}, true, area, false, buttonImage).caption;
    else
        area = {area.left + pushButtonInset, area.top + pushButtonInset, area.right - pushButtonInset,
                area.bottom - pushButtonInset};
    return true;
}

// Every static text and button caption of every dialog, measured with its control's font
// (GetTextExtentPoint32) on this display, fits the control as the dialog manager lays it out: no word
// wider than its line, no more lines than the control's height holds. The CNPJ question's field is
// measured with the font and the widest text the question gives it.
TEST(DialogTexts, EveryTextFitsItsControl)
{
    std::vector<std::string> overflows;
    win32::Font cnpjFont(metrics::cnpjFont);
    for (const Template& t : templates) {
        const HWND dialog = makeDialog(t.id);
        ASSERT_TRUE(dialog) << t.name;
        if (t.id == IDD_CNPJ_CONFIRM_DIALOG) {
            cnpjFont.applyTo(::GetDlgItem(dialog, IDC_CNPJ_LABEL));
            ::SetDlgItemTextW(dialog, IDC_CNPJ_LABEL, widestCnpj);
        }
        int measured = 0;
        for (HWND control = ::GetWindow(dialog, GW_CHILD); control; control = ::GetWindow(control, GW_HWNDNEXT)) {
            const std::wstring text = win32::wideWindowText(control);
            PixelRect area;
            bool wrap = false;
            if (text.empty() || !textArea(control, t.id, area, wrap))
                continue;
            ++measured;
            const Layout needed = layOut(control, text, area.width(), wrap);
            if (needed.widest > area.width() || needed.lines * needed.lineHeight > area.height())
                overflows.push_back(describe(t, control, text, needed, area));
        }
        EXPECT_GT(measured, 0) << t.name;
        ::DestroyWindow(dialog);
    }
    for (const std::string& overflow : overflows)
        ADD_FAILURE() << overflow;
}

// What the dialogs' font is on this display, for a reader of a failure above: its face, its height and
// average character width, and the dialog units it gives.
TEST(DialogTexts, TheDialogFontIsTheOneTheLayoutWasMadeFor)
{
    const HWND dialog = makeDialog(IDD_CNPJ_CONFIRM_DIALOG);
    ASSERT_TRUE(dialog);
    const HDC dc = ::GetDC(dialog);
    const HGDIOBJ before = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)));
    wchar_t face[LF_FACESIZE] = {};
    ::GetTextFaceW(dc, LF_FACESIZE, face);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    RECT units{0, 0, 4, 8};
    ::MapDialogRect(dialog, &units);
    ::SelectObject(dc, before);
    ::ReleaseDC(dialog, dc);
    ::DestroyWindow(dialog);
    std::printf("dialog font: %s, height %ld, average width %ld, 4 x 8 dialog units = %ld x %ld pixels\n",
                utf8FromWide(face).c_str(), metrics.tmHeight, metrics.tmAveCharWidth, units.right, units.bottom);
    // MS Sans Serif 8 at 96 dots per inch, as Windows has it: 13 pixels high, 5 wide on average, and
    // dialog units of 6 x 13 pixels per 4 x 8.
    EXPECT_EQ(utf8FromWide(face), "MS Sans Serif");
    EXPECT_EQ(metrics.tmHeight, 13);
    EXPECT_EQ(metrics.tmAveCharWidth, 5);
    EXPECT_EQ(units.right, 6);
    EXPECT_EQ(units.bottom, 13);
}

} // namespace
} // namespace morvanex
