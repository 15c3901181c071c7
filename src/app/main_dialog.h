#pragma once

#include "footer/footer_layout.h"

#include <QDialog>
#include <QFont>
#include <QString>
#include <array>
#include <memory>
#include <string>

class QLineEdit;

namespace morvanex {

class AppContext;
class GuiPrompts;
class ImageButton;
class ReportList;
class SelfTestRunner;
struct ResultRow;

namespace Ui {
class MainDialog;
}

// The tool's only window: five code fields, the result list and the three buttons. It loads the
// catalogue and restores the last code while it is built, so both are there when it first shows.
class MainDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int fieldCount = static_cast<int>(groupCount);

    explicit MainDialog(AppContext& context, QWidget* parent = nullptr);
    ~MainDialog() override;

    // The code as last joined or restored, Windows-1252.
    const std::string& footerString() const { return m_footerString; }
    QLineEdit* field(int n) const; // n from 1 to 5
    ReportList* resultList() const;
    ImageButton* validateButton() const;
    GuiPrompts& prompts() const { return *m_prompts; }
    SelfTestRunner& selfTests() const { return *m_selfTests; }

    bool exchangeFields(bool toMembers);
    void advanceWhenFull(int n);
    // A paste into code field n: a whole code fills the five fields and hands the focus to the
    // validation button; any other text is pasted as the field pastes it.
    void pasteInto(int n);

public slots:
    void validateFooter();
    void showFirmwareList();
    void saveAndExit();
    void startSelfTest();
    // Ends the self-test threads; the application does so once the modal run is over.
    void stopSelfTests();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void initMainWindow();
    void setUpResultList();
    void setUpFields();
    void setUpButtons();
    void restoreFooterString();
    void fillResultList(const std::vector<ResultRow>& rows);
    // Puts a 48-character code in the five fields and the focus on the validation button.
    void showCode(const std::array<std::string, fieldCount>& groups);

    AppContext& m_context;
    std::unique_ptr<Ui::MainDialog> m_ui;
    std::unique_ptr<GuiPrompts> m_prompts;
    std::unique_ptr<SelfTestRunner> m_selfTests;
    QFont m_fieldFont;
    QFont m_listFont;
    std::string m_footerString;
    std::array<QString, fieldCount> m_groups;
    std::array<QLineEdit*, fieldCount> m_fields{};
};

} // namespace morvanex
