#include "dialogs_test.h"

#include "desktop/app_context.h"
#include "desktop/report_table.h"
#include "face_test_support.h"
#include "firmware/firmware_catalogue.h"
#include "qt/binary_list_dialog.h"
#include "qt/cnpj_confirm_dialog.h"
#include "qt/firmware_description_dialog.h"
#include "qt/fonts.h"
#include "qt/gui_resources.h"
#include "qt/list_choice_dialog.h"
#include "qt/main_window.h"
#include "qt/report_list.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <thread>

namespace morvanex::qt {
namespace {

using test::ModalAnswerer;
using test::TestWorkspace;

FirmwareRecord record(std::string fileName, std::string model, std::string version, std::string brand,
                      std::string display)
{
    FirmwareRecord r;
    r.fileName = std::move(fileName);
    r.model = std::move(model);
    r.version = std::move(version);
    r.brand = std::move(brand);
    r.footerChecksum = "1234";
    r.displayChecksum = std::move(display);
    return r;
}

void fillCatalogue(FirmwareCatalogue& catalogue)
{
    catalogue.rows.push_back(record("A.BIN", "FX-2100", "01.00", "ARGOS", "0A0B"));
    catalogue.rows.push_back(record("B.BIN", "ZQ-101", "02.10", "ORBITA", "1C1D"));
    // Windows-1252 texts: "VERSÃO 3" and "CAFÉ".
    catalogue.rows.push_back(record("C.BIN", "T-500", "VERS\xC3O 3", "CAF\xC9", "2E2F"));
}

QStringList columnTexts(const QTableWidget* list, int column)
{
    QStringList texts;
    for (int r = 0; r < list->rowCount(); ++r)
        texts << list->item(r, column)->text();
    return texts;
}

QStringList entries(const QListWidget* list)
{
    QStringList texts;
    for (int r = 0; r < list->count(); ++r)
        texts << list->item(r)->text();
    return texts;
}

void clickCell(QTableWidget* list, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                      list->visualItemRect(list->item(row, 0)).center());
}

// The binary list's answer: select the entry with this text (none when empty) and press OK.
ModalAnswerer::Action chooseEntry(const QString& entry)
{
    return [entry](QWidget* w) {
        QCOMPARE(w->windowTitle(), QStringLiteral("Lista de Binários"));
        auto* list = w->findChild<QListWidget*>(QStringLiteral("binaryList"));
        QVERIFY(list);
        if (!entry.isEmpty()) {
            const QList<QListWidgetItem*> found = list->findItems(entry, Qt::MatchExactly);
            QCOMPARE(found.size(), 1);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found[0]).center());
        }
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
    };
}

struct DescriptionSeen
{
    QStringList labels;
    QStringList values;
};

// The description dialog's answer: note its rows, then "Fechar".
ModalAnswerer::Action readDescription(DescriptionSeen& seen)
{
    return [&seen](QWidget* w) {
        QCOMPARE(w->windowTitle(), QStringLiteral("Descrição do Firmware"));
        auto* list = w->findChild<QTableWidget*>(QStringLiteral("descriptionList"));
        QVERIFY(list);
        QCOMPARE(list->horizontalHeaderItem(0)->text(), QStringLiteral(" "));
        QCOMPARE(list->columnWidth(0), 100);
        QCOMPARE(list->columnWidth(1), 300);
        seen.labels = columnTexts(list, 0);
        seen.values = columnTexts(list, 1);
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("closeButton")), Qt::LeftButton);
    };
}

} // namespace

void DialogsTest::cnpjDialogAnswers()
{
    CnpjConfirmDialog dialog;
    dialog.setCnpjText(QStringLiteral("0012.345.678/0001.95"));
    auto* label = dialog.findChild<QLabel*>(QStringLiteral("cnpjLabel"));
    QCOMPARE(label->text(), QStringLiteral("0012.345.678/0001.95"));

    ModalAnswerer answerer;
    QWidget* focused = nullptr;
    answerer.then([&](QWidget* w) {
        focused = w->focusWidget();
        QTest::keyClick(w, Qt::Key_Return);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(focused, dialog.findChild<QPushButton*>(QStringLiteral("yesButton")));
    QCOMPARE(focused->property("text").toString(), QStringLiteral("SIM"));

    answerer.thenClick(QStringLiteral("noButton"));
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    answerer.thenKey(Qt::Key_Escape);
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    answerer.then([](QWidget* w) { w->close(); });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("noButton"))->text(), QStringLiteral("NÃO"));
    QCOMPARE(answerer.unexpected(), 0);
}

