#include "register_output.h"

#include "json_writer.h"
#include "text_escape.h"

#include "register/register_format.h"
#include "register/register_texts.h"

#include <initializer_list>

namespace morvanex::cli {
namespace {

constexpr std::string_view cloneLabel = "CLONE";
constexpr std::string_view printerLabel = "IMPRESSORA";

// Fields joined by tabs, each escaped, and a line end.
std::string line(std::initializer_list<std::string_view> fields)
{
    std::string text;
    for (const std::string_view field : fields) {
        if (!text.empty())
            text += '\t';
        text += escapeControls(field);
    }
    return text + '\n';
}

template <typename T, typename F>
std::string jsonList(const std::vector<T>& items, const F& json)
{
    std::string list = "[";
    for (const T& item : items)
        list += (list.size() > 1 ? "," : "") + json(item);
    return list + "]";
}

std::string checkTime(const std::optional<EarlierCheck>& check)
{
    return check ? jsonString(isoTime(check->checkedAt)) : "null";
}

} // namespace

std::string answerLines(const RegisterAnswer& answer)
{
    std::string lines;
    for (const RegisterLine& l : registerLines(answer))
        lines += l.label + '\t' + escapeControls(l.value) + '\n';
    return lines;
}

std::string answerJson(const RegisterAnswer& answer)
{
    return JsonObject()
        .add("status", documentStatusName(answer.status))
        .addNumber("checks", static_cast<long long>(answer.checks))
        .addRaw("first", checkTime(answer.first))
        .addRaw("last", checkTime(answer.last))
        .addRaw("otherCnpjs", jsonList(answer.otherCnpjs, [](const EarlierCheck& c) { return jsonString(c.cnpj); }))
        .addRaw("otherChecks", jsonList(answer.otherCnpjs,
                                        [](const EarlierCheck& c) {
                                            return JsonObject()
                                                .add("cnpj", c.cnpj)
                                                .add("checked", isoTime(c.checkedAt))
                                                .add("station", c.station)
                                                .add("verdict", verdictName(c.verdict))
                                                .str();
                                        }))
        .addRaw("printerCnpjs", jsonList(answer.printerCnpjs,
                                         [](const PrinterCnpj& p) {
                                             return JsonObject()
                                                 .add("cnpj", p.cnpj)
                                                 .addNumber("documents", static_cast<long long>(p.documents))
                                                 .add("last", isoMoment(p.last))
                                                 .str();
                                         }))
        .str();
}

std::string listedRecordHeading()
{
    return "checked\tstation\tuser\tverdict\tcnpj\tcoo\tserial\tissued\tchecksum\tfirmware\tcode\n";
}

std::string listedRecord(const CheckRecord& r, bool json)
{
    const std::string checked = isoTime(r.checkedAt);
    const std::string issued = isoMoment(momentSeconds(r.document.moment));
    if (json)
        return JsonObject()
                   .add("checked", checked)
                   .add("station", r.station)
                   .add("user", r.user)
                   .add("verdict", verdictName(r.verdict))
                   .add("cnpj", r.cnpj)
                   .add("coo", r.document.coo)
                   .add("serial", r.document.serial)
                   .add("timestamp", r.document.moment)
                   .add("issued", issued)
                   .add("checksum", r.document.checksum)
                   .add("firmware", r.firmwareFile)
                   .add("code", r.code)
                   .str() +
               '\n';
    return line({checked, r.station, r.user, verdictName(r.verdict), r.cnpj, r.document.coo, r.document.serial,
                 issued, r.document.checksum, r.firmwareFile, r.code});
}

std::string cloneLines(const std::vector<ClonedDocument>& clones)
{
    std::string lines;
    for (const ClonedDocument& clone : clones) {
        const DocumentKey& d = clone.document;
        const std::string issued = isoMoment(momentSeconds(d.moment));
        for (const EarlierCheck& c : clone.checks)
            lines += line({cloneLabel, d.checksum, d.serial, d.coo, issued, c.cnpj, isoTime(c.checkedAt), c.station,
                           verdictName(c.verdict)});
    }
    return lines;
}

std::string printerLines(const std::vector<SharedPrinter>& printers)
{
    std::string lines;
    for (const SharedPrinter& printer : printers)
        for (const PrinterCnpj& p : printer.cnpjs)
            lines += line({printerLabel, printer.printer.checksum, printer.printer.serial, p.cnpj,
                           std::to_string(p.documents), isoMoment(p.last)});
    return lines;
}

} // namespace morvanex::cli
