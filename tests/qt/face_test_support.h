#pragma once

#include <QByteArray>
#include <QDir>
#include <QMessageBox>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace morvanex::test {

// A workspace of its own (TXT, Bin) made the current directory, with its own XDG_CONFIG_HOME and
// XDG_DATA_HOME, for as long as the object lives.
class TestWorkspace
{
public:
    TestWorkspace();
    ~TestWorkspace();

    std::filesystem::path root() const;
    std::filesystem::path profileFile() const;

    // Deterministic pseudo-random image bytes.
    static std::vector<std::uint8_t> imageBytes(std::uint32_t seed, std::size_t size);

    void addImage(const std::string& name, const std::vector<std::uint8_t>& bytes);
    // Lines in UTF-8, stored as Windows-1252 with CR LF line ends.
    void addDescriptor(const std::string& name, const std::vector<std::string>& lines);
    void addImageSubfolder(const std::string& name);

    // A genuine 48-character code made with the image's key.
    static std::string code(const std::vector<std::uint8_t>& image, std::uint32_t coo,
                            const std::string& serial, std::uint32_t seconds, const std::string& cnpj);

    void storeFooterString(const std::string& value);
    std::string storedFooterString() const;
    QByteArray profileBytes() const;

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
    QByteArray m_previousXdg;
    QByteArray m_previousData;
};

// One modal window seen by a ModalAnswerer.
struct SeenModal
{
    QString className;
    QString title;
    QString text; // a message box's text
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;    // a message box's button texts
    bool mainWindowVisible; // whether a MainWindow was on screen at the time
};

// Answers modal windows as an operator would, in the order they come up: each new active modal
// window gets the next queued action. A modal window with nothing queued is recorded as unexpected
// and rejected, so a test never hangs on it.
class ModalAnswerer : public QObject
{
    Q_OBJECT

public:
    using Action = std::function<void(QWidget*)>;

    ModalAnswerer();

    void then(Action action) { m_actions.push_back(std::move(action)); }
    // Presses the message box's OK.
    void thenAcknowledge();
    // Clicks the named button of the modal dialog.
    void thenClick(const QString& buttonName);
    void thenKey(int key);

    const std::vector<SeenModal>& seen() const { return m_seen; }
    int unexpected() const { return m_unexpected; }
    bool done() const { return m_actions.empty(); }
    // The message boxes seen, by text.
    QStringList messages() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void poll();

    QTimer m_timer;
    std::deque<Action> m_actions;
    QPointer<QWidget> m_lastHandled;
    std::vector<SeenModal> m_seen;
    int m_unexpected = 0;
};

// A double click as the mouse makes it: a click, then the second press reported as a double click.
void doubleClick(QWidget* widget, QPoint at);

// A list of UTF-8 texts.
QStringList texts(std::initializer_list<const char*> utf8);

// Types text into whichever widget of window has the focus, a key at a time, as a keyboard would.
void typeIntoFocus(QWidget& window, const QString& text);

} // namespace morvanex::test
