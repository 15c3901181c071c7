#include "main_window_test.h"

#include "desktop/app_context.h"
#include "face_test_support.h"
#include "firmware/firmware_catalogue.h"
#include "qt/gui_resources.h"
#include "qt/image_button.h"
#include "qt/main_window.h"
#include "qt/report_list.h"
#include "settings/app_names.h"
#include "settings/settings_store.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <numeric>
#include <thread>

namespace morvanex::qt {
namespace {

using test::ModalAnswerer;
using test::TestWorkspace;

// The program name the tests run under, so the captions that must be appName can be told apart
// from the fixed "Morvanex" of the image messages.
const std::string baseName = "Validador";
const QString caption = QStringLiteral("Validador");

const QString invalidText = QStringLiteral("A string do rodapé é inválida.");
const QString unknownText = QStringLiteral("Não foi encontrado o firmware correspondente.\n"
                                           "A string do rodapé foi gerada com um firmware desconhecido.");
const QString rejectedText = QStringLiteral("A string do rodapé não foi gerada com o firmware homologado.\n"
                                            "Verifique a string e tente validar novamente.");

const std::string argosCnpj = "0012.345.678/0001.95";
const std::string twinCnpj = "0011.222.333/0001.81";

QString hex4(const std::vector<std::uint8_t>& bytes)
{
    const unsigned sum = std::accumulate(bytes.begin(), bytes.end(), 0u) & 0xFFFFu;
    return QStringLiteral("%1").arg(sum, 4, 16, QLatin1Char('0')).toUpper();
}

struct Fixture
{
    TestWorkspace workspace;
    std::vector<std::uint8_t> argos = TestWorkspace::imageBytes(1, 8192);
    std::vector<std::uint8_t> twin = TestWorkspace::imageBytes(3, 6000);
    std::string argosCode;
    std::string twinCode;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<MainWindow> window;

    Fixture()
    {
        workspace.addImage("ARGOS.BIN", argos);
        workspace.addDescriptor(
            "ARGOS.txt", {"ARQUIVO: ARGOS.BIN", "MODELO: FX-2100", "MARCA: ARGOS", "VERSÃO: 01.00.05"});
        // Two rows whose images share one CRC-16: a code for either opens the chooser.
        workspace.addImage("TWIN_A.BIN", twin);
        workspace.addImage("TWIN_B.BIN", twin);
        workspace.addDescriptor("TEKNA_A.txt",
                                {"ARQUIVO: TWIN_A.BIN", "MODELO: T-500", "MARCA: TEKNA", "VERSÃO: 1.0"});
        workspace.addDescriptor("TEKNA_B.txt",
                                {"ARQUIVO: TWIN_B.BIN", "MODELO: T-500 R", "MARCA: TEKNA", "VERSÃO: 1.1"});
        argosCode = argosCodeOf(argos);
        twinCode = TestWorkspace::code(twin, 777, "C01100", 0, twinCnpj);
    }

    static std::string argosCodeOf(const std::vector<std::uint8_t>& image)
    {
        return TestWorkspace::code(image, 1234, "4A0B12", 1206367509, argosCnpj);
    }

    std::filesystem::path profile() const { return profileFilePath(baseName); }

    void store(const std::string& value)
    {
        std::filesystem::create_directories(profile().parent_path());
        writeProfileString(profile(), settingsSection, footerStringKey, value);
    }

    std::string stored() const { return readProfileString(profile(), settingsSection, footerStringKey); }

    QByteArray storedLine() const
    {
        QFile file(QString::fromStdString(profile().string()));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        for (const QByteArray& line : file.readAll().split('\n'))
            if (line.startsWith("FooterString="))
                return line.chopped(line.endsWith('\r') ? 1 : 0);
        return {};
    }

