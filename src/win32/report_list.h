#pragma once

#include <windows.h>

#include <string>

namespace morvanex {
struct ReportTable;
}

// A report-view list control: columns, rows of Windows-1252 texts and the first selected row.
namespace morvanex::win32::reportList {

// Grid lines and full-row selection added to whatever extended styles the list has, and the table's
// left-aligned columns.
void setUpColumns(HWND list, const ReportTable& table);
// The table's rows instead of the list's; the one it names, if any, selected and current.
void showRows(HWND list, const ReportTable& table);
// Both.
void showTable(HWND list, const ReportTable& table);
int rowCount(HWND list);
int columnCount(HWND list);
std::string cellText(HWND list, int row, int column);
std::string headingText(HWND list, int column);
// The first selected row, -1 when none is.
int firstSelected(HWND list);

} // namespace morvanex::win32::reportList
