#pragma once

#include <QListWidget>

namespace morvanex::qt {

// A list box as the platform has it: no current entry until the operator moves or clicks, so the
// first Down (or Up, or Home) selects the first entry; Tab leaves it.
class ListBox : public QListWidget
{
    Q_OBJECT

public:
    explicit ListBox(QWidget* parent = nullptr);

protected:
    void focusInEvent(QFocusEvent* event) override;
};

} // namespace morvanex::qt
