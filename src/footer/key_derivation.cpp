#include "footer/key_derivation.h"

#include "footer/checksum.h"
#include "footer/little_endian.h"
#include "footer/mix_block_simd.h"
#include "footer/prepared_image.h"

#include <algorithm>

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

// The three sums a key is made of, as the blocks go by.
struct KeySums
{
    std::uint32_t chained = 0;
    std::uint32_t crcSum = 0;
    std::uint32_t xorOfSums = 0;

    void add(std::uint32_t chainedCrc)
    {
        chained = chainedCrc;
        crcSum += chained;
        xorOfSums ^= crcSum;
    }
};

// The key text "%08lX%08lX%04lX" of the chained CRC, the CRC sum and the low half of the XOR of sums,
// read back as digit values: upper-case hexadecimal reads back as its own nibbles, most significant first.
KeyDigits keyDigits(const KeySums& sums)
{
    KeyDigits key;
    auto put = [&key](std::size_t at, std::uint32_t value, std::size_t digits) {
        for (std::size_t i = digits; i-- > 0; value >>= 4)
            key[at + i] = static_cast<std::uint8_t>(value & 0xF);
    };
    put(0, sums.chained, 8);
    put(8, sums.crcSum, 8);
    put(16, sums.xorOfSums & 0xFFFF, 4);
    return key;
}

// The CRC-32 register is linear in its bits, so running it through a block of zero bytes is a 32 x 32
// bit matrix: one column per register bit, squared from one zero bit up to a block.
using BitMatrix = std::array<std::uint32_t, 32>;

constexpr std::uint32_t times(const BitMatrix& m, std::uint32_t v)
{
    std::uint32_t r = 0;
    for (unsigned bit = 0; v != 0; ++bit, v >>= 1)
        if (v & 1)
            r ^= m[bit];
    return r;
}

constexpr std::array<std::array<std::uint32_t, 256>, 4> zeroBlockTables()
{
    constexpr std::uint32_t polynomial = 0xEDB88320; // CRC-32/ISO-HDLC, reflected
    BitMatrix m{};
    for (unsigned bit = 0; bit < 32; ++bit) {
        const std::uint32_t r = std::uint32_t{1} << bit;
        m[bit] = (r & 1) ? (r >> 1) ^ polynomial : r >> 1;
    }
    for (std::size_t bits = 1; bits < 8 * sampleSize; bits *= 2) {
        BitMatrix squared{};
        for (unsigned bit = 0; bit < 32; ++bit)
            squared[bit] = times(m, m[bit]);
        m = squared;
    }
    // One table per register byte, so that four look-ups do the block.
    std::array<std::array<std::uint32_t, 256>, 4> tables{};
    for (unsigned byte = 0; byte < 4; ++byte)
        for (std::uint32_t v = 0; v < 256; ++v)
            tables[byte][v] = times(m, v << (8 * byte));
    return tables;
}

constexpr auto zeroBlock = zeroBlockTables();

// crc32Update(previous, sample) as crc32Update(0xFFFFFFFF, sample), which does not depend on previous,
// combined with previous carried through a block of zeros: the blocks of a key need not wait for one
// another.
std::uint32_t chainBlock(std::uint32_t ownCrc, std::uint32_t previous)
{
    const std::uint32_t r = ~previous;
    return ownCrc ^ zeroBlock[0][r & 0xFF] ^ zeroBlock[1][r >> 8 & 0xFF] ^ zeroBlock[2][r >> 16 & 0xFF] ^
           zeroBlock[3][r >> 24];
}

constexpr std::size_t cacheLine = 64;
constexpr std::size_t prefetchBlocks = 2;

// Asks for a block of samples to be brought into cache, without waiting for it.
void prefetch(std::span<const std::uint8_t> samples)
{
#if defined(__GNUC__) || defined(__clang__)
    const std::size_t bytes = std::min(samples.size(), sampleSize);
    for (std::size_t at = 0; at < bytes; at += cacheLine)
        __builtin_prefetch(samples.data() + at);
#else
    (void)samples;
#endif
}

