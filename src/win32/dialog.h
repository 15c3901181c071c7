#pragma once

#include "desktop/main_window_view.h"

#include <string>
#include <string_view>
#include <windows.h>

namespace morvanex::win32 {

// A modal dialog from a template of this program's resources. Subclasses answer its messages;
// whatever they leave goes to the dialog manager's defaults, so OK and Cancel (the buttons, Enter,
// Escape, the close box) end the dialog with IDOK and IDCANCEL.
class Dialog
{
public:
    explicit Dialog(int templateId) : m_templateId(templateId) {}
    virtual ~Dialog() = default;

    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog until it ends; its result (IDOK, IDCANCEL or what end was given), -1 when the
    // template could not be made into a window.
    INT_PTR run(HWND owner);
    HWND window() const { return m_window; }
    HWND item(int id) const { return ::GetDlgItem(m_window, id); }

protected:
    // WM_INITDIALOG: false when it placed the focus itself.
    virtual bool onInit() { return true; }
    // WM_COMMAND: true when handled.
    virtual bool onCommand(int id, int code);
    // WM_NOTIFY from a control: true when handled.
    virtual bool onNotify(const NMHDR&) { return false; }
    // Any other message: true when handled, with result the message's answer.
    virtual bool onMessage(UINT, WPARAM, LPARAM, INT_PTR& /*result*/) { return false; }

    void end(INT_PTR result) { ::EndDialog(m_window, result); }

private:
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    int m_templateId;
    HWND m_window = nullptr;
};

// A dialog's font, made from the parameters the platform's font creation takes, owned until
// destruction. Height and width are pixels at 96 dots per inch and grow with the display's scale, as
// the dialogs' own font does.
class Font
{
public:
    explicit Font(const metrics::ListFont& font);
    ~Font();

    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    HFONT handle() const { return m_font; }
    // Gives the font to a control, which redraws.
    void applyTo(HWND control) const;

private:
    HFONT m_font;
};

// A dialog that offers the rows of its report list, the firmware chooser's or the suggestions': OK, or
// a double-click anywhere in the list, takes the first selected row and ends the dialog with IDOK.
class ListChoiceDialog : public Dialog
{
public:
    ListChoiceDialog(int templateId, int listId, const ReportTable& table)
        : Dialog(templateId), m_listId(listId), m_table(table), m_font(table.font)
    {
    }

    // Runs the dialog until it ends.
    RowChoice choose(HWND owner);

private:
    bool onInit() override;
    bool onCommand(int id, int code) override;
    bool onNotify(const NMHDR& header) override;
    void takeSelection();

    int m_listId;
    const ReportTable& m_table;
    Font m_font;
    int m_row = -1;
};

// Pixels at 96 dots per inch in pixels of this display.
int scaled(int pixels);

// The text of a window, and setting it, in Windows-1252.
std::string windowText(HWND window);
// The same as the window holds it, in UTF-16.
std::wstring wideWindowText(HWND window);
void setWindowText(HWND window, std::string_view cp1252);

} // namespace morvanex::win32
