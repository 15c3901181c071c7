#include "footer/key_derivation.h"

#include "footer/alphabet.h"
#include "footer/checksum.h"
#include "footer/little_endian.h"
#include "footer/prepared_image.h"

#include <algorithm>
#include <cstdio>

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>
#define MORVANEX_ADD_WITH_CARRY 1
#endif

namespace morvanex {
namespace {

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

// The accumulation over blocks 0..blocks-1, whatever form the samples come from: fill(b, offset, sample)
// puts block b's samples into sample.
template <typename Fill> KeyDigits keyFromBlocks(const KeyFields& fields, std::size_t blocks, Fill fill)
{
    const Seed seed = makeSeed(fields);
    const std::size_t offset = samplingOffset(fields.coo);

    std::uint32_t chained = 0;
    std::uint32_t crcSum = 0;
    std::uint32_t xorOfSums = 0;
    SampleBlock sample;
    for (std::size_t b = 0; b < blocks; ++b) {
        fill(b, offset, sample);
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

} // namespace

// Eight bytes at a time: the seed is four words, and a word's carry goes into the next word. On x86-64
// the carry stays in the flag from word to word (add with carry); elsewhere it is recomputed.
void mixBlock(SampleBlock& sample, const Seed& seed)
{
    constexpr std::size_t seedWords = seedSize / 8;
    std::array<std::uint64_t, seedWords> words;
    for (std::size_t i = 0; i < seedWords; ++i)
        words[i] = loadLittle64(seed.data() + 8 * i);
    std::uint8_t* p = sample.data();
#ifdef MORVANEX_ADD_WITH_CARRY
    static_assert(seedWords == 4);
    unsigned char carry = 0;
    for (std::uint8_t* end = p + sampleSize; p != end; p += seedSize) {
        unsigned long long w0, w1, w2, w3;
        carry = _addcarry_u64(carry, loadLittle64(p), words[0], &w0);
        carry = _addcarry_u64(carry, loadLittle64(p + 8), words[1], &w1);
        carry = _addcarry_u64(carry, loadLittle64(p + 16), words[2], &w2);
        carry = _addcarry_u64(carry, loadLittle64(p + 24), words[3], &w3);
        storeLittle64(p, w0);
        storeLittle64(p + 8, w1);
        storeLittle64(p + 16, w2);
        storeLittle64(p + 24, w3);
    }
#else
    std::uint64_t carry = 0;
    for (std::size_t at = 0; at < sampleSize; at += 8) {
        const std::uint64_t a = loadLittle64(p + at);
        const std::uint64_t partial = a + words[at / 8 % seedWords];
        const std::uint64_t sum = partial + carry;
        carry = static_cast<std::uint64_t>(partial < a) | static_cast<std::uint64_t>(sum < partial);
        storeLittle64(p + at, sum);
    }
#endif
}

KeyDigits deriveKeyDigits(std::span<const std::uint8_t> image, const KeyFields& fields)
{
    const std::size_t blocks = (image.size() + blockSpan - 1) / blockSpan;
    return keyFromBlocks(fields, blocks, [image](std::size_t b, std::size_t offset, SampleBlock& sample) {
        std::size_t at = offset + b * blockSpan;
        for (std::size_t k = 0; k < sampleSize; ++k, at += sampleStride)
            sample[k] = at < image.size() ? image[at] : 0;
    });
}

KeyDigits deriveKeyDigits(const PreparedImage& image, const KeyFields& fields)
{
    return keyFromBlocks(fields, image.blockCount(),
                         [&image](std::size_t b, std::size_t offset, SampleBlock& sample) {
                             const auto samples = image.stream(offset).subspan(b * sampleSize, sampleSize);
                             std::copy(samples.begin(), samples.end(), sample.begin());
                         });
}

namespace reference {

void mixBlock(SampleBlock& sample, const Seed& seed)
{
    unsigned carry = 0;
    for (std::size_t k = 0; k < sampleSize; ++k) {
        const unsigned s = sample[k] + seed[k % seedSize] + carry;
        sample[k] = static_cast<std::uint8_t>(s);
        carry = s >> 8;
    }
}

} // namespace reference
} // namespace morvanex