    MainWindow& open(bool show = true, const std::filesystem::path& checkRegister = {})
    {
        window.reset();
        context = std::make_unique<AppContext>(baseName, profile(), workspace.root(), checkRegister);
        window = std::make_unique<MainWindow>(*context);
        if (show) {
            window->show();
            window->activateWindow();
            [&] { QVERIFY(QTest::qWaitForWindowActive(window.get())); }();
        }
        return *window;
    }
};

std::unique_ptr<Fixture> fixture;

QString withoutBlanks(const std::string& code)
{
    return QString::fromStdString(code).remove(QLatin1Char(' '));
}

QStringList fieldTexts(const MainWindow& window)
{
    QStringList texts;
    for (int n = 1; n <= MainWindow::fieldCount; ++n)
        texts << window.field(n)->text();
    return texts;
}

QList<QPair<QString, QString>> resultRows(const MainWindow& window)
{
    QList<QPair<QString, QString>> rows;
    const QTableWidget* list = window.resultList();
    for (int r = 0; r < list->rowCount(); ++r)
        rows.append({list->item(r, 0)->text(), list->item(r, 1)->text()});
    return rows;
}

QString resultValue(const MainWindow& window, const QString& label)
{
    for (const auto& row : resultRows(window))
        if (row.first == label)
            return row.second;
    return {};
}

void clickRow(QTableWidget* list, int row, bool twice = false)
{
    const QPoint at = list->visualItemRect(list->item(row, 0)).center();
    if (twice)
        test::doubleClick(list->viewport(), at);
    else
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
}

// Selects a row of the chooser, then presses OK.
ModalAnswerer::Action pickChooserRow(int row)
{
    return [row](QWidget* w) {
        auto* list = w->findChild<QTableWidget*>(QStringLiteral("firmwareList"));
        QVERIFY(list);
        clickRow(list, row);
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
    };
}

} // namespace

void MainWindowTest::init()
{
    fixture = std::make_unique<Fixture>();
}

void MainWindowTest::cleanup()
{
    fixture.reset();
}

void MainWindowTest::firstStartShowsEmptyWindow()
{
    MainWindow& window = fixture->open();
    QCOMPARE(window.windowTitle(), QStringLiteral("Morvanex 1.05"));
    QCOMPARE(fieldTexts(window), QStringList(5, QString()));
    QCOMPARE(window.focusWidget(), window.field(1));
    QVERIFY(window.model().footerString().empty());
    for (int n = 1; n <= 5; ++n)
        QCOMPARE(window.field(n)->maxLength(), static_cast<int>(groupLengths[static_cast<std::size_t>(n - 1)]));

    const QTableWidget* list = window.resultList();
    QCOMPARE(list->rowCount(), 0);
    QCOMPARE(list->columnCount(), 2);
    QCOMPARE(list->horizontalHeaderItem(0)->text(), QStringLiteral(" "));
    QCOMPARE(list->horizontalHeaderItem(1)->text(), QStringLiteral(" "));
    QCOMPARE(list->columnWidth(0), 100);
    QCOMPARE(list->columnWidth(1), 430);
    QVERIFY(list->showGrid());
    QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);

    auto* testButton = window.findChild<QPushButton*>(QStringLiteral("testButton"));
    QVERIFY(testButton && !testButton->isVisible() && !testButton->isEnabled());
    QVERIFY(window.validateButton()->isDefault());
    QVERIFY(window.validateButton()->hasBitmap());
    QVERIFY(window.findChild<ImageButton*>(QStringLiteral("catalogueButton"))->hasIcon());
    QVERIFY(window.findChild<ImageButton*>(QStringLiteral("exitButton"))->hasIcon());
    // The flat buttons take the colour of the group box they sit in.
    const QImage shot = window.grab().toImage();
    for (const QWidget* button : window.findChildren<ImageButton*>()) {
        const QPoint face = button->geometry().topRight() + QPoint(-2, 2);
        QCOMPARE(shot.pixelColor(face), shot.pixelColor(face - QPoint(0, 4)));
    }
    QVERIFY(!window.windowIcon().isNull());
}

