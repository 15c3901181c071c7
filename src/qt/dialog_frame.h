#pragma once

class QDialog;
class QMessageBox;

namespace morvanex::qt {

// The frames of the platform's dialogs, given to Qt windows. Each also sets the dialog font.

// A modal dialog: fixed size, a title bar with the close box only.
void setUpModalDialog(QDialog& dialog);

// The main window: fixed size (no resize grips, nothing to drag), title bar with the system menu,
// minimise and close. A window manager does not maximise a window whose size is fixed, so no
// maximise button is asked for.
void setUpMainWindowFrame(QDialog& window);

// A message box as the dialogs have it: their font, a modal frame and an OK button without the
// theme's icon on it.
void setUpMessageBox(QMessageBox& box);

} // namespace morvanex::qt
