#include "footer/footer_decoder.h"

#include "footer/alphabet.h"
#include "footer/checksum.h"
#include "footer/footer_layout.h"
#include "footer/prepared_image.h"

#include <algorithm>
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

std::array<std::uint8_t, checksumDigits> FooterDecoder::checksumText() const
{
    std::array<std::uint8_t, checksumDigits> text;
    std::copy_n(checksum.begin(), checksumDigits, text.begin());
    digitsToAlnum(text);
    return text;
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

    std::array<std::uint8_t, cnpjDigits> cnpjBlock;
    for (std::size_t i = 0; i < cnpjBlock.size(); ++i)
        cnpjBlock[i] = code[cnpjBlockPositions[i]];
    for (std::size_t i = 0; i < cooDigits; ++i)
        coo[i] = static_cast<std::uint8_t>(code[cooPositions[i]] - cnpjBlock[cooFirstMask + i]);
    for (std::size_t i = 0; i < serialDigits; ++i)
        serial[i] = static_cast<std::uint8_t>(code[serialPositions[i]] - cnpjBlock[serialFirstMask + i]);
    for (std::size_t i = 0; i < timestampDigits; ++i)
        timestamp[i] =
            static_cast<std::uint8_t>(code[timestampPositions[i]] - cnpjBlock[timestampFirstMask + i]);
    for (std::size_t i = 0; i < checksumDigits; ++i)
        checksum[i] =
            static_cast<std::uint8_t>(code[checksumPositions[i]] - cnpjBlock[checksumFirstMask + i]);

    const ValidationStatus found = m_preparedSource ? decodeWithPreparedImage() : decodeWithImage();
    if (found != ValidationStatus::Valid)
        return found;
    for (std::size_t i = 0; i < cnpjDigits; ++i)
        cnpj[i] = static_cast<std::uint8_t>(cnpjBlock[i] - keyDigits[i]);

    digitsToAlnum(std::span(coo).first(cooDigits));
    digitsToDocText(std::span(serial).first(serialDigits));
    digitsToAlnum(std::span(timestamp).first(timestampDigits));
    digitsToAlnum(std::span(checksum).first(checksumDigits));
    digitsToDocText(std::span(cnpj).first(cnpjDigits));
    return ValidationStatus::Valid;
}

std::uint32_t FooterDecoder::dateValue() const
{
    std::array<std::uint8_t, timestampDigits> h;
    std::copy_n(timestamp.begin(), timestampDigits, h.begin());
    hexTextToDigits(h);
    std::uint32_t value = 0;
    for (const std::uint8_t v : h)
        value = value * 16 + v;
    return value;
}

ValidationStatus FooterDecoder::decodeWithImage()
{
    const ImageBytes image = loadFirmwareImage();
    if (!image)
        return ValidationStatus::FirmwareNotFound;
    if (!checksumMatches(ChecksumCalculator().crc16(*image)))
        return ValidationStatus::ChecksumMismatch;
    deriveKey(*image);
    return ValidationStatus::Valid;
}

ValidationStatus FooterDecoder::decodeWithPreparedImage()
{
    const PreparedImageRef image = m_preparedSource->loadPreparedImage(checksumText(), m_chosenRow);
    if (!image)
        return ValidationStatus::FirmwareNotFound;
    if (!checksumMatches(image->crc16()))
        return ValidationStatus::ChecksumMismatch;
    const KeyDigits key = deriveKeyDigits(*image, keyFields());
    std::copy(key.begin(), key.end(), keyDigits.begin());
    return ValidationStatus::Valid;
}

bool FooterDecoder::checksumMatches(std::uint16_t imageCrc) const
{
    // "%04X" of the CRC is its four nibbles made text the way digitsToAlnum makes them. The comparison
    // is on the text: wrapped values 249-255 read as "0"-"6" and match those characters.
    std::array<std::uint8_t, checksumDigits> imageText;
    for (std::size_t i = 0; i < imageText.size(); ++i)
        imageText[i] = static_cast<std::uint8_t>(imageCrc >> (12 - 4 * i) & 0xF);
    digitsToAlnum(imageText);
    return checksumText() == imageText;
}

KeyFields FooterDecoder::keyFields() const
{
    return {digits<cooDigits>(coo), digits<serialDigits>(serial), digits<timestampDigits>(timestamp),
            digits<checksumDigits>(checksum)};
}

void FooterDecoder::deriveKey(std::span<const std::uint8_t> image)
{
    const KeyDigits key = deriveKeyDigits(image, keyFields());
    std::copy(key.begin(), key.end(), keyDigits.begin());
}

ImageBytes FooterDecoder::loadFirmwareImage()
{
    if (!m_source)
        return nullptr;
    return m_source->loadFirmwareImage(checksumText(), m_chosenRow);
}

} // namespace morvanex