void MainWindowTest::typingACodeAdvancesAndUpperCases()
{
    MainWindow& window = fixture->open();
    const QString typed = withoutBlanks(fixture->argosCode).toLower();
    QVERIFY(typed != typed.toUpper()); // the code has letters to upper-case

    test::typeIntoFocus(window, typed.left(7));
    QCOMPARE(window.focusWidget(), window.field(1));
    test::typeIntoFocus(window, typed.mid(7, 1));
    QCOMPARE(window.focusWidget(), window.field(2));
    test::typeIntoFocus(window, typed.mid(8, 24));
    QCOMPARE(window.focusWidget(), window.field(5));
    test::typeIntoFocus(window, typed.mid(32, 11));
    QCOMPARE(window.focusWidget(), window.field(5));
    test::typeIntoFocus(window, typed.mid(43));
    QCOMPARE(window.focusWidget(), window.validateButton());

    const QStringList expected = QString::fromStdString(fixture->argosCode).split(QLatin1Char(' '));
    QCOMPARE(fieldTexts(window), expected);

    // The upper-cased code is what validates: Enter on the focused button.
    ModalAnswerer answerer;
    answerer.thenClick(QStringLiteral("yesButton"));
    QTest::keyClick(window.focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(answerer.done());
    QCOMPARE(window.model().footerString(), fixture->argosCode);
    QCOMPARE(window.resultList()->rowCount(), 9);
    QCOMPARE(answerer.unexpected(), 0);
}

void MainWindowTest::pasteThatFillsAFieldMovesOn()
{
    MainWindow& window = fixture->open();
    QApplication::clipboard()->setText(QStringLiteral("abcdefghijk"));
    QTest::keyClick(window.field(1), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(window.field(1)->text(), QStringLiteral("ABCDEFGH")); // cut at the limit
    QCOMPARE(window.focusWidget(), window.field(2));

    QApplication::clipboard()->setText(QStringLiteral("xyz"));
    QTest::keyClick(window.field(2), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(window.field(2)->text(), QStringLiteral("XYZ"));
    QCOMPARE(window.focusWidget(), window.field(2));
    QApplication::clipboard()->setText(QStringLiteral("12345"));
    QTest::keyClick(window.field(2), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(window.field(2)->text(), QStringLiteral("XYZ12345"));
    QCOMPARE(window.focusWidget(), window.field(3));
}

void MainWindowTest::pasteOfAWholeCode_data()
{
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("whole");

    const QString code = QStringLiteral("DB96KACG KVFMOGRA HNHDGKN7 DB84H686 KKEKK9D36IG8");
    QString joined = code;
    joined.remove(QLatin1Char(' '));
    QTest::newRow("Ctrl+V into field 1") << code << 1 << QStringLiteral("Ctrl+V") << true;
    QTest::newRow("Shift+Insert into field 3, without blanks")
        << joined << 3 << QStringLiteral("Shift+Insert") << true;
    QTest::newRow("menu into field 5, lower case and a line end")
        << QStringLiteral("  ") + code.toLower() + QStringLiteral("\r\n") << 5 << QStringLiteral("menu")
        << true;
    QTest::newRow("menu, a part of a code") << code.left(20) << 2 << QStringLiteral("menu") << false;
}

void MainWindowTest::pasteOfAWholeCode()
{
    QFETCH(QString, clipboard);
    QFETCH(int, field);
    QFETCH(QString, how);
    QFETCH(bool, whole);
    MainWindow& window = fixture->open();
    window.field(2)->setText(QStringLiteral("AB"));
    QApplication::clipboard()->setText(clipboard);
    QLineEdit* edit = window.field(field);
    edit->setFocus();
    edit->selectAll();
    if (how == QLatin1String("menu")) {
        // The field's own menu, as the right button brings it up.
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), edit->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(edit, &event);
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())));
        const auto actions = menu->actions();
        const auto paste = std::find_if(actions.begin(), actions.end(), [](const QAction* a) {
            return a->text().startsWith(QStringLiteral("&Paste\t"));
        });
        QVERIFY(paste != actions.end() && (*paste)->isEnabled());
        (*paste)->trigger();
        menu->close();
    } else if (how == QLatin1String("Shift+Insert")) {
        QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
    } else {
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    }

    if (whole) {
        QCOMPARE(fieldTexts(window),
                 test::texts({"DB96KACG", "KVFMOGRA", "HNHDGKN7", "DB84H686", "KKEKK9D36IG8"}));
        QCOMPARE(window.focusWidget(), window.validateButton());
    } else {
        // As the field pastes any text: in its place, cut at its limit.
        QStringList expected = test::texts({"", "AB", "", "", ""});
        expected[field - 1] = clipboard.left(window.field(field)->maxLength()).toUpper();
        QCOMPARE(fieldTexts(window), expected);
    }
}

