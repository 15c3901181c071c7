#include "win32/main_window.h"

#include "dialog_metrics.h"
#include "footer/whole_code.h"
#include "morvanex_ids.h"
#include "validation/validation_flow.h"
#include "win32/app_context.h"
#include "win32/firmware_description_dialog.h"
#include "win32/footer_setting.h"
#include "win32/report_list.h"
#include "win32/win_text.h"

#include <commctrl.h>
#include <cwchar>

namespace morvanex {
namespace {

constexpr wchar_t windowTitle[] = L"Morvanex 1.05";
constexpr int fieldMargin = 0;
constexpr COLORREF bitmapTransparent = RGB(255, 255, 255);
constexpr UINT_PTR pasteSubclass = 1;
constexpr std::array<int, groupCount> fieldIds{IDC_FOOTER_EDIT1, IDC_FOOTER_EDIT2, IDC_FOOTER_EDIT3,
                                               IDC_FOOTER_EDIT4, IDC_FOOTER_EDIT5};

HICON loadIcon(int id, int systemMetricX, int systemMetricY)
{
    return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                           ::GetSystemMetrics(systemMetricX),
                                           ::GetSystemMetrics(systemMetricY), LR_DEFAULTCOLOR));
}

// The field n (1 to 5) whose id this is, 0 for another control.
int fieldNumber(int id)
{
    for (std::size_t i = 0; i < fieldIds.size(); ++i)
        if (fieldIds[i] == id)
            return static_cast<int>(i) + 1;
    return 0;
}

// The clipboard's text; empty when it holds none or another program keeps it open.
std::wstring clipboardText(HWND owner)
{
    if (!::IsClipboardFormatAvailable(CF_UNICODETEXT) || !::OpenClipboard(owner))
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
    return text;
}

} // namespace

MainWindow::MainWindow(AppContext& context)
    : Dialog(IDD_MAIN_DIALOG), m_context(context),
      m_selfTests(context.workspace, context.catalogue, m_prompts), m_fieldFont(metrics::fieldFont),
      m_listFont(metrics::resultListFont)
{
}

MainWindow::~MainWindow()
{
    m_selfTests.stopAll();
    if (m_largeIcon)
        ::DestroyIcon(m_largeIcon);
    if (m_smallIcon)
        ::DestroyIcon(m_smallIcon);
}

bool MainWindow::onInit()
{
    exchangeFields(false);
    m_largeIcon = loadIcon(IDI_APP, SM_CXICON, SM_CYICON);
    m_smallIcon = loadIcon(IDI_APP, SM_CXSMICON, SM_CYSMICON);
    ::SendMessageW(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_largeIcon));
    ::SendMessageW(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
    ::SetWindowTextW(window(), windowTitle);
    setUpResultList();
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
    m_listFont.applyTo(item(IDC_RESULT_LIST));
    ::SetFocus(item(IDC_FOOTER_EDIT1));
    setUpButtons();
    m_prompts.setOwner(window());
    // Any message about an unreadable image is answered before the window first shows.
    loadCatalogue(m_context.catalogue, m_context.workspace, m_prompts);
    // Said before any validation, or every code would be answered as not approved.
    if (const std::string message = workspaceMessage(m_context.catalogue, m_context.workspace);
        !message.empty())
        m_prompts.showError(m_context.appName, message);
    restoreFooterString();
    return false;
}

void MainWindow::setUpResultList()
{
    const HWND list = item(IDC_RESULT_LIST);
    reportList::addGridAndFullRowSelect(list);
    const reportList::Column columns[] = {{" ", metrics::resultColumnWidths[0]},
                                          {" ", metrics::resultColumnWidths[1]}};
    reportList::addColumns(list, columns);
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
        if (code == EN_UPDATE && !m_transferring)
            advanceWhenFull(n);
        return true;
    }
    switch (id) {
    case IDC_VALIDATE_BUTTON:
        validateFooter();
        return true;
    case IDC_CATALOGUE_BUTTON:
        showFirmwareList();
        return true;
    case IDC_EXIT_BUTTON:
        saveAndExit();
        return true;
    case IDC_TEST_BUTTON:
        startSelfTest();
        return true;
    case IDOK:
        // Enter goes to the default button; there is no OK to end the window with.
        return true;
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
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<INT_PTR>(m_largeIcon);
        return true;
    default:
        return false;
    }
}

bool MainWindow::exchangeFields(bool toMembers)
{
    m_transferring = true;
    for (std::size_t i = 0; i < fieldIds.size(); ++i) {
        const HWND field = item(fieldIds[i]);
        if (toMembers) {
            m_groups[i] = windowText(field);
        } else {
            ::SendMessageW(field, EM_LIMITTEXT, groupLengths[i], 0);
            setWindowText(field, m_groups[i]);
        }
    }
    m_transferring = false;
    return true;
}

void MainWindow::advanceWhenFull(int n)
{
    exchangeFields(true);
    const auto i = static_cast<std::size_t>(n - 1);
    if (m_groups.at(i).size() != groupLengths.at(i))
        return;
    ::SetFocus(n < fieldCount ? item(fieldIds[i + 1]) : item(IDC_VALIDATE_BUTTON));
}

LRESULT CALLBACK MainWindow::fieldProcedure(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR self)
{
    if (message == WM_PASTE && reinterpret_cast<MainWindow*>(self)->pasteWholeCode())
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

bool MainWindow::pasteWholeCode()
{
    const auto groups = wholeFooterCode(cp1252FromWide(clipboardText(window())));
    if (!groups)
        return false;
    showCode(*groups);
    return true;
}

void MainWindow::showCode(const std::array<std::string, groupCount>& groups)
{
    m_groups = groups;
    exchangeFields(false);
    ::SetFocus(item(IDC_VALIDATE_BUTTON));
}

void MainWindow::restoreFooterString()
{
    const std::string value = readFooterString(m_context.profileFile, m_context.legacyProfileFile);
    if (value.empty())
        return;
    m_footerString = value;
    showCode(splitFooterString(value));
}

std::string MainWindow::joinedFields()
{
    exchangeFields(true);
    return joinFooterFields(m_groups);
}

void MainWindow::validateFooter()
{
    m_footerString = joinedFields();
    const ValidationResult result = morvanex::validateFooter(
        m_footerString, m_context.catalogue, m_context.workspace, m_prompts, m_context.appName);
    if (result.confirmed)
        fillResultList(result.rows);
    // Put in the fields for the operator to validate as usual, the CNPJ question included.
    if (result.suggestedCode)
        showCode(splitFooterString(*result.suggestedCode));
}

void MainWindow::fillResultList(const std::vector<ResultRow>& rows)
{
    const HWND list = item(IDC_RESULT_LIST);
    reportList::clearRows(list);
    for (const ResultRow& row : rows)
        reportList::addRow(list, row);
}

void MainWindow::showFirmwareList()
{
    morvanex::showFirmwareList(window(), m_context.catalogue, m_context.workspace);
}

void MainWindow::saveAndExit()
{
    m_footerString = joinedFields();
    // A write that fails is not reported; the window closes all the same.
    writeFooterString(m_context.profileFile, m_footerString);
    ::SendMessageW(window(), WM_CLOSE, 0, 0);
}

void MainWindow::startSelfTest()
{
    m_selfTests.startOne();
}

} // namespace morvanex
