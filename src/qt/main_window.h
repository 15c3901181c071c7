#pragma once

#include "desktop/main_window_model.h"
#include "desktop/main_window_view.h"

#include <QDialog>
#include <QFont>
#include <array>
#include <memory>

class QLineEdit;

namespace morvanex {
class AppContext;
}

namespace morvanex::qt {

class ImageButton;
class ReportList;

namespace Ui {
class MainDialog;
}

// The tool's only window, drawn by Qt: five code fields, the result list and the three buttons, over
// the main window's model. It loads the catalogue and restores the last code while it is built, so
// both are there when it first shows.
class MainWindow : public QDialog, public MainWindowView
{
    Q_OBJECT

public:
    static constexpr int fieldCount = MainWindowModel::fieldCount;

    explicit MainWindow(AppContext& context, QWidget* parent = nullptr);
    ~MainWindow() override;

    MainWindowModel& model() { return m_model; }
    const MainWindowModel& model() const { return m_model; }
    QLineEdit* field(int n) const; // n from 1 to 5
    ReportList* resultList() const;
    ImageButton* validateButton() const;

    // MainWindowView
    std::string fieldText(int n) const override;
    void setField(int n, std::string_view text, std::size_t limit) override;
    void focusField(int n) override;
    void focusValidateButton() override;
    void setUpResultList(const ReportTable& table) override;
    void showResultRows(const ReportTable& table) override;
    std::string clipboardText() const override;
    void closeWindow() override;
    void showMessage(MessageIcon icon, std::string_view caption, std::string_view text) override;
    bool confirmCnpj(std::string_view cnpj) override;
    RowChoice chooseFirmware(const ReportTable& table) override;
    RowChoice chooseSuggestion(const ReportTable& table) override;
    RowChoice chooseImageFile(std::span<const std::string> entries) override;
    void describeFirmware(const ReportTable& table) override;
    bool onWindowThread() const override;
    void runOnWindowThread(const std::function<void()>& task) override;
    void pumpEvents() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape goes to the model first: it cancels a search for suggestions, else closes the window.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setUpFields();
    void setUpButtons();
    // A paste into field n: a whole code fills the five fields, any other text is pasted as the field
    // pastes it.
    void pasteInto(int n);
    // Before the window is first shown its messages stand on their own.
    QWidget* dialogParent();

    std::unique_ptr<Ui::MainDialog> m_ui;
    MainWindowModel m_model;
    QFont m_fieldFont;
    std::array<QLineEdit*, fieldCount> m_fields{};
};

// The application's life: the main window run modally until it closes, then its self-tests stopped.
void runMainWindow(AppContext& context);

} // namespace morvanex::qt
