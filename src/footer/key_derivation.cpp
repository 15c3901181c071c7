#include "footer/key_derivation.h"

#include "footer/alphabet.h"
#include "footer/checksum.h"

#include <cstdio>

namespace morvanex {
namespace {

constexpr std::size_t sampleStride = 64;
constexpr std::size_t blockSpan = sampleSize * sampleStride; // image bytes one block covers

Seed makeSeed(const KeyFields& f)
{
    Seed seed{};
    for (std::size_t i = 0; i < 6; ++i) {
        seed[i] = f.coo[i];
        seed[6 + i] = f.serial[i];
        seed[12 + i] = f.coo[i];
        seed[18 + i] = f.serial[i];
    }
    const unsigned cs = ((f.checksum[0] * 16u + f.checksum[1]) * 16u + f.checksum[2]) * 16u + f.checksum[3];
    const std::uint8_t x[2] = {static_cast<std::uint8_t>(cs >> 8 & 0xFF), static_cast<std::uint8_t>(cs & 0xFF)};
    for (std::size_t i = 0; i < seedSize; ++i)
        seed[i] = static_cast<std::uint8_t>(static_cast<std::uint8_t>(f.timestamp[i % 8] * 16 + seed[i]) ^ x[i % 2]);
    for (std::size_t i = 1; i < seedSize; ++i)
        seed[i] = static_cast<std::uint8_t>(seed[i] + seed[i - 1]);
    return seed;
}

unsigned samplingOffset(std::span<const std::uint8_t, 6> coo)
{
    std::uint32_t n = 0;
    for (const std::uint8_t digit : coo)
        n = n * 10 + digit;
    return n % sampleStride;
}

} // namespace

void mixBlock(SampleBlock& sample, const Seed& seed)
{
    unsigned carry = 0;
    for (std::size_t k = 0; k < sampleSize; ++k) {
        const unsigned s = sample[k] + seed[k % seedSize] + carry;
        sample[k] = static_cast<std::uint8_t>(s);
        carry = s >> 8;
    }
}

KeyDigits deriveKeyDigits(std::span<const std::uint8_t> image, const KeyFields& fields)
{
    const Seed seed = makeSeed(fields);
    const std::size_t offset = samplingOffset(fields.coo);
    const std::size_t blocks = (image.size() + blockSpan - 1) / blockSpan;

    std::uint32_t chained = 0;
    std::uint32_t crcSum = 0;
    std::uint32_t xorOfSums = 0;
    SampleBlock sample;
    for (std::size_t b = 0; b < blocks; ++b) {
        std::size_t at = offset + b * blockSpan;
        for (std::size_t k = 0; k < sampleSize; ++k, at += sampleStride)
            sample[k] = at < image.size() ? image[at] : 0;
        mixBlock(sample, seed);
        chained = crc32Update(sample, chained);
        crcSum += chained;
        xorOfSums ^= crcSum;
    }

    char text[keyDigitCount + 1];
    std::snprintf(text, sizeof text, "%08lX%08lX%04lX", static_cast<unsigned long>(chained),
                  static_cast<unsigned long>(crcSum), static_cast<unsigned long>(xorOfSums & 0xFFFF));
    KeyDigits key;
    for (std::size_t i = 0; i < keyDigitCount; ++i)
        key[i] = static_cast<std::uint8_t>(text[i]);
    hexTextToDigits(key);
    return key;
}

} // namespace morvanex
