#include "qt/binary_list_dialog.h"

#include "desktop/dialog_metrics.h"
#include "qt/cp1252_text.h"
#include "qt/dialog_frame.h"
#include "qt/fonts.h"
#include "ui_binary_list_dialog.h"

namespace morvanex::qt {

BinaryListDialog::BinaryListDialog(std::span<const std::string> entries, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::BinaryListDialog>())
{
    m_ui->setupUi(this);
    setUpModalDialog(*this);
    QListWidget* list = m_ui->binaryList;
    list->setFont(logicalFont(courierNew, metrics::binaryListFont));
    // The entries come sorted with letter case ignored; the widget's own sort would not ignore it.
    list->setSortingEnabled(false);
    list->clear();
    for (const std::string& entry : entries)
        list->addItem(fromCp1252(entry));
    list->setCurrentRow(-1);
    list->clearSelection();

    const auto take = [this] {
        const QList<QListWidgetItem*> selected = m_ui->binaryList->selectedItems();
        m_row = selected.isEmpty() ? -1 : m_ui->binaryList->row(selected.first());
        accept();
    };
    connect(m_ui->okButton, &QPushButton::clicked, this, take);
    connect(list, &QListWidget::itemDoubleClicked, this, take);
    m_ui->okButton->setFocus();
}

BinaryListDialog::~BinaryListDialog() = default;

RowChoice BinaryListDialog::choose()
{
    return exec() == QDialog::Accepted ? RowChoice{true, m_row} : RowChoice{};
}

} // namespace morvanex::qt
