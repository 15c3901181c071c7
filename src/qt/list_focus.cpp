#include "qt/list_focus.h"

#include <QItemSelectionModel>

namespace morvanex::qt {

void focusInWithoutNewCurrentRow(QAbstractItemView& view, const std::function<void()>& baseFocusIn)
{
    const bool hadCurrent = view.currentIndex().isValid();
    baseFocusIn();
    if (!hadCurrent && view.selectionModel())
        view.selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

} // namespace morvanex::qt
