#include "forms_test.h"

#include "ui_binary_list_dialog.h"
#include "ui_cnpj_confirm_dialog.h"
#include "ui_firmware_chooser_dialog.h"
#include "ui_firmware_description_dialog.h"
#include "ui_main_dialog.h"
#include "qt/image_button.h"

#include <QDialog>
#include <QTest>
#include <initializer_list>

namespace morvanex::qt {

namespace {

// Dialog units of the "MS Sans Serif" 8 dialog font (base units 6 x 13), rounded half up.
int pxX(int du)
{
    return (du * 6 + 2) / 4;
}

int pxY(int du)
{
    return (du * 13 + 4) / 8;
}

QRect fromDialogUnits(int x, int y, int w, int h)
{
    return QRect(pxX(x), pxY(y), pxX(w), pxY(h));
}

QSize fromDialogUnits(int w, int h)
{
    return QSize(pxX(w), pxY(h));
}

struct Placed
{
    QWidget* widget;
    int id; // 0 for controls without one
    QRect du;
};

void checkPlacement(std::initializer_list<Placed> controls)
{
    for (const Placed& c : controls) {
        const QRect expected = fromDialogUnits(c.du.x(), c.du.y(), c.du.width(), c.du.height());
        QVERIFY2(c.widget->geometry() == expected, qPrintable(c.widget->objectName()));
        if (c.id != 0)
            QVERIFY2(c.widget->property("controlId").toInt() == c.id, qPrintable(c.widget->objectName()));
    }
}

// The named widgets in the order the focus chain visits them.
QStringList tabOrder(QWidget& dialog, const QStringList& names)
{
    QStringList order;
    for (QWidget* w = dialog.nextInFocusChain(); w && w != &dialog; w = w->nextInFocusChain())
        if (names.contains(w->objectName()))
            order << w->objectName();
    return order;
}

void checkDialogFrame(QDialog& dialog, const QString& title, QSize size)
{
    QCOMPARE(dialog.windowTitle(), title);
    QCOMPARE(dialog.size(), size);
    QCOMPARE(dialog.font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(dialog.font().pointSize(), 8);
}

// What a click on the button does to the dialog's result (42: nothing).
int resultAfterClick(QDialog& dialog, QAbstractButton* button)
{
    dialog.setResult(42);
    button->click();
    return dialog.result();
}

// Blank headings come out of the form empty; the dialog's code sets them.
QStringList headings(const QTableWidget* table)
{
    QStringList texts;
    for (int c = 0; c < table->columnCount(); ++c)
        texts << table->horizontalHeaderItem(c)->text().trimmed();
    return texts;
}

} // namespace

void FormsTest::mainFormControlsAndGeometry()
{
    QDialog dialog;
    Ui::MainDialog ui;
    ui.setupUi(&dialog);
    checkDialogFrame(dialog, QStringLiteral("Morvanex"), fromDialogUnits(381, 242));

    checkPlacement({
        {ui.frameGroup, 0, {7, 7, 367, 228}},
        {ui.footerLabel, 0, {12, 16, 58, 8}},
        {ui.resultList, 1001, {11, 90, 358, 139}},
        {ui.footerEdit1, 1002, {11, 30, 63, 14}},
        {ui.footerEdit2, 1003, {78, 30, 63, 14}},
        {ui.footerEdit3, 1004, {144, 30, 63, 14}},
        {ui.footerEdit4, 1005, {210, 30, 63, 14}},
        {ui.footerEdit5, 1006, {276, 30, 92, 14}},
        {ui.validateButton, 1007, {12, 53, 98, 31}},
        {ui.catalogueButton, 1008, {111, 53, 98, 31}},
        {ui.exitButton, 1013, {323, 53, 45, 31}},
        {ui.scratchList, 1014, {276, 15, 92, 12}},
        {ui.testButton, 1018, {242, 52, 50, 31}},
    });
    // Spot checks of the conversion itself: 276 * 6 / 4 = 414, 30 * 13 / 8 = 48.75, 381 * 6 / 4 = 571.5,
    // 242 * 13 / 8 = 393.25.
    QCOMPARE(ui.footerEdit5->geometry(), QRect(414, 49, 138, 23));
    QCOMPARE(dialog.size(), QSize(572, 393));

    QCOMPARE(ui.footerLabel->text(), QStringLiteral("String do Rodapé:"));
    const int limits[] = {8, 8, 8, 8, 12};
    const QLineEdit* fields[] = {ui.footerEdit1, ui.footerEdit2, ui.footerEdit3, ui.footerEdit4,
                                 ui.footerEdit5};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(fields[i]->maxLength(), limits[i]);
        QVERIFY(fields[i]->text().isEmpty());
    }

