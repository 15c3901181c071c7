#include "desktop/app_context.h"
#include "qt/gui_resources.h"
#include "qt/main_window.h"

#include <QApplication>

// The application: names from the program file, the workspace from the working directory, and the
// main window run modally; that run is the whole life of the program.
int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    morvanex::qt::initGuiResources();
    morvanex::AppContext context(QCoreApplication::applicationFilePath().toStdString());
    morvanex::qt::runMainWindow(context);
    return 0;
}
