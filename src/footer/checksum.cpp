#include "footer/checksum.h"

#include "footer/checksum_detail.h"
#include "footer/checksum_simd.h"
#include "footer/crc_polynomials.h"
#include "footer/little_endian.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace morvanex {
namespace {

constexpr std::size_t slices = 16;

template <typename T, T reflectedPolynomial>
constexpr std::array<std::array<T, 256>, slices> makeSlicedTables()
{
    std::array<std::array<T, 256>, slices> tables{};
    for (unsigned i = 0; i < 256; ++i) {
        T r = static_cast<T>(i);
        for (int bit = 0; bit < 8; ++bit)
            r = static_cast<T>((r & 1) ? (r >> 1) ^ reflectedPolynomial : r >> 1);
        tables[0][i] = r;
    }
    // tables[k][i]: the remainder of byte i followed by k zero bytes.
    for (std::size_t k = 1; k < slices; ++k)
        for (unsigned i = 0; i < 256; ++i)
            tables[k][i] = static_cast<T>((tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFF]);
    return tables;
}

constexpr auto crc16Tables = makeSlicedTables<std::uint16_t, crc16Reflected>();
constexpr auto crc32Tables = makeSlicedTables<std::uint32_t, crc32Reflected>();
static_assert(crc16Tables[0][1] == 0x1189 && crc16Tables[0][2] == 0x2312 && crc16Tables[0][3] == 0x329B);
static_assert(crc32Tables[0][1] == 0x77073096);

// Slicing-by-16 over a reflected CRC of 16 or 32 bits: the register is folded into the first four bytes.
template <typename T>
T slicedUpdate(T reg, std::span<const std::uint8_t> data, const std::array<std::array<T, 256>, slices>& t)
{
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    for (; n >= slices; n -= slices, p += slices) {
        const std::uint32_t w0 = loadLittle32(p) ^ reg;
        const std::uint32_t w1 = loadLittle32(p + 4);
        const std::uint32_t w2 = loadLittle32(p + 8);
        const std::uint32_t w3 = loadLittle32(p + 12);
        reg = static_cast<T>(t[15][w0 & 0xFF] ^ t[14][(w0 >> 8) & 0xFF] ^ t[13][(w0 >> 16) & 0xFF] ^
                             t[12][w0 >> 24] ^ t[11][w1 & 0xFF] ^ t[10][(w1 >> 8) & 0xFF] ^
                             t[9][(w1 >> 16) & 0xFF] ^ t[8][w1 >> 24] ^ t[7][w2 & 0xFF] ^
                             t[6][(w2 >> 8) & 0xFF] ^ t[5][(w2 >> 16) & 0xFF] ^ t[4][w2 >> 24] ^
                             t[3][w3 & 0xFF] ^ t[2][(w3 >> 8) & 0xFF] ^ t[1][(w3 >> 16) & 0xFF] ^
                             t[0][w3 >> 24]);
    }
    for (; n > 0; --n, ++p)
        reg = static_cast<T>((reg >> 8) ^ t[0][(reg ^ *p) & 0xFF]);
    return reg;
}

template <typename T>
T bytewiseUpdate(T reg, std::span<const std::uint8_t> data, const std::array<T, 256>& table)
{
    for (const std::uint8_t b : data)
        reg = static_cast<T>((reg >> 8) ^ table[(reg ^ b) & 0xFF]);
    return reg;
}

// Eight bytes at a time into four 16-bit lanes; a lane gains at most 510 a step, so 128 steps
// cannot carry one lane into the next.
std::uint16_t portableByteSum16(std::uint16_t previous, std::span<const std::uint8_t> data)
{
    constexpr std::uint64_t lowBytes = 0x00FF00FF00FF00FFULL;
    constexpr std::size_t stepsPerFlush = 128;
    std::uint32_t total = previous;
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    while (n >= 8) {
        std::uint64_t lanes = 0;
        for (std::size_t step = 0; step < stepsPerFlush && n >= 8; ++step, n -= 8, p += 8) {
            const std::uint64_t w = loadLittle64(p);
            lanes += (w & lowBytes) + ((w >> 8) & lowBytes);
        }
        total += static_cast<std::uint32_t>((lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) +
                                            ((lanes >> 32) & 0xFFFF) + (lanes >> 48));
    }
    for (; n > 0; --n, ++p)
        total += *p;
    return static_cast<std::uint16_t>(total);
}

using detail::ByteSumKernel;
using detail::CrcKernel;
using detail::ImagePassKernel;

// Below this the tables and the word loop are as quick as any vector set-up.
constexpr std::size_t shortInput = 128;

struct Kernels
{
    std::array<CrcKernel, 4> crc{};
    std::size_t crcCount = 0;
    std::array<ByteSumKernel, 3> byteSum{};
    std::size_t byteSumCount = 0;
    std::array<ImagePassKernel, 2> imagePass{};
    std::size_t imagePassCount = 0;

