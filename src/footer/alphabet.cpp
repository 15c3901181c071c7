#include "footer/alphabet.h"

#include <algorithm>
#include <string_view>

namespace morvanex {
namespace {

// Digit values 36..45, in this order.
constexpr std::string_view punctuationSymbols = "+!#$%&@><=";
constexpr std::string_view documentAlphabet = "0123456789ABC./";
static_assert(36 + punctuationSymbols.size() == footerAlphabetSize);

// Every byte's digit value plus one; 0 for a byte outside the alphabet.
constexpr std::array<std::uint8_t, 256> digitValuesPlusOne = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned c = 0; c < 10; ++c)
        table['0' + c] = static_cast<std::uint8_t>(c + 1);
    for (unsigned c = 0; c < 26; ++c)
        table['A' + c] = static_cast<std::uint8_t>(10 + c + 1);
    for (std::size_t i = 0; i < punctuationSymbols.size(); ++i)
        table[static_cast<unsigned char>(punctuationSymbols[i])] = static_cast<std::uint8_t>(36 + i + 1);
    return table;
}();

// Bit p set for each separator position p.
constexpr std::uint64_t separatorBits = [] {
    std::uint64_t bits = 0;
    for (const std::size_t p : separatorPositions)
        bits |= std::uint64_t{1} << p;
    return bits;
}();
static_assert(footerLength <= 64);

} // namespace

bool isSeparatorPosition(std::size_t position)
{
    return position < footerLength && (separatorBits >> position & 1) != 0;
}

std::optional<std::uint8_t> footerDigitValue(unsigned char c)
{
    if (const std::uint8_t v = digitValuesPlusOne[c])
        return static_cast<std::uint8_t>(v - 1);
    return std::nullopt;
}

char footerSymbol(std::uint8_t value)
{
    if (value < 10)
        return static_cast<char>('0' + value);
    if (value < 36)
        return static_cast<char>('A' + value - 10);
    return punctuationSymbols.at(value - 36);
}

char footerCharacter(char typed)
{
    return typed >= 'a' && typed <= 'z' ? static_cast<char>(typed - 'a' + 'A') : typed;
}

std::string footerFromDigits(std::span<const std::uint8_t, codeDigitCount> values)
{
    std::string footer;
    footer.reserve(footerLength);
    auto next = values.begin();
    for (std::size_t position = 0; position < footerLength; ++position)
        footer += isSeparatorPosition(position) ? ' ' : footerSymbol(*next++);
    return footer;
}

std::optional<std::uint8_t> documentSymbolValue(unsigned char c)
{
    const auto at = documentAlphabet.find(static_cast<char>(c));
    if (c == 0 || at == std::string_view::npos)
        return std::nullopt;
    return static_cast<std::uint8_t>(at);
}

bool alphabetToDigits(std::span<std::uint8_t> buffer)
{
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        if (isSeparatorPosition(i))
            continue;
        const std::uint8_t v = digitValuesPlusOne[buffer[i]];
        if (!v)
            return false;
        buffer[i] = static_cast<std::uint8_t>(v - 1);
    }
    return true;
}

void digitsToAlnum(std::span<std::uint8_t> buffer)
{
    for (auto& v : buffer)
        v = v <= 9 ? static_cast<std::uint8_t>('0' + v) : static_cast<std::uint8_t>(v + 55);
}

void digitsToDocText(std::span<std::uint8_t> buffer)
{
    for (auto& v : buffer)
        v = v < documentAlphabet.size() ? static_cast<std::uint8_t>(documentAlphabet[v]) : std::uint8_t{' '};
}

void hexTextToDigits(std::span<std::uint8_t> buffer)
{
    for (auto& c : buffer)
        c = c <= '9' ? static_cast<std::uint8_t>(c - 48) : static_cast<std::uint8_t>(c - 55);
}

} // namespace morvanex
