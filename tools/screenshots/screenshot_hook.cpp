#include "screenshot_hook.h"

#include "qt/cnpj_confirm_dialog.h"
#include "qt/list_choice_dialog.h"
#include "qt/main_window.h"
#include "qt/report_list.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

namespace morvanex::qt {
namespace {

constexpr int startDelayMs = 200;
constexpr int answerIntervalMs = 50;

void answer(QWidget* modal, const QDir& folder)
{
    if (auto* question = qobject_cast<CnpjConfirmDialog*>(modal)) {
        question->grab().save(folder.filePath(QStringLiteral("cnpj-dialog.png")));
        question->accept();
    } else if (auto* chooser = qobject_cast<FirmwareChooserDialog*>(modal)) {
        auto* list = chooser->findChild<ReportList*>();
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(list, &down);
        chooser->grab().save(folder.filePath(QStringLiteral("firmware-chooser.png")));
        chooser->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    }
}

} // namespace

void armScreenshotHook(MainWindow& window, const QString& target)
{
    const QDir folder(target);
    auto* answers = new QTimer(&window);
    QObject::connect(answers, &QTimer::timeout, &window, [&window, folder] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != &window && modal->isVisible())
            answer(modal, folder);
    });
    QTimer::singleShot(startDelayMs, &window, [&window, answers, folder] {
        answers->start(answerIntervalMs);
        window.model().validate();
        answers->stop();
        if (window.resultList()->rowCount() > 0)
            window.grab().save(folder.filePath(QStringLiteral("main-window.png")));
        window.reject();
    });
}

} // namespace morvanex::qt
