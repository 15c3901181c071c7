#include "desktop/main_window_model.h"

#include "desktop/app_context.h"
#include "desktop/main_window_view.h"
#include "firmware/open_workspace.h"
#include "footer/whole_code.h"
#include "register/register_texts.h"
#include "text/text_encoding.h"
#include "validation/validation_flow.h"

namespace morvanex {
namespace {

// The caption of what the desktop says of the register and of the workspace's keepers.
constexpr std::string_view noticeCaption = "Morvanex";

std::size_t index(int n)
{
    return static_cast<std::size_t>(n - 1);
}

} // namespace

MainWindowModel::MainWindowModel(AppContext& context, MainWindowView& view, SerialChannelFactory channels)
    : m_context(context), m_view(view), m_prompts(view),
      m_selfTests(context.workspace, context.catalogue, m_prompts, [&view] { view.pumpEvents(); },
                  std::move(channels)),
      m_register(context.registerLocation, context.checker),
      m_flow(context.catalogue, context.workspace, m_prompts),
      // The catalogue's rows and the workspace only: it may run beside the flow's checks.
      m_search(view, [this](std::string_view code, std::stop_token stop) { return m_flow.suggest(code, stop); })
{
}

void MainWindowModel::start()
{
    exchangeFields(false);
    m_view.setUpResultList(resultTable());
    m_view.focusField(1);
    // Any message about an unreadable image is answered before the window first shows.
    const WorkspaceStatus opened = openWorkspace(m_context.workspace, m_context.catalogue, m_prompts);
    // Said before any validation, or every code would be answered as not approved.
    if (const std::string message = opened.operatorMessage(); !message.empty())
        m_prompts.showError(m_context.appName, message);
    for (const WorkspaceWarning& warning : opened.warnings)
        m_view.showMessage(MessageIcon::Warning, noticeCaption, warning.message);
    restoreFooterString();
}

bool MainWindowModel::exchangeFields(bool toMembers)
{
    m_transferring = true;
    bool done = true;
    for (int n = 1; n <= fieldCount; ++n) {
        const std::size_t limit = groupLengths[index(n)];
        if (!toMembers) {
            m_view.setField(n, m_groups[index(n)], limit);
            continue;
        }
        std::string text = m_view.fieldText(n);
        if (text.size() > limit) {
            done = false;
            break;
        }
        m_groups[index(n)] = std::move(text);
    }
    m_transferring = false;
    return done;
}

void MainWindowModel::fieldChanged(int n)
{
    if (m_transferring)
        return;
    m_search.cancel();
    advanceWhenFull(n);
}

void MainWindowModel::advanceWhenFull(int n)
{
    exchangeFields(true);
    if (m_groups.at(index(n)).size() != groupLengths.at(index(n)))
        return;
    if (n < fieldCount)
        m_view.focusField(n + 1);
    else
        m_view.focusValidateButton();
}

bool MainWindowModel::pasteWholeCode()
{
    const auto groups = wholeFooterCode(m_view.clipboardText());
    if (!groups)
        return false;
    m_search.cancel();
    showCode(*groups);
    return true;
}

void MainWindowModel::showCode(const std::array<std::string, groupCount>& groups)
{
    m_groups = groups;
    exchangeFields(false);
    m_view.focusValidateButton();
}

void MainWindowModel::restoreFooterString()
{
    const std::string value = m_context.setting.read();
    if (value.empty())
        return;
    m_footerString = value;
    showCode(splitFooterString(value));
}

std::string MainWindowModel::joinedFields()
{
    exchangeFields(true);
    return joinFooterFields(m_groups);
}

void MainWindowModel::validate()
{
    m_search.cancel();
    m_footerString = joinedFields();
    ValidationResult result = m_flow.confirmFooter(m_footerString, m_context.appName);
    recordCheck(result);
    if (result.confirmed)
        return;
    m_search.start(m_footerString, [this](std::vector<Suggestion> suggestions) {
        // Put in the fields for the operator to validate as usual, the CNPJ question included.
        if (const std::optional<std::string> suggested = m_flow.offerSuggestions(suggestions))
            showCode(splitFooterString(*suggested));
    });
}

void MainWindowModel::recordCheck(ValidationResult& result)
{
    DeskRegister::Outcome recorded;
    if (result.decoded)
        recorded = m_register.record(*result.decoded, m_footerString,
                                     m_context.catalogue.rows.at(static_cast<std::size_t>(result.row)),
                                     result.confirmed ? CheckVerdict::Valid : CheckVerdict::Rejected);
    if (result.confirmed) {
        if (recorded.answer)
            for (ResultRow& row : registerRows(*recorded.answer))
                result.rows.push_back(std::move(row));
        m_view.showResultRows(resultTable(result.rows));
        // Over the rows it speaks of.
        if (recorded.answer && recorded.answer->status == DocumentStatus::Clone)
            m_view.showMessage(MessageIcon::Warning, noticeCaption, cp1252(cloneWarning(*recorded.answer)));
    }
    if (!recorded.failure.empty())
        m_view.showMessage(MessageIcon::Warning, noticeCaption, recorded.failure);
}

void MainWindowModel::showFirmwareList()
{
    m_search.cancel();
    const std::vector<std::string> entries = imageFileEntries(m_context.workspace);
    const RowChoice choice = m_view.chooseImageFile(entries);
    if (!choice.accepted)
        return;
    // OK without an entry describes the first row whose file name is empty, if any.
    const bool entry = choice.row >= 0 && static_cast<std::size_t>(choice.row) < entries.size();
    m_view.describeFirmware(
        descriptionTable(m_context.catalogue, entry ? entries[static_cast<std::size_t>(choice.row)] : std::string()));
}

void MainWindowModel::saveAndExit()
{
    m_search.cancel();
    m_footerString = joinedFields();
    // A write that fails is not reported; the window closes all the same.
    m_context.setting.write(m_footerString);
    m_view.closeWindow();
}

void MainWindowModel::startSelfTest()
{
    m_selfTests.startOne();
}

} // namespace morvanex
