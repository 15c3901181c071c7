// Retakes the documentation's pictures of the desktop application (scripts/screenshot runs it): the
// main window as Morvanex shows it, validating the restored code and picturing each dialog.
#include "app/main_dialog.h"
#include "app/validator_app.h"
#include "screenshot_hook.h"
#include "widgets/gui_resources.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: morvanex-screenshots FOLDER\n");
        return 64;
    }
    morvanex::initGuiResources();
    // Named as the application, so it finds the same settings file.
    morvanex::ValidatorApp validator("Morvanex");
    morvanex::MainDialog window(validator.context());
    morvanex::armScreenshotHook(window, QString::fromLocal8Bit(argv[1]));
    window.exec();
    window.stopSelfTests();
    return 0;
}
