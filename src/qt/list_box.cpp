#include "qt/list_box.h"

#include "qt/list_focus.h"

#include <QFocusEvent>

namespace morvanex::qt {

ListBox::ListBox(QWidget* parent) : QListWidget(parent)
{
    setTabKeyNavigation(false);
}

void ListBox::focusInEvent(QFocusEvent* event)
{
    focusInWithoutNewCurrentRow(*this, [&] { QListWidget::focusInEvent(event); });
}

} // namespace morvanex::qt
