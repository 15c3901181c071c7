#pragma once

#include "desktop/dialog_metrics.h"
#include "validation/suggestions.h"
#include "validation/validation_flow.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex {

class FirmwareCatalogue;
class Workspace;

// A report-view list as a dialog shows it: its font, its left-aligned columns and its rows. Texts are
// Windows-1252 bytes; widths are pixels at 96 dots per inch.
struct ReportTable
{
    struct Column
    {
        std::string heading;
        int width = 0;
    };
    using Row = std::vector<std::string>; // a cell per column

    metrics::ListFont font;
    std::vector<Column> columns;
    std::vector<Row> rows;
    int selectedRow = -1; // the row selected and current when the list is shown; -1 for none
};

// The main window's result list: two blank headings, labels and values; the rows given.
ReportTable resultTable(std::span<const ResultRow> rows = {});
// The firmware chooser: a row per candidate (catalogue indices), model, version, byte sum and file.
ReportTable chooserTable(const FirmwareCatalogue& catalogue, std::span<const int> candidates);
// The suggestions, best first, the first selected so that Enter takes it: the code with its changed
// characters in brackets, the change, and whether the CNPJ's check digits hold.
ReportTable suggestionTable(std::span<const Suggestion> suggestions);
// "Descrição do Firmware": the five rows of the first catalogue row naming fileName exactly, no rows
// when none does.
ReportTable descriptionTable(const FirmwareCatalogue& catalogue, std::string_view fileName);

// "Lista de Binários": the "*.bin" entries of the image folder, sub-folders in brackets, as
// descriptors name files (Windows-1252), also where the disk stores UTF-8 names. Listed by path, so
// the process's current directory never changes under a running self-test.
std::vector<std::string> imageFileEntries(const Workspace& workspace);

} // namespace morvanex