    CrcKernel bestCrc() const { return crc[crcCount - 1]; }
    ByteSumKernel bestByteSum() const { return byteSum[byteSumCount - 1]; }
    ImagePassKernel bestImagePass() const { return imagePass[imagePassCount - 1]; }
};

// Asked of the CPU once; the static is initialised thread-safely and read-only afterwards.
const Kernels& kernels()
{
    static const Kernels found = [] {
        Kernels k;
        k.crc[k.crcCount++] = CrcKernel::Slicing;
        k.byteSum[k.byteSumCount++] = ByteSumKernel::Portable;
        k.imagePass[k.imagePassCount++] = ImagePassKernel::Separate;
#ifdef MORVANEX_X86_KERNELS
        if (simd::cpuHasPclmul())
            k.crc[k.crcCount++] = CrcKernel::Pclmul;
        if (simd::cpuHasVpclmul256()) {
            k.crc[k.crcCount++] = CrcKernel::Vpclmul256;
            k.imagePass[k.imagePassCount++] = ImagePassKernel::Vpclmul256;
        }
        if (simd::cpuHasVpclmul())
            k.crc[k.crcCount++] = CrcKernel::Vpclmul;
        k.byteSum[k.byteSumCount++] = ByteSumKernel::Sse2; // part of every x86-64
        if (simd::cpuHasAvx2())
            k.byteSum[k.byteSumCount++] = ByteSumKernel::Avx2;
#endif
        return k;
    }();
    return found;
}

#ifdef MORVANEX_X86_KERNELS
// Which generator a register width folds with.
template <typename T>
constexpr auto foldedCrc = sizeof(T) == 2 ? simd::FoldedCrc::Crc16 : simd::FoldedCrc::Crc32;
#endif

// The reflected register reg (not complemented) run over data with the kernel.
template <typename T>
T crcRun(CrcKernel kernel, T reg, std::span<const std::uint8_t> data,
         const std::array<std::array<T, 256>, slices>& tables)
{
#ifdef MORVANEX_X86_KERNELS
    const auto folded = [&](auto fold) {
        simd::FoldedBlock block;
        const std::size_t consumed = fold(foldedCrc<T>, reg, data, block);
        return slicedUpdate<T>(slicedUpdate<T>(0, block, tables), data.subspan(consumed), tables);
    };
    switch (kernel) {
    case CrcKernel::Vpclmul:
        if (data.size() >= simd::wideFoldMinimum)
            return folded(simd::foldVpclmul);
        [[fallthrough]];
    case CrcKernel::Pclmul:
        if (data.size() >= simd::foldMinimum)
            return folded(simd::foldPclmul);
        break;
    case CrcKernel::Vpclmul256:
        if (data.size() >= simd::foldMinimum)
            return folded(simd::foldVpclmul256);
        break;
    case CrcKernel::Slicing:
        break;
    }
#else
    (void)kernel;
#endif
    return slicedUpdate<T>(reg, data, tables);
}

std::uint16_t byteSum16Run(ByteSumKernel kernel, std::uint16_t previous, std::span<const std::uint8_t> data)
{
#ifdef MORVANEX_X86_KERNELS
    switch (kernel) {
    case ByteSumKernel::Avx2:
        return simd::byteSum16Avx2(previous, data);
    case ByteSumKernel::Sse2:
        return simd::byteSum16Sse2(previous, data);
    case ByteSumKernel::Portable:
        break;
    }
#else
    (void)kernel;
#endif
    return portableByteSum16(previous, data);
}

// A pass for each checksum: the sum of the bytes as they are, then the CRC-16 of a copy with its pairs
// swapped, a stretch at a time, or of the bytes themselves.
void separatePasses(std::uint16_t& crc, std::uint16_t& sum, std::span<const std::uint8_t> data, bool swapPairs)
{
    sum = byteSum16Update(sum, data);
    if (!swapPairs) {
        crc = crc16Update(crc, data);
        return;
    }
    std::array<std::uint8_t, 4096> swapped; // even, so pairs never straddle two stretches
    for (std::size_t at = 0; at < data.size(); at += swapped.size()) {
        const auto stretch = data.subspan(at, std::min(swapped.size(), data.size() - at));
        std::size_t i = 0;
        for (; i + 1 < stretch.size(); i += 2) {
            swapped[i] = stretch[i + 1];
            swapped[i + 1] = stretch[i];
        }
        if (i < stretch.size())
            swapped[i] = stretch[i];
        crc = crc16Update(crc, std::span(swapped).first(stretch.size()));
    }
}

void imagePassRun(ImagePassKernel kernel, std::uint16_t& crc, std::uint16_t& sum, std::span<const std::uint8_t> data,
                  bool swapPairs)
{
#ifdef MORVANEX_X86_KERNELS
    if (kernel == ImagePassKernel::Vpclmul256 && data.size() >= simd::foldMinimum) {
        simd::FoldedBlock block;
        std::uint64_t total = sum;
        const std::size_t consumed =
            simd::foldVpclmul256Summed(simd::FoldedCrc::Crc16, crc, data, swapPairs, block, total);
        crc = slicedUpdate<std::uint16_t>(0, block, crc16Tables);
        sum = static_cast<std::uint16_t>(total);
        // Whole 16-byte blocks were consumed, so the pairs of the rest are where they were.
        return separatePasses(crc, sum, data.subspan(consumed), swapPairs);
    }
#else
    (void)kernel;
#endif
    separatePasses(crc, sum, data, swapPairs);
}

} // namespace

