#pragma once

#include "desktop/main_window_view.h"

#include <QDialog>
#include <memory>

class QPushButton;

namespace morvanex::qt {

class ReportList;

namespace Ui {
class FirmwareChooserDialog;
class SuggestionDialog;
}

// A dialog that offers the rows of its report list: OK, or a double-click anywhere in the list, takes
// the first selected row and ends the dialog accepted.
class ListChoiceDialog : public QDialog
{
    Q_OBJECT

public:
    // Runs the dialog until it ends.
    RowChoice choose();

protected:
    using QDialog::QDialog;
    // Once the form is set up: shows the table and answers OK and double-clicks.
    void offer(ReportList& list, QPushButton& ok, const ReportTable& table);

private:
    ReportList* m_list = nullptr;
    int m_row = -1;
};

// Lets the operator pick one of several catalogue rows that carry the code's checksum.
class FirmwareChooserDialog : public ListChoiceDialog
{
    Q_OBJECT

public:
    explicit FirmwareChooserDialog(const ReportTable& table, QWidget* parent = nullptr);
    ~FirmwareChooserDialog() override;

private:
    std::unique_ptr<Ui::FirmwareChooserDialog> m_ui;
};

// After a failed validation: the codes one edit away that are valid.
class SuggestionDialog : public ListChoiceDialog
{
    Q_OBJECT

public:
    explicit SuggestionDialog(const ReportTable& table, QWidget* parent = nullptr);
    ~SuggestionDialog() override;

private:
    std::unique_ptr<Ui::SuggestionDialog> m_ui;
};

} // namespace morvanex::qt
