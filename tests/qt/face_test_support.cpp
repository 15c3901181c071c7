#include "face_test_support.h"

#include "qt/main_window.h"
#include "text/text_encoding.h"
#include "settings/app_names.h"
#include "footer/footer_encoder.h"
#include "settings/settings_store.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTest>
#include <fstream>

namespace morvanex::test {
namespace {

constexpr int pollIntervalMs = 10;

void writeBytes(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool mainWindowShown()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<qt::MainWindow*>(w) && w->isVisible())
            return true;
    return false;
}

} // namespace

TestWorkspace::TestWorkspace()
    : m_previousDir(QDir::currentPath()), m_previousXdg(qgetenv("XDG_CONFIG_HOME")),
      m_previousData(qgetenv("XDG_DATA_HOME"))
{
    QDir root(m_dir.path());
    root.mkpath(QStringLiteral("TXT"));
    root.mkpath(QStringLiteral("Bin"));
    root.mkpath(QStringLiteral("config"));
    QDir::setCurrent(m_dir.path());
    qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")).toUtf8());
    // The register a window started as the application keeps, never the user's own.
    qputenv("XDG_DATA_HOME", root.filePath(QStringLiteral("data")).toUtf8());
}

TestWorkspace::~TestWorkspace()
{
    QDir::setCurrent(m_previousDir);
    qputenv("XDG_CONFIG_HOME", m_previousXdg);
    qputenv("XDG_DATA_HOME", m_previousData);
}

std::filesystem::path TestWorkspace::root() const
{
    return std::filesystem::path(m_dir.path().toStdString());
}

std::filesystem::path TestWorkspace::profileFile() const
{
    return profileFilePath("Morvanex");
}

std::vector<std::uint8_t> TestWorkspace::imageBytes(std::uint32_t seed, std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = seed;
    for (auto& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(state >> 16);
    }
    return bytes;
}

void TestWorkspace::addImage(const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    writeBytes(root() / "Bin" / name,
               std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void TestWorkspace::addDescriptor(const std::string& name, const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += *utf8ToCp1252(line) + "\r\n";
    writeBytes(root() / "TXT" / name, text);
}

void TestWorkspace::addImageSubfolder(const std::string& name)
{
    std::filesystem::create_directories(root() / "Bin" / name);
}

std::string TestWorkspace::code(const std::vector<std::uint8_t>& image, std::uint32_t coo,
                                const std::string& serial, std::uint32_t seconds, const std::string& cnpj)
{
    return encodeFooter(image, coo, serial, seconds, cnpj).value();
}

void TestWorkspace::storeFooterString(const std::string& value)
{
    std::filesystem::create_directories(profileFile().parent_path());
    writeProfileString(profileFile(), settingsSection, footerStringKey, value);
}

std::string TestWorkspace::storedFooterString() const
{
    return readProfileString(profileFile(), settingsSection, footerStringKey);
}

QByteArray TestWorkspace::profileBytes() const
{
    QFile file(QString::fromStdString(profileFile().string()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ModalAnswerer::ModalAnswerer()
{
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start(pollIntervalMs);
    qApp->installEventFilter(this);
}

bool ModalAnswerer::eventFilter(QObject* watched, QEvent* event)
{
    // A dialog run again is a new question, though it is the same widget.
    if (event->type() == QEvent::Show && watched == m_lastHandled)
        m_lastHandled = nullptr;
    return QObject::eventFilter(watched, event);
}

void ModalAnswerer::thenAcknowledge()
{
    then([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        QVERIFY2(box, "expected a message box");
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
}

void ModalAnswerer::thenClick(const QString& buttonName)
{
    then([buttonName](QWidget* w) {
        auto* button = w->findChild<QAbstractButton*>(buttonName);
        QVERIFY2(button, qPrintable(buttonName));
        QTest::mouseClick(button, Qt::LeftButton);
    });
}

void ModalAnswerer::thenKey(int key)
{
    then([key](QWidget* w) { QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key(key)); });
}

QStringList ModalAnswerer::messages() const
{
    QStringList texts;
    for (const SeenModal& s : m_seen)
        if (s.className == QLatin1String("QMessageBox"))
            texts << s.text;
    return texts;
}

void ModalAnswerer::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == m_lastHandled || !modal->isVisible())
        return;
    m_lastHandled = modal;
    SeenModal seen{QString::fromLatin1(modal->metaObject()->className()),
                   modal->windowTitle(),
                   {},
                   QMessageBox::NoIcon,
                   {},
                   mainWindowShown()};
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* b : box->buttons())
            seen.buttons << b->text();
    }
    m_seen.push_back(seen);
    if (m_actions.empty()) {
        ++m_unexpected;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            QTimer::singleShot(0, dialog, &QDialog::reject);
        return;
    }
    Action action = std::move(m_actions.front());
    m_actions.pop_front();
    // Run from a timer of its own: the action may open further modal loops, in which this poll
    // must go on answering.
    QPointer<QWidget> target(modal);
    QTimer::singleShot(0, this, [action, target] {
        if (target)
            action(target);
    });
}

void doubleClick(QWidget* widget, QPoint at)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
}

QStringList texts(std::initializer_list<const char*> utf8)
{
    QStringList list;
    for (const char* t : utf8)
        list << QString::fromUtf8(t);
    return list;
}

void typeIntoFocus(QWidget& window, const QString& text)
{
    for (const QChar c : text) {
        QWidget* focus = window.focusWidget() ? window.focusWidget() : &window;
        QTest::keyClicks(focus, QString(c));
    }
}

} // namespace morvanex::test
