#include "footer/checksum_simd.h"

#ifdef MORVANEX_X86_KERNELS

#include "footer/crc_polynomials.h"
#include "footer/mix_block_simd.h"

#include <cstring>
#include <immintrin.h>

namespace morvanex::simd {
namespace {

// A generator polynomial with its x^width term, bit k being the coefficient of x^k.
struct Generator
{
    std::uint64_t polynomial;
    unsigned width;
};

constexpr Generator crc16Generator{std::uint64_t{1} << 16 | crc16Polynomial, 16};
constexpr Generator crc32Generator{std::uint64_t{1} << 32 | crc32Polynomial, 32};

constexpr std::uint64_t reflect(std::uint64_t v, unsigned width)
{
    return reflectBits(v, width);
}

// x^n mod the generator.
constexpr std::uint64_t xPowerMod(Generator g, unsigned n)
{
    std::uint64_t r = 1;
    for (unsigned i = 0; i < n; ++i) {
        r <<= 1;
        if ((r >> g.width) & 1)
            r ^= g.polynomial;
    }
    return r;
}

// A reflected 128-bit lane holds the coefficient of x^(127-i) in bit i, so its low qword is the
// high-degree half. The carry-less product of two reflected qwords reads as the product times x,
// hence n - 1: multiplying by foldConstant(n) multiplies by x^n mod the generator. A remainder of at
// most 32 bits times a qword stays within the 128-bit lane, so one scheme serves both widths.
constexpr std::uint64_t foldConstant(Generator g, unsigned n)
{
    return reflect(xPowerMod(g, n - 1), 64);
}

// Multipliers that move a lane forward by distance bits: one per qword of the lane.
struct FoldPair
{
    std::uint64_t forLow;  // the high-degree qword: x^(distance + 64)
    std::uint64_t forHigh; // the low-degree qword: x^distance
};

constexpr FoldPair foldPair(Generator g, unsigned distance)
{
    return {foldConstant(g, distance + 64), foldConstant(g, distance)};
}

// Bit-serial register over the reflected polynomial: the definition the constants are checked against.
template <std::size_t N>
constexpr std::uint32_t bitwiseCrc(Generator g, const std::array<std::uint8_t, N>& bytes)
{
    const auto reflected = static_cast<std::uint32_t>(reflect(g.polynomial, g.width));
    std::uint32_t reg = 0;
    for (const std::uint8_t b : bytes) {
        reg ^= b;
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg & 1) ? (reg >> 1) ^ reflected : reg >> 1;
    }
    return reg;
}

static_assert(reflect(crc16Generator.polynomial, 16) == 0x8408);
static_assert(reflect(crc32Generator.polynomial, 32) == 0xEDB88320);
static_assert(xPowerMod(crc16Generator, 16) == 0x1021 && xPowerMod(crc16Generator, 15) == 0x8000);
// The byte 0x01 is the message x^7, so its table entry is x^(7 + width) reflected.
static_assert(reflect(xPowerMod(crc16Generator, 23), 16) == 0x1189);
static_assert(reflect(xPowerMod(crc32Generator, 39), 32) == 0x77073096);

struct Product
{
    std::uint64_t low, high;
};

constexpr Product carrylessMultiply(std::uint64_t a, std::uint64_t b)
{
    Product p{0, 0};
    for (unsigned i = 0; i < 64; ++i)
        if ((b >> i) & 1) {
            p.low ^= a << i;
            if (i != 0)
                p.high ^= a >> (64 - i);
        }
    return p;
}

template <std::size_t N>
constexpr std::uint64_t loadQword(const std::array<std::uint8_t, N>& bytes, std::size_t at)
{
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < 8; ++i)
        v |= std::uint64_t{bytes[at + i]} << (8 * i);
    return v;
}

