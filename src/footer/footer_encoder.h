#pragma once

#include "footer/footer_layout.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace morvanex {

class PreparedImage;

inline constexpr std::uint32_t maxCoo = 999999;

// True when every character is in the document alphabet "0123456789ABC./".
bool isDocumentText(std::string_view text);

// What a printer does: the 48-character FooterCode (blanks at 8, 17, 26, 35) for the given data,
// enciphered with the key of the image it runs. Nothing when the data cannot be encoded (COO above
// 999999, a serial not of 6 or a CNPJ not of 20 document-alphabet characters).
std::optional<std::string> encodeFooter(std::span<const std::uint8_t> image, std::uint32_t coo,
                                        std::string_view serial6, std::uint32_t seconds,
                                        std::string_view cnpj20);
// The same code from the image's prepared form, for making many codes quickly.
std::optional<std::string> encodeFooter(const PreparedImage& image, std::uint32_t coo,
                                        std::string_view serial6, std::uint32_t seconds,
                                        std::string_view cnpj20);

} // namespace morvanex
