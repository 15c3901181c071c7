#include "app/gui_prompts.h"

#include "app/cnpj_confirm_dialog.h"
#include "app/firmware_chooser_dialog.h"
#include "app/gui_text.h"
#include "app/suggestion_dialog.h"
#include "widgets/dialog_frame.h"

#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

namespace morvanex {
namespace {

// Runs ask on the thread of prompts, waiting for it; refused gives the answer without asking.
template <typename Result, typename Ask>
Result onGuiThread(QObject& prompts, const std::atomic<bool>& refusing, Result refused, Ask ask)
{
    if (QThread::currentThread() == prompts.thread())
        return ask();
    if (refusing)
        return refused;
    Result answer = refused;
    QMetaObject::invokeMethod(
        &prompts, [&] { answer = refusing ? refused : ask(); }, Qt::BlockingQueuedConnection);
    return answer;
}

} // namespace

GuiPrompts::GuiPrompts(QWidget* owner) : m_owner(owner) {}

void GuiPrompts::showError(std::string_view caption, std::string_view message)
{
    onGuiThread(*this, m_refusing, false, [&] {
        showErrorHere(caption, message);
        return true;
    });
}

int GuiPrompts::chooseFirmware(const FirmwareCatalogue& catalogue, std::span<const int> candidates)
{
    return onGuiThread(*this, m_refusing, -1, [&] { return chooseFirmwareHere(catalogue, candidates); });
}

bool GuiPrompts::confirmCnpj(std::string_view cnpj)
{
    return onGuiThread(*this, m_refusing, false, [&] { return confirmCnpjHere(cnpj); });
}

int GuiPrompts::chooseSuggestion(std::span<const Suggestion> suggestions)
{
    return onGuiThread(*this, m_refusing, -1, [&] { return chooseSuggestionHere(suggestions); });
}

QWidget* GuiPrompts::dialogParent() const
{
    // Before the window is first shown its messages stand on their own.
    return m_owner && m_owner->isVisible() ? m_owner.data() : nullptr;
}

void GuiPrompts::showErrorHere(std::string_view caption, std::string_view message)
{
    QMessageBox box(QMessageBox::Critical, fromCp1252(caption), fromCp1252(message), QMessageBox::Ok,
                    dialogParent());
    setUpMessageBox(box);
    box.exec();
}

int GuiPrompts::chooseFirmwareHere(const FirmwareCatalogue& catalogue, std::span<const int> candidates)
{
    FirmwareChooserDialog dialog(catalogue, candidates, dialogParent());
    return dialog.exec() == QDialog::Accepted ? dialog.chosenIndex() : -1;
}

bool GuiPrompts::confirmCnpjHere(std::string_view cnpj)
{
    CnpjConfirmDialog dialog(dialogParent());
    dialog.setCnpjText(fromCp1252(cnpj));
    return dialog.exec() == QDialog::Accepted;
}

int GuiPrompts::chooseSuggestionHere(std::span<const Suggestion> suggestions)
{
    SuggestionDialog dialog(suggestions, dialogParent());
    return dialog.exec() == QDialog::Accepted ? dialog.chosenIndex() : -1;
}

} // namespace morvanex
