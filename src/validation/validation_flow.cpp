#include "validation/validation_flow.h"

#include "firmware/firmware_catalogue.h"
#include "validation/firmware_lookup.h"
#include "validation/operator_prompts.h"
#include "text/text_encoding.h"
#include "footer/calendar_time.h"

namespace morvanex {
namespace {

constexpr std::string_view invalidStringText = "A string do rodapé é inválida.";
constexpr std::string_view unknownFirmwareText =
    "Não foi encontrado o firmware correspondente.\nA string do rodapé foi gerada com um firmware desconhecido.";
constexpr std::string_view rejectedCnpjText =
    "A string do rodapé não foi gerada com o firmware homologado.\nVerifique a string e tente validar novamente.";

} // namespace

std::string joinFooterFields(const std::array<std::string, groupCount>& fields)
{
    std::string joined;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            joined += ' ';
        joined += fields[i];
    }
    return joined;
}

std::array<std::string, groupCount> splitFooterString(std::string_view value)
{
    std::array<std::string, groupCount> fields;
    for (std::size_t i = 0; i < groupCount; ++i)
        if (groupStarts[i] < value.size())
            fields[i] = value.substr(groupStarts[i], groupLengths[i]);
    return fields;
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

const FirmwareRecord* describedFirmware(const FirmwareCatalogue& catalogue, std::string_view fileName)
{
    for (const FirmwareRecord& row : catalogue.rows)
        if (row.fileName == fileName)
            return &row;
    return nullptr;
}

std::vector<ResultRow> descriptionRows(const FirmwareRecord& firmware)
{
    static const std::string versionLabel = cp1252("VERSÃO");
    return {
        {"ARQUIVO", firmware.fileName},
        {"MODELO", firmware.model},
        {versionLabel, firmware.version},
        {"MARCA", firmware.brand},
        // The byte sum shown to the operator, not the CRC-16 that codes carry.
        {"CHECKSUM", firmware.displayChecksum},
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

ValidationFlow::ValidationFlow(FirmwareCatalogue& catalogue, const Workspace& workspace, OperatorPrompts& prompts)
    : m_catalogue(catalogue), m_prompts(prompts), m_lookup(catalogue, workspace, prompts)
{
}

void ValidationFlow::keepImages(std::size_t byteBound)
{
    m_kept.emplace(m_lookup, byteBound);
}

CodeCheck ValidationFlow::check(std::string_view code)
{
    m_catalogue.selectedIndex = -1;
    CodeCheck result{m_kept ? FooterDecoder(&*m_kept) : FooterDecoder(&m_lookup)};
    result.status = result.decoder.decode(code);
    result.row = result.decoder.chosenRow();
    result.imageFailure = m_lookup.lastFailure();
    return result;
}

ValidationResult ValidationFlow::validateFooter(std::string_view footerString, std::string_view appName)
{
    const CodeCheck check = this->check(footerString);
    ValidationResult result;
    result.status = check.status;
    result.row = check.row;
    if (result.status != ValidationStatus::Valid) {
        m_prompts.showError(appName, failureMessage(result.status));
        return result;
    }
    // The text decoded, all 20 characters with their own blanks.
    const std::string_view cnpj(reinterpret_cast<const char*>(check.decoder.cnpj.data()), cnpjDigits);
    if (!m_prompts.confirmCnpj(cnpj)) {
        m_prompts.showError(appName, rejectedCnpjMessage());
        return result;
    }
    result.confirmed = true;
    // The row this decode chose, not whatever another thread's decode left in selectedIndex.
    result.rows = resultRows(check.decoder, m_catalogue.rows[static_cast<std::size_t>(result.row)]);
    return result;
}

ValidationResult validateFooter(std::string_view footerString, FirmwareCatalogue& catalogue,
                                const Workspace& workspace, OperatorPrompts& prompts, std::string_view appName)
{
    return ValidationFlow(catalogue, workspace, prompts).validateFooter(footerString, appName);
}

} // namespace morvanex