    // The three image buttons are promoted, and only the validation button is the default.
    QVERIFY(qobject_cast<ImageButton*>(dialog.findChild<QPushButton*>(QStringLiteral("validateButton"))));
    QVERIFY(qobject_cast<ImageButton*>(dialog.findChild<QPushButton*>(QStringLiteral("catalogueButton"))));
    QVERIFY(qobject_cast<ImageButton*>(dialog.findChild<QPushButton*>(QStringLiteral("exitButton"))));
    QVERIFY(ui.validateButton->isDefault());
    QVERIFY(!ui.catalogueButton->isDefault() && !ui.exitButton->isDefault());
    QCOMPARE(ui.validateButton->text(), QStringLiteral("Verifica Autenticidade\ndo Documento"));
    QCOMPARE(ui.catalogueButton->text(), QStringLiteral("Verifica Lista de Firmwares"));
    QCOMPARE(ui.exitButton->text(), QStringLiteral("Sair"));

    QCOMPARE(headings(ui.resultList), QStringList({QString(), QString()}));
    QCOMPARE(ui.resultList->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(ui.resultList->showGrid());

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(!ui.scratchList->isVisible());
    QVERIFY(ui.scratchList->isSortingEnabled());
    QVERIFY(!ui.testButton->isVisible());
    QVERIFY(!ui.testButton->isEnabled());
    QCOMPARE(ui.testButton->text(), QStringLiteral("TESTE"));
    QVERIFY(ui.validateButton->isVisible() && ui.footerEdit1->isVisible());
}

void FormsTest::mainFormTabOrder()
{
    QDialog dialog;
    Ui::MainDialog ui;
    ui.setupUi(&dialog);
    const QStringList expected = {
        QStringLiteral("resultList"),     QStringLiteral("footerEdit1"),     QStringLiteral("footerEdit2"),
        QStringLiteral("footerEdit3"),    QStringLiteral("footerEdit4"),     QStringLiteral("footerEdit5"),
        QStringLiteral("validateButton"), QStringLiteral("catalogueButton"), QStringLiteral("exitButton"),
    };
    QCOMPARE(tabOrder(dialog, expected), expected);

    // Tab walks the visible controls in that order and wraps around.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.activateWindow();
    ui.footerEdit5->setFocus();
    QTest::keyClick(ui.footerEdit5, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), ui.validateButton);
    ui.exitButton->setFocus();
    QTest::keyClick(ui.exitButton, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), ui.resultList);
}

