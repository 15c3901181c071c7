#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace morvanex::qt {

namespace Ui {
class CnpjConfirmDialog;
}

// Asks whether the decoded CNPJ is the one printed on the document: "SIM" accepts, "NÃO", Escape
// and the close box reject.
class CnpjConfirmDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CnpjConfirmDialog(QWidget* parent = nullptr);
    ~CnpjConfirmDialog() override;

    void setCnpjText(const QString& text);
    QString cnpjText() const { return m_cnpjText; }

private:
    std::unique_ptr<Ui::CnpjConfirmDialog> m_ui;
    QString m_cnpjText;
};

} // namespace morvanex::qt