void crc16AndByteSum16Update(std::uint16_t& crc, std::uint16_t& sum, std::span<const std::uint8_t> data,
                             bool swapPairs)
{
    imagePassRun(kernels().bestImagePass(), crc, sum, data, swapPairs);
}

std::uint16_t ChecksumCalculator::crc16(std::span<const std::uint8_t> data) const
{
    return crc16Update(0, data);
}

std::uint16_t ChecksumCalculator::byteSum16(std::span<const std::uint8_t> data) const
{
    return byteSum16Update(0, data);
}

std::uint32_t crc32Update(std::uint32_t previous, std::span<const std::uint8_t> data)
{
    return crc32UpdateLong(previous, data.first(data.size() & 0xFFFF));
}

std::uint16_t crc16Update(std::uint16_t previous, std::span<const std::uint8_t> data)
{
    if (data.size() < shortInput)
        return slicedUpdate<std::uint16_t>(previous, data, crc16Tables);
    return crcRun<std::uint16_t>(kernels().bestCrc(), previous, data, crc16Tables);
}

std::uint32_t crc32UpdateLong(std::uint32_t previous, std::span<const std::uint8_t> data)
{
    if (data.size() < shortInput)
        return ~slicedUpdate<std::uint32_t>(~previous, data, crc32Tables);
    return ~crcRun<std::uint32_t>(kernels().bestCrc(), ~previous, data, crc32Tables);
}

bool mixedBlockCrc32s(std::span<const std::uint8_t> samples, const std::uint8_t* seed,
                      std::span<std::uint32_t> crcs)
{
#ifdef MORVANEX_X86_KERNELS
    constexpr std::size_t block = 1024;
    if (kernels().bestCrc() != CrcKernel::Vpclmul256 || samples.size() != crcs.size() * block)
        return false;
    std::array<simd::FoldedBlock, 16> folded;
    for (std::size_t b = 0; b < crcs.size(); b += folded.size()) {
        const std::size_t n = std::min(folded.size(), crcs.size() - b);
        simd::mixAndFoldVpclmul256(samples.data() + b * block, n, seed, folded.data());
        for (std::size_t i = 0; i < n; ++i)
            crcs[b + i] = ~slicedUpdate<std::uint32_t>(0, folded[i], crc32Tables);
    }
    return true;
#else
    (void)samples;
    (void)seed;
    (void)crcs;
    return false;
#endif
}

