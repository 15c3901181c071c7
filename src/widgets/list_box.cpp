#include "widgets/list_box.h"

#include "widgets/list_focus.h"

#include <QFocusEvent>

namespace morvanex {

ListBox::ListBox(QWidget* parent) : QListWidget(parent)
{
    setTabKeyNavigation(false);
}

void ListBox::focusInEvent(QFocusEvent* event)
{
    focusInWithoutNewCurrentRow(*this, [&] { QListWidget::focusInEvent(event); });
}

} // namespace morvanex
