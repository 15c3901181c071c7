#include "footer/footer_encoder.h"

#include "footer/alphabet.h"
#include "footer/checksum.h"
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
    if (coo > maxCoo || serial6.size() != serialExcerptLength || cnpj20.size() != cnpjLength ||
        !isDocumentText(serial6) || !isDocumentText(cnpj20))
        return std::nullopt;

    std::array<std::uint8_t, 6> cooDigits;
    for (std::size_t i = 6; i-- > 0; coo /= 10)
        cooDigits[i] = static_cast<std::uint8_t>(coo % 10);
    const auto serialDigits = documentDigits<6>(serial6);
    const auto timeDigits = hexDigits<8>(seconds);
    const auto crcDigits = hexDigits<4>(crc);
    const auto cnpjDigits = documentDigits<20>(cnpj20);

    const KeyDigits key = deriveKeyDigits(image, {cooDigits, serialDigits, timeDigits, crcDigits});
    std::array<std::uint8_t, 20> block;
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(cnpjDigits[i] + key[i]);

    // Field digit plus mask digit, laid out as the decoder reads them.
    std::array<std::uint8_t, 44> values;
    auto out = values.begin();
    for (std::size_t i = 0; i < 6; ++i)
        *out++ = static_cast<std::uint8_t>(cooDigits[i] + block[i]);
    for (std::size_t i = 0; i < 6; ++i)
        *out++ = static_cast<std::uint8_t>(serialDigits[i] + block[6 + i]);
    for (std::size_t i = 0; i < 8; ++i)
        *out++ = static_cast<std::uint8_t>(timeDigits[i] + block[12 + i]);
    for (std::size_t i = 0; i < 4; ++i)
        *out++ = static_cast<std::uint8_t>(crcDigits[i] + block[i]);
    std::copy(block.begin(), block.end(), out);
    return footerFromDigits(values);
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
