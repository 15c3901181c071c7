#pragma once

#include <QTableWidget>

namespace morvanex {
struct ReportTable;
}

namespace morvanex::qt {

// A report-view list as the platform has it: left-aligned headings that do nothing when clicked,
// rows as tight as the font allows, and no current row until the operator moves or clicks, so the
// first Down (or Up, or Home) selects the first row. One tab stop: Tab leaves it, the arrows move
// between rows. A double-click anywhere in its rows' area, on a row or below them, is reported as such.
class ReportList : public QTableWidget
{
    Q_OBJECT

public:
    explicit ReportList(QWidget* parent = nullptr);

    // Takes the table's font and columns.
    void setUpColumns(const ReportTable& table);
    // Shows the table's rows; the one it names, if any, selected and current.
    void showRows(const ReportTable& table);
    // Both.
    void showTable(const ReportTable& table);
    // The first selected row, -1 when none is.
    int firstSelectedRow() const;

signals:
    void doubleClickedAnywhere();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void fitRowsToFont();
};

} // namespace morvanex::qt
