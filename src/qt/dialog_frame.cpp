#include "qt/dialog_frame.h"

#include "qt/fonts.h"

#include <QAbstractButton>
#include <QDialog>
#include <QIcon>
#include <QMessageBox>

namespace morvanex::qt {
namespace {

constexpr Qt::WindowFlags modalFrame =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
constexpr Qt::WindowFlags mainFrame = modalFrame | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint;

void fixFrame(QDialog& dialog, Qt::WindowFlags flags)
{
    dialog.setWindowFlags(flags);
    dialog.setFont(dialogFont());
    dialog.setSizeGripEnabled(false);
    dialog.setFixedSize(dialog.size());
}

} // namespace

void setUpModalDialog(QDialog& dialog)
{
    fixFrame(dialog, modalFrame);
}

void setUpMainWindowFrame(QDialog& window)
{
    fixFrame(window, mainFrame);
}

void setUpMessageBox(QMessageBox& box)
{
    box.setWindowFlags(modalFrame);
    box.setFont(dialogFont());
    for (QAbstractButton* button : box.buttons())
        button->setIcon(QIcon());
}

} // namespace morvanex::qt