std::uint16_t byteSum16Update(std::uint16_t previous, std::span<const std::uint8_t> data)
{
    if (data.size() < shortInput)
        return portableByteSum16(previous, data);
    return byteSum16Run(kernels().bestByteSum(), previous, data);
}

namespace detail {

std::span<const CrcKernel> supportedCrcKernels()
{
    const Kernels& k = kernels();
    return std::span(k.crc).first(k.crcCount);
}

std::span<const ByteSumKernel> supportedByteSumKernels()
{
    const Kernels& k = kernels();
    return std::span(k.byteSum).first(k.byteSumCount);
}

std::span<const ImagePassKernel> supportedImagePassKernels()
{
    const Kernels& k = kernels();
    return std::span(k.imagePass).first(k.imagePassCount);
}

std::string_view kernelName(CrcKernel kernel)
{
    switch (kernel) {
    case CrcKernel::Slicing:
        return "slicing-by-16";
    case CrcKernel::Pclmul:
        return "pclmul";
    case CrcKernel::Vpclmul256:
        return "vpclmul-256";
    case CrcKernel::Vpclmul:
        return "vpclmul-512";
    }
    return "?";
}

std::string_view kernelName(ByteSumKernel kernel)
{
    switch (kernel) {
    case ByteSumKernel::Portable:
        return "portable";
    case ByteSumKernel::Sse2:
        return "sse2";
    case ByteSumKernel::Avx2:
        return "avx2";
    }
    return "?";
}

std::string_view kernelName(ImagePassKernel kernel)
{
    switch (kernel) {
    case ImagePassKernel::Separate:
        return "separate passes";
    case ImagePassKernel::Vpclmul256:
        return "vpclmul-256 summed";
    }
    return "?";
}

namespace {

CrcKernel supportedOrSlicing(CrcKernel kernel)
{
    const auto supported = supportedCrcKernels();
    return std::find(supported.begin(), supported.end(), kernel) != supported.end() ? kernel
                                                                                    : CrcKernel::Slicing;
}

} // namespace

std::uint16_t crc16UpdateWith(CrcKernel kernel, std::uint16_t previous, std::span<const std::uint8_t> data)
{
    return crcRun<std::uint16_t>(supportedOrSlicing(kernel), previous, data, crc16Tables);
}

std::uint32_t crc32UpdateWith(CrcKernel kernel, std::uint32_t previous, std::span<const std::uint8_t> data)
{
    return ~crcRun<std::uint32_t>(supportedOrSlicing(kernel), ~previous, data, crc32Tables);
}

std::uint16_t byteSum16UpdateWith(ByteSumKernel kernel, std::uint16_t previous,
                                  std::span<const std::uint8_t> data)
{
    const auto supported = supportedByteSumKernels();
    if (std::find(supported.begin(), supported.end(), kernel) == supported.end())
        kernel = ByteSumKernel::Portable;
    return byteSum16Run(kernel, previous, data);
}

void crc16AndByteSum16UpdateWith(ImagePassKernel kernel, std::uint16_t& crc, std::uint16_t& sum,
                                 std::span<const std::uint8_t> data, bool swapPairs)
{
    const auto supported = supportedImagePassKernels();
    if (std::find(supported.begin(), supported.end(), kernel) == supported.end())
        kernel = ImagePassKernel::Separate;
    imagePassRun(kernel, crc, sum, data, swapPairs);
}

} // namespace detail

namespace reference {

std::uint16_t crc16Update(std::uint16_t previous, std::span<const std::uint8_t> data)
{
    return bytewiseUpdate<std::uint16_t>(previous, data, crc16Tables[0]);
}

std::uint16_t byteSum16Update(std::uint16_t previous, std::span<const std::uint8_t> data)
{
    std::uint16_t sum = previous;
    for (const std::uint8_t b : data)
        sum = static_cast<std::uint16_t>(sum + b);
    return sum;
}

std::uint32_t crc32UpdateLong(std::uint32_t previous, std::span<const std::uint8_t> data)
{
    return ~bytewiseUpdate<std::uint32_t>(~previous, data, crc32Tables[0]);
}

} // namespace reference
} // namespace morvanex