void DialogsTest::chooserShowsItsTableAndTakesTheFirstSelected()
{
    FirmwareCatalogue catalogue;
    fillCatalogue(catalogue);
    const std::vector<int> candidates{0, 2};
    FirmwareChooserDialog dialog(chooserTable(catalogue, candidates));
    auto* list = dialog.findChild<QTableWidget*>(QStringLiteral("firmwareList"));
    QStringList headings;
    for (int c = 0; c < list->columnCount(); ++c) {
        headings << list->horizontalHeaderItem(c)->text();
        QCOMPARE(list->columnWidth(c), 100);
    }
    QCOMPARE(headings, test::texts({"MODELO", "VERSÃO", "CS", "ARQUIVO"}));
    QCOMPARE(columnTexts(list, 0), test::texts({"FX-2100", "T-500"}));
    QCOMPARE(columnTexts(list, 1), test::texts({"01.00", "VERSÃO 3"}));
    QCOMPARE(columnTexts(list, 2), test::texts({"0A0B", "2E2F"}));
    QCOMPARE(columnTexts(list, 3), test::texts({"A.BIN", "C.BIN"}));
    QVERIFY(list->selectedItems().isEmpty());

    ModalAnswerer answerer;
    answerer.thenClick(QStringLiteral("okButton"));
    QCOMPARE(dialog.choose(), (RowChoice{true, -1}));

    // Rows 1 and 0 selected, in that order: the first in the list counts.
    answerer.then([](QWidget* w) {
        auto* l = w->findChild<QTableWidget*>(QStringLiteral("firmwareList"));
        clickCell(l, 1);
        clickCell(l, 0, Qt::ControlModifier);
        QCOMPARE(l->selectionModel()->selectedRows().size(), 2);
        QTest::keyClick(w, Qt::Key_Return);
    });
    QCOMPARE(dialog.choose(), (RowChoice{true, 0}));

    answerer.then([](QWidget* w) {
        auto* l = w->findChild<QTableWidget*>(QStringLiteral("firmwareList"));
        l->clearSelection();
        test::doubleClick(l->viewport(), l->visualItemRect(l->item(1, 2)).center());
    });
    QCOMPARE(dialog.choose(), (RowChoice{true, 1}));
    QCOMPARE(answerer.unexpected(), 0);
}

void DialogsTest::chooserStartsWithoutACurrentRow_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<bool>("doubleClickBelowRows"); // instead of Enter
    QTest::addColumn<int>("chosen");
    QTest::newRow("Down, Enter") << QList<int>{Qt::Key_Down} << false << 0;
    QTest::newRow("Up, Enter") << QList<int>{Qt::Key_Up} << false << 0;
    QTest::newRow("Home, Enter") << QList<int>{Qt::Key_Home} << false << 0;
    QTest::newRow("Down, Down, Enter") << QList<int>{Qt::Key_Down, Qt::Key_Down} << false << 1;
    QTest::newRow("Enter") << QList<int>{} << false << -1;
    // The press below the rows takes the selection away; the double-click is OK.
    QTest::newRow("Down, double-click below the rows") << QList<int>{Qt::Key_Down} << true << -1;
}

