#pragma once

#include "desktop/main_window_view.h"

#include <QDialog>
#include <memory>
#include <span>
#include <string>

namespace morvanex::qt {

namespace Ui {
class BinaryListDialog;
}

// "Lista de Binários": the image folder's entries (Windows-1252), kept in the order given.
class BinaryListDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BinaryListDialog(std::span<const std::string> entries, QWidget* parent = nullptr);
    ~BinaryListDialog() override;

    // Runs the dialog until it ends.
    RowChoice choose();

private:
    std::unique_ptr<Ui::BinaryListDialog> m_ui;
    int m_row = -1;
};

} // namespace morvanex::qt
