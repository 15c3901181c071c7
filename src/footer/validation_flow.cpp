#include "footer/validation_flow.h"

#include "firmware/firmware_catalogue.h"
#include "firmware/firmware_lookup.h"
#include "firmware/operator_prompts.h"
#include "firmware/text_encoding.h"
#include "footer/calendar_time.h"

namespace morvanex {
namespace {

constexpr std::string_view invalidStringText = "A string do rodapé é inválida.";
constexpr std::string_view unknownFirmwareText =
    "Não foi encontrado o firmware correspondente.\nA string do rodapé foi gerada com um firmware desconhecido.";
constexpr std::string_view rejectedCnpjText =
    "A string do rodapé não foi gerada com o firmware homologado.\nVerifique a string e tente validar novamente.";

std::string cp1252(std::string_view utf8)
{
    return *utf8ToCp1252(utf8);
}

} // namespace

std::string joinFooterFields(const std::array<std::string, 5>& fields)
{
    std::string joined;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            joined += ' ';
        joined += fields[i];
    }
    return joined;
}

std::vector<ResultRow> resultRows(const FooterDecoder& decoder, const FirmwareRecord& firmware)
{
    std::vector<ResultRow> rows = documentRows(decoder);
    for (ResultRow& row : firmwareRows(firmware))
        rows.push_back(std::move(row));
    return rows;
}

std::vector<ResultRow> documentRows(const FooterDecoder& decoder)
{
    static const std::string serialLabel = cp1252("N.SÉRIE");
    return {
        {"COO", std::string(FooterDecoder::text(decoder.coo))},
        {"CNPJ", std::string(FooterDecoder::text(decoder.cnpj))},
        {"DATA/HORA", formatDateTime(secondsToCalendar(decoder.dateValue()))},
        {serialLabel, std::string(FooterDecoder::text(decoder.serial))},
    };
}

std::vector<ResultRow> firmwareRows(const FirmwareRecord& firmware)
{
    return {
        {"MODELO", firmware.model},
        {"MARCA", firmware.brand},
        {"VERSAO", firmware.version},
        {"CHECKSUM", firmware.displayChecksum},
        {"ARQUIVO", firmware.fileName},
    };
}

std::string failureMessage(ValidationStatus status)
{
    switch (status) {
    case ValidationStatus::InvalidString:
        return cp1252(invalidStringText);
    case ValidationStatus::FirmwareNotFound:
    case ValidationStatus::ChecksumMismatch:
        return cp1252(unknownFirmwareText);
    case ValidationStatus::Valid:
        break;
    }
    return {};
}

std::string rejectedCnpjMessage()
{
    return cp1252(rejectedCnpjText);
}

ValidationResult validateFooter(std::string_view footerString, FirmwareCatalogue& catalogue,
                                const Workspace& workspace, OperatorPrompts& prompts, std::string_view appName)
{
    catalogue.selectedIndex = -1;
    FirmwareLookup lookup(catalogue, workspace, prompts);
    FooterDecoder decoder(&lookup);
    ValidationResult result;
    result.status = decoder.decode(footerString);
    result.row = decoder.chosenRow();
    if (result.status != ValidationStatus::Valid) {
        prompts.showError(appName, failureMessage(result.status));
        return result;
    }
    // The text decoded, all 20 characters with their own blanks.
    const std::string_view cnpj(reinterpret_cast<const char*>(decoder.cnpj.data()), 20);
    if (!prompts.confirmCnpj(cnpj)) {
        prompts.showError(appName, rejectedCnpjMessage());
        return result;
    }
    result.confirmed = true;
    // The row this decode chose, not whatever another thread's decode left in selectedIndex.
    result.rows = resultRows(decoder, catalogue.rows[static_cast<std::size_t>(result.row)]);
    return result;
}

} // namespace morvanex