void DialogsTest::chooserStartsWithoutACurrentRow()
{
    QFETCH(QList<int>, keys);
    QFETCH(bool, doubleClickBelowRows);
    QFETCH(int, chosen);
    FirmwareCatalogue catalogue;
    fillCatalogue(catalogue);
    FirmwareChooserDialog dialog(chooserTable(catalogue, std::vector<int>{0, 2}));
    ModalAnswerer answerer;
    bool focusedWithoutCurrent = false;
    answerer.then([&](QWidget* w) {
        auto* list = w->findChild<ReportList*>(QStringLiteral("firmwareList"));
        QTRY_VERIFY(list->hasFocus());
        focusedWithoutCurrent = !list->currentIndex().isValid();
        for (const int key : keys)
            QTest::keyClick(list, Qt::Key(key));
        if (doubleClickBelowRows)
            test::doubleClick(list->viewport(), QPoint(20, list->viewport()->height() - 5));
        else
            QTest::keyClick(list, Qt::Key_Return);
        // If that does not close the dialog, this does: the test fails instead of hanging.
        QTimer::singleShot(2000, w, [w] { qobject_cast<QDialog*>(w)->reject(); });
    });
    QCOMPARE(dialog.choose(), (RowChoice{true, chosen}));
    QVERIFY(focusedWithoutCurrent);
}

void DialogsTest::dialogsHaveTitleAndCloseBoxOnly()
{
    FirmwareCatalogue catalogue;
    fillCatalogue(catalogue);
    CnpjConfirmDialog cnpj;
    FirmwareChooserDialog chooser(chooserTable(catalogue, std::vector<int>{0, 1}));
    BinaryListDialog binaries(std::vector<std::string>{"A.BIN"});
    FirmwareDescriptionDialog description(descriptionTable(catalogue, "A.BIN"));
    SuggestionDialog suggestions(suggestionTable({}));
    for (const QDialog* dialog :
         {static_cast<QDialog*>(&cnpj), static_cast<QDialog*>(&chooser), static_cast<QDialog*>(&binaries),
          static_cast<QDialog*>(&description), static_cast<QDialog*>(&suggestions)}) {
        const Qt::WindowFlags flags = dialog->windowFlags();
        const QByteArray name = dialog->metaObject()->className();
        QVERIFY2(flags.testFlag(Qt::WindowTitleHint) && flags.testFlag(Qt::WindowCloseButtonHint), name);
        QVERIFY2(!flags.testFlag(Qt::WindowMinimizeButtonHint) &&
                     !flags.testFlag(Qt::WindowMaximizeButtonHint),
                 name);
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        QCOMPARE(dialog->font(), dialogFont());
    }
    // Headings are left-aligned.
    const QHeaderView* header = chooser.findChild<ReportList*>()->horizontalHeader();
    for (int c = 0; c < header->count(); ++c) {
        const QVariant own = header->model()->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole);
        const auto alignment = own.isValid() ? Qt::Alignment(own.toInt()) : header->defaultAlignment();
        QCOMPARE(alignment & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    }
}

void DialogsTest::chooserCancelChoosesNothing()
{
    FirmwareCatalogue catalogue;
    fillCatalogue(catalogue);
    const std::vector<int> candidates{1, 2};
    ModalAnswerer answerer;
    // A row selected and then Cancel, Escape or the close box: nothing is chosen.
    for (int way = 0; way < 3; ++way) {
        answerer.then([way](QWidget* w) {
            clickCell(w->findChild<QTableWidget*>(QStringLiteral("firmwareList")), 0);
            if (way == 0)
                QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cancelButton")), Qt::LeftButton);
            else if (way == 1)
                QTest::keyClick(w, Qt::Key_Escape);
            else
                w->close();
        });
        QCOMPARE(FirmwareChooserDialog(chooserTable(catalogue, candidates)).choose(), RowChoice{});
    }
    answerer.then([](QWidget* w) {
        clickCell(w->findChild<QTableWidget*>(QStringLiteral("firmwareList")), 1);
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
    });
    QCOMPARE(FirmwareChooserDialog(chooserTable(catalogue, candidates)).choose(), (RowChoice{true, 1}));
}