// Model of one fold step as the kernels do it: a lane, distance bits of message, then a last lane;
// the first lane folded onto the last must keep the CRC of the whole message.
template <unsigned Distance> constexpr bool foldKeepsTheCrc(Generator g)
{
    constexpr std::size_t size = Distance / 8 + 16;
    std::array<std::uint8_t, size> message{};
    for (std::size_t i = 0; i < 16; ++i) {
        message[i] = static_cast<std::uint8_t>(i * 37 + 11);
        message[size - 16 + i] = static_cast<std::uint8_t>(i * 91 + 200);
    }
    const FoldPair k = foldPair(g, Distance);
    const Product a = carrylessMultiply(loadQword(message, 0), k.forLow);
    const Product b = carrylessMultiply(loadQword(message, 8), k.forHigh);
    const std::uint64_t low = a.low ^ b.low ^ loadQword(message, size - 16);
    const std::uint64_t high = a.high ^ b.high ^ loadQword(message, size - 8);
    std::array<std::uint8_t, 16> folded{};
    for (std::size_t i = 0; i < 8; ++i) {
        folded[i] = static_cast<std::uint8_t>(low >> (8 * i));
        folded[8 + i] = static_cast<std::uint8_t>(high >> (8 * i));
    }
    return bitwiseCrc(g, folded) == bitwiseCrc(g, message);
}

// The distances the kernels fold by. The 256-bit kernel keeps four lanes of its own width, as far
// apart as the 128-bit kernel's eight.
constexpr unsigned lane = 128;
constexpr unsigned midLane = 256;
constexpr unsigned wideLane = 512;
constexpr unsigned narrowLanes = 8;
constexpr unsigned midLanes = 4;
constexpr unsigned wideLanes = 4;
static_assert(foldMinimum == narrowLanes * lane / 8 && wideFoldMinimum == wideLanes * wideLane / 8);
static_assert(midLanes * midLane == narrowLanes * lane);

struct FoldConstants
{
    FoldPair byLane, byNarrowLanes, byMidLane, byWideLane, byWideLanes;
};

template <unsigned... Distances> constexpr bool foldsKeepTheCrc(Generator g)
{
    return (foldKeepsTheCrc<Distances>(g) && ...);
}

constexpr FoldConstants foldConstants(Generator g)
{
    return {foldPair(g, lane), foldPair(g, narrowLanes * lane), foldPair(g, midLane), foldPair(g, wideLane),
            foldPair(g, wideLanes * wideLane)};
}

static_assert(
    foldsKeepTheCrc<lane, narrowLanes * lane, midLane, wideLane, wideLanes * wideLane>(crc16Generator));
static_assert(
    foldsKeepTheCrc<lane, narrowLanes * lane, midLane, wideLane, wideLanes * wideLane>(crc32Generator));

constexpr FoldConstants crc16Constants = foldConstants(crc16Generator);
constexpr FoldConstants crc32Constants = foldConstants(crc32Generator);

const FoldConstants& constantsFor(FoldedCrc crc)
{
    return crc == FoldedCrc::Crc16 ? crc16Constants : crc32Constants;
}

#define MORVANEX_TARGET_PCLMUL __attribute__((target("pclmul,sse4.1")))
#define MORVANEX_TARGET_VPCLMUL256 __attribute__((target("pclmul,sse4.1,ssse3,avx2,vpclmulqdq")))
#define MORVANEX_TARGET_VPCLMUL __attribute__((target("pclmul,sse4.1,avx512f,vpclmulqdq")))
#define MORVANEX_TARGET_AVX2 __attribute__((target("avx2")))

MORVANEX_TARGET_PCLMUL inline __m128i foldVector(FoldPair k)
{
    return _mm_set_epi64x(static_cast<long long>(k.forHigh), static_cast<long long>(k.forLow));
}

