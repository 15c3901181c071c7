#pragma once

#include "validation/operator_prompts.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>

namespace morvanex {

// The operator prompts as modal dialogs. The dialogs always run on the GUI thread: a request from
// another thread (the self-test's decodes) is carried there and its caller waits for the answer.
class GuiPrompts : public QObject, public OperatorPrompts
{
    Q_OBJECT

public:
    // owner is the window the dialogs belong to; it may still be hidden (catalogue load).
    explicit GuiPrompts(QWidget* owner);

    void showError(std::string_view caption, std::string_view message) override;
    int chooseFirmware(const FirmwareCatalogue& catalogue, std::span<const int> candidates) override;
    bool confirmCnpj(std::string_view cnpj) override;
    int chooseSuggestion(std::span<const Suggestion> suggestions) override;

    // From now on requests from other threads get "nothing chosen" at once, so a worker that is
    // being stopped never waits for a window that has gone.
    void refuseWorkerRequests() { m_refusing = true; }

private:
    QWidget* dialogParent() const;
    void showErrorHere(std::string_view caption, std::string_view message);
    int chooseFirmwareHere(const FirmwareCatalogue& catalogue, std::span<const int> candidates);
    bool confirmCnpjHere(std::string_view cnpj);
    int chooseSuggestionHere(std::span<const Suggestion> suggestions);

    QPointer<QWidget> m_owner;
    std::atomic<bool> m_refusing{false};
};

} // namespace morvanex
