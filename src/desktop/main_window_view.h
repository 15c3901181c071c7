#pragma once

#include "desktop/report_table.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace morvanex {

// The icon a message box carries.
enum class MessageIcon { Error, Warning };

// How a dialog that offers rows ended: with OK or not, and the first row selected then (-1 for none).
struct RowChoice
{
    bool accepted = false;
    int row = -1;

    bool operator==(const RowChoice&) const = default;
};

// What the main window's model asks of a face: the window's controls, its dialogs and message boxes,
// and its thread. A face renders what it is given and reports its controls' events to the model
// (MainWindowModel); it decides nothing. Texts are Windows-1252 bytes; code fields are numbered 1 to 5.
class MainWindowView
{
public:
    virtual ~MainWindowView() = default;

    // ---- the window
    virtual std::string fieldText(int n) const = 0;
    // Gives field n its text and its input limit, so that typing or pasting cannot make it longer.
    virtual void setField(int n, std::string_view text, std::size_t limit) = 0;
    virtual void focusField(int n) = 0;
    virtual void focusValidateButton() = 0;
    // The result list's font and columns, once, before any rows.
    virtual void setUpResultList(const ReportTable& table) = 0;
    // Replaces the result list's rows with the table's.
    virtual void showResultRows(const ReportTable& table) = 0;
    virtual std::string clipboardText() const = 0;
    // Closes the window the way its Cancel does.
    virtual void closeWindow() = 0;

    // ---- modal, on the window's thread
    virtual void showMessage(MessageIcon icon, std::string_view caption, std::string_view text) = 0;
    virtual bool confirmCnpj(std::string_view cnpj) = 0;
    virtual RowChoice chooseFirmware(const ReportTable& table) = 0;
    virtual RowChoice chooseSuggestion(const ReportTable& table) = 0;
    // "Lista de Binários": the entries of a sorted list box.
    virtual RowChoice chooseImageFile(std::span<const std::string> entries) = 0;
    // "Descrição do Firmware", until the operator closes it.
    virtual void describeFirmware(const ReportTable& table) = 0;

    // ---- the window's thread
    virtual bool onWindowThread() const = 0;
    // From another thread: runs task on the window's thread, inside whatever loop runs there, and
    // returns once it has run.
    virtual void runOnWindowThread(const std::function<void()>& task) = 0;
    // On the window's thread: runs what other threads have sent it so far.
    virtual void pumpEvents() = 0;
};

} // namespace morvanex
