#include "app/screenshot_hook.h"

#include "app/cnpj_confirm_dialog.h"
#include "app/main_dialog.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>

namespace morvanex {

void armScreenshotHook(MainDialog& window)
{
    const QString target = qEnvironmentVariable("MORVANEX_SCREENSHOT");
    if (target.isEmpty())
        return;
    auto* answer = new QTimer(&window);
    QObject::connect(answer, &QTimer::timeout, &window, [] {
        if (auto* question = qobject_cast<CnpjConfirmDialog*>(QApplication::activeModalWidget()))
            question->accept();
    });
    QTimer::singleShot(200, &window, [&window, answer, target] {
        answer->start(50);
        window.validateFooter();
        answer->stop();
        window.grab().save(target);
        window.reject();
    });
}

} // namespace morvanex
