#include "widgets/report_list.h"

#include "widgets/list_focus.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <algorithm>

namespace morvanex {

ReportList::ReportList(QWidget* parent) : QTableWidget(parent)
{
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionsClickable(false);
    // Qt's tables step through their cells with Tab and never let go of it.
    setTabKeyNavigation(false);
    fitRowsToFont();
}

void ReportList::setColumns(const QStringList& headings, std::span<const int> widths)
{
    setColumnCount(static_cast<int>(headings.size()));
    setHorizontalHeaderLabels(headings);
    for (int c = 0; c < columnCount() && static_cast<std::size_t>(c) < widths.size(); ++c)
        setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
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

} // namespace morvanex
