#include "app/main_dialog.h"

#include "app/app_context.h"
#include "app/firmware_list.h"
#include "app/gui_prompts.h"
#include "app/gui_text.h"
#include "app/self_test_runner.h"
#include "app/upper_case_validator.h"
#include "dialog_metrics.h"
#include "firmware/firmware_catalogue.h"
#include "footer/whole_code.h"
#include "settings/settings_store.h"
#include "ui_main_dialog.h"
#include "validation/validation_flow.h"
#include "widgets/dialog_frame.h"
#include "widgets/fonts.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace morvanex {
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

MainDialog::MainDialog(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_ui(std::make_unique<Ui::MainDialog>()),
      m_prompts(std::make_unique<GuiPrompts>(this)),
      m_selfTests(std::make_unique<SelfTestRunner>(context.workspace, context.catalogue, *m_prompts))
{
    m_ui->setupUi(this);
    m_fields = {m_ui->footerEdit1, m_ui->footerEdit2, m_ui->footerEdit3, m_ui->footerEdit4,
                m_ui->footerEdit5};
    initMainWindow();
}

MainDialog::~MainDialog()
{
    stopSelfTests();
}

QLineEdit* MainDialog::field(int n) const
{
    return m_fields.at(static_cast<std::size_t>(n - 1));
}

ReportList* MainDialog::resultList() const
{
    return m_ui->resultList;
}

ImageButton* MainDialog::validateButton() const
{
    return m_ui->validateButton;
}

void MainDialog::initMainWindow()
{
    setUpMainWindowFrame(*this);
    exchangeFields(false);
    setWindowIcon(appIcon());
    setWindowTitle(windowTitleText);
    setUpResultList();
    setUpFields();
    m_fields[0]->setFocus();
    setUpButtons();
    // Any message about an unreadable image is answered before the window first shows.
    loadCatalogue(m_context.catalogue, m_context.workspace, *m_prompts);
    // Said before any validation, or every code would be answered as not approved.
    if (const std::string message = workspaceMessage(m_context.catalogue, m_context.workspace);
        !message.empty())
        m_prompts->showError(m_context.appName, message);
    restoreFooterString();
}

void MainDialog::setUpResultList()
{
    ReportList* list = m_ui->resultList;
    list->setColumns({QStringLiteral(" "), QStringLiteral(" ")}, metrics::resultColumnWidths);
    list->setSortingEnabled(false);
    m_listFont = logicalFont(courierNew, metrics::resultListFont);
    list->setFont(m_listFont);
}

void MainDialog::setUpFields()
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
        // textChanged comes with every change, typed, deleted, pasted or cut; transfers block it.
        connect(edit, &QLineEdit::textChanged, this, [this, i] { advanceWhenFull(i + 1); });
        // Its pastes (keys and context menu) come here first, so a whole code fills every field.
        edit->installEventFilter(this);
    }
}

void MainDialog::setUpButtons()
{
    m_ui->validateButton->setBitmaps(validateBitmap, bitmapTransparent);
    m_ui->catalogueButton->setIcon(QIcon(catalogueIcon));
    m_ui->exitButton->setIcon(appIcon());

    connect(m_ui->validateButton, &QPushButton::clicked, this, &MainDialog::validateFooter);
    connect(m_ui->catalogueButton, &QPushButton::clicked, this, &MainDialog::showFirmwareList);
    connect(m_ui->exitButton, &QPushButton::clicked, this, &MainDialog::saveAndExit);
    connect(m_ui->testButton, &QPushButton::clicked, this, &MainDialog::startSelfTest);
    // Never shown or enabled: the printer test is for the workshop only.
    m_ui->testButton->hide();
    m_ui->testButton->setEnabled(false);
}

bool MainDialog::exchangeFields(bool toMembers)
{
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        QLineEdit* edit = m_fields[i];
        const int limit = static_cast<int>(groupLengths[i]);
        if (toMembers) {
            if (edit->text().size() > limit)
                return false;
            m_groups[i] = edit->text();
        } else {
            const QSignalBlocker quiet(edit);
            edit->setMaxLength(limit);
            edit->setText(m_groups[i]);
        }
    }
    return true;
}

void MainDialog::advanceWhenFull(int n)
{
    exchangeFields(true);
    const auto i = static_cast<std::size_t>(n - 1);
    if (static_cast<std::size_t>(m_groups.at(i).size()) != groupLengths.at(i))
        return;
    if (n < fieldCount)
        m_fields[i + 1]->setFocus();
    else
        m_ui->validateButton->setFocus();
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event)
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

void MainDialog::pasteInto(int n)
{
    const auto groups = wholeFooterCode(toCp1252(QGuiApplication::clipboard()->text()));
    if (groups)
        showCode(*groups);
    else
        field(n)->paste();
}

void MainDialog::showCode(const std::array<std::string, fieldCount>& groups)
{
    for (std::size_t i = 0; i < m_groups.size(); ++i)
        m_groups[i] = fromCp1252(groups[i]);
    exchangeFields(false);
    m_ui->validateButton->setFocus();
}

void MainDialog::restoreFooterString()
{
    const std::string value = readProfileString(m_context.profileFile, settingsSection, footerStringKey);
    if (value.empty())
        return;
    m_footerString = value;
    showCode(splitFooterString(value));
}

void MainDialog::validateFooter()
{
    exchangeFields(true);
    std::array<std::string, fieldCount> fields;
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i] = toCp1252(m_groups[i]);
    m_footerString = joinFooterFields(fields);
    const ValidationResult result = morvanex::validateFooter(
        m_footerString, m_context.catalogue, m_context.workspace, *m_prompts, m_context.appName);
    if (result.confirmed)
        fillResultList(result.rows);
    // Put in the fields for the operator to validate as usual, the CNPJ question included.
    if (result.suggestedCode)
        showCode(splitFooterString(*result.suggestedCode));
}

void MainDialog::fillResultList(const std::vector<ResultRow>& rows)
{
    QTableWidget* list = m_ui->resultList;
    list->clearContents();
    list->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < list->rowCount(); ++r) {
        const ResultRow& row = rows[static_cast<std::size_t>(r)];
        list->setItem(r, 0, new QTableWidgetItem(fromCp1252(row.label)));
        list->setItem(r, 1, new QTableWidgetItem(fromCp1252(row.value)));
    }
}

void MainDialog::showFirmwareList()
{
    morvanex::showFirmwareList(this, m_context.catalogue, m_context.workspace);
}

void MainDialog::saveAndExit()
{
    exchangeFields(true);
    std::array<std::string, fieldCount> fields;
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i] = toCp1252(m_groups[i]);
    m_footerString = joinFooterFields(fields);
    // A first run may find no configuration folder yet; the write itself is not checked.
    std::error_code ignored;
    std::filesystem::create_directories(m_context.profileFile.parent_path(), ignored);
    writeProfileString(m_context.profileFile, settingsSection, footerStringKey, m_footerString);
    close();
}

void MainDialog::startSelfTest()
{
    m_selfTests->startOne();
}

void MainDialog::stopSelfTests()
{
    m_selfTests->stopAll();
}

} // namespace morvanex
