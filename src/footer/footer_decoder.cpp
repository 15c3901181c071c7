#include "footer/footer_decoder.h"

#include "footer/alphabet.h"
#include "footer/checksum.h"
#include "footer/footer_layout.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace morvanex {
namespace {

template <std::size_t N>
std::span<const std::uint8_t, N> digits(const std::array<std::uint8_t, N + 1>& field)
{
    return std::span<const std::uint8_t, N>(field.data(), N);
}

} // namespace

std::string_view statusName(ValidationStatus status)
{
    switch (status) {
    case ValidationStatus::Valid:
        return "Valid";
    case ValidationStatus::InvalidString:
        return "InvalidString";
    case ValidationStatus::FirmwareNotFound:
        return "FirmwareNotFound";
    case ValidationStatus::ChecksumMismatch:
        return "ChecksumMismatch";
    }
    return "Unknown";
}

std::string_view FooterDecoder::text(std::span<const std::uint8_t> field)
{
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return {reinterpret_cast<const char*>(field.data()), static_cast<std::size_t>(end - field.begin())};
}

ValidationStatus FooterDecoder::decode(std::string_view input)
{
    coo.fill(0);
    serial.fill(0);
    checksum.fill(0);
    timestamp.fill(0);
    keyDigits.fill(0);
    code.fill(0);
    cnpj.fill(0);
    m_chosenRow = -1;

    std::memcpy(code.data(), input.data(), std::min(input.size(), code.size()));
    if (!alphabetToDigits(std::span(code).first(footerLength)))
        return ValidationStatus::InvalidString;

    std::array<std::uint8_t, 20> cnpjBlock;
    for (std::size_t i = 0; i < cnpjBlock.size(); ++i)
        cnpjBlock[i] = code[cnpjBlockPositions[i]];
    for (std::size_t i = 0; i < 6; ++i) {
        coo[i] = static_cast<std::uint8_t>(code[cooPositions[i]] - cnpjBlock[cooFirstMask + i]);
        serial[i] = static_cast<std::uint8_t>(code[serialPositions[i]] - cnpjBlock[serialFirstMask + i]);
    }
    for (std::size_t i = 0; i < 8; ++i)
        timestamp[i] =
            static_cast<std::uint8_t>(code[timestampPositions[i]] - cnpjBlock[timestampFirstMask + i]);
    for (std::size_t i = 0; i < 4; ++i)
        checksum[i] =
            static_cast<std::uint8_t>(code[checksumPositions[i]] - cnpjBlock[checksumFirstMask + i]);

    const ImageBytes image = loadFirmwareImage();
    if (!image)
        return ValidationStatus::FirmwareNotFound;

    const ChecksumCalculator calculator;
    char imageCrc[5];
    std::snprintf(imageCrc, sizeof imageCrc, "%04X", calculator.crc16(*image));
    std::array<std::uint8_t, 4> codeCrc;
    std::copy_n(checksum.begin(), 4, codeCrc.begin());
    digitsToAlnum(codeCrc);
    if (std::memcmp(codeCrc.data(), imageCrc, 4) != 0)
        return ValidationStatus::ChecksumMismatch;

    deriveKey(*image);
    for (std::size_t i = 0; i < 20; ++i)
        cnpj[i] = static_cast<std::uint8_t>(cnpjBlock[i] - keyDigits[i]);

    digitsToAlnum(std::span(coo).first(6));
    digitsToDocText(std::span(serial).first(6));
    digitsToAlnum(std::span(timestamp).first(8));
    digitsToAlnum(std::span(checksum).first(4));
    digitsToDocText(std::span(cnpj).first(20));
    return ValidationStatus::Valid;
}

std::uint32_t FooterDecoder::dateValue() const
{
    std::array<std::uint8_t, 8> h;
    std::copy_n(timestamp.begin(), 8, h.begin());
    hexTextToDigits(h);
    std::uint32_t value = 0;
    for (const std::uint8_t v : h)
        value = value * 16 + v;
    return value;
}

void FooterDecoder::deriveKey(std::span<const std::uint8_t> image)
{
    const KeyDigits key = deriveKeyDigits(
        image, {digits<6>(coo), digits<6>(serial), digits<8>(timestamp), digits<4>(checksum)});
    std::copy(key.begin(), key.end(), keyDigits.begin());
}

ImageBytes FooterDecoder::loadFirmwareImage()
{
    if (!m_source)
        return nullptr;
    std::array<std::uint8_t, 4> text;
    std::copy_n(checksum.begin(), 4, text.begin());
    digitsToAlnum(text);
    return m_source->loadFirmwareImage(text, m_chosenRow);
}

} // namespace morvanex
