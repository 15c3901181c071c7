#include "answer_text.h"

#include "text_escape.h"

#include "footer/calendar_time.h"

#include <array>

namespace morvanex::cli {
namespace {

// The four rows' labels as their lines start, "label<TAB>", in the order documentRows gives them: COO,
// CNPJ, date and time, serial.
using DocumentLabels = std::array<std::string, 4>;

DocumentLabels documentLabels()
{
    const std::vector<ResultRow> rows = documentRows(FooterDecoder());
    DocumentLabels labels;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        appendEscapedUtf8(labels[i], rows.at(i).label);
        labels[i] += '\t';
    }
    return labels;
}

} // namespace

void appendRowLines(std::string& out, const std::vector<ResultRow>& rows)
{
    for (const ResultRow& r : rows) {
        appendEscapedUtf8(out, r.label);
        out += '\t';
        appendEscapedUtf8(out, r.value);
        out += '\n';
    }
}

void appendDocumentLines(std::string& out, const FooterDecoder& decoder)
{
    static const DocumentLabels labels = documentLabels();
    out += labels[0];
    appendEscapedUtf8(out, FooterDecoder::text(decoder.coo));
    out += '\n';
    out += labels[1];
    appendEscapedUtf8(out, FooterDecoder::text(decoder.cnpj));
    out += '\n';
    out += labels[2];
    appendDateTime(out, secondsToCalendar(decoder.dateValue())); // digits and separators: nothing to escape
    out += '\n';
    out += labels[3];
    appendEscapedUtf8(out, FooterDecoder::text(decoder.serial));
    out += '\n';
}

} // namespace morvanex::cli
