#include "win32/report_list.h"

#include "desktop/report_table.h"
#include "desktop/wide_text.h"
#include "win32/dialog.h"

#include <commctrl.h>

namespace morvanex::win32::reportList {
namespace {

// Longer than any text of the system's rows.
constexpr int textCapacity = 4096;

void setCell(HWND list, int row, int column, std::string_view cp1252)
{
    std::wstring text = wideFromCp1252(cp1252);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void addRow(HWND list, const ReportTable::Row& cells)
{
    if (cells.empty())
        return;
    std::wstring first = wideFromCp1252(cells[0]);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = rowCount(list);
    item.pszText = first.data();
    const auto row = static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    for (std::size_t c = 1; c < cells.size(); ++c)
        setCell(list, row, static_cast<int>(c), cells[c]);
}

} // namespace

void setUpColumns(HWND list, const ReportTable& table)
{
    const auto styles = static_cast<DWORD>(::SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, styles | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    int index = columnCount(list);
    for (const ReportTable::Column& column : table.columns) {
        std::wstring heading = wideFromCp1252(column.heading);
        LVCOLUMNW c{};
        c.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        c.fmt = LVCFMT_LEFT;
        c.cx = scaled(column.width);
        c.pszText = heading.data();
        c.iSubItem = index;
        ::SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&c));
        ++index;
    }
}

void showRows(HWND list, const ReportTable& table)
{
    ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (const ReportTable::Row& row : table.rows)
        addRow(list, row);
    if (table.selectedRow < 0 || table.selectedRow >= rowCount(list))
        return;
    // Selected and current: Enter takes it, the first Down moves to the next.
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(table.selectedRow), reinterpret_cast<LPARAM>(&item));
    ::SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(table.selectedRow), FALSE);
}

void showTable(HWND list, const ReportTable& table)
{
    setUpColumns(list, table);
    showRows(list, table);
}

int rowCount(HWND list)
{
    return static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

int columnCount(HWND list)
{
    const auto header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

std::string cellText(HWND list, int row, int column)
{
    std::wstring text(textCapacity, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = textCapacity;
    const auto length = ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                       reinterpret_cast<LPARAM>(&item));
    text.resize(static_cast<std::size_t>(length));
    return cp1252FromWide(text);
}

std::string headingText(HWND list, int column)
{
    std::wstring text(textCapacity, L'\0');
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT;
    c.pszText = text.data();
    c.cchTextMax = textCapacity;
    if (!::SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c)))
        return {};
    text.resize(wcslen(text.c_str()));
    return cp1252FromWide(text);
}

int firstSelected(HWND list)
{
    return static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

} // namespace morvanex::win32::reportList
