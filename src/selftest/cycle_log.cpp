#include "selftest/cycle_log.h"

#include "text/text_encoding.h"
#include "selftest/footer_request.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace morvanex {
namespace {

// Written in UTF-8 here; the log holds them as Windows-1252.
constexpr std::string_view cooMarker = "\r\n*** ERRO NO COO ***\r\n";
constexpr std::string_view dateMarker = "\r\n*** ERRO NA DATA ***\r\n";
constexpr std::string_view serialMarker = "\r\n*** ERRO NO NÚMERO DE SÉRIE ***\r\n";
constexpr std::string_view cnpjMarker = "\r\n*** ERRO NO CNPJ ***\r\n";
constexpr std::string_view cooFormat = "COO enc: %s                 COO dec: %s";
constexpr std::string_view dateFormat = "DATA enc: %08X              DATA dec: %08X";
constexpr std::string_view serialSent = "No.SÉRIE enc: ";
constexpr std::string_view serialDecoded = "            No.SÉRIE dec: ";
constexpr std::string_view cnpjSent = "CNPJ enc: ";
constexpr std::string_view cnpjDecoded = "  CNPJ dec: ";
constexpr std::string_view statusValid = "RETORNO OK";
constexpr std::string_view statusInvalidString = "RETORNO STRING INVALIDA";
constexpr std::string_view statusFirmwareNotFound = "RETORNO FW NÃO ENCONTRADO";
constexpr std::string_view statusChecksumMismatch = "RETORNO CRC16 INVÁLIDO";
constexpr std::string_view cycleEnd = "\r\n";

std::string sentCoo(const FooterRequest& sent)
{
    char text[16];
    std::snprintf(text, sizeof text, "%06u", static_cast<unsigned>(sent.coo));
    return text;
}

template <std::size_t N>
std::string_view rawField(const std::array<std::uint8_t, N>& field, std::size_t length)
{
    return {reinterpret_cast<const char*>(field.data()), length};
}

} // namespace

CycleComparison compareCycle(const FooterRequest& sent, const FooterDecoder& decoded)
{
    CycleComparison result;
    result.cooDiffers = sentCoo(sent) != rawField(decoded.coo, cooDigits);
    result.dateDiffers = sent.dateTime != decoded.dateValue();
    result.serialDiffers =
        sent.serialExcerpt() != rawField(decoded.serial, serialDigits);
    result.cnpjDiffers = sent.cnpjText() != rawField(decoded.cnpj, cnpjDigits);
    return result;
}

std::string statusLogLine(ValidationStatus status)
{
    switch (status) {
    case ValidationStatus::Valid:
        return cp1252(statusValid);
    case ValidationStatus::InvalidString:
        return cp1252(statusInvalidString);
    case ValidationStatus::FirmwareNotFound:
        return cp1252(statusFirmwareNotFound);
    case ValidationStatus::ChecksumMismatch:
        return cp1252(statusChecksumMismatch);
    }
    return {};
}

std::vector<std::string> cycleLogLines(const FooterRequest& sent, std::span<const std::uint8_t> reply,
                                       const FooterDecoder& decoded, ValidationStatus status)
{
    const CycleComparison differs = compareCycle(sent, decoded);
    std::vector<std::string> lines;

    // The reply as a zero-terminated text of at most 48 characters.
    const auto replyText = reply.first(std::min(reply.size(), replyCodeLength));
    lines.emplace_back(FooterDecoder::text(replyText));

    if (differs.cooDiffers)
        lines.push_back(cp1252(cooMarker));
    const std::string decodedCoo(FooterDecoder::text(decoded.coo));
    char line[128];
    std::snprintf(line, sizeof line, cooFormat.data(), sentCoo(sent).c_str(), decodedCoo.c_str());
    lines.emplace_back(line);

    if (differs.dateDiffers)
        lines.push_back(cp1252(dateMarker));
    std::snprintf(line, sizeof line, dateFormat.data(), static_cast<unsigned>(sent.dateTime),
                  static_cast<unsigned>(decoded.dateValue()));
    lines.emplace_back(line);

    // Decoded bytes go in one for one, whatever their value, so these lines keep their width.
    if (differs.serialDiffers)
        lines.push_back(cp1252(serialMarker));
    lines.push_back(cp1252(serialSent) + std::string(sent.serialExcerpt()) + cp1252(serialDecoded) +
                    std::string(rawField(decoded.serial, serialDigits)));

    if (differs.cnpjDiffers)
        lines.push_back(cp1252(cnpjMarker));
    lines.push_back(cp1252(cnpjSent) + std::string(sent.cnpjText()) + cp1252(cnpjDecoded) +
                    std::string(rawField(decoded.cnpj, cnpjDigits)));

    lines.push_back(statusLogLine(status));
    lines.emplace_back(cycleEnd);
    return lines;
}

} // namespace morvanex
