#pragma once

#include "footer/footer_layout.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace morvanex {

bool isSeparatorPosition(std::size_t position);

// Characters in the FooterCode alphabet, which gives them the digit values 0..45.
inline constexpr std::uint8_t footerAlphabetSize = 46;

// Digit value 0..45 of a FooterCode character, or nothing when it is outside the alphabet.
std::optional<std::uint8_t> footerDigitValue(unsigned char c);
// The FooterCode character of a digit value 0..45.
char footerSymbol(std::uint8_t value);
// The FooterCode character an operator's typed one stands for: a small letter as its capital, any
// other character as it is.
char footerCharacter(char typed);

// The FooterCode of its 44 digit values 0..45 in position order, with a blank at each separator.
std::string footerFromDigits(std::span<const std::uint8_t, codeDigitCount> values);

// Value 0..14 of a character of the document alphabet "0123456789ABC./", or nothing.
std::optional<std::uint8_t> documentSymbolValue(unsigned char c);

// In-place conversions between character and digit-value form.
bool alphabetToDigits(std::span<std::uint8_t> buffer);
void digitsToAlnum(std::span<std::uint8_t> buffer);
void digitsToDocText(std::span<std::uint8_t> buffer);
void hexTextToDigits(std::span<std::uint8_t> buffer);

} // namespace morvanex
