#pragma once

#include <QString>

namespace morvanex::qt {

class MainWindow;

// Once the window shows, it validates its restored code and pictures what comes up into folder: the
// chooser, after a first Down (firmware-chooser.png), whose first row it takes; the CNPJ question
// (cnpj-dialog.png), which it answers with "SIM"; the window with the result (main-window.png). Then,
// when a clone of that document is given, it validates the clone in the same way and pictures the
// register's warning (clone-warning.png). Then it closes. Anything else that comes up is dismissed.
void armScreenshotHook(MainWindow& window, const QString& folder, const QString& clone = {});

} // namespace morvanex::qt
