#include "footer/checksum.h"
#include "footer/checksum_detail.h"

#include <algorithm>
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex {
namespace {

std::span<const std::uint8_t> bytes(std::string_view s)
{
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

using test::randomBytes;

TEST(Checksum, CheckValuesOfTheModels)
{
    const ChecksumCalculator calc;
    EXPECT_EQ(calc.crc16(bytes("123456789")), 0x2189);
    EXPECT_EQ(reference::crc16Update(0, bytes("123456789")), 0x2189);
    EXPECT_EQ(crc32Update(0, bytes("123456789")), 0xCBF43926u);
    EXPECT_EQ(reference::crc32UpdateLong(0, bytes("123456789")), 0xCBF43926u);
    EXPECT_EQ(calc.byteSum16(bytes("abc")), 0x0126);
}

TEST(Checksum, EmptyInputGivesZeroOrPrevious)
{
    const ChecksumCalculator calc;
    EXPECT_EQ(calc.crc16({}), 0);
    EXPECT_EQ(calc.byteSum16({}), 0);
    EXPECT_EQ(crc32Update(0x12345678u, {}), 0x12345678u);
}

TEST(Checksum, ByteSumWrapsModulo65536)
{
    const ChecksumCalculator calc;
    EXPECT_EQ(calc.byteSum16(std::vector<std::uint8_t>(257, 0xFF)), 0xFFFF);
    EXPECT_EQ(calc.byteSum16(std::vector<std::uint8_t>(258, 0xFF)), 0x00FE);
    // Long runs of 0xFF stress the lane flushing of the fast path.
    for (std::size_t n : {1023u, 1024u, 1025u, 70000u})
        EXPECT_EQ(calc.byteSum16(std::vector<std::uint8_t>(n, 0xFF)), static_cast<std::uint16_t>(n * 255))
            << n;
}

TEST(Checksum, Crc32ChainsAndCountsOnlyTheLow16BitsOfTheLength)
{
    const auto data = randomBytes(2048, 1);
    const std::span<const std::uint8_t> all(data);
    EXPECT_EQ(crc32Update(crc32Update(0, all.first(1024)), all.subspan(1024)), crc32Update(0, all));
    EXPECT_EQ(crc32Update(0, all.first(1024)), reference::crc32UpdateLong(0, all.first(1024)));

    const auto big = randomBytes(65536 + 5, 2);
    EXPECT_EQ(crc32Update(0, big), crc32Update(0, std::span(big).first(5)));
    EXPECT_EQ(crc32Update(7u, std::span(big).first(65536)), 7u);
}

TEST(Checksum, FastPathsAgreeWithReferenceAtAnyLengthAndOffset)
{
    const auto data = randomBytes(5000, 3);
    std::mt19937 gen(4);
    for (int round = 0; round < 400; ++round) {
        const std::size_t offset = gen() % 64;
        const std::size_t length = gen() % (data.size() - offset);
        const auto piece = std::span<const std::uint8_t>(data).subspan(offset, length);
        const std::uint16_t start16 = static_cast<std::uint16_t>(gen());
        const std::uint32_t start32 = gen();
        ASSERT_EQ(crc16Update(start16, piece), reference::crc16Update(start16, piece))
            << offset << "+" << length;
        ASSERT_EQ(byteSum16Update(start16, piece), reference::byteSum16Update(start16, piece));
        ASSERT_EQ(crc32UpdateLong(start32, piece), reference::crc32UpdateLong(start32, piece));
    }
}

TEST(Checksum, StreamingInPiecesEqualsOneCall)
{
    const auto data = randomBytes(100000, 5);
    const std::span<const std::uint8_t> all(data);
    std::uint16_t crc = 0, sum = 0;
    for (std::size_t at = 0; at < data.size(); at += 4093) {
        const auto piece = all.subspan(at, std::min<std::size_t>(4093, data.size() - at));
        crc = crc16Update(crc, piece);
        sum = byteSum16Update(sum, piece);
    }
    EXPECT_EQ(crc, ChecksumCalculator().crc16(all));
    EXPECT_EQ(sum, ChecksumCalculator().byteSum16(all));
}

// Every kernel this CPU runs, the portable ones included, against the byte-at-a-time loops.
class ChecksumKernels : public ::testing::Test
{
protected:
    template <typename F> static void forEachCrcKernel(F f)
    {
        for (const detail::CrcKernel kernel : detail::supportedCrcKernels()) {
            SCOPED_TRACE(std::string(detail::kernelName(kernel)));
            f(kernel);
        }
    }

    template <typename F> static void forEachByteSumKernel(F f)
    {
        for (const detail::ByteSumKernel kernel : detail::supportedByteSumKernels()) {
            SCOPED_TRACE(std::string(detail::kernelName(kernel)));
            f(kernel);
        }
    }

    // The three checksums of piece through the given kernels, from a start register (its low 16 bits
    // for the 16-bit ones), against the reference.
    static void expectAgreement(detail::CrcKernel crcKernel, detail::ByteSumKernel sumKernel,
                                std::span<const std::uint8_t> piece, std::uint32_t start)
    {
        const auto start16 = static_cast<std::uint16_t>(start);
        ASSERT_EQ(detail::crc16UpdateWith(crcKernel, start16, piece), reference::crc16Update(start16, piece))
            << "length " << piece.size() << ", start " << start;
        ASSERT_EQ(detail::crc32UpdateWith(crcKernel, start, piece), reference::crc32UpdateLong(start, piece))
            << "length " << piece.size() << ", start " << start;
        ASSERT_EQ(detail::byteSum16UpdateWith(sumKernel, start16, piece),
                  reference::byteSum16Update(start16, piece))
            << "length " << piece.size() << ", start " << start;
    }

    static void expectAgreement(std::span<const std::uint8_t> piece, std::uint32_t start)
    {
        const auto crcKernels = detail::supportedCrcKernels();
        const auto sumKernels = detail::supportedByteSumKernels();
        for (std::size_t i = 0; i < std::max(crcKernels.size(), sumKernels.size()); ++i) {
            const auto crcKernel = crcKernels[std::min(i, crcKernels.size() - 1)];
            const auto sumKernel = sumKernels[std::min(i, sumKernels.size() - 1)];
            SCOPED_TRACE(std::string(detail::kernelName(crcKernel)) + " / " +
                         std::string(detail::kernelName(sumKernel)));
            expectAgreement(crcKernel, sumKernel, piece, start);
        }
    }
};

TEST_F(ChecksumKernels, PortableKernelsComeFirstAndThePublicRoutinesUseTheLast)
{
    ASSERT_FALSE(detail::supportedCrcKernels().empty());
    ASSERT_FALSE(detail::supportedByteSumKernels().empty());
    EXPECT_EQ(detail::supportedCrcKernels().front(), detail::CrcKernel::Slicing);
    EXPECT_EQ(detail::supportedByteSumKernels().front(), detail::ByteSumKernel::Portable);
    // The kernels differ only in speed, so the public result must equal the chosen kernel's and the
    // reference.
    const auto data = randomBytes(70000, 20);
    EXPECT_EQ(crc16Update(0x1D0F, data),
              detail::crc16UpdateWith(detail::supportedCrcKernels().back(), 0x1D0F, data));
    EXPECT_EQ(crc16Update(0x1D0F, data), reference::crc16Update(0x1D0F, data));
    EXPECT_EQ(crc32UpdateLong(0x1D0F, data),
              detail::crc32UpdateWith(detail::supportedCrcKernels().back(), 0x1D0F, data));
    EXPECT_EQ(crc32UpdateLong(0x1D0F, data), reference::crc32UpdateLong(0x1D0F, data));
    EXPECT_EQ(byteSum16Update(0x1D0F, data), reference::byteSum16Update(0x1D0F, data));
}

TEST_F(ChecksumKernels, AgreeAtRandomLengthsFromEveryOffset)
{
    const auto data = randomBytes(5000 + 64, 21);
    std::mt19937 gen(22);
    for (std::size_t offset = 0; offset < 64; ++offset)
        for (int round = 0; round < 12; ++round) {
            const std::size_t length = gen() % 5001;
            expectAgreement(std::span<const std::uint8_t>(data).subspan(offset, length), gen());
        }
}

TEST_F(ChecksumKernels, AgreeAtEveryLengthAroundTheFoldingThresholds)
{
    // Up to 600 bytes covers no lane, part of one, every 16-byte remainder, and the 128- and 256-byte
    // minimums.
    const auto data = randomBytes(600 + 3, 23);
    for (std::size_t length = 0; length <= 600; ++length) {
        expectAgreement(std::span<const std::uint8_t>(data).first(length), 0);
        expectAgreement(std::span<const std::uint8_t>(data).subspan(3, length),
                        static_cast<std::uint32_t>(length * 0x9E3779B1u));
    }
}

TEST_F(ChecksumKernels, AgreeOverSeveralMebibytes)
{
    const auto data = randomBytes((3u << 20) + 13, 24);
    expectAgreement(data, 0);
    expectAgreement(std::span<const std::uint8_t>(data).subspan(1), 0xBEEF);
}

TEST_F(ChecksumKernels, AgreeOnRunsOfZerosAndOfOnes)
{
    // Zeros leave a zero register at zero, so the start register is the only thing folded.
    for (const std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}})
        for (const std::size_t n : {16u, 127u, 128u, 255u, 256u, 4096u, 65536u + 7u, 1u << 20}) {
            const std::vector<std::uint8_t> run(n, fill);
            expectAgreement(run, 0);
            expectAgreement(run, 0xFFFFFFFF);
            expectAgreement(run, 0x0001);
        }
    forEachCrcKernel([](detail::CrcKernel kernel) {
        EXPECT_EQ(detail::crc16UpdateWith(kernel, 0, std::vector<std::uint8_t>(1u << 20, 0)), 0);
    });
    // 2^20 bytes of 0xFF sum to 255 * 2^20, which is 0 modulo 65536; one byte fewer leaves -255.
    forEachByteSumKernel([](detail::ByteSumKernel kernel) {
        EXPECT_EQ(detail::byteSum16UpdateWith(kernel, 0, std::vector<std::uint8_t>(1u << 20, 0xFF)), 0);
        EXPECT_EQ(detail::byteSum16UpdateWith(kernel, 0, std::vector<std::uint8_t>((1u << 20) - 1, 0xFF)),
                  0x10000 - 255);
    });
}

TEST_F(ChecksumKernels, ChainAcrossPiecesOfRandomSizes)
{
    const auto data = randomBytes(300000, 25);
    const std::span<const std::uint8_t> all(data);
    const std::uint16_t wholeCrc = reference::crc16Update(0, all);
    const std::uint32_t wholeCrc32 = reference::crc32UpdateLong(0, all);
    const std::uint16_t wholeSum = reference::byteSum16Update(0, all);
    std::mt19937 gen(26);
    forEachCrcKernel([&](detail::CrcKernel kernel) {
        std::uint16_t crc = 0;
        std::uint32_t crc32 = 0;
        for (std::size_t at = 0; at < all.size();) {
            const std::size_t size = std::min<std::size_t>(gen() % 3000, all.size() - at);
            crc = detail::crc16UpdateWith(kernel, crc, all.subspan(at, size));
            crc32 = detail::crc32UpdateWith(kernel, crc32, all.subspan(at, size));
            at += size;
        }
        EXPECT_EQ(crc, wholeCrc);
        EXPECT_EQ(crc32, wholeCrc32);
    });
    forEachByteSumKernel([&](detail::ByteSumKernel kernel) {
        std::uint16_t sum = 0;
        for (std::size_t at = 0; at < all.size();) {
            const std::size_t size = std::min<std::size_t>(gen() % 3000, all.size() - at);
            sum = detail::byteSum16UpdateWith(kernel, sum, all.subspan(at, size));
            at += size;
        }
        EXPECT_EQ(sum, wholeSum);
    });
}

// The catalogue's one pass for both image checksums, each way it is done, against the reference loops
// over a copy with its pairs swapped: every length to 300 in one piece, then pieces of random even
// lengths (the last one odd) from an odd offset.
TEST_F(ChecksumKernels, OnePassForBothImageChecksums)
{
    const auto data = randomBytes(200002, 29);
    const auto expected = [](std::span<const std::uint8_t> bytes, bool swapPairs) {
        std::vector<std::uint8_t> held(bytes.begin(), bytes.end());
        for (std::size_t i = 0; swapPairs && i + 1 < held.size(); i += 2)
            std::swap(held[i], held[i + 1]);
        return std::pair(reference::crc16Update(0, held), reference::byteSum16Update(0, bytes));
    };
    std::mt19937 gen(30);
    for (const detail::ImagePassKernel kernel : detail::supportedImagePassKernels()) {
        SCOPED_TRACE(std::string(detail::kernelName(kernel)));
        for (const bool swapPairs : {false, true}) {
            for (std::size_t length = 0; length <= 300; ++length) {
                const auto piece = std::span<const std::uint8_t>(data).subspan(1, length);
                std::uint16_t crc = 0, sum = 0;
                detail::crc16AndByteSum16UpdateWith(kernel, crc, sum, piece, swapPairs);
                ASSERT_EQ(std::pair(crc, sum), expected(piece, swapPairs)) << length << " " << swapPairs;
            }
            const auto all = std::span<const std::uint8_t>(data).subspan(1);
            std::uint16_t crc = 0, sum = 0;
            for (std::size_t at = 0; at < all.size();) {
                const std::size_t size = std::min<std::size_t>(gen() % 40000 & ~std::size_t{1}, all.size() - at);
                detail::crc16AndByteSum16UpdateWith(kernel, crc, sum, all.subspan(at, size), swapPairs);
                at += size;
            }
            EXPECT_EQ(std::pair(crc, sum), expected(all, swapPairs)) << swapPairs;
        }
    }
}

TEST_F(ChecksumKernels, RegisterPassesBetweenDifferentKernels)
{
    // A stream may be cut so that one piece is short (table) and the next long (folded): the register
    // one kernel leaves must mean the same to every other.
    const auto data = randomBytes(200000, 27);
    const std::span<const std::uint8_t> all(data);
    const auto kernels = detail::supportedCrcKernels();
    std::mt19937 gen(28);
    std::uint16_t crc = 0;
    std::uint32_t crc32 = 0;
    for (std::size_t at = 0; at < all.size();) {
        const std::size_t size = std::min<std::size_t>(gen() % 2000, all.size() - at);
        crc = detail::crc16UpdateWith(kernels[gen() % kernels.size()], crc, all.subspan(at, size));
        crc32 = detail::crc32UpdateWith(kernels[gen() % kernels.size()], crc32, all.subspan(at, size));
        at += size;
    }
    EXPECT_EQ(crc, reference::crc16Update(0, all));
    EXPECT_EQ(crc32, reference::crc32UpdateLong(0, all));
}

TEST_F(ChecksumKernels, ImageInMebibyteChunksAsTheCatalogueReadsIt)
{
    const auto data = randomBytes((5u << 20) / 2 + 1, 29);
    const std::span<const std::uint8_t> all(data);
    std::uint16_t crc = 0, sum = 0;
    for (std::size_t at = 0; at < all.size(); at += 1u << 20) {
        const auto piece = all.subspan(at, std::min<std::size_t>(1u << 20, all.size() - at));
        crc = crc16Update(crc, piece);
        sum = byteSum16Update(sum, piece);
    }
    EXPECT_EQ(crc, reference::crc16Update(0, all));
    EXPECT_EQ(sum, reference::byteSum16Update(0, all));
}

} // namespace
} // namespace morvanex