void MainWindowTest::enterValidatesARestoredCode()
{
    fixture->store(fixture->argosCode);
    MainWindow& window = fixture->open();
    QCOMPARE(window.focusWidget(), window.validateButton());
    QCOMPARE(fieldTexts(window), QString::fromStdString(fixture->argosCode).split(QLatin1Char(' ')));

    ModalAnswerer answerer;
    QString shownCnpj;
    answerer.then([&](QWidget* w) {
        QCOMPARE(w->windowTitle(), QStringLiteral("CNPJ"));
        shownCnpj = w->findChild<QLabel*>(QStringLiteral("cnpjLabel"))->text();
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("yesButton")), Qt::LeftButton);
    });
    QTest::keyClick(window.focusWidget(), Qt::Key_Enter);
    QTRY_VERIFY(answerer.done());
    QCOMPARE(shownCnpj, QString::fromStdString(argosCnpj));

    const QList<QPair<QString, QString>> expected{
        {QStringLiteral("COO"), QStringLiteral("001234")},
        {QStringLiteral("CNPJ"), QString::fromStdString(argosCnpj)},
        {QStringLiteral("DATA/HORA"), QStringLiteral("24/03/2008 14:05:09")},
        {QStringLiteral("N.SÉRIE"), QStringLiteral("4A0B12")},
        {QStringLiteral("MODELO"), QStringLiteral("FX-2100")},
        {QStringLiteral("MARCA"), QStringLiteral("ARGOS")},
        {QStringLiteral("VERSAO"), QStringLiteral("01.00.05")},
        {QStringLiteral("CHECKSUM"), hex4(fixture->argos)},
        {QStringLiteral("ARQUIVO"), QStringLiteral("ARGOS.BIN")},
    };
    QCOMPARE(resultRows(window), expected);
    // All nine rows in view at once.
    QTRY_COMPARE(window.resultList()->verticalScrollBar()->maximum(), 0);
    QCOMPARE(answerer.unexpected(), 0);
}

void MainWindowTest::chooserPicksTheRowShown()
{
    fixture->store(fixture->twinCode);
    MainWindow& window = fixture->open();
    ModalAnswerer answerer;
    QStringList listed;
    answerer.then([&](QWidget* w) {
        auto* list = w->findChild<QTableWidget*>(QStringLiteral("firmwareList"));
        for (int r = 0; r < list->rowCount(); ++r)
            listed << list->item(r, 0)->text() + QLatin1Char('|') + list->item(r, 3)->text();
        QVERIFY(list->selectedItems().isEmpty());
        pickChooserRow(1)(w);
    });
    answerer.thenClick(QStringLiteral("yesButton"));
    QTest::mouseClick(window.validateButton(), Qt::LeftButton);
    QTRY_VERIFY(answerer.done());
    QCOMPARE(listed, QStringList({QStringLiteral("T-500|TWIN_A.BIN"), QStringLiteral("T-500 R|TWIN_B.BIN")}));
    QCOMPARE(resultValue(window, QStringLiteral("MODELO")), QStringLiteral("T-500 R"));
    QCOMPARE(resultValue(window, QStringLiteral("ARQUIVO")), QStringLiteral("TWIN_B.BIN"));
    QCOMPARE(resultValue(window, QStringLiteral("DATA/HORA")), QStringLiteral("01/01/1970 00:00:00"));
    QCOMPARE(fixture->context->catalogue.selectedIndex.load(), 2);

    // A double-click takes the row at once.
    answerer.then([](QWidget* w) {
        auto* list = w->findChild<QTableWidget*>(QStringLiteral("firmwareList"));
        clickRow(list, 0, true);
    });
    answerer.thenClick(QStringLiteral("yesButton"));
    QTest::mouseClick(window.validateButton(), Qt::LeftButton);
    QTRY_VERIFY(answerer.done());
    QCOMPARE(resultValue(window, QStringLiteral("MODELO")), QStringLiteral("T-500"));
    QCOMPARE(answerer.unexpected(), 0);
}

