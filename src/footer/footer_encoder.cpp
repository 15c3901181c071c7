#include "footer/footer_encoder.h"

#include "footer/alphabet.h"
#include "footer/checksum.h"
#include "footer/footer_layout.h"
#include "footer/key_derivation.h"
#include "footer/prepared_image.h"

#include <algorithm>
#include <array>

namespace morvanex {
namespace {

template <std::size_t N>
std::array<std::uint8_t, N> hexDigits(std::uint32_t value)
{
    std::array<std::uint8_t, N> d;
    for (std::size_t i = N; i-- > 0; value >>= 4)
        d[i] = static_cast<std::uint8_t>(value & 0xF);
    return d;
}

template <std::size_t N>
std::array<std::uint8_t, N> documentDigits(std::string_view text)
{
    std::array<std::uint8_t, N> d;
    for (std::size_t i = 0; i < N; ++i)
        d[i] = *documentSymbolValue(static_cast<unsigned char>(text[i]));
    return d;
}

// image: the bytes or the prepared form of the image the code is for.
template <typename Image>
std::optional<std::string> encode(const Image& image, std::uint16_t crc, std::uint32_t coo,
                                  std::string_view serial6, std::uint32_t seconds, std::string_view cnpj20)
{
    if (coo > maxCoo || serial6.size() != serialDigits || cnpj20.size() != cnpjDigits ||
        !isDocumentText(serial6) || !isDocumentText(cnpj20))
        return std::nullopt;

    std::array<std::uint8_t, cooDigits> cooValues;
    for (std::size_t i = cooDigits; i-- > 0; coo /= 10)
        cooValues[i] = static_cast<std::uint8_t>(coo % 10);
    const auto serialValues = documentDigits<serialDigits>(serial6);
    const auto timeValues = hexDigits<timestampDigits>(seconds);
    const auto crcValues = hexDigits<checksumDigits>(crc);
    const auto cnpjValues = documentDigits<cnpjDigits>(cnpj20);

    const KeyDigits key = deriveKeyDigits(image, {cooValues, serialValues, timeValues, crcValues});
    std::array<std::uint8_t, cnpjDigits> block;
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(cnpjValues[i] + key[i]);

    // Field digit plus mask digit, at the positions the decoder reads them from; blanks between groups.
    std::string footer(footerLength, ' ');
    const auto put = [&footer](std::size_t position, unsigned value) {
        footer[position] = footerSymbol(static_cast<std::uint8_t>(value));
    };
    for (std::size_t i = 0; i < cooDigits; ++i)
        put(cooPositions[i], cooValues[i] + block[cooFirstMask + i]);
    for (std::size_t i = 0; i < serialDigits; ++i)
        put(serialPositions[i], serialValues[i] + block[serialFirstMask + i]);
    for (std::size_t i = 0; i < timestampDigits; ++i)
        put(timestampPositions[i], timeValues[i] + block[timestampFirstMask + i]);
    for (std::size_t i = 0; i < checksumDigits; ++i)
        put(checksumPositions[i], crcValues[i] + block[checksumFirstMask + i]);
    for (std::size_t i = 0; i < cnpjDigits; ++i)
        put(cnpjBlockPositions[i], block[i]);
    return footer;
}

} // namespace

bool isDocumentText(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return documentSymbolValue(static_cast<unsigned char>(c)).has_value(); });
}

std::optional<std::string> encodeFooter(std::span<const std::uint8_t> image, std::uint32_t coo,
                                        std::string_view serial6, std::uint32_t seconds,
                                        std::string_view cnpj20)
{
    return encode(image, ChecksumCalculator().crc16(image), coo, serial6, seconds, cnpj20);
}

std::optional<std::string> encodeFooter(const PreparedImage& image, std::uint32_t coo,
                                        std::string_view serial6, std::uint32_t seconds,
                                        std::string_view cnpj20)
{
    return encode(image, image.crc16(), coo, serial6, seconds, cnpj20);
}

} // namespace morvanex
