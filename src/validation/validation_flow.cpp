#include "validation/validation_flow.h"

#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"
#include "validation/firmware_lookup.h"
#include "validation/operator_prompts.h"
#include "validation/row_images.h"
#include "text/text_encoding.h"
#include "footer/calendar_time.h"

#include <algorithm>

namespace morvanex {
namespace {

// Characters of UTF-8 text, or bytes where it is not UTF-8.
std::size_t characterCount(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

constexpr std::string_view invalidStringText = "A string do rodapé é inválida.";
constexpr std::string_view unknownFirmwareText =
    "Não foi encontrado o firmware correspondente.\nA string do rodapé foi gerada com um firmware desconhecido.";
constexpr std::string_view unreadableImageText =
    "\n\nAtenção: o arquivo %s de um firmware homologado não pôde ser lido.\n"
    "Verifique o arquivo antes de concluir que o documento não é autêntico.";
constexpr std::string_view unreadableImagesText =
    "\n\nAtenção: os arquivos %s de firmwares homologados não puderam ser lidos.\n"
    "Verifique os arquivos antes de concluir que o documento não é autêntico.";
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
    // Converted once: a batch asks for them line after line.
    static const std::string invalidString = cp1252(invalidStringText);
    static const std::string unknownFirmware = cp1252(unknownFirmwareText);
    switch (status) {
    case ValidationStatus::InvalidString:
        return invalidString;
    case ValidationStatus::FirmwareNotFound:
    case ValidationStatus::ChecksumMismatch:
        return unknownFirmware;
    case ValidationStatus::Valid:
        break;
    }
    return {};
}

std::string unreadableImagesNote(const std::vector<ImageReadFailure>& images)
{
    if (images.empty())
        return {};
    std::string names;
    for (const ImageReadFailure& image : images)
        names += (names.empty() ? "" : ", ") + image.fileName;
    return cp1252Message(images.size() == 1 ? unreadableImageText : unreadableImagesText, names);
}

std::string rejectedCnpjMessage()
{
    static const std::string text = cp1252(rejectedCnpjText);
    return text;
}

ValidationFlow::ValidationFlow(FirmwareCatalogue& catalogue, const Workspace& workspace, OperatorPrompts& prompts)
    : m_catalogue(catalogue), m_workspace(workspace), m_prompts(prompts),
      m_lookup(catalogue, workspace, prompts)
{
}

void ValidationFlow::keepImages(std::size_t byteBound)
{
    m_kept.emplace(m_lookup, byteBound);
}

void ValidationFlow::keepImages(KeptImageStore& shared)
{
    m_kept.emplace(m_lookup, shared);
}

std::string_view verdictName(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Valid:
    case Verdict::InvalidString:
    case Verdict::FirmwareNotFound:
    case Verdict::ChecksumMismatch:
        break;
    case Verdict::Ambiguous:
        return "Ambiguous";
    case Verdict::CnpjMismatch:
        return "CnpjMismatch";
    case Verdict::Implausible:
        return "Implausible";
    case Verdict::ImageUnreadable:
        return "ImageUnreadable";
    }
    return statusName(static_cast<ValidationStatus>(verdict));
}

CodeCheck overlongCode(std::string_view kept, std::size_t charactersCut)
{
    CodeCheck result;
    result.reason = "a FooterCode has " + std::to_string(footerLength) + " characters, this has " +
                    std::to_string(characterCount(kept) + charactersCut);
    return result;
}

CodeCheck ValidationFlow::decode(std::string_view code)
{
    m_catalogue.selectedIndex = -1;
    // The decoder reads the first 48 characters only: what follows them would pass unseen.
    const std::size_t length = code.find_last_not_of(" \t") + 1;
    if (length > footerLength)
        return overlongCode(code.substr(0, length), 0);
    CodeCheck result;
    result.decoder = m_kept ? FooterDecoder(&*m_kept) : FooterDecoder(&m_lookup);
    result.status = result.decoder.decode(code);
    result.verdict = static_cast<Verdict>(result.status);
    result.row = result.decoder.chosenRow();
    result.imageFailure = m_lookup.lastFailure();
    if (result.status == ValidationStatus::FirmwareNotFound && m_catalogue.hasUnreadableRows())
        result.unreadableImages = unreadableImagesFor(result.decoder);
    return result;
}

CodeCheck ValidationFlow::check(std::string_view code, const CheckOptions& options)
{
    m_lookup.answerChoicesWith(options.row);
    CodeCheck result = decode(code);
    if (result.status == ValidationStatus::FirmwareNotFound) {
        if (m_lookup.lastCandidates().size() > 1 && result.row < 0) {
            result.verdict = Verdict::Ambiguous;
            result.candidates = m_lookup.lastCandidates();
        } else if (!result.unreadableImages.empty()) {
            result.verdict = Verdict::ImageUnreadable;
        }
    } else if (result.status == ValidationStatus::Valid) {
        // A code no printer makes is not a document whose CNPJ differs: this comes first.
        result.implausibleFields = implausibleFields(result.decoder);
        if (!result.implausibleFields.empty())
            result.verdict = Verdict::Implausible;
        else if (options.expectedCnpj && FooterDecoder::text(result.decoder.cnpj) != *options.expectedCnpj)
            result.verdict = Verdict::CnpjMismatch;
    }
    return result;
}

std::vector<ImageReadFailure> ValidationFlow::unreadableImagesFor(const FooterDecoder& decoder) const
{
    for (const int row : matchingRows(m_catalogue, decoder.checksumText()))
        if (m_catalogue.rows[static_cast<std::size_t>(row)].imageProblem.empty())
            return {}; // a readable image carries the checksum: not found is the answer
    std::vector<ImageReadFailure> images;
    for (const FirmwareRecord& row : m_catalogue.rows)
        if (!row.imageProblem.empty())
            images.push_back({row.fileName, row.imageProblem});
    return images;
}

std::vector<Suggestion> ValidationFlow::suggest(std::string_view code, std::stop_token stop)
{
    return suggest(code, SuggestionRules{}, std::move(stop));
}

std::vector<Suggestion> ValidationFlow::suggest(std::string_view code, const CheckOptions& options,
                                                std::stop_token stop)
{
    return suggest(code, SuggestionRules{false, options.row, options.expectedCnpj}, std::move(stop));
}

std::vector<Suggestion> ValidationFlow::suggest(std::string_view code, const SuggestionRules& rules,
                                                std::stop_token stop)
{
    if (m_kept)
        return findSuggestions(code, m_catalogue, *m_kept, rules, std::move(stop));
    FreshImages images(m_workspace);
    return findSuggestions(code, m_catalogue, images, rules, std::move(stop));
}

std::optional<std::string> ValidationFlow::offerSuggestions(std::string_view code)
{
    return offerSuggestions(suggest(code));
}

std::optional<std::string> ValidationFlow::offerSuggestions(std::span<const Suggestion> suggestions)
{
    if (suggestions.empty())
        return std::nullopt;
    const int chosen = m_prompts.chooseSuggestion(suggestions);
    if (chosen >= 0 && static_cast<std::size_t>(chosen) < suggestions.size())
        return suggestions[static_cast<std::size_t>(chosen)].code;
    return std::nullopt;
}

ValidationResult ValidationFlow::validateFooter(std::string_view footerString, std::string_view appName)
{
    ValidationResult result = confirmFooter(footerString, appName);
    if (!result.confirmed)
        result.suggestedCode = offerSuggestions(footerString);
    return result;
}

ValidationResult ValidationFlow::confirmFooter(std::string_view footerString, std::string_view appName)
{
    m_lookup.answerChoicesWith(std::nullopt); // the operator chooses
    const CodeCheck check = decode(footerString);
    ValidationResult result;
    result.status = check.status;
    result.row = check.row;
    result.unreadableImages = check.unreadableImages;
    if (result.status != ValidationStatus::Valid) {
        m_prompts.showError(appName, failureMessage(result.status) + unreadableImagesNote(result.unreadableImages));
        return result;
    }
    result.decoded = check.decoder;
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
