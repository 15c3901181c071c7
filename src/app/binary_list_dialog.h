#pragma once

#include <QDialog>
#include <memory>
#include <string>

namespace morvanex {

class Workspace;

namespace Ui {
class BinaryListDialog;
}

// "Lista de Binários": the "*.bin" entries of the image folder, sub-folders in brackets.
class BinaryListDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BinaryListDialog(const Workspace& workspace, QWidget* parent = nullptr);
    ~BinaryListDialog() override;

    // The entry taken by OK, as the listing spells it (bytes); empty when none was selected.
    const std::string& selectedFile() const { return m_selectedFile; }

private:
    void takeSelection();

    std::unique_ptr<Ui::BinaryListDialog> m_ui;
    std::string m_selectedFile;
};

} // namespace morvanex
