#pragma once

#include <QDialog>
#include <memory>

namespace morvanex {
struct ReportTable;
}

namespace morvanex::qt {

namespace Ui {
class FirmwareDescriptionDialog;
}

// "Descrição do Firmware": the catalogue's description of the file chosen in the image list.
class FirmwareDescriptionDialog : public QDialog
{
    Q_OBJECT

public:
    explicit FirmwareDescriptionDialog(const ReportTable& table, QWidget* parent = nullptr);
    ~FirmwareDescriptionDialog() override;

private:
    std::unique_ptr<Ui::FirmwareDescriptionDialog> m_ui;
};

} // namespace morvanex::qt
