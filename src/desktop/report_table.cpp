#include "desktop/report_table.h"

#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"
#include "text/text_encoding.h"

namespace morvanex {
namespace {

constexpr std::string_view imagePattern = ".bin";

// Label and value columns, both headed by a single blank.
ReportTable labelledTable(const metrics::ListFont& font, const int (&widths)[2], std::span<const ResultRow> rows)
{
    ReportTable table{font, {{" ", widths[0]}, {" ", widths[1]}}, {}};
    for (const ResultRow& row : rows)
        table.rows.push_back({row.label, row.value});
    return table;
}

} // namespace

ReportTable resultTable(std::span<const ResultRow> rows)
{
    return labelledTable(metrics::resultListFont, metrics::resultColumnWidths, rows);
}

ReportTable chooserTable(const FirmwareCatalogue& catalogue, std::span<const int> candidates)
{
    const auto& widths = metrics::chooserColumnWidths;
    ReportTable table{metrics::chooserListFont,
                      {{"MODELO", widths[0]}, {cp1252("VERSÃO"), widths[1]}, {"CS", widths[2]}, {"ARQUIVO", widths[3]}},
                      {}};
    for (int index : candidates) {
        const FirmwareRecord& record = catalogue.rows.at(static_cast<std::size_t>(index));
        table.rows.push_back({record.model, record.version, record.displayChecksum, record.fileName});
    }
    return table;
}

ReportTable suggestionTable(std::span<const Suggestion> suggestions)
{
    const auto& widths = metrics::suggestionColumnWidths;
    ReportTable table{metrics::suggestionListFont,
                      {{cp1252("STRING DO RODAPÉ"), widths[0]}, {cp1252("ALTERAÇÃO"), widths[1]},
                       {"DV DO CNPJ", widths[2]}},
                      {}};
    for (const Suggestion& suggestion : suggestions)
        table.rows.push_back({markedCode(suggestion), changeText(suggestion), cnpjCheckText(suggestion)});
    if (!table.rows.empty())
        table.selectedRow = 0;
    return table;
}

ReportTable descriptionTable(const FirmwareCatalogue& catalogue, std::string_view fileName)
{
    std::vector<ResultRow> rows;
    if (const FirmwareRecord* found = describedFirmware(catalogue, fileName))
        rows = descriptionRows(*found);
    return labelledTable(metrics::descriptionListFont, metrics::descriptionColumnWidths, rows);
}

std::vector<std::string> imageFileEntries(const Workspace& workspace)
{
    std::vector<std::string> entries;
    for (const std::string& entry : listFolder(workspace.imageFolder(), imagePattern))
        entries.push_back(windows1252Name(entry));
    return entries;
}

} // namespace morvanex
