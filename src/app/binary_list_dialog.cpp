#include "app/binary_list_dialog.h"

#include "app/gui_text.h"
#include "dialog_metrics.h"
#include "firmware/workspace.h"
#include "text/text_encoding.h"
#include "ui_binary_list_dialog.h"
#include "widgets/dialog_frame.h"
#include "widgets/fonts.h"

namespace morvanex {
namespace {

constexpr std::string_view imagePattern = ".bin";
constexpr int entryBytesRole = Qt::UserRole;

} // namespace

BinaryListDialog::BinaryListDialog(const Workspace& workspace, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::BinaryListDialog>())
{
    m_ui->setupUi(this);
    setUpModalDialog(*this);
    QListWidget* list = m_ui->binaryList;
    list->setFont(logicalFont(courierNew, metrics::binaryListFont));
    // The listing comes sorted with letter case ignored; the widget's own sort would not ignore it.
    list->setSortingEnabled(false);
    list->clear();
    // Listed by path, so the process's current directory is never changed under a running self-test.
    for (const std::string& entry : listFolder(workspace.imageFolder(), imagePattern)) {
        // Shown and looked up as descriptors name files, also where the disk stores UTF-8 names.
        const std::string name = windows1252Name(entry);
        auto* item = new QListWidgetItem(fromCp1252(name), list);
        item->setData(entryBytesRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    }
    list->setCurrentRow(-1);
    list->clearSelection();

    connect(m_ui->okButton, &QPushButton::clicked, this, &BinaryListDialog::takeSelection);
    connect(list, &QListWidget::itemDoubleClicked, this, &BinaryListDialog::takeSelection);
    m_ui->okButton->setFocus();
}

BinaryListDialog::~BinaryListDialog() = default;

void BinaryListDialog::takeSelection()
{
    const QList<QListWidgetItem*> selected = m_ui->binaryList->selectedItems();
    m_selectedFile.clear();
    if (!selected.isEmpty()) {
        const QByteArray bytes = selected.first()->data(entryBytesRole).toByteArray();
        m_selectedFile.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    accept();
}

} // namespace morvanex