void DialogsTest::tabLeavesEveryList()
{
    FirmwareCatalogue catalogue;
    fillCatalogue(catalogue);
    BinaryListDialog binaries(std::vector<std::string>{"A.BIN", "B.BIN", "C.BIN"});
    FirmwareChooserDialog chooser(chooserTable(catalogue, std::vector<int>{0, 1, 2}));
    // Each list: where Tab and Shift+Tab go from it, and the row the first Down makes current.
    const struct
    {
        QDialog* dialog;
        QString list;
        QString next;
        QString previous;
        int firstDown;
    } cases[] = {
        {&binaries, QStringLiteral("binaryList"), QStringLiteral("okButton"), QStringLiteral("cancelButton"),
         0},
        {&chooser, QStringLiteral("firmwareList"), QStringLiteral("okButton"), QStringLiteral("cancelButton"),
         0},
    };
    ModalAnswerer answerer;
    for (const auto& c : cases) {
        QString next, previous;
        int row = -2;
        answerer.then([&](QWidget* w) {
            auto* list = w->findChild<QAbstractItemView*>(c.list);
            QVERIFY(list);
            list->setFocus(Qt::TabFocusReason);
            QTest::keyClick(list, Qt::Key_Tab);
            next = QApplication::focusWidget()->objectName();
            list->setFocus(Qt::TabFocusReason);
            QTest::keyClick(list, Qt::Key_Tab, Qt::ShiftModifier);
            previous = QApplication::focusWidget()->objectName();
            list->setFocus(Qt::TabFocusReason);
            QTest::keyClick(list, Qt::Key_Down);
            row = list->currentIndex().row();
            QTest::keyClick(w, Qt::Key_Escape);
        });
        c.dialog->exec();
        QCOMPARE(next, c.next);
        QCOMPARE(previous, c.previous);
        QCOMPARE(row, c.firstDown);
    }
    QCOMPARE(answerer.unexpected(), 0);
}

void DialogsTest::binaryListShowsItsEntriesAsGiven()
{
    // In the order given, which ignores letter case: the list box's own sorting would not.
    const std::vector<std::string> given{"[old.bin]", "A.BIN", "b.bin", "C.BIN", "F\xC1.BIN"};
    BinaryListDialog dialog(given);
    ModalAnswerer answerer;
    QStringList listed;
    bool selectedAtStart = true;
    QWidget* focused = nullptr;
    answerer.then([&](QWidget* w) {
        auto* list = w->findChild<QListWidget*>(QStringLiteral("binaryList"));
        listed = entries(list);
        selectedAtStart = !list->selectedItems().isEmpty();
        focused = w->focusWidget();
        QTest::keyClick(w, Qt::Key_Escape);
    });
    QCOMPARE(dialog.choose(), RowChoice{});
    QCOMPARE(listed, test::texts({"[old.bin]", "A.BIN", "b.bin", "C.BIN", "FÁ.BIN"}));
    QVERIFY(!selectedAtStart);
    QCOMPARE(focused, dialog.findChild<QPushButton*>(QStringLiteral("okButton")));
    QCOMPARE(answerer.unexpected(), 0);
}

void DialogsTest::catalogueButtonOpensTheListThenTheDescription()
{
    TestWorkspace workspace;
    workspace.addImage("A.BIN", {1});
    workspace.addImage("C.BIN", {2});
    workspace.addDescriptor("A.txt", {"ARQUIVO: A.BIN", "MODELO: FX-2100", "MARCA: ARGOS", "VERSÃO: 01.00"});
    workspace.addDescriptor("C.txt", {"ARQUIVO: C.BIN", "MODELO: T-500", "MARCA: CAFÉ", "VERSÃO: VERSÃO 3"});
    AppContext context("Morvanex", workspace.profileFile(), workspace.root());
    MainWindow window(context);
    const QString cSum = QString::fromStdString(context.catalogue.rows.at(1).displayChecksum);

    ModalAnswerer answerer;
    DescriptionSeen seen;
    answerer.then(chooseEntry(QStringLiteral("C.BIN")));
    answerer.then(readDescription(seen));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("catalogueButton")), Qt::LeftButton);
    QVERIFY(answerer.done());
    QCOMPARE(seen.labels, test::texts({"ARQUIVO", "MODELO", "VERSÃO", "MARCA", "CHECKSUM"}));
    QCOMPARE(seen.values, test::texts({"C.BIN", "T-500", "VERSÃO 3", "CAFÉ"}) << cSum);

    // A double-click on an entry is OK.
    answerer.then([](QWidget* w) {
        auto* list = w->findChild<QListWidget*>(QStringLiteral("binaryList"));
        test::doubleClick(
            list->viewport(),
            list->visualItemRect(list->findItems(QStringLiteral("A.BIN"), Qt::MatchExactly)[0]).center());
    });
    answerer.then(readDescription(seen));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("catalogueButton")), Qt::LeftButton);
    QVERIFY(answerer.done());
    QCOMPARE(seen.values.value(1), QStringLiteral("FX-2100"));
    QCOMPARE(answerer.unexpected(), 0);
}

