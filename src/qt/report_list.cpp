#include "qt/report_list.h"

#include "desktop/report_table.h"
#include "qt/cp1252_text.h"
#include "qt/fonts.h"
#include "qt/list_focus.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <algorithm>

namespace morvanex::qt {

ReportList::ReportList(QWidget* parent) : QTableWidget(parent)
{
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionsClickable(false);
    // Qt's tables step through their cells with Tab and never let go of it.
    setTabKeyNavigation(false);
    fitRowsToFont();
}

void ReportList::setUpColumns(const ReportTable& table)
{
    setFont(logicalFont(courierNew, table.font));
    setColumnCount(static_cast<int>(table.columns.size()));
    for (int c = 0; c < columnCount(); ++c) {
        const ReportTable::Column& column = table.columns[static_cast<std::size_t>(c)];
        setHorizontalHeaderItem(c, new QTableWidgetItem(fromCp1252(column.heading)));
        setColumnWidth(c, column.width);
    }
}

void ReportList::showRows(const ReportTable& table)
{
    clearContents();
    setRowCount(static_cast<int>(table.rows.size()));
    for (int r = 0; r < rowCount(); ++r) {
        const ReportTable::Row& row = table.rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < columnCount() && static_cast<std::size_t>(c) < row.size(); ++c)
            setItem(r, c, new QTableWidgetItem(fromCp1252(row[static_cast<std::size_t>(c)])));
    }
    if (table.selectedRow >= 0 && table.selectedRow < rowCount())
        selectRow(table.selectedRow);
}

void ReportList::showTable(const ReportTable& table)
{
    setUpColumns(table);
    showRows(table);
}

int ReportList::firstSelectedRow() const
{
    int first = -1;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        first = first < 0 ? index.row() : std::min(first, index.row());
    return first;
}

void ReportList::focusInEvent(QFocusEvent* event)
{
    focusInWithoutNewCurrentRow(*this, [&] { QTableWidget::focusInEvent(event); });
}

void ReportList::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit doubleClickedAnywhere();
}

void ReportList::changeEvent(QEvent* event)
{
    QTableWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitRowsToFont();
}

void ReportList::fitRowsToFont()
{
    // The style's minimum row height would be taller than the font needs.
    constexpr int rowPadding = 1;
    const int height = fontMetrics().height() + rowPadding;
    verticalHeader()->setMinimumSectionSize(height);
    verticalHeader()->setDefaultSectionSize(height);
}

} // namespace morvanex::qt
