#include "qt/main_window.h"

#include "desktop/app_context.h"
#include "desktop/dialog_metrics.h"
#include "qt/binary_list_dialog.h"
#include "qt/cnpj_confirm_dialog.h"
#include "qt/cp1252_text.h"
#include "qt/dialog_frame.h"
#include "qt/firmware_description_dialog.h"
#include "qt/fonts.h"
#include "qt/list_choice_dialog.h"
#include "qt/upper_case_validator.h"
#include "ui_main_dialog.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QThread>
#include <algorithm>

namespace morvanex::qt {
namespace {

const QString windowTitleText = QStringLiteral("Morvanex 1.05");
constexpr int fieldMarginTrim = 1;

const QColor bitmapTransparent(255, 255, 255);
const QString validateBitmap = QStringLiteral(":/images/validate_bitmap_32.png");
const QString catalogueIcon = QStringLiteral(":/images/catalogue_icon_32.png");

QIcon appIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/images/app_icon_32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/images/app_icon_16.png"), QSize(16, 16));
    return icon;
}

// The paste entry of a field's standard menu. Its text may be translated; the key it names after
// the tab is the platform's paste key.
QAction* pasteAction(const QMenu& menu)
{
    const QString key =
        QLatin1Char('\t') + QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
    for (QAction* action : menu.actions())
        if (action->text().endsWith(key))
            return action;
    return nullptr;
}

} // namespace

MainWindow::MainWindow(AppContext& context, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::MainDialog>()), m_model(context, *this)
{
    m_ui->setupUi(this);
    m_fields = {m_ui->footerEdit1, m_ui->footerEdit2, m_ui->footerEdit3, m_ui->footerEdit4,
                m_ui->footerEdit5};
    setUpMainWindowFrame(*this);
    setWindowIcon(appIcon());
    setWindowTitle(windowTitleText);
    m_ui->resultList->setSortingEnabled(false);
    setUpFields();
    setUpButtons();
    m_model.start();
}

MainWindow::~MainWindow()
{
    m_model.cancelSearch();
    m_model.stopSelfTests();
}

QLineEdit* MainWindow::field(int n) const
{
    return m_fields.at(static_cast<std::size_t>(n - 1));
}

ReportList* MainWindow::resultList() const
{
    return m_ui->resultList;
}

ImageButton* MainWindow::validateButton() const
{
    return m_ui->validateButton;
}

void MainWindow::setUpFields()
{
    m_fieldFont = logicalFont(courierNew, metrics::fieldFont);
    auto* upperCase = new UpperCaseValidator(this);
    for (int i = 0; i < fieldCount; ++i) {
        QLineEdit* edit = m_fields[static_cast<std::size_t>(i)];
        edit->setFont(m_fieldFont);
        // Qt keeps one pixel more than the platform's edit between frame and text on either side;
        // a full fifth field needs it.
        edit->setTextMargins(-fieldMarginTrim, 0, -fieldMarginTrim, 0);
        edit->setValidator(upperCase);
        // textChanged comes with every change, typed, deleted, pasted or cut.
        connect(edit, &QLineEdit::textChanged, this, [this, i] { m_model.fieldChanged(i + 1); });
        // Its pastes (keys and context menu) come here first, so a whole code fills every field.
        edit->installEventFilter(this);
    }
}

void MainWindow::setUpButtons()
{
    m_ui->validateButton->setBitmaps(validateBitmap, bitmapTransparent);
    m_ui->catalogueButton->setIcon(QIcon(catalogueIcon));
    m_ui->exitButton->setIcon(appIcon());

    connect(m_ui->validateButton, &QPushButton::clicked, this, [this] { m_model.validate(); });
    connect(m_ui->catalogueButton, &QPushButton::clicked, this, [this] { m_model.showFirmwareList(); });
    connect(m_ui->exitButton, &QPushButton::clicked, this, [this] { m_model.saveAndExit(); });
    connect(m_ui->testButton, &QPushButton::clicked, this, [this] { m_model.startSelfTest(); });
    // Never shown or enabled: the printer test is for the workshop only.
    m_ui->testButton->hide();
    m_ui->testButton->setEnabled(false);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    const auto field = std::find(m_fields.begin(), m_fields.end(), watched);
    if (field == m_fields.end())
        return QDialog::eventFilter(watched, event);
    const int n = static_cast<int>(field - m_fields.begin()) + 1;
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
        pasteInto(n);
        return true;
    }
    if (event->type() == QEvent::ContextMenu) {
        // The field's own menu, its paste taken over.
        QMenu* menu = (*field)->createStandardContextMenu();
        if (QAction* paste = pasteAction(*menu)) {
            disconnect(paste, &QAction::triggered, *field, nullptr);
            connect(paste, &QAction::triggered, this, [this, n] { pasteInto(n); });
        }
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel) && m_model.cancelSearch())
        return;
    QDialog::keyPressEvent(event);
}

void MainWindow::pasteInto(int n)
{
    if (!m_model.pasteWholeCode())
        field(n)->paste();
}

// ---- MainWindowView

std::string MainWindow::fieldText(int n) const
{
    return toCp1252(field(n)->text());
}

void MainWindow::setField(int n, std::string_view text, std::size_t limit)
{
    field(n)->setMaxLength(static_cast<int>(limit));
    field(n)->setText(fromCp1252(text));
}

void MainWindow::focusField(int n)
{
    field(n)->setFocus();
}

void MainWindow::focusValidateButton()
{
    m_ui->validateButton->setFocus();
}

void MainWindow::setUpResultList(const ReportTable& table)
{
    m_ui->resultList->setUpColumns(table);
}

void MainWindow::showResultRows(const ReportTable& table)
{
    m_ui->resultList->showRows(table);
}

std::string MainWindow::clipboardText() const
{
    return toCp1252(QGuiApplication::clipboard()->text());
}

void MainWindow::closeWindow()
{
    close();
}

QWidget* MainWindow::dialogParent()
{
    return isVisible() ? this : nullptr;
}

void MainWindow::showMessage(MessageIcon icon, std::string_view caption, std::string_view text)
{
    const auto kind = icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::Critical;
    QMessageBox box(kind, fromCp1252(caption), fromCp1252(text), QMessageBox::Ok, dialogParent());
    setUpMessageBox(box);
    box.exec();
}

bool MainWindow::confirmCnpj(std::string_view cnpj)
{
    CnpjConfirmDialog dialog(dialogParent());
    dialog.setCnpjText(fromCp1252(cnpj));
    return dialog.exec() == QDialog::Accepted;
}

RowChoice MainWindow::chooseFirmware(const ReportTable& table)
{
    return FirmwareChooserDialog(table, dialogParent()).choose();
}

RowChoice MainWindow::chooseSuggestion(const ReportTable& table)
{
    return SuggestionDialog(table, dialogParent()).choose();
}

RowChoice MainWindow::chooseImageFile(std::span<const std::string> entries)
{
    return BinaryListDialog(entries, this).choose();
}

void MainWindow::describeFirmware(const ReportTable& table)
{
    FirmwareDescriptionDialog(table, this).exec();
}

bool MainWindow::onWindowThread() const
{
    return QThread::currentThread() == thread();
}

void MainWindow::runOnWindowThread(const std::function<void()>& task)
{
    QMetaObject::invokeMethod(this, task, Qt::BlockingQueuedConnection);
}

void MainWindow::pumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void runMainWindow(AppContext& context)
{
    MainWindow window(context);
    window.exec();
    window.model().stopSelfTests();
}

} // namespace morvanex::qt