// Eight bytes at a time: the seed is four words, and a word's carry goes into the next word. On x86-64
// the carry stays in the flag from word to word (simd::mixPiece); elsewhere it is recomputed.
void mixWithCarry(std::span<const std::uint8_t, sampleSize> samples, SampleBlock& mixed, const Seed& seed)
{
    constexpr std::size_t seedWords = seedSize / 8;
    std::array<std::uint64_t, seedWords> words;
    for (std::size_t i = 0; i < seedWords; ++i)
        words[i] = loadLittle64(seed.data() + 8 * i);
    const std::uint8_t* from = samples.data();
    std::uint8_t* to = mixed.data();
#ifdef MORVANEX_X86_KERNELS
    unsigned char carry = 0;
    for (std::size_t at = 0; at < sampleSize; at += 128)
        simd::mixPiece(from + at, to + at, words.data(), carry);
#else
    std::uint64_t carry = 0;
    for (std::size_t at = 0; at < sampleSize; at += 8) {
        const std::uint64_t a = loadLittle64(from + at);
        const std::uint64_t partial = a + words[at / 8 % seedWords];
        const std::uint64_t sum = partial + carry;
        carry = static_cast<std::uint64_t>(partial < a) | static_cast<std::uint64_t>(sum < partial);
        storeLittle64(to + at, sum);
    }
#endif
}

} // namespace

void mixBlock(SampleBlock& sample, const Seed& seed)
{
    mixBlock(sample, sample, seed);
}

void mixBlock(std::span<const std::uint8_t, sampleSize> samples, SampleBlock& mixed, const Seed& seed)
{
    static const detail::MixKernel best = detail::supportedMixKernels().back();
    detail::mixBlockWith(best, samples, mixed, seed);
}

KeyDigits deriveKeyDigits(std::span<const std::uint8_t> image, const KeyFields& fields)
{
    const Seed seed = makeSeed(fields);
    const std::size_t offset = samplingOffset(fields.coo);
    const std::size_t blocks = (image.size() + blockSpan - 1) / blockSpan;
    KeySums sums;
    SampleBlock sample;
    for (std::size_t b = 0; b < blocks; ++b) {
        std::size_t at = offset + b * blockSpan;
        for (std::size_t k = 0; k < sampleSize; ++k, at += sampleStride)
            sample[k] = at < image.size() ? image[at] : 0;
        mixBlock(sample, seed);
        sums.add(crc32Update(sums.chained, sample));
    }
    return keyDigits(sums);
}

KeyDigits deriveKeyDigits(const PreparedImage& image, const KeyFields& fields)
{
    const Seed seed = makeSeed(fields);
    const std::span<const std::uint8_t> stream = image.stream(samplingOffset(fields.coo));
    KeySums sums;
    // Runs of blocks mixed and folded side by side where the CPU can.
    constexpr std::size_t run = 32;
    std::array<std::uint32_t, run> crcs;
    for (std::size_t at = 0; at < stream.size(); at += run * sampleSize) {
        const auto samples = stream.subspan(at, std::min(run * sampleSize, stream.size() - at));
        const auto own = std::span(crcs).first(samples.size() / sampleSize);
        if (!mixedBlockCrc32s(samples, seed.data(), own)) {
            SampleBlock sample;
            for (std::size_t b = 0; b < own.size(); ++b) {
                // A kept image is seldom in cache: ask for the samples a few blocks ahead.
                prefetch(stream.subspan(std::min(at + (b + prefetchBlocks) * sampleSize, stream.size())));
                mixBlock(samples.subspan(b * sampleSize).first<sampleSize>(), sample, seed);
                own[b] = crc32Update(0xFFFFFFFF, sample);
            }
        }
        for (const std::uint32_t crc : own)
            sums.add(chainBlock(crc, sums.chained));
    }
    return keyDigits(sums);
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

namespace detail {

std::span<const MixKernel> supportedMixKernels()
{
    static const auto kernels = [] {
        std::array<MixKernel, 2> k{MixKernel::AddWithCarry, MixKernel::AddWithCarry};
        std::size_t count = 1;
#ifdef MORVANEX_X86_KERNELS
        if (simd::cpuHasAvx512())
            k[count++] = MixKernel::Avx512;
#endif
        return std::pair(k, count);
    }();
    return std::span(kernels.first).first(kernels.second);
}

void mixBlockWith(MixKernel kernel, std::span<const std::uint8_t, sampleSize> samples, SampleBlock& mixed,
                  const Seed& seed)
{
#ifdef MORVANEX_X86_KERNELS
    const auto supported = supportedMixKernels();
    if (kernel == MixKernel::Avx512 && supported.back() == MixKernel::Avx512)
        return simd::mixBlockAvx512(samples.data(), mixed.data(), seed.data());
#else
    (void)kernel;
#endif
    mixWithCarry(samples, mixed, seed);
}

} // namespace detail
} // namespace morvanex
