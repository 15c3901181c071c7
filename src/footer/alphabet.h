#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace morvanex {

// A FooterCode is 48 characters; these positions are separators and are never examined.
inline constexpr std::size_t footerLength = 48;
inline constexpr std::array<std::size_t, 4> separatorPositions{8, 17, 26, 35};

bool isSeparatorPosition(std::size_t position);

// Digit value 0..45 of a FooterCode character, or nothing when it is outside the alphabet.
std::optional<std::uint8_t> footerDigitValue(unsigned char c);
// The FooterCode character of a digit value 0..45.
char footerSymbol(std::uint8_t value);

// The FooterCode of 44 digit values 0..45 in position order, with a blank at each separator.
std::string footerFromDigits(std::span<const std::uint8_t, footerLength - separatorPositions.size()> values);

// Value 0..14 of a character of the document alphabet "0123456789ABC./", or nothing.
std::optional<std::uint8_t> documentSymbolValue(unsigned char c);

// In-place conversions between character and digit-value form.
bool alphabetToDigits(std::span<std::uint8_t> buffer);
void digitsToAlnum(std::span<std::uint8_t> buffer);
void digitsToDocText(std::span<std::uint8_t> buffer);
void hexTextToDigits(std::span<std::uint8_t> buffer);

} // namespace morvanex