void DialogsTest::messagesKeepEveryByteAndTheirIcon()
{
    TestWorkspace workspace;
    workspace.addImage("A.BIN", {1});
    workspace.addDescriptor("A.txt", {"ARQUIVO: A.BIN"});
    AppContext context("Morvanex", workspace.profileFile(), workspace.root());
    MainWindow window(context);
    ModalAnswerer answerer;
    QFont font;
    QIcon okIcon;
    answerer.then([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        QVERIFY(box);
        font = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->font();
        okIcon = box->button(QMessageBox::Ok)->icon();
        box->button(QMessageBox::Ok)->click();
    });
    answerer.thenAcknowledge();
    // 0x81 is one of the bytes the code page leaves undefined: it must not vanish.
    window.showMessage(MessageIcon::Error, "Morvanex", "A\x81\xC9\xE7\x80");
    window.showMessage(MessageIcon::Warning, "Morvanex", "aviso");
    QVERIFY(answerer.done());
    // The dialogs' font, the icon asked for and a plain OK button.
    QCOMPARE(font.family(), dialogFont().family());
    QCOMPARE(font.pixelSize(), dialogFont().pixelSize());
    QVERIFY(okIcon.isNull());
    QCOMPARE(answerer.messages(), QStringList({QStringLiteral("A\u0081Éç€"), QStringLiteral("aviso")}));
    QCOMPARE(answerer.seen()[0].icon, QMessageBox::Critical);
    QCOMPARE(answerer.seen()[1].icon, QMessageBox::Warning);
    QCOMPARE(answerer.seen()[0].title, QStringLiteral("Morvanex"));
    QCOMPARE(answerer.seen()[0].buttons, QStringList{QStringLiteral("OK")});
}

void DialogsTest::workerRequestsRunOnTheGuiThread()
{
    TestWorkspace workspace;
    for (const char* name : {"A.BIN", "B.BIN", "C.BIN"}) {
        workspace.addImage(name, {1});
        workspace.addDescriptor(std::string(name) + ".txt", {std::string("ARQUIVO: ") + name});
    }
    AppContext context("Morvanex", workspace.profileFile(), workspace.root());
    MainWindow window(context);
    OperatorPrompts& prompts = window.model().prompts();
    const std::vector<int> candidates{0, 1, 2};
    ModalAnswerer answerer;
    std::atomic<bool> shownOnGuiThread{false};
    answerer.then([&](QWidget* w) {
        shownOnGuiThread = QThread::currentThread() == qApp->thread() && w->thread() == qApp->thread();
        clickCell(w->findChild<QTableWidget*>(QStringLiteral("firmwareList")), 2);
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
    });
    answerer.thenClick(QStringLiteral("yesButton"));
    answerer.thenAcknowledge();

    std::atomic<int> chosen{-5};
    std::atomic<bool> confirmed{false};
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        chosen = prompts.chooseFirmware(context.catalogue, candidates);
        confirmed = prompts.confirmCnpj("0012.345.678/0001.95");
        prompts.showError("Morvanex", "do trabalhador");
        finished = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(finished, 10000);
    worker.join();
    QVERIFY(shownOnGuiThread);
    QCOMPARE(chosen.load(), 2);
    QVERIFY(confirmed);
    QCOMPARE(answerer.messages(), QStringList{QStringLiteral("do trabalhador")});
    QCOMPARE(answerer.unexpected(), 0);
}

} // namespace morvanex::qt

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    morvanex::qt::initGuiResources();
    morvanex::qt::DialogsTest test;
    return QTest::qExec(&test, argc, argv);
}
