#include "win32/main_window.h"

#include "desktop/app_context.h"
#include "desktop/wide_text.h"
#include "morvanex_ids.h"
#include "win32/binary_list_dialog.h"
#include "win32/cnpj_confirm_dialog.h"
#include "win32/firmware_description_dialog.h"
#include "win32/report_list.h"

#include <commctrl.h>

#include <array>
#include <cwchar>

namespace morvanex::win32 {
namespace {

constexpr wchar_t windowTitle[] = L"Morvanex 1.05";
constexpr int fieldMargin = 0;
constexpr COLORREF bitmapTransparent = RGB(255, 255, 255);
constexpr UINT_PTR pasteSubclass = 1;
constexpr std::array<int, groupCount> fieldIds{IDC_FOOTER_EDIT1, IDC_FOOTER_EDIT2, IDC_FOOTER_EDIT3,
                                               IDC_FOOTER_EDIT4, IDC_FOOTER_EDIT5};
constexpr UINT runRequest = WM_APP + 1;
constexpr wchar_t carrierClass[] = L"MorvanexPromptCarrier";

HICON loadIcon(int id, int systemMetricX, int systemMetricY)
{
    return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                           ::GetSystemMetrics(systemMetricX),
                                           ::GetSystemMetrics(systemMetricY), LR_DEFAULTCOLOR));
}

int fieldId(int n)
{
    return fieldIds.at(static_cast<std::size_t>(n - 1));
}

// The field n (1 to 5) whose id this is, 0 for another control.
int fieldNumber(int id)
{
    for (std::size_t i = 0; i < fieldIds.size(); ++i)
        if (fieldIds[i] == id)
            return static_cast<int>(i) + 1;
    return 0;
}

LRESULT CALLBACK carrierProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != runRequest)
        return ::DefWindowProcW(window, message, wParam, lParam);
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    return 0;
}

HWND makeCarrier()
{
    const HINSTANCE module = ::GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &carrierProcedure;
    windowClass.hInstance = module;
    windowClass.lpszClassName = carrierClass;
    ::RegisterClassW(&windowClass); // fails harmlessly when already registered
    return ::CreateWindowExW(0, carrierClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
}

} // namespace

MainWindow::MainWindow(AppContext& context)
    : Dialog(IDD_MAIN_DIALOG), m_model(context, *this), m_thread(::GetCurrentThreadId()), m_carrier(makeCarrier()),
      m_fieldFont(metrics::fieldFont)
{
}

MainWindow::~MainWindow()
{
    // While the window that carries their requests is still there.
    m_model.cancelSearch();
    m_model.stopSelfTests();
    if (m_carrier)
        ::DestroyWindow(m_carrier);
    if (m_largeIcon)
        ::DestroyIcon(m_largeIcon);
    if (m_smallIcon)
        ::DestroyIcon(m_smallIcon);
}

bool MainWindow::onInit()
{
    m_largeIcon = loadIcon(IDI_APP, SM_CXICON, SM_CYICON);
    m_smallIcon = loadIcon(IDI_APP, SM_CXSMICON, SM_CYSMICON);
    ::SendMessageW(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_largeIcon));
    ::SendMessageW(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
    ::SetWindowTextW(window(), windowTitle);
    for (int id : fieldIds) {
        m_fieldFont.applyTo(item(id));
        // No margin between frame and text: a full field then shows all its characters, the caret
        // after the last one included, whatever margins the platform would derive from the font.
        ::SendMessageW(item(id), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                       MAKELPARAM(fieldMargin, fieldMargin));
        // Every paste, by key or by the field's menu, comes to fieldProcedure: a whole code fills
        // every field.
        ::SetWindowSubclass(item(id), &fieldProcedure, pasteSubclass, reinterpret_cast<DWORD_PTR>(this));
    }
    setUpButtons();
    m_model.start();
    // The focus stays where the model put it.
    return false;
}

void MainWindow::setUpButtons()
{
    m_validateButton.attach(item(IDC_VALIDATE_BUTTON));
    m_catalogueButton.attach(item(IDC_CATALOGUE_BUTTON));
    m_exitButton.attach(item(IDC_EXIT_BUTTON));
    m_validateButton.setBitmaps(IDB_VALIDATE, bitmapTransparent);
    m_catalogueButton.setIcon(IDI_CATALOGUE);
    m_exitButton.setIcon(IDI_APP);
}

ImageButton* MainWindow::button(int id)
{
    switch (id) {
    case IDC_VALIDATE_BUTTON:
        return &m_validateButton;
    case IDC_CATALOGUE_BUTTON:
        return &m_catalogueButton;
    case IDC_EXIT_BUTTON:
        return &m_exitButton;
    default:
        return nullptr;
    }
}

bool MainWindow::onCommand(int id, int code)
{
    if (const int n = fieldNumber(id)) {
        // Sent after every change of the field's text, typed, deleted, pasted or cut.
        if (code == EN_UPDATE)
            m_model.fieldChanged(n);
        return true;
    }
    switch (id) {
    case IDC_VALIDATE_BUTTON:
        m_model.validate();
        return true;
    case IDC_CATALOGUE_BUTTON:
        m_model.showFirmwareList();
        return true;
    case IDC_EXIT_BUTTON:
        m_model.saveAndExit();
        return true;
    case IDC_TEST_BUTTON:
        m_model.startSelfTest();
        return true;
    case IDOK:
        // Enter goes to the default button; there is no OK to end the window with.
        return true;
    case IDCANCEL:
        // Escape goes to the model first: it cancels a search for suggestions, else closes the window.
        return !m_closing && m_model.cancelSearch();
    default:
        return false;
    }
}

