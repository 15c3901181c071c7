#pragma once

#include "footer/key_derivation.h"

#include <array>
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
    // Whether every code decodes alike with both: the same CRC-16 and the same samples at every offset
    // (copies of one image, or images that differ only past their last sample, such as zeros of
    // lengths within one block).
    bool decodesAs(const PreparedImage& other) const;
    // Bytes held, for a cache's bound.
    std::size_t memoryBytes() const { return m_capacity; }
    // What an image of length bytes takes when prepared in memory of its own.
    static std::size_t memoryFor(std::size_t length);

private:
    friend class ImagePreparer;

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
    std::size_t m_capacity = 0;     // bytes at m_streams
    std::unique_ptr<std::uint8_t[], Release> m_streams;
};

// Prepares an image from its bytes as they are read, piece by piece, so that they are never held
// whole; the memory of an image given back serves the next one of about its size, which saves the
// system clearing fresh pages for every image.
class ImagePreparer
{
public:
    // Starts an image of about length bytes (more or fewer may come); false when the memory for it
    // cannot be had.
    bool begin(std::size_t length);
    // The image's next bytes; false when it outgrew the memory begun with and more cannot be had.
    bool add(std::span<const std::uint8_t> bytes);
    // The image of every byte added since begin; nothing when its last bytes outgrew the memory.
    std::optional<PreparedImage> finish();
    // An image no longer used, whose memory a later begin may take.
    void recycle(PreparedImage&& image);

    // Image bytes the streams take in at a time: 16 chunks of 64.
    static constexpr std::size_t groupBytes = 16 * sampleStride;

private:
    bool scatterNext(const std::uint8_t* group);
    bool grow();

    PreparedImage m_image;    // being filled
    PreparedImage m_spare;    // given back
    std::size_t m_added = 0;  // bytes added
    std::size_t m_groups = 0; // whole groups scattered
    std::uint16_t m_crc = 0;
    std::array<std::uint8_t, groupBytes> m_partial{}; // a group not yet whole
    std::size_t m_partialBytes = 0;
};

} // namespace morvanex
