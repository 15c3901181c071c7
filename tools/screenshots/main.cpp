// Retakes the documentation's pictures of the desktop application (scripts/screenshot runs it): the
// main window as Morvanex shows it, validating the restored code and picturing each dialog, then, given
// a clone of that code, the register's warning.
#include "desktop/app_context.h"
#include "qt/gui_resources.h"
#include "qt/main_window.h"
#include "screenshot_hook.h"

#include <QApplication>
#include <cstdio>

namespace {

// The checks the pictures show are staged: one desk, one morning.
constexpr std::int64_t pictureTime = 1796724900; // 2026-12-08 10:15:00 UTC

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: morvanex-screenshots FOLDER [CLONE_CODE]\n");
        return 64;
    }
    morvanex::qt::initGuiResources();
    // Named as the application, so it finds the same settings file and register.
    morvanex::AppContext context("Morvanex");
    context.checker.station = "caixa-1";
    context.checker.clock = [] { return pictureTime; };
    morvanex::qt::MainWindow window(context);
    morvanex::qt::armScreenshotHook(window, QString::fromLocal8Bit(argv[1]),
                                    argc == 3 ? QString::fromLatin1(argv[2]) : QString());
    window.exec();
    window.model().stopSelfTests();
    return 0;
}
