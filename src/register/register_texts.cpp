#include "register/register_texts.h"

#include "footer/calendar_time.h"
#include "register/this_machine.h"
#include "text/text_encoding.h"

#include <cstdio>

namespace morvanex {
namespace {

constexpr std::string_view registerLabel = "REGISTRO";
constexpr std::string_view printerLabel = "IMPRESSORA";
constexpr std::string_view checkedLabel = "VERIFICADO";

// "08/12/2026 10:15", the desktop's short local time of a check.
std::string shortLocalTime(std::int64_t seconds)
{
    const LocalDateTime t = localDateTime(seconds);
    char text[48];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d", t.day, t.month, t.year, t.hour, t.minute);
    return text;
}

// "08/12/2026 10:15:00"
std::string longLocalTime(std::int64_t seconds)
{
    const LocalDateTime t = localDateTime(seconds);
    char text[48];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour,
                  t.minute, t.second);
    return text;
}

CalendarTime momentCalendar(std::int64_t seconds)
{
    return secondsToCalendar(static_cast<std::uint32_t>(seconds));
}

std::string station(const EarlierCheck& check)
{
    return check.station.empty() ? "estação desconhecida" : check.station;
}

std::string documents(std::uint64_t count)
{
    return std::to_string(count) + (count == 1 ? " documento" : " documentos");
}

// The other CNPJs named in a list: "X", "X e Y", "X, Y e Z".
std::string cnpjList(const std::vector<EarlierCheck>& checks)
{
    std::string list;
    for (std::size_t i = 0; i < checks.size(); ++i) {
        if (i > 0)
            list += i + 1 == checks.size() ? " e " : ", ";
        list += checks[i].cnpj;
    }
    return list;
}

std::string_view verdictWords(CheckVerdict verdict)
{
    switch (verdict) {
    case CheckVerdict::Valid:
        return "confirmado";
    case CheckVerdict::CnpjMismatch:
        return "CNPJ diferente do esperado";
    case CheckVerdict::Rejected:
        return "rejeitado pelo operador";
    }
    return "";
}

std::string failure(std::string_view what, std::string_view detail, std::string_view consequence)
{
    std::string text = "Não foi possível " + std::string(what) + " o registro de verificações.";
    if (!detail.empty())
        text += "\n\n" + std::string(detail);
    return text + "\n\n" + std::string(consequence);
}

} // namespace

std::string_view documentStatusName(DocumentStatus status)
{
    switch (status) {
    case DocumentStatus::New:
        return "new";
    case DocumentStatus::Repeat:
        return "repeat";
    case DocumentStatus::Clone:
        return "clone";
    }
    return "";
}

std::string isoMoment(std::int64_t seconds)
{
    const CalendarTime t = momentCalendar(seconds);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

std::string localCheckTime(std::int64_t seconds)
{
    const LocalDateTime t = localDateTime(seconds);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

std::vector<RegisterLine> registerLines(const RegisterAnswer& answer)
{
    std::vector<RegisterLine> lines;
    const std::string label(registerLabel);
    if (answer.status == DocumentStatus::Clone) {
        for (const EarlierCheck& other : answer.otherCnpjs)
            lines.push_back({label, "CLONE: o mesmo documento foi verificado com o CNPJ " + other.cnpj +
                                        " em " + localCheckTime(other.checkedAt) + " (" + station(other) +
                                        ")"});
    } else if (answer.first) {
        lines.push_back({label, "verificado " + std::to_string(answer.checks) + " vezes, primeira em " +
                                    localCheckTime(answer.first->checkedAt) + " (" + station(*answer.first) +
                                    ")"});
    } else {
        lines.push_back({label, "primeira verificação"});
    }
    for (const PrinterCnpj& printer : answer.printerCnpjs) {
        const CalendarTime last = momentCalendar(printer.last);
        char when[40];
        std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d", last.year, last.month, last.day,
                      last.hour, last.minute, last.second);
        lines.push_back({std::string(printerLabel), "esta impressora emitiu " + documents(printer.documents) +
                                                        " para o CNPJ " + printer.cnpj + ", o último em " +
                                                        when});
    }
    return lines;
}

std::vector<ResultRow> registerRows(const RegisterAnswer& answer)
{
    std::string checked;
    if (answer.status == DocumentStatus::Clone)
        checked = std::string("CLONE: verificado antes com ") +
                  (answer.otherCnpjs.size() == 1 ? "o CNPJ " : "os CNPJs ") + cnpjList(answer.otherCnpjs);
    else if (answer.first)
        checked =
            std::to_string(answer.checks) + " vezes, primeira em " + shortLocalTime(answer.first->checkedAt);
    else
        checked = "primeira verificação";
    std::vector<ResultRow> rows{{cp1252(checkedLabel), cp1252(checked)}};
    for (const PrinterCnpj& printer : answer.printerCnpjs)
        rows.push_back({cp1252(printerLabel), cp1252("emitiu também " + documents(printer.documents) +
                                                     " para o CNPJ " + printer.cnpj + ", o último em " +
                                                     formatDateTime(momentCalendar(printer.last)) +
                                                     ": confira COO, data, hora e série com o papel")});
    return rows;
}

std::string cloneWarning(const RegisterAnswer& answer)
{
    if (answer.status != DocumentStatus::Clone)
        return {};
    std::string text = answer.otherCnpjs.size() == 1
                           ? "ATENÇÃO: este documento já foi verificado com outro CNPJ.\n"
                           : "ATENÇÃO: este documento já foi verificado com outros CNPJs.\n";
    for (const EarlierCheck& other : answer.otherCnpjs)
        text += "\nCNPJ " + other.cnpj + ": verificado em " + longLocalTime(other.checkedAt) +
                " na estação " + (other.station.empty() ? "desconhecida" : other.station) + " (" +
                std::string(verdictWords(other.verdict)) + ").";
    text +=
        "\n\nO mesmo COO, série, data e hora de emissão e firmware não podem pertencer a dois CNPJs: um dos "
        "documentos é falso.";
    return text;
}

std::string registerOpenFailure(std::string_view detail)
{
    return failure("abrir", detail,
                   "As verificações continuam, mas não são registradas nem comparadas com as anteriores.");
}

std::string registerCheckFailure(std::string_view detail)
{
    return failure(
        "consultar", detail,
        "O resultado da verificação vale, mas o documento não foi comparado com as verificações anteriores.");
}

std::string registerWriteFailure(std::string_view detail)
{
    return failure("gravar", detail, "O resultado da verificação vale, mas ela não ficou registrada.");
}

} // namespace morvanex