void MainWindowTest::invalidStringIsReported()
{
    MainWindow& window = fixture->open();
    // Short by one character: joins to 47 characters.
    test::typeIntoFocus(window, withoutBlanks(fixture->argosCode).left(43));
    ModalAnswerer answerer;
    answerer.thenAcknowledge();
    QTest::mouseClick(window.validateButton(), Qt::LeftButton);
    QTRY_VERIFY(answerer.done());
    QCOMPARE(answerer.messages(), QStringList{invalidText});
    QCOMPARE(answerer.seen()[0].title, caption);
    QCOMPARE(answerer.seen()[0].icon, QMessageBox::Critical);
    QCOMPARE(window.model().footerString().size(), std::size_t(47));
    QCOMPARE(window.resultList()->rowCount(), 0);
}

void MainWindowTest::mistypedCodeIsRescued()
{
    // A checksum character one symbol off names firmware nobody has.
    const QString genuine = QString::fromStdString(fixture->argosCode);
    QString typed = genuine;
    typed[22] = typed[22] == QLatin1Char('Z') ? QLatin1Char('0') : QChar(typed[22].unicode() + 1);
    fixture->store(typed.toStdString());
    MainWindow& window = fixture->open();

    // After the message, the suggestions; Cancel changes nothing, OK (Enter) puts the code in the
    // fields and the focus on the validation button.
    ModalAnswerer answerer;
    QString listed;
    answerer.thenAcknowledge();
    answerer.thenClick(QStringLiteral("cancelButton"));
    answerer.thenAcknowledge();
    answerer.then([&](QWidget* w) {
        listed = w->findChild<QTableWidget*>(QStringLiteral("suggestionList"))->item(0, 0)->text();
        QTest::keyClick(w, Qt::Key_Return);
    });
    // The suggestions come from a search on a worker, once it ends.
    QTest::mouseClick(window.validateButton(), Qt::LeftButton);
    QTRY_VERIFY(!window.model().searching());
    QCOMPARE(fieldTexts(window), typed.split(QLatin1Char(' ')));
    window.field(1)->setFocus();
    QTest::mouseClick(window.validateButton(), Qt::LeftButton);
    QTRY_VERIFY(answerer.done());
    QCOMPARE(answerer.messages(), QStringList({unknownText, unknownText}));
    QCOMPARE(listed, genuine.left(22) + QLatin1Char('[') + genuine[22] + QLatin1Char(']') + genuine.mid(23));
    QCOMPARE(fieldTexts(window), genuine.split(QLatin1Char(' ')));
    QCOMPARE(window.focusWidget(), window.validateButton());
    QCOMPARE(answerer.unexpected(), 0);
}

void MainWindowTest::sairStoresTheFields()
{
    MainWindow& window = fixture->open();
    test::typeIntoFocus(window, QStringLiteral("abcdefgh12"));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("exitButton")), Qt::LeftButton);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(fixture->storedLine(), QByteArray("FooterString=ABCDEFGH 12   "));
}

void MainWindowTest::cancelPathsStoreNothing()
{
    fixture->store(fixture->argosCode);
    MainWindow& window = fixture->open();
    window.field(1)->setFocus();
    window.field(1)->selectAll();
    test::typeIntoFocus(window, QStringLiteral("zz"));
    QTest::keyClick(window.field(1), Qt::Key_Escape);
    QVERIFY(!window.isVisible());
    QCOMPARE(fixture->stored(), fixture->argosCode);

    MainWindow& again = fixture->open();
    again.field(2)->clear();
    QVERIFY(again.close()); // the close box and Alt+F4 come here
    QVERIFY(!again.isVisible());
    QCOMPARE(fixture->stored(), fixture->argosCode);
}