MORVANEX_TARGET_PCLMUL inline __m128i fold(__m128i acc, __m128i k, __m128i next)
{
    const __m128i low = _mm_clmulepi64_si128(acc, k, 0x00);
    const __m128i high = _mm_clmulepi64_si128(acc, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

MORVANEX_TARGET_PCLMUL inline __m128i load128(const std::uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

MORVANEX_TARGET_VPCLMUL256 inline __m256i midFoldVector(FoldPair k)
{
    const auto low = static_cast<long long>(k.forLow);
    const auto high = static_cast<long long>(k.forHigh);
    return _mm256_set_epi64x(high, low, high, low);
}

MORVANEX_TARGET_VPCLMUL256 inline __m256i fold(__m256i acc, __m256i k, __m256i next)
{
    const __m256i low = _mm256_clmulepi64_epi128(acc, k, 0x00);
    const __m256i high = _mm256_clmulepi64_epi128(acc, k, 0x11);
    return _mm256_xor_si256(_mm256_xor_si256(low, high), next);
}

MORVANEX_TARGET_VPCLMUL256 inline __m256i load256(const std::uint8_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Built from scalars: GCC 12's broadcast and extract intrinsics warn inside their own header.
MORVANEX_TARGET_VPCLMUL inline __m512i wideFoldVector(FoldPair k)
{
    const auto low = static_cast<long long>(k.forLow);
    const auto high = static_cast<long long>(k.forHigh);
    return _mm512_set_epi64(high, low, high, low, high, low, high, low);
}

MORVANEX_TARGET_VPCLMUL inline __m512i fold(__m512i acc, __m512i k, __m512i next)
{
    const __m512i low = _mm512_clmulepi64_epi128(acc, k, 0x00);
    const __m512i high = _mm512_clmulepi64_epi128(acc, k, 0x11);
    return _mm512_ternarylogic_epi64(low, high, next, 0x96); // three-way XOR
}

MORVANEX_TARGET_VPCLMUL inline __m512i load512(const std::uint8_t* p)
{
    return _mm512_loadu_si512(p);
}

// Single lanes after the wide passes: whole 16-byte blocks, then the result.
MORVANEX_TARGET_PCLMUL std::size_t finishLanes(const FoldConstants& c, __m128i acc, const std::uint8_t* start,
                                               const std::uint8_t* p, std::size_t n, FoldedBlock& folded)
{
    const __m128i k = foldVector(c.byLane);
    for (; n >= 16; n -= 16, p += 16)
        acc = fold(acc, k, load128(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(folded.data()), acc);
    return static_cast<std::size_t>(p - start);
}

} // namespace

MORVANEX_TARGET_PCLMUL std::size_t foldPclmul(FoldedCrc crc, std::uint32_t reg,
                                              std::span<const std::uint8_t> data, FoldedBlock& folded)
{
    const FoldConstants& c = constantsFor(crc);
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    // A starting register is the same as XOR-ing it into the first bytes.
    __m128i acc[narrowLanes];
    for (unsigned i = 0; i < narrowLanes; ++i)
        acc[i] = load128(p + 16 * i);
    acc[0] = _mm_xor_si128(acc[0], _mm_cvtsi32_si128(static_cast<int>(reg)));
    p += foldMinimum;
    n -= foldMinimum;

    const __m128i far = foldVector(c.byNarrowLanes);
    for (; n >= foldMinimum; n -= foldMinimum, p += foldMinimum)
        for (unsigned i = 0; i < narrowLanes; ++i)
            acc[i] = fold(acc[i], far, load128(p + 16 * i));

    const __m128i near = foldVector(c.byLane);
    __m128i one = acc[0];
    for (unsigned i = 1; i < narrowLanes; ++i)
        one = fold(one, near, acc[i]);
    return finishLanes(c, one, data.data(), p, n, folded);
}

// The 128-bit kernel's scheme with two lanes per instruction: where a 256-bit carry-less product
// costs what a 128-bit one does (AMD Zen 3), twice the bytes per cycle.
MORVANEX_TARGET_VPCLMUL256 std::size_t foldVpclmul256(FoldedCrc crc, std::uint32_t reg,
                                                      std::span<const std::uint8_t> data, FoldedBlock& folded)
{
    constexpr std::size_t midBytes = midLane / 8;
    const FoldConstants& c = constantsFor(crc);
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    __m256i acc[midLanes];
    for (unsigned i = 0; i < midLanes; ++i)
        acc[i] = load256(p + midBytes * i);
    acc[0] = _mm256_xor_si256(acc[0], _mm256_set_epi64x(0, 0, 0, reg));
    p += foldMinimum;
    n -= foldMinimum;

    const __m256i far = midFoldVector(c.byNarrowLanes);
    for (; n >= foldMinimum; n -= foldMinimum, p += foldMinimum)
        for (unsigned i = 0; i < midLanes; ++i)
            acc[i] = fold(acc[i], far, load256(p + midBytes * i));

    const __m256i near = midFoldVector(c.byMidLane);
    __m256i mid = acc[0];
    for (unsigned i = 1; i < midLanes; ++i)
        mid = fold(mid, near, acc[i]);
    // The two 128-bit lanes of the last vector, earliest first.
    const __m128i one = fold(_mm256_castsi256_si128(mid), foldVector(c.byLane), _mm256_extracti128_si256(mid, 1));
    return finishLanes(c, one, data.data(), p, n, folded);
}

namespace {

// 32 bytes added up into sums as they are, and given with the bytes of every pair swapped when Swap is set.
template <bool Swap>
MORVANEX_TARGET_VPCLMUL256 inline __m256i takeSummed(const std::uint8_t* p, __m256i pairs, __m256i& sums)
{
    const __m256i v = load256(p);
    sums = _mm256_add_epi64(sums, _mm256_sad_epu8(v, _mm256_setzero_si256()));
    if constexpr (Swap)
        return _mm256_shuffle_epi8(v, pairs);
    return v;
}

// foldVpclmul256 over the bytes with every pair swapped when Swap is set, adding up the bytes as they
// are into sum on the way: the two checksums of a catalogue image from one read of its bytes.
template <bool Swap>
MORVANEX_TARGET_VPCLMUL256 std::size_t foldVpclmul256Summed(FoldedCrc crc, std::uint32_t reg,
                                                            std::span<const std::uint8_t> data,
                                                            FoldedBlock& folded, std::uint64_t& sum)
{
    constexpr std::size_t midBytes = midLane / 8;
    const FoldConstants& c = constantsFor(crc);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i pairs = _mm256_set_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1, 14, 15, 12, 13,
                                          10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
    __m256i sums = zero;
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    __m256i acc[midLanes];
    for (unsigned i = 0; i < midLanes; ++i)
        acc[i] = takeSummed<Swap>(p + midBytes * i, pairs, sums);
    acc[0] = _mm256_xor_si256(acc[0], _mm256_set_epi64x(0, 0, 0, reg));
    p += foldMinimum;
    n -= foldMinimum;

    const __m256i far = midFoldVector(c.byNarrowLanes);
    for (; n >= foldMinimum; n -= foldMinimum, p += foldMinimum)
        for (unsigned i = 0; i < midLanes; ++i)
            acc[i] = fold(acc[i], far, takeSummed<Swap>(p + midBytes * i, pairs, sums));

    const __m256i near = midFoldVector(c.byMidLane);
    __m256i mid = acc[0];
    for (unsigned i = 1; i < midLanes; ++i)
        mid = fold(mid, near, acc[i]);
    const __m128i k = foldVector(c.byLane);
    __m128i one = fold(_mm256_castsi256_si128(mid), k, _mm256_extracti128_si256(mid, 1));
    // Whole 16-byte blocks left: half a vector each.
    __m128i tailSums = _mm_setzero_si128();
    for (; n >= 16; n -= 16, p += 16) {
        __m128i v = load128(p);
        tailSums = _mm_add_epi64(tailSums, _mm_sad_epu8(v, _mm_setzero_si128()));
        if constexpr (Swap)
            v = _mm_shuffle_epi8(v, _mm256_castsi256_si128(pairs));
        one = fold(one, k, v);
    }
    const __m128i s = _mm_add_epi64(_mm_add_epi64(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1)),
                                    tailSums);
    sum += static_cast<std::uint64_t>(_mm_cvtsi128_si64(s)) +
           static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(s, s)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(folded.data()), one);
    return static_cast<std::size_t>(p - data.data());
}

} // namespace

std::size_t foldVpclmul256Summed(FoldedCrc crc, std::uint32_t reg, std::span<const std::uint8_t> data,
                                 bool swapPairs, FoldedBlock& folded, std::uint64_t& sum)
{
    return swapPairs ? foldVpclmul256Summed<true>(crc, reg, data, folded, sum)
                     : foldVpclmul256Summed<false>(crc, reg, data, folded, sum);
}

MORVANEX_TARGET_VPCLMUL256 void mixAndFoldVpclmul256(const std::uint8_t* samples, std::size_t blocks,
                                                     const std::uint8_t* seed, FoldedBlock* folded)
{
    constexpr std::size_t block = 1024;
    constexpr std::size_t pieces = block / foldMinimum;
    constexpr std::size_t midBytes = midLane / 8;
    std::uint64_t words[4];
    std::memcpy(words, seed, sizeof words); // little-endian, as x86 is
    const FoldConstants& c = constantsFor(FoldedCrc::Crc32);
    const __m256i far = midFoldVector(c.byNarrowLanes);
    const __m256i near = midFoldVector(c.byMidLane);
    const __m128i k = foldVector(c.byLane);
    if (blocks == 0)
        return;
    std::uint8_t mixed[2][block];
    unsigned char carry = 0;
    for (std::size_t p = 0; p < pieces; ++p)
        mixPiece(samples + p * foldMinimum, mixed[0] + p * foldMinimum, words, carry);
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::uint8_t* current = mixed[b % 2];
        std::uint8_t* next = mixed[(b + 1) % 2];
        const std::uint8_t* nextSamples = samples + (b + 1) * block;
        const bool more = b + 1 < blocks;
        // Block b's folds between the pieces of block b + 1: the two use different units of the core.
        __m256i acc[midLanes];
        for (unsigned i = 0; i < midLanes; ++i)
            acc[i] = load256(current + midBytes * i);
        carry = 0;
        if (more)
            mixPiece(nextSamples, next, words, carry);
        for (std::size_t p = 1; p < pieces; ++p) {
            for (unsigned i = 0; i < midLanes; ++i)
                acc[i] = fold(acc[i], far, load256(current + p * foldMinimum + midBytes * i));
            if (more)
                mixPiece(nextSamples + p * foldMinimum, next + p * foldMinimum, words, carry);
        }
        __m256i mid = acc[0];
        for (unsigned i = 1; i < midLanes; ++i)
            mid = fold(mid, near, acc[i]);
        const __m128i one = fold(_mm256_castsi256_si128(mid), k, _mm256_extracti128_si256(mid, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(folded[b].data()), one);
    }
}

MORVANEX_TARGET_VPCLMUL std::size_t foldVpclmul(FoldedCrc crc, std::uint32_t reg,
                                                std::span<const std::uint8_t> data, FoldedBlock& folded)
{
    constexpr std::size_t wideBytes = wideLane / 8;
    const FoldConstants& c = constantsFor(crc);
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    __m512i acc[wideLanes];
    for (unsigned i = 0; i < wideLanes; ++i)
        acc[i] = load512(p + wideBytes * i);
    acc[0] = _mm512_xor_si512(acc[0], _mm512_set_epi64(0, 0, 0, 0, 0, 0, 0, reg));
    p += wideFoldMinimum;
    n -= wideFoldMinimum;

    const __m512i far = wideFoldVector(c.byWideLanes);
    for (; n >= wideFoldMinimum; n -= wideFoldMinimum, p += wideFoldMinimum)
        for (unsigned i = 0; i < wideLanes; ++i)
            acc[i] = fold(acc[i], far, load512(p + wideBytes * i));

    const __m512i near = wideFoldVector(c.byWideLane);
    __m512i wide = acc[0];
    for (unsigned i = 1; i < wideLanes; ++i)
        wide = fold(wide, near, acc[i]);
    for (; n >= wideBytes; n -= wideBytes, p += wideBytes)
        wide = fold(wide, near, load512(p));

    // The four 128-bit lanes of the last vector, earliest first.
    std::array<std::uint8_t, wideBytes> lanes;
    _mm512_storeu_si512(lanes.data(), wide);
    const __m128i k = foldVector(c.byLane);
    __m128i one = load128(lanes.data());
    for (std::size_t at = 16; at < wideBytes; at += 16)
        one = fold(one, k, load128(lanes.data() + at));
    return finishLanes(c, one, data.data(), p, n, folded);
}

// The sums of absolute differences against zero add up eight bytes into each 64-bit lane; those lanes
// wrap only modulo 2^64, which keeps the sum modulo 65536 exact.
std::uint16_t byteSum16Sse2(std::uint16_t previous, std::span<const std::uint8_t> data)
{
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    const __m128i zero = _mm_setzero_si128();
    __m128i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
    for (; n >= 64; n -= 64, p += 64) {
        s0 = _mm_add_epi64(s0, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), zero));
        s1 = _mm_add_epi64(s1, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)), zero));
        s2 = _mm_add_epi64(s2, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)), zero));
        s3 = _mm_add_epi64(s3, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)), zero));
    }
    for (; n >= 16; n -= 16, p += 16)
        s0 = _mm_add_epi64(s0, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), zero));
    const __m128i s = _mm_add_epi64(_mm_add_epi64(s0, s1), _mm_add_epi64(s2, s3));
    std::uint64_t total = previous + static_cast<std::uint64_t>(_mm_cvtsi128_si64(s)) +
                          static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(s, s)));
    for (; n > 0; --n, ++p)
        total += *p;
    return static_cast<std::uint16_t>(total);
}

