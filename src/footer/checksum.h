#pragma once

#include <cstdint>
#include <span>

namespace morvanex {

// Stateless; callers create one locally where they checksum.
class ChecksumCalculator
{
public:
    virtual ~ChecksumCalculator() = default;

    // CRC-16/KERMIT: reflected 0x1021, initial 0, no final XOR.
    std::uint16_t crc16(std::span<const std::uint8_t> data) const;
    // Sum of all bytes modulo 65536.
    std::uint16_t byteSum16(std::span<const std::uint8_t> data) const;
};

// Chainable CRC-32/ISO-HDLC; only the low 16 bits of the length count, as the callers expect.
std::uint32_t crc32Update(std::uint32_t previous, std::span<const std::uint8_t> data);

// Streaming forms over any length: feed pieces one after the other, starting from 0.
std::uint16_t crc16Update(std::uint16_t previous, std::span<const std::uint8_t> data);
std::uint16_t byteSum16Update(std::uint16_t previous, std::span<const std::uint8_t> data);
std::uint32_t crc32UpdateLong(std::uint32_t previous, std::span<const std::uint8_t> data);

// The two checksums of a catalogue image from one pass where the CPU allows: the CRC-16 of data with
// the bytes of every pair swapped when swapPairs is set (an odd last byte stays in place), and the byte
// sum of data as it is. Pieces fed one after the other must be of even length but the last.
void crc16AndByteSum16Update(std::uint16_t& crc, std::uint16_t& sum, std::span<const std::uint8_t> data,
                             bool swapPairs);

// For key derivation, where this CPU folds with 256-bit carry-less multiplication: crcs[b] is
// crc32Update(0xFFFFFFFF, mixed) of block b of samples (1024 bytes each, one per element of crcs) after
// the block is added to the 32-byte seed repeated, as one little-endian number whose last carry is
// dropped. One block is mixed while the one before is folded. False, with nothing done, elsewhere.
bool mixedBlockCrc32s(std::span<const std::uint8_t> samples, const std::uint8_t* seed,
                      std::span<std::uint32_t> crcs);

// The byte-at-a-time table loops; the fast paths must agree with them bit for bit.
namespace reference {
std::uint16_t crc16Update(std::uint16_t previous, std::span<const std::uint8_t> data);
std::uint16_t byteSum16Update(std::uint16_t previous, std::span<const std::uint8_t> data);
std::uint32_t crc32UpdateLong(std::uint32_t previous, std::span<const std::uint8_t> data);
} // namespace reference

} // namespace morvanex