void MainWindowTest::imageMessagesComeBeforeTheWindow()
{
    fixture->workspace.addDescriptor("LOST.txt", {"MODELO: X-1", "ARQUIVO: MISSING.BIN"});
    ModalAnswerer answerer;
    answerer.thenAcknowledge();
    answerer.thenAcknowledge();
    MainWindow& window = fixture->open(false);
    QVERIFY(answerer.done());
    const QString text = QStringLiteral("O arquivo MISSING.BIN não pôde ser aberto.\n"
                                        "Verifique se o arquivo não está sendo usado.");
    QCOMPARE(answerer.messages(), QStringList({text, text}));
    for (const test::SeenModal& seen : answerer.seen()) {
        QCOMPARE(seen.title, QStringLiteral("Morvanex"));
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QVERIFY(!seen.mainWindowVisible);
    }
    const FirmwareCatalogue& catalogue = fixture->context->catalogue;
    QCOMPARE(catalogue.count(), 4);
    const auto lost = std::find_if(catalogue.rows.begin(), catalogue.rows.end(),
                                   [](const FirmwareRecord& r) { return r.fileName == "MISSING.BIN"; });
    QVERIFY(lost != catalogue.rows.end());
    QCOMPARE(QString::fromStdString(lost->footerChecksum), QStringLiteral("0000"));
    QVERIFY(!window.isVisible());
}

void MainWindowTest::frameIsFixedAndMinimises()
{
    MainWindow& window = fixture->open();
    const QSize normal = window.size();
    const QRect field = window.field(5)->geometry();

    // A fixed size is what keeps a window manager from offering edges to drag and grips.
    QCOMPARE(window.minimumSize(), normal);
    QCOMPARE(window.maximumSize(), normal);
    QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    window.resize(normal + QSize(200, 150));
    QCOMPARE(window.size(), normal);

    window.showMinimized();
    QTRY_VERIFY(window.isMinimized());
    window.showNormal();
    QTRY_VERIFY(!window.isMinimized());
    QCOMPARE(window.size(), normal);
    QCOMPARE(window.field(5)->geometry(), field);
}

void MainWindowTest::resultListHasNoHandlers()
{
    fixture->store(fixture->argosCode);
    MainWindow& window = fixture->open();
    ModalAnswerer answerer;
    answerer.thenClick(QStringLiteral("yesButton"));
    QTest::mouseClick(window.validateButton(), Qt::LeftButton);
    QTRY_VERIFY(answerer.done());
    const auto rows = resultRows(window);
    QTableWidget* list = window.resultList();

    QHeaderView* header = list->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionPosition(0) + 10, 5));
    QCOMPARE(resultRows(window), rows);
    QVERIFY(list->selectedItems().isEmpty());

    const QPoint value = list->visualItemRect(list->item(3, 1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, value);
    const QList<QTableWidgetItem*> selected = list->selectedItems();
    QCOMPARE(selected.size(), 2);
    for (const QTableWidgetItem* item : selected)
        QCOMPARE(item->row(), 3);
    QCOMPARE(resultRows(window), rows);
    QCOMPARE(answerer.unexpected(), 0);
}

void MainWindowTest::tabLeavesTheResultList()
{
    fixture->store(fixture->argosCode);
    MainWindow& window = fixture->open();
    ModalAnswerer answerer;
    answerer.thenClick(QStringLiteral("yesButton"));
    QTest::mouseClick(window.validateButton(), Qt::LeftButton);
    QTRY_VERIFY(answerer.done());
    QTableWidget* list = window.resultList();
    QCOMPARE(list->rowCount(), 9);
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // Reached by Shift+Tab from field 1, left by Tab and Shift+Tab; the arrows move between rows.
    window.field(1)->setFocus();
    QTest::keyClick(window.field(1), Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), list);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentRow(), 1);
    QTest::keyClick(list, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window.field(1));
    list->setFocus(Qt::TabFocusReason);
    QTest::keyClick(list, Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("exitButton"));
    QCOMPARE(list->currentRow(), 1);
}