MORVANEX_TARGET_AVX2 std::uint16_t byteSum16Avx2(std::uint16_t previous, std::span<const std::uint8_t> data)
{
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    const __m256i zero = _mm256_setzero_si256();
    __m256i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
    for (; n >= 128; n -= 128, p += 128) {
        s0 = _mm256_add_epi64(s0,
                              _mm256_sad_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), zero));
        s1 = _mm256_add_epi64(
            s1, _mm256_sad_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32)), zero));
        s2 = _mm256_add_epi64(
            s2, _mm256_sad_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 64)), zero));
        s3 = _mm256_add_epi64(
            s3, _mm256_sad_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 96)), zero));
    }
    const __m256i s = _mm256_add_epi64(_mm256_add_epi64(s0, s1), _mm256_add_epi64(s2, s3));
    const __m128i half = _mm_add_epi64(_mm256_castsi256_si128(s), _mm256_extracti128_si256(s, 1));
    const std::uint64_t sum = static_cast<std::uint64_t>(_mm_cvtsi128_si64(half)) +
                              static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(half, half)));
    // The rest, under 128 bytes, with the 16-byte form.
    return byteSum16Sse2(static_cast<std::uint16_t>(previous + sum), {p, n});
}

bool cpuHasPclmul()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
}

bool cpuHasVpclmul256()
{
    __builtin_cpu_init();
    return cpuHasPclmul() && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("vpclmulqdq");
}

bool cpuHasVpclmul()
{
    __builtin_cpu_init();
    return cpuHasPclmul() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("vpclmulqdq");
}

bool cpuHasAvx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

} // namespace morvanex::simd

#endif
