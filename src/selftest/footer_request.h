#pragma once

#include "footer/footer_layout.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace morvanex {

class SelfTestRandom;

// The document data the self-test sends a printer, as the 50-byte payload of a PrinterFrame.
// Numbers are little-endian.
struct FooterRequest
{
    static constexpr std::size_t size = 50;
    static constexpr std::uint8_t firstByte = 0x1C;
    static constexpr std::uint8_t secondByte = 0x29;
    static constexpr std::size_t cooOffset = 2;
    static constexpr std::size_t serialOffset = 6;
    static constexpr std::size_t cnpjOffset = 26;
    static constexpr std::size_t dateTimeOffset = 46;
    static constexpr std::size_t serialLength = 20;
    // The serial characters a FooterCode carries: the 14th to the 19th, not the last six.
    static constexpr std::size_t serialExcerptOffset = 13;

    static constexpr std::string_view serialCharacters = "0123456789ABC";
    static constexpr std::string_view cnpjCharacters = "./0123456789";

    std::uint32_t coo = 0;
    std::array<char, serialLength> serial{};
    std::array<char, cnpjDigits> cnpj{}; // as a FooterCode carries it
    std::uint32_t dateTime = 0;

    // Draws in the order the printer test always has: COO, date/time (high half first), the serial
    // characters, the CNPJ characters.
    static FooterRequest draw(SelfTestRandom& random);
    // Nothing unless payload is 50 bytes beginning 1C 29.
    static std::optional<FooterRequest> parse(std::span<const std::uint8_t> payload);

    std::array<std::uint8_t, size> bytes() const;
    std::string_view serialExcerpt() const
    {
        return {serial.data() + serialExcerptOffset, serialDigits};
    }
    std::string_view cnpjText() const { return {cnpj.data(), cnpj.size()}; }
};

} // namespace morvanex
