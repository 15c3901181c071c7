#pragma once

#include "footer/footer_layout.h"

#include <array>
#include <cstdint>
#include <span>

namespace morvanex {

class PreparedImage;

inline constexpr std::size_t keyDigitCount = 20;
using KeyDigits = std::array<std::uint8_t, keyDigitCount>;

// The unmasked digit values (not text) that the key depends on.
struct KeyFields
{
    std::span<const std::uint8_t, cooDigits> coo;
    std::span<const std::uint8_t, serialDigits> serial;
    std::span<const std::uint8_t, timestampDigits> timestamp;
    std::span<const std::uint8_t, checksumDigits> checksum;
};

inline constexpr std::size_t seedSize = 32;
inline constexpr std::size_t sampleSize = 1024;
inline constexpr std::size_t sampleStride = 64;                     // one image byte in 64 is sampled
inline constexpr std::size_t blockSpan = sampleSize * sampleStride; // image bytes one block covers
using Seed = std::array<std::uint8_t, seedSize>;
using SampleBlock = std::array<std::uint8_t, sampleSize>;

// Adds the seed, repeated, to the block as one little-endian number; the final carry is dropped.
void mixBlock(SampleBlock& sample, const Seed& seed);
// The same into mixed, from samples read where they lie (they may be mixed itself).
void mixBlock(std::span<const std::uint8_t, sampleSize> samples, SampleBlock& mixed, const Seed& seed);

// Twenty key digits 0..15 drawn from every 64th byte of the image. Samples at or past the end of
// the image count as the byte 0; nothing outside the image is read.
KeyDigits deriveKeyDigits(std::span<const std::uint8_t> image, const KeyFields& fields);
// The same digits from the image's prepared form, reading only the samples of the code's offset.
KeyDigits deriveKeyDigits(const PreparedImage& image, const KeyFields& fields);

// The byte-at-a-time form that mixBlock must agree with bit for bit.
namespace reference {
void mixBlock(SampleBlock& sample, const Seed& seed);
} // namespace reference

// The kernels behind mixBlock, so that tests can run each one this CPU has.
namespace detail {
enum class MixKernel { AddWithCarry, Avx512 };
// Portable first, the one mixBlock uses last.
std::span<const MixKernel> supportedMixKernels();
// As mixBlock with the given kernel; one this CPU lacks runs the portable one.
void mixBlockWith(MixKernel kernel, std::span<const std::uint8_t, sampleSize> samples, SampleBlock& mixed,
                  const Seed& seed);
} // namespace detail

} // namespace morvanex
