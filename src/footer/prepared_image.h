#pragma once

#include "footer/key_derivation.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace morvanex {

// An image held for many validations: its CRC-16, computed once, and for each of the 64 sampling
// offsets the samples deriveKeyDigits takes, contiguous and padded with zeros to whole blocks. A key
// then reads about length/64 bytes instead of a byte from every cache line of the image. It takes as
// much memory as the image rounded up to whole blocks of 65,536 bytes, plus 4 KiB (memoryBytes()); the
// image itself is not kept.
class PreparedImage
{
public:
    // The image as the lookup delivers it (byte pairs already swapped for the swapped models). Nothing
    // when the memory for it cannot be had.
    static std::optional<PreparedImage> prepare(std::span<const std::uint8_t> image);

    std::size_t length() const { return m_length; } // bytes in the image
    std::uint16_t crc16() const { return m_crc16; } // CRC-16/KERMIT of the image
    // Samples of one offset 0..63: element k is image[offset + 64 k], or 0 past the image's end, for
    // every k of the key's blocks (1024 samples each) that the image reaches into.
    std::span<const std::uint8_t> stream(std::size_t offset) const;
    // Bytes held, for a cache's bound.
    std::size_t memoryBytes() const { return m_streamStride * sampleStride; }

private:
    // Frees memory taken with the alignment huge pages need.
    struct Release
    {
        void operator()(std::uint8_t* p) const;
    };

    PreparedImage() = default;

    std::size_t m_length = 0;
    std::uint16_t m_crc16 = 0;
    std::size_t m_streamLength = 0; // samples per stream
    std::size_t m_streamStride = 0; // stream o begins at o * m_streamStride
    std::unique_ptr<std::uint8_t[], Release> m_streams;
};

} // namespace morvanex
