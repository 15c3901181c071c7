#pragma once

#include <QDialog>
#include <memory>
#include <string>

namespace morvanex {

class FirmwareCatalogue;

namespace Ui {
class FirmwareDescriptionDialog;
}

// "Descrição do Firmware": the catalogue's description of the first row naming selectedFile.
class FirmwareDescriptionDialog : public QDialog
{
    Q_OBJECT

public:
    FirmwareDescriptionDialog(const FirmwareCatalogue& catalogue, std::string selectedFile,
                              QWidget* parent = nullptr);
    ~FirmwareDescriptionDialog() override;

    const std::string& selectedFile() const { return m_selectedFile; }

private:
    std::unique_ptr<Ui::FirmwareDescriptionDialog> m_ui;
    std::string m_selectedFile;
};

} // namespace morvanex
