#include "app/firmware_description_dialog.h"

#include "app/gui_text.h"
#include "firmware/firmware_catalogue.h"
#include "ui_firmware_description_dialog.h"
#include "widgets/dialog_frame.h"
#include "widgets/fonts.h"

#include <algorithm>
#include <array>

namespace morvanex {
namespace {

constexpr int listFontHeight = 16;
constexpr int listFontWidth = 9;
constexpr int labelColumnWidth = 100;
constexpr int valueColumnWidth = 300;

struct DescriptionLine
{
    QString label;
    std::string FirmwareRecord::*value;
};

const std::array<DescriptionLine, 5> descriptionLines{{
    {QStringLiteral("ARQUIVO"), &FirmwareRecord::fileName},
    {QStringLiteral("MODELO"), &FirmwareRecord::model},
    {QStringLiteral("VERSÃO"), &FirmwareRecord::version},
    {QStringLiteral("MARCA"), &FirmwareRecord::brand},
    // The byte sum shown to the operator, not the CRC-16 that codes carry.
    {QStringLiteral("CHECKSUM"), &FirmwareRecord::displayChecksum},
}};

} // namespace

FirmwareDescriptionDialog::FirmwareDescriptionDialog(const FirmwareCatalogue& catalogue,
                                                     std::string selectedFile, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::FirmwareDescriptionDialog>()),
      m_selectedFile(std::move(selectedFile))
{
    m_ui->setupUi(this);
    setUpModalDialog(*this);
    ReportList* list = m_ui->descriptionList;
    list->setFont(logicalFont(courierNew, listFontHeight, listFontWidth));
    list->setColumns({QStringLiteral(" "), QStringLiteral(" ")}, {labelColumnWidth, valueColumnWidth});

    // Byte for byte, letter case significant: the first row that names exactly this file.
    const auto found = std::find_if(catalogue.rows.begin(), catalogue.rows.end(),
                                    [&](const FirmwareRecord& r) { return r.fileName == m_selectedFile; });
    if (found != catalogue.rows.end()) {
        list->setRowCount(static_cast<int>(descriptionLines.size()));
        for (int r = 0; r < list->rowCount(); ++r) {
            const DescriptionLine& line = descriptionLines[static_cast<std::size_t>(r)];
            list->setItem(r, 0, new QTableWidgetItem(line.label));
            list->setItem(r, 1, new QTableWidgetItem(fromCp1252((*found).*line.value)));
        }
    }
    list->clearSelection();
    m_ui->closeButton->setFocus();
}

FirmwareDescriptionDialog::~FirmwareDescriptionDialog() = default;

} // namespace morvanex
