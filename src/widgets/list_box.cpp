#include "widgets/list_box.h"

#include <QFocusEvent>

namespace morvanex {

ListBox::ListBox(QWidget* parent) : QListWidget(parent)
{
    setTabKeyNavigation(false);
}

void ListBox::focusInEvent(QFocusEvent* event)
{
    // Qt makes the first entry current when the focus comes in.
    const bool hadCurrent = currentIndex().isValid();
    QListWidget::focusInEvent(event);
    if (!hadCurrent && selectionModel())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

} // namespace morvanex
