#pragma once

#include "desktop/desk_register.h"
#include "desktop/selftest_runner.h"
#include "desktop/suggestion_search.h"
#include "desktop/view_prompts.h"
#include "footer/footer_layout.h"
#include "validation/validation_flow.h"

#include <array>
#include <string>

namespace morvanex {

class AppContext;
class MainWindowView;

// What the main window does, whatever draws it: the five code fields and the code last joined or
// restored, the focus handed on by full fields, a whole code pasted into any field, the validation with
// its result rows, the register's answer and the suggestions, the catalogue dialogs, what "Sair"
// stores, and the TESTE button's self-tests. Its face implements the view and passes on its controls'
// events.
class MainWindowModel
{
public:
    static constexpr int fieldCount = static_cast<int>(groupCount);

    MainWindowModel(AppContext& context, MainWindowView& view, SerialChannelFactory channels = serialPortFactory());

    MainWindowModel(const MainWindowModel&) = delete;
    MainWindowModel& operator=(const MainWindowModel&) = delete;

    // While the window is built, before it first shows: the empty fields with their limits, the result
    // list's columns, the focus in field 1, then the catalogue (whose messages come before the window),
    // a warning when others could change its firmware, and the code stored at the last "Sair". The
    // register is not read yet.
    void start();

    // ---- the controls' events
    // After any change of field n's text, typed, deleted, pasted or cut. A search for suggestions
    // still running is cancelled: they were for the code before the change.
    void fieldChanged(int n);
    // A paste into any field: true when the clipboard held a whole code, now in the five fields with the
    // focus on the validation button; otherwise the field pastes as it would.
    bool pasteWholeCode();
    // The validation button. A code that decodes is recorded in the register with the operator's
    // answer: "SIM" as Valid, with the register's rows after the nine and a warning for a clone; "NÃO"
    // as Rejected. After a failure the codes one edit away are searched for on a worker, the window
    // free meanwhile; once found they are offered, and the one taken is put in the fields.
    void validate();
    // Escape: true when it cancelled a search for suggestions, which the window then stays open for;
    // false when none was running.
    bool cancelSearch() { return m_search.cancel(); }
    bool searching() const { return m_search.running(); }
    // The catalogue button: the image list, then the description of the entry taken with OK.
    void showFirmwareList();
    // "Sair": stores the joined fields and closes the window.
    void saveAndExit();
    // TESTE: one more self-test thread.
    void startSelfTest();
    // Ends the self-test threads; the face does so once the window's run is over.
    void stopSelfTests() { m_selfTests.stopAll(); }

    // Between the fields and the groups: toward the groups (true), which stops at the first field longer
    // than its limit and answers false; or toward the fields, which gives each its limit.
    bool exchangeFields(bool toMembers);

    // The code as last joined or restored, Windows-1252.
    const std::string& footerString() const { return m_footerString; }
    const std::array<std::string, groupCount>& groups() const { return m_groups; }
    ViewPrompts& prompts() { return m_prompts; }
    SelftestRunner& selfTests() { return m_selfTests; }
    // How suggestions are searched for, in place of the catalogue's search (a test's stand-in).
    void searchSuggestionsWith(SuggestionSearch::Search search) { m_search.setSearch(std::move(search)); }

private:
    void advanceWhenFull(int n);
    void restoreFooterString();
    // Puts a code's groups in the five fields and hands the focus to the validation button.
    void showCode(const std::array<std::string, groupCount>& groups);
    std::string joinedFields();
    // Records a decoded check; on confirmation the register's rows join the result's.
    void recordCheck(ValidationResult& result);

    AppContext& m_context;
    MainWindowView& m_view;
    ViewPrompts m_prompts;
    SelftestRunner m_selfTests;
    DeskRegister m_register;
    ValidationFlow m_flow;
    std::string m_footerString;
    std::array<std::string, groupCount> m_groups;
    // Set while a transfer writes the fields: their notifications are not the operator's.
    bool m_transferring = false;
    // Last: its worker uses the flow, and is stopped before anything else goes.
    SuggestionSearch m_search;
};

} // namespace morvanex
