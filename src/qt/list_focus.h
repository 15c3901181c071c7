#pragma once

#include <QAbstractItemView>
#include <functional>

namespace morvanex::qt {

// Qt makes the first row of a list current when the focus comes in; the platform's lists have none
// until the operator moves or clicks, so the first Down (or Up, or Home) selects the first row. Runs
// the view's own focus-in (baseFocusIn) and takes back a current row it made.
void focusInWithoutNewCurrentRow(QAbstractItemView& view, const std::function<void()>& baseFocusIn);

} // namespace morvanex::qt
