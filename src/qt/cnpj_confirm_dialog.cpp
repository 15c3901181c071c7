#include "qt/cnpj_confirm_dialog.h"

#include "desktop/dialog_metrics.h"
#include "qt/dialog_frame.h"
#include "qt/fonts.h"
#include "ui_cnpj_confirm_dialog.h"

namespace morvanex::qt {

CnpjConfirmDialog::CnpjConfirmDialog(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CnpjConfirmDialog>())
{
    m_ui->setupUi(this);
    setUpModalDialog(*this);
    m_ui->cnpjLabel->setFont(logicalFont(courierNew, metrics::cnpjFont));
    m_ui->yesButton->setFocus();
}

CnpjConfirmDialog::~CnpjConfirmDialog() = default;

void CnpjConfirmDialog::setCnpjText(const QString& text)
{
    m_cnpjText = text;
    m_ui->cnpjLabel->setText(text);
}

} // namespace morvanex::qt
