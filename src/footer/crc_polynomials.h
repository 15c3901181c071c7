#pragma once

#include <cstdint>

namespace morvanex {

// The two CRCs of the system, by their generator polynomials (normal form, without the x^width
// term). Both are reflected: the table loops shift right through the bit-reversed form.
inline constexpr std::uint16_t crc16Polynomial = 0x1021;     // CRC-16/KERMIT
inline constexpr std::uint32_t crc32Polynomial = 0x04C11DB7; // CRC-32/ISO-HDLC

constexpr std::uint64_t reflectBits(std::uint64_t value, unsigned width)
{
    std::uint64_t reflected = 0;
    for (unsigned i = 0; i < width; ++i)
        reflected |= ((value >> i) & 1) << (width - 1 - i);
    return reflected;
}

inline constexpr auto crc16Reflected = static_cast<std::uint16_t>(reflectBits(crc16Polynomial, 16));
inline constexpr auto crc32Reflected = static_cast<std::uint32_t>(reflectBits(crc32Polynomial, 32));
static_assert(crc16Reflected == 0x8408 && crc32Reflected == 0xEDB88320);

} // namespace morvanex
