#include "win32/cnpj_confirm_dialog.h"

#include "morvanex_ids.h"

namespace morvanex::win32 {

CnpjConfirmDialog::CnpjConfirmDialog(std::string_view cnpjText)
    : Dialog(IDD_CNPJ_CONFIRM_DIALOG), m_cnpjText(cnpjText)
{
}

bool CnpjConfirmDialog::onInit()
{
    m_font.applyTo(item(IDC_CNPJ_LABEL));
    setWindowText(item(IDC_CNPJ_LABEL), m_cnpjText);
    // The focus goes to the first tab stop, the default button "SIM".
    return true;
}

} // namespace morvanex::win32
