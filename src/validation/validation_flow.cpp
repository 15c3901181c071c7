#include "validation/validation_flow.h"

#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"
#include "validation/firmware_lookup.h"
#include "validation/operator_prompts.h"
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
constexpr std::string_view noFirmwareText =
    "Nenhum firmware homologado foi encontrado em %s.\n"
    "Coloque os descritores (*.txt) na pasta TXT e as imagens na pasta Bin dessa pasta; "
    "sem eles, nenhum documento pode ser validado.";
constexpr std::string_view unreadableFolderText =
    "A pasta %s não pôde ser lida.\nSem ela, nenhum documento pode ser validado.";
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

std::string workspaceMessage(const FirmwareCatalogue& catalogue, const Workspace& workspace)
{
    const auto spelled = [](const std::filesystem::path& path) {
        const std::u8string name = path.u8string();
        return cp1252(std::string_view(reinterpret_cast<const char*>(name.data()), name.size()));
    };
    if (!catalogue.folderProblem.empty())
        return cp1252Message(unreadableFolderText, spelled(catalogue.unreadableFolder));
    if (catalogue.rows.empty())
        return cp1252Message(noFirmwareText, spelled(workspace.root()));
    return {};
}

std::string rejectedCnpjMessage()
{
    static const std::string text = cp1252(rejectedCnpjText);
    return text;
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
    CodeCheck result;
    result.decoder = m_kept ? FooterDecoder(&*m_kept) : FooterDecoder(&m_lookup);
    // The decoder reads the first 48 characters only: what follows them would pass unseen.
    const std::size_t length = code.find_last_not_of(" \t") + 1;
    if (length > footerLength) {
        result.status = ValidationStatus::InvalidString;
        result.reason = "a FooterCode has " + std::to_string(footerLength) + " characters, this has " +
                        std::to_string(characterCount(code.substr(0, length)));
        return result;
    }
    result.status = result.decoder.decode(code);
    result.row = result.decoder.chosenRow();
    result.imageFailure = m_lookup.lastFailure();
    if (result.status == ValidationStatus::FirmwareNotFound && m_catalogue.hasUnreadableRows())
        result.unreadableImages = unreadableImagesFor(result.decoder);
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

std::vector<Suggestion> ValidationFlow::suggest(std::string_view code)
{
    std::optional<KeptImages> own;
    KeptImages& images = m_kept ? *m_kept : own.emplace(m_lookup);
    return findSuggestions(code, m_catalogue, [this, &images](int row) {
        return images.imageOf(m_catalogue.rows[static_cast<std::size_t>(row)]);
    });
}

std::optional<std::string> ValidationFlow::offerSuggestions(std::string_view code)
{
    const std::vector<Suggestion> suggestions = suggest(code);
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
    const CodeCheck check = this->check(footerString);
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
