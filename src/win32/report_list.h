#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <string_view>

namespace morvanex {

struct ResultRow;

// A report-view list control: columns, rows of Windows-1252 texts and the first selected row.
namespace reportList {

struct Column
{
    std::string_view heading; // Windows-1252
    int width;                // pixels at 96 dots per inch
};

// Adds grid lines and full-row selection to whatever extended styles the list has.
void addGridAndFullRowSelect(HWND list);
// Left-aligned columns, in order.
void addColumns(HWND list, std::span<const Column> columns);
// A row at the end: column 0 first, then each further column's text.
void addRow(HWND list, std::span<const std::string> cells);
void addRow(HWND list, const ResultRow& row);
void clearRows(HWND list);
int rowCount(HWND list);
int columnCount(HWND list);
std::string cellText(HWND list, int row, int column);
std::string headingText(HWND list, int column);
// The first selected row, -1 when none is.
int firstSelected(HWND list);
// Makes row the one selected and current, scrolled into view.
void selectRow(HWND list, int row);

} // namespace reportList
} // namespace morvanex
