#pragma once

#include <QDialog>
#include <memory>
#include <span>
#include <vector>

namespace morvanex {

class FirmwareCatalogue;

namespace Ui {
class FirmwareChooserDialog;
}

// Lets the operator pick one of several catalogue rows that carry the code's checksum.
class FirmwareChooserDialog : public QDialog
{
    Q_OBJECT

public:
    FirmwareChooserDialog(const FirmwareCatalogue& catalogue, std::span<const int> candidates,
                          QWidget* parent = nullptr);
    ~FirmwareChooserDialog() override;

    // The catalogue index taken by OK, -1 when no row was selected or the dialog was cancelled.
    int chosenIndex() const { return m_chosenIndex; }

private:
    void takeSelection();

    std::unique_ptr<Ui::FirmwareChooserDialog> m_ui;
    std::vector<int> m_candidates;
    int m_chosenIndex = -1;
};

} // namespace morvanex