void MainWindowTest::applicationRunsTheWindowModally()
{
    fixture->store(fixture->argosCode);
    AppContext context((fixture->workspace.root() / baseName).string());
    QCOMPARE(QString::fromStdString(context.appName), caption);
    ModalAnswerer answerer;
    QStringList restored;
    answerer.then([&](QWidget* w) {
        auto* window = qobject_cast<MainWindow*>(w);
        QVERIFY(window);
        restored = fieldTexts(*window);
        window->field(5)->clear();
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("exitButton")), Qt::LeftButton);
    });
    runMainWindow(context);
    QVERIFY(answerer.done());
    QCOMPARE(restored, QString::fromStdString(fixture->argosCode).split(QLatin1Char(' ')));
    QCOMPARE(fixture->stored(), fixture->argosCode.substr(0, 35)); // the trailing blank is not read back
    // The default register is where the application keeps it, made by the first check only.
    QVERIFY(!std::filesystem::exists(registerFilePath()));
}

void MainWindowTest::registerAnswersReachTheWindow()
{
    // The same document with another CNPJ checked first: the genuine one is then a clone, and its
    // printer has issued for that CNPJ.
    const std::string otherCnpj = "0098.765.432/0001.10";
    const std::string clone = TestWorkspace::code(fixture->argos, 1234, "4A0B12", 1206367509, otherCnpj);
    MainWindow& window = fixture->open(true, fixture->workspace.root() / "registro.txt");
    ModalAnswerer answerer;
    answerer.thenClick(QStringLiteral("yesButton"));
    answerer.thenClick(QStringLiteral("yesButton"));
    answerer.thenAcknowledge();
    for (const std::string& code : {clone, fixture->argosCode}) {
        QApplication::clipboard()->setText(QString::fromStdString(code));
        QTest::keyClick(window.field(1), Qt::Key_V, Qt::ControlModifier);
        QTest::mouseClick(window.validateButton(), Qt::LeftButton);
    }
    QTRY_VERIFY(answerer.done());
    QCOMPARE(answerer.seen().size(), std::size_t(3));
    const test::SeenModal& warning = answerer.seen()[2];
    QCOMPARE(warning.title, QStringLiteral("Morvanex"));
    QCOMPARE(warning.icon, QMessageBox::Warning);
    QVERIFY2(warning.text.contains(QString::fromStdString("CNPJ " + otherCnpj)), qPrintable(warning.text));
    QVERIFY(warning.mainWindowVisible);

    const auto rows = resultRows(window);
    QCOMPARE(rows.size(), 11);
    QCOMPARE(rows[9].first, QStringLiteral("VERIFICADO"));
    QVERIFY(rows[9].second.startsWith(QStringLiteral("CLONE: ")));
    QCOMPARE(rows[10].first, QStringLiteral("IMPRESSORA"));
    QVERIFY2(rows[10].second.contains(QString::fromStdString(otherCnpj)), qPrintable(rows[10].second));
    // All eleven in view at once.
    QTRY_COMPARE(window.resultList()->verticalScrollBar()->maximum(), 0);
    QCOMPARE(answerer.unexpected(), 0);
}

// Counts the paint events a widget gets.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void MainWindowTest::aSearchForSuggestionsLeavesTheWindowPainting()
{
    MainWindow& window = fixture->open();
    // A search as long as a hostile workspace's, here until it is stopped.
    std::atomic<bool> stopped{false};
    window.model().searchSuggestionsWith([&](std::string_view, std::stop_token stop) {
        while (!stop.stop_requested())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        stopped = true;
        return std::vector<Suggestion>{};
    });
    test::typeIntoFocus(window, withoutBlanks(fixture->argosCode).left(43));
    ModalAnswerer answerer;
    answerer.thenAcknowledge();
    QTest::mouseClick(window.validateButton(), Qt::LeftButton);
    QTRY_VERIFY(answerer.done());
    QVERIFY(window.model().searching());

    PaintCounter counter(window);
    window.update();
    QTRY_VERIFY(counter.paints > 0);
    QVERIFY(window.model().searching());

    // Escape reaches the model, which stops the search; the window stays, and a second Escape closes it.
    QTest::keyClick(window.focusWidget(), Qt::Key_Escape);
    QVERIFY(stopped);
    QVERIFY(!window.model().searching());
    QVERIFY(window.isVisible());
    QTest::keyClick(window.focusWidget(), Qt::Key_Escape);
    QVERIFY(!window.isVisible());
    QCOMPARE(answerer.unexpected(), 0);
}

} // namespace morvanex::qt

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    morvanex::qt::initGuiResources();
    morvanex::qt::MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}
