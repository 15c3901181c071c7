// Retakes the documentation's pictures of the desktop application (scripts/screenshot runs it): the
// main window as Morvanex shows it, validating the restored code and picturing each dialog.
#include "desktop/app_context.h"
#include "qt/gui_resources.h"
#include "qt/main_window.h"
#include "screenshot_hook.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: morvanex-screenshots FOLDER\n");
        return 64;
    }
    morvanex::qt::initGuiResources();
    // Named as the application, so it finds the same settings file.
    morvanex::AppContext context("Morvanex");
    morvanex::qt::MainWindow window(context);
    morvanex::qt::armScreenshotHook(window, QString::fromLocal8Bit(argv[1]));
    window.exec();
    window.model().stopSelfTests();
    return 0;
}