void FormsTest::cnpjConfirmForm()
{
    QDialog dialog;
    Ui::CnpjConfirmDialog ui;
    ui.setupUi(&dialog);
    checkDialogFrame(dialog, QStringLiteral("CNPJ"), fromDialogUnits(303, 84));
    checkPlacement({
        {ui.promptLabel, 0, {14, 11, 218, 8}},
        {ui.cnpjGroup, 0, {13, 23, 278, 35}},
        {ui.cnpjLabel, 1015, {19, 32, 267, 22}},
        {ui.yesButton, 1, {102, 63, 50, 14}},
        {ui.noButton, 2, {153, 63, 50, 14}},
    });
    QCOMPARE(ui.promptLabel->text(),
             QStringLiteral("O CNPJ abaixo confere com o CNPJ impresso no Documento Fiscal?"));
    QCOMPARE(ui.yesButton->text(), QStringLiteral("SIM"));
    QCOMPARE(ui.noButton->text(), QStringLiteral("NÃO"));
    QVERIFY(ui.yesButton->isDefault() && !ui.noButton->isDefault());
    QCOMPARE(resultAfterClick(dialog, ui.yesButton), int(QDialog::Accepted));
    QCOMPARE(resultAfterClick(dialog, ui.noButton), int(QDialog::Rejected));
}

void FormsTest::firmwareChooserForm()
{
    QDialog dialog;
    Ui::FirmwareChooserDialog ui;
    ui.setupUi(&dialog);
    checkDialogFrame(dialog, QStringLiteral("Lista de Firmwares"), fromDialogUnits(315, 122));
    checkPlacement({
        {ui.firmwareList, 1001, {7, 7, 301, 85}},
        {ui.okButton, 1, {107, 101, 50, 14}},
        {ui.cancelButton, 2, {158, 101, 50, 14}},
    });
    QCOMPARE(headings(ui.firmwareList), QStringList({QStringLiteral("MODELO"), QStringLiteral("VERSÃO"),
                                                     QStringLiteral("CS"), QStringLiteral("ARQUIVO")}));
    QVERIFY(ui.okButton->isDefault());
    QCOMPARE(ui.cancelButton->text(), QStringLiteral("Cancel"));
    QCOMPARE(resultAfterClick(dialog, ui.cancelButton), int(QDialog::Rejected));
    // OK first has to read the selection, so the form leaves it to the dialog's code.
    QCOMPARE(resultAfterClick(dialog, ui.okButton), 42);
}

void FormsTest::binaryListForm()
{
    QDialog dialog;
    Ui::BinaryListDialog ui;
    ui.setupUi(&dialog);
    checkDialogFrame(dialog, QStringLiteral("Lista de Binários"), fromDialogUnits(184, 129));
    checkPlacement({
        {ui.okButton, 1, {42, 108, 50, 14}},
        {ui.cancelButton, 2, {93, 108, 50, 14}},
        {ui.binaryList, 1001, {7, 7, 170, 94}},
    });
    QVERIFY(ui.okButton->isDefault());
    QVERIFY(ui.binaryList->isSortingEnabled());
    const QStringList order = {QStringLiteral("okButton"), QStringLiteral("cancelButton"),
                               QStringLiteral("binaryList")};
    QCOMPARE(tabOrder(dialog, order), order);
    QCOMPARE(resultAfterClick(dialog, ui.cancelButton), int(QDialog::Rejected));
    QCOMPARE(resultAfterClick(dialog, ui.okButton), 42);
}

void FormsTest::firmwareDescriptionForm()
{
    QDialog dialog;
    Ui::FirmwareDescriptionDialog ui;
    ui.setupUi(&dialog);
    checkDialogFrame(dialog, QStringLiteral("Descrição do Firmware"), fromDialogUnits(284, 126));
    checkPlacement({
        {ui.closeButton, 1, {118, 105, 50, 14}},
        {ui.descriptionList, 1001, {7, 7, 270, 81}},
    });
    QCOMPARE(ui.closeButton->text(), QStringLiteral("Fechar"));
    QVERIFY(ui.closeButton->isDefault());
    QCOMPARE(headings(ui.descriptionList), QStringList({QString(), QString()}));
    const QStringList order = {QStringLiteral("closeButton"), QStringLiteral("descriptionList")};
    QCOMPARE(tabOrder(dialog, order), order);
    QCOMPARE(resultAfterClick(dialog, ui.closeButton), int(QDialog::Accepted));
}

} // namespace morvanex::qt
