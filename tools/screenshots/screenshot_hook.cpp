#include "screenshot_hook.h"

#include "qt/cnpj_confirm_dialog.h"
#include "qt/list_choice_dialog.h"
#include "qt/main_window.h"
#include "qt/report_list.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

namespace morvanex::qt {
namespace {

constexpr int startDelayMs = 200;
constexpr int answerIntervalMs = 50;

// The pictures of the first validation; the second only adds the clone's warning.
struct Round
{
    QDir folder;
    bool first = true;

    void save(QWidget* w, const QString& name, bool firstOnly = true) const
    {
        if (first || !firstOnly)
            w->grab().save(folder.filePath(name));
    }
};

void answer(QWidget* modal, const Round& round)
{
    if (auto* question = qobject_cast<CnpjConfirmDialog*>(modal)) {
        round.save(question, QStringLiteral("cnpj-dialog.png"));
        question->accept();
    } else if (auto* chooser = qobject_cast<FirmwareChooserDialog*>(modal)) {
        auto* list = chooser->findChild<ReportList*>();
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(list, &down);
        round.save(chooser, QStringLiteral("firmware-chooser.png"));
        chooser->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        if (!round.first && box->icon() == QMessageBox::Warning)
            round.save(box, QStringLiteral("clone-warning.png"), false);
        box->accept();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    }
}

} // namespace

void armScreenshotHook(MainWindow& window, const QString& target, const QString& clone)
{
    auto round = std::make_shared<Round>(Round{QDir(target)});
    auto* answers = new QTimer(&window);
    QObject::connect(answers, &QTimer::timeout, &window, [&window, round] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != &window && modal->isVisible())
            answer(modal, *round);
    });
    QTimer::singleShot(startDelayMs, &window, [&window, answers, round, clone] {
        answers->start(answerIntervalMs);
        window.model().validate();
        if (window.resultList()->rowCount() > 0)
            window.grab().save(round->folder.filePath(QStringLiteral("main-window.png")));
        if (!clone.isEmpty()) {
            round->first = false;
            QApplication::clipboard()->setText(clone);
            window.model().pasteWholeCode();
            window.model().validate();
        }
        answers->stop();
        window.reject();
    });
}

} // namespace morvanex::qt