bool MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    switch (message) {
    case WM_DRAWITEM:
        if (ImageButton* b = button(static_cast<int>(wParam))) {
            b->draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            result = TRUE;
            return true;
        }
        return false;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            for (ImageButton* b : {&m_validateButton, &m_catalogueButton, &m_exitButton})
                b->cancelHover();
        return false;
    case WM_CLOSE:
        // The dialog manager turns it into the Cancel that Escape also gives.
        m_closing = true;
        return false;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<INT_PTR>(m_largeIcon);
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK MainWindow::fieldProcedure(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR self)
{
    if (message == WM_PASTE && reinterpret_cast<MainWindow*>(self)->m_model.pasteWholeCode())
        return 0;
    // Some edit controls paste Shift+Insert without a WM_PASTE: made one here, it comes back above.
    if (message == WM_KEYDOWN && wParam == VK_INSERT && ::GetKeyState(VK_SHIFT) < 0 &&
        ::GetKeyState(VK_CONTROL) >= 0) {
        ::SendMessageW(field, WM_PASTE, 0, 0);
        return 0;
    }
    if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(field, &fieldProcedure, pasteSubclass);
    return ::DefSubclassProc(field, message, wParam, lParam);
}

// ---- MainWindowView

std::string MainWindow::fieldText(int n) const
{
    return windowText(item(fieldId(n)));
}

void MainWindow::setField(int n, std::string_view text, std::size_t limit)
{
    ::SendMessageW(item(fieldId(n)), EM_LIMITTEXT, limit, 0);
    setWindowText(item(fieldId(n)), text);
}

void MainWindow::focusField(int n)
{
    ::SetFocus(item(fieldId(n)));
}

void MainWindow::focusValidateButton()
{
    ::SetFocus(item(IDC_VALIDATE_BUTTON));
}

void MainWindow::setUpResultList(const ReportTable& table)
{
    m_listFont.emplace(table.font);
    m_listFont->applyTo(item(IDC_RESULT_LIST));
    reportList::setUpColumns(item(IDC_RESULT_LIST), table);
}

void MainWindow::showResultRows(const ReportTable& table)
{
    reportList::showRows(item(IDC_RESULT_LIST), table);
}

// The clipboard's text; empty when it holds none or another program keeps it open.
std::string MainWindow::clipboardText() const
{
    if (!::IsClipboardFormatAvailable(CF_UNICODETEXT) || !::OpenClipboard(window()))
        return {};
    std::wstring text;
    if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* locked = static_cast<const wchar_t*>(::GlobalLock(data))) {
            // Bounded by the block, should another program have left out the terminating null.
            text.assign(locked, ::wcsnlen(locked, ::GlobalSize(data) / sizeof(wchar_t)));
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return cp1252FromWide(text);
}

void MainWindow::closeWindow()
{
    ::SendMessageW(window(), WM_CLOSE, 0, 0);
}

HWND MainWindow::dialogOwner() const
{
    return window() && ::IsWindowVisible(window()) ? window() : nullptr;
}

void MainWindow::showMessage(MessageIcon icon, std::string_view caption, std::string_view text)
{
    ::MessageBoxW(dialogOwner(), wideFromCp1252(text).c_str(), wideFromCp1252(caption).c_str(),
                  MB_OK | (icon == MessageIcon::Warning ? MB_ICONWARNING : MB_ICONERROR));
}

bool MainWindow::confirmCnpj(std::string_view cnpj)
{
    return CnpjConfirmDialog(cnpj).run(dialogOwner()) == IDOK;
}

RowChoice MainWindow::chooseFirmware(const ReportTable& table)
{
    return ListChoiceDialog(IDD_FIRMWARE_CHOOSER_DIALOG, IDC_FIRMWARE_LIST, table).choose(dialogOwner());
}

RowChoice MainWindow::chooseSuggestion(const ReportTable& table)
{
    return ListChoiceDialog(IDD_SUGGESTION_DIALOG, IDC_SUGGESTION_LIST, table).choose(dialogOwner());
}

RowChoice MainWindow::chooseImageFile(std::span<const std::string> entries)
{
    return BinaryListDialog(entries).choose(window());
}

void MainWindow::describeFirmware(const ReportTable& table)
{
    FirmwareDescriptionDialog(table).run(window());
}

bool MainWindow::onWindowThread() const
{
    return ::GetCurrentThreadId() == m_thread;
}

void MainWindow::runOnWindowThread(const std::function<void()>& task)
{
    if (m_carrier)
        ::SendMessageW(m_carrier, runRequest, 0, reinterpret_cast<LPARAM>(&task));
}

void MainWindow::pumpEvents()
{
    // A request a worker sent to this thread is answered when the thread looks at its queue.
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
}

void runMainWindow(AppContext& context)
{
    MainWindow window(context);
    window.run(nullptr);
    window.model().stopSelfTests();
}

} // namespace morvanex::win32
