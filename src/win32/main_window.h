#pragma once

#include "footer/footer_layout.h"
#include "win32/dialog.h"
#include "win32/image_button.h"
#include "win32/self_test_runner.h"
#include "win32/win32_prompts.h"

#include <array>
#include <string>
#include <vector>

namespace morvanex {

struct AppContext;
struct ResultRow;

// The tool's only window: five code fields, the result list and the three buttons. It loads the
// catalogue and restores the last code while it is built, so both are there when it first shows.
class MainWindow : public Dialog
{
public:
    static constexpr int fieldCount = static_cast<int>(groupCount);

    explicit MainWindow(AppContext& context);
    ~MainWindow() override;

    // The code as last joined or restored, Windows-1252.
    const std::string& footerString() const { return m_footerString; }
    Win32Prompts& prompts() { return m_prompts; }

    bool exchangeFields(bool toMembers);
    void advanceWhenFull(int n);
    void validateFooter();
    void showFirmwareList();
    void saveAndExit();
    void startSelfTest();
    void stopSelfTests() { m_selfTests.stopAll(); }

private:
    bool onInit() override;
    bool onCommand(int id, int code) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void setUpResultList();
    void setUpButtons();
    void restoreFooterString();
    // Puts a code's groups in the five fields and hands the focus to the validation button.
    void showCode(const std::array<std::string, groupCount>& groups);
    // A paste into a field: true when the clipboard held a whole code, now in the five fields.
    bool pasteWholeCode();
    static LRESULT CALLBACK fieldProcedure(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR id, DWORD_PTR self);
    std::string joinedFields();
    void fillResultList(const std::vector<ResultRow>& rows);
    ImageButton* button(int id);

    AppContext& m_context;
    Win32Prompts m_prompts;
    SelfTestRunner m_selfTests;
    Font m_fieldFont;
    Font m_listFont;
    HICON m_largeIcon = nullptr;
    HICON m_smallIcon = nullptr;
    ImageButton m_validateButton;
    ImageButton m_catalogueButton;
    ImageButton m_exitButton;
    std::string m_footerString;
    std::array<std::string, groupCount> m_groups;
    // Set while a transfer writes the fields: their notifications are not the operator's.
    bool m_transferring = false;
};

} // namespace morvanex
