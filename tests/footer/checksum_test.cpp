#include "footer/checksum.h"

#include <gtest/gtest.h>

#include <random>
#include <string_view>
#include <vector>

namespace morvanex {
namespace {

std::span<const std::uint8_t> bytes(std::string_view s)
{
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::vector<std::uint8_t> randomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v)
        b = static_cast<std::uint8_t>(gen());
    return v;
}

TEST(Checksum, CheckValuesOfTheModels)
{
    const ChecksumCalculator calc;
    EXPECT_EQ(calc.crc16(bytes("123456789")), 0x2189);
    EXPECT_EQ(reference::crc16Update(0, bytes("123456789")), 0x2189);
    EXPECT_EQ(crc32Update(bytes("123456789"), 0), 0xCBF43926u);
    EXPECT_EQ(reference::crc32UpdateLong(0, bytes("123456789")), 0xCBF43926u);
    EXPECT_EQ(calc.byteSum16(bytes("abc")), 0x0126);
}

TEST(Checksum, EmptyInputGivesZeroOrPrevious)
{
    const ChecksumCalculator calc;
    EXPECT_EQ(calc.crc16({}), 0);
    EXPECT_EQ(calc.byteSum16({}), 0);
    EXPECT_EQ(crc32Update({}, 0x12345678u), 0x12345678u);
}

TEST(Checksum, ByteSumWrapsModulo65536)
{
    const ChecksumCalculator calc;
    EXPECT_EQ(calc.byteSum16(std::vector<std::uint8_t>(257, 0xFF)), 0xFFFF);
    EXPECT_EQ(calc.byteSum16(std::vector<std::uint8_t>(258, 0xFF)), 0x00FE);
    // Long runs of 0xFF stress the lane flushing of the fast path.
    for (std::size_t n : {1023u, 1024u, 1025u, 70000u})
        EXPECT_EQ(calc.byteSum16(std::vector<std::uint8_t>(n, 0xFF)), static_cast<std::uint16_t>(n * 255)) << n;
}

TEST(Checksum, Crc32ChainsAndCountsOnlyTheLow16BitsOfTheLength)
{
    const auto data = randomBytes(2048, 1);
    const std::span<const std::uint8_t> all(data);
    EXPECT_EQ(crc32Update(all.subspan(1024), crc32Update(all.first(1024), 0)), crc32Update(all, 0));
    EXPECT_EQ(crc32Update(all.first(1024), 0), reference::crc32UpdateLong(0, all.first(1024)));

    const auto big = randomBytes(65536 + 5, 2);
    EXPECT_EQ(crc32Update(big, 0), crc32Update(std::span(big).first(5), 0));
    EXPECT_EQ(crc32Update(std::span(big).first(65536), 7u), 7u);
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
        ASSERT_EQ(crc16Update(start16, piece), reference::crc16Update(start16, piece)) << offset << "+" << length;
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

} // namespace
} // namespace morvanex
