#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace morvanex {

// Framing of everything sent to the printer: start byte, 16-bit little-endian length (the bytes
// behind the length field, checksum included), payload, 16-bit little-endian byte sum of the payload.
namespace printer_framing {
inline constexpr std::uint8_t startByte = 0x02;
inline constexpr std::size_t headerSize = 3;
inline constexpr std::size_t checksumSize = 2;
inline constexpr std::uint8_t acknowledge = 0x06;
inline constexpr std::uint8_t negativeAcknowledge = 0x15;

std::uint16_t payloadChecksum(std::span<const std::uint8_t> payload);
} // namespace printer_framing

// One outgoing frame: the payload goes in behind the reserved header, seal completes it.
class PrinterFrame
{
public:
    static constexpr std::size_t capacity = 4096;

    // False, and nothing copied, when the bytes would not fit.
    bool append(std::span<const std::uint8_t> bytes);
    // Writes the header and appends the checksum; false, leaving the frame unsealed, when the
    // checksum no longer fits or the frame was sealed already.
    bool seal();

    std::span<const std::uint8_t> bytes() const { return std::span(m_buffer).first(m_count); }
    std::size_t count() const { return m_count; }

private:
    std::array<std::uint8_t, capacity> m_buffer{};
    std::size_t m_count = printer_framing::headerSize;
    bool m_sealed = false;
};

} // namespace morvanex
