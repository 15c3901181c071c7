#pragma once

#include "desktop/main_window_model.h"
#include "desktop/main_window_view.h"
#include "win32/dialog.h"
#include "win32/image_button.h"

#include <optional>

namespace morvanex {
class AppContext;
}

namespace morvanex::win32 {

// The tool's only window, drawn by Win32: five code fields, the result list and the three buttons, over
// the main window's model. It loads the catalogue and restores the last code while it is built, so
// both are there when it first shows.
class MainWindow : public Dialog, public MainWindowView
{
public:
    explicit MainWindow(AppContext& context);
    ~MainWindow() override;

    MainWindowModel& model() { return m_model; }

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

private:
    bool onInit() override;
    bool onCommand(int id, int code) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void setUpButtons();
    ImageButton* button(int id);
    // Before the window shows, its dialogs and messages stand on their own.
    HWND dialogOwner() const;
    static LRESULT CALLBACK fieldProcedure(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR id, DWORD_PTR self);

    MainWindowModel m_model;
    DWORD m_thread;
    // The window is being closed (close box, Alt+F4, "Sair"): its Cancel is no Escape.
    bool m_closing = false;
    // A message-only window: requests sent to it run inside whatever message loop this thread is in.
    HWND m_carrier = nullptr;
    Font m_fieldFont;
    std::optional<Font> m_listFont;
    HICON m_largeIcon = nullptr;
    HICON m_smallIcon = nullptr;
    ImageButton m_validateButton;
    ImageButton m_catalogueButton;
    ImageButton m_exitButton;
};

// The application's life: the main window run modally until it closes, then its self-tests stopped.
void runMainWindow(AppContext& context);

} // namespace morvanex::win32
