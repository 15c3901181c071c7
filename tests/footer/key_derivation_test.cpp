#include "footer/checksum.h"
#include "footer/key_derivation.h"
#include "footer/prepared_image.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace morvanex {
namespace {

struct Fields
{
    std::array<std::uint8_t, 6> coo{0, 0, 0, 0, 4, 1};
    std::array<std::uint8_t, 6> serial{4, 2, 0, 2, 0, 11};
    std::array<std::uint8_t, 8> timestamp{4, 8, 2, 3, 1, 8, 11, 14};
    std::array<std::uint8_t, 4> checksum{1, 2, 3, 4};

    KeyDigits key(std::span<const std::uint8_t> image) const
    {
        return deriveKeyDigits(image, {coo, serial, timestamp, checksum});
    }
};

using test::randomBytes;

TEST(KeyDerivation, EmptyImageGivesTwentyZeroDigits)
{
    EXPECT_EQ(Fields().key({}), KeyDigits{});
}

TEST(KeyDerivation, DigitsAreHexadecimalValues)
{
    const auto image = randomBytes(300000, 1);
    const KeyDigits key = Fields().key(image);
    for (const auto d : key)
        EXPECT_LE(d, 15);
    EXPECT_NE(key, KeyDigits{});
}

TEST(KeyDerivation, SamplingOffsetFollowsTheCooModulo64)
{
    auto image = randomBytes(65536, 2);
    Fields f;
    f.coo = {0, 0, 0, 0, 6, 3}; // offset 63: the last sample is the image's last byte
    const KeyDigits before = f.key(image);
    image.back() ^= 0x5A;
    EXPECT_NE(f.key(image), before);

    f.coo = {0, 0, 0, 0, 6, 4}; // offset 0: the last byte is not sampled, the first is
    const KeyDigits at0 = f.key(image);
    image.back() ^= 0x5A;
    EXPECT_EQ(f.key(image), at0);
    image.front() ^= 1;
    EXPECT_NE(f.key(image), at0);
}

TEST(KeyDerivation, OnlyEvery64thByteCounts)
{
    auto image = randomBytes(200000, 3);
    Fields f; // COO 000041: offset 41
    const KeyDigits key = f.key(image);
    image[42] ^= 0xFF;
    image[64 + 40] ^= 0xFF;
    EXPECT_EQ(f.key(image), key);
    image[64 * 100 + 41] ^= 0x01;
    EXPECT_NE(f.key(image), key);
}

TEST(KeyDerivation, SamplesPastTheEndCountAsZero)
{
    // A short last block reads zero bytes for the missing positions; a buffer padded with zeros
    // to the full block therefore gives the same key.
    const auto image = randomBytes(70001, 4);
    std::vector<std::uint8_t> padded = image;
    padded.resize(2 * 65536, 0);
    EXPECT_EQ(Fields().key(image), Fields().key(padded));
    // Exactly 65,536 bytes make one block; one more byte makes two.
    const auto one = randomBytes(65536, 5);
    auto two = one;
    two.push_back(0);
    EXPECT_NE(Fields().key(one), Fields().key(two));
}

TEST(KeyDerivation, EveryFieldChangesTheKey)
{
    const auto image = randomBytes(100000, 6);
    const Fields base;
    const KeyDigits key = base.key(image);
    Fields f = base;
    f.coo[5] = 2;
    EXPECT_NE(f.key(image), key);
    f = base;
    f.serial[0] = 5;
    EXPECT_NE(f.key(image), key);
    f = base;
    f.timestamp[7] = 13;
    EXPECT_NE(f.key(image), key);
    f = base;
    f.checksum[3] = 5;
    EXPECT_NE(f.key(image), key);
}

TEST(KeyDerivation, TimestampDigitsLoseTheirHighBits)
{
    const auto image = randomBytes(100000, 7);
    Fields a, b;
    a.timestamp[2] = 1;
    b.timestamp[2] = 17;
    EXPECT_EQ(a.key(image), b.key(image));
}

TEST(KeyDerivation, MixBlockCarriesAndDropsTheLastCarry)
{
    SampleBlock sample{};
    Seed seed{};
    seed[0] = 0xFF;
    sample[0] = 0x01;
    mixBlock(sample, seed);
    EXPECT_EQ(sample[0], 0x00);
    EXPECT_EQ(sample[1], 0x01); // the carry
    EXPECT_EQ(sample[32], 0xFF); // the seed repeats every 32 bytes

    SampleBlock full;
    full.fill(0xFF);
    Seed one{};
    one[0] = 1;
    mixBlock(full, one);
    // All ones plus the repeated seed is the seed minus one, once the carry out of byte 1023 is lost.
    SampleBlock expected{};
    for (std::size_t k = 32; k < sampleSize; k += 32)
        expected[k] = 1;
    EXPECT_EQ(full, expected);
}

TEST(KeyDerivation, MixBlockAgreesWithTheByteLoop)
{
    // Random blocks, and blocks of 0xFF under sparse seeds of 0 and 1, whose carries run through whole
    // words of zeros; every kernel this CPU has, in place and from other samples.
    std::mt19937 gen(8);
    for (const auto kernel : detail::supportedMixKernels())
        for (int round = 0; round < 200; ++round) {
            const auto bytes = randomBytes(sampleSize + seedSize, static_cast<unsigned>(round));
            SampleBlock sample, expected, mixed;
            Seed seed;
            std::copy_n(bytes.begin(), sampleSize, sample.begin());
            std::copy_n(bytes.begin() + sampleSize, seedSize, seed.begin());
            if (round % 2) {
                sample.fill(0xFF);
                for (auto& b : seed)
                    b = gen() % 5 == 0;
            }
            expected = sample;
            reference::mixBlock(expected, seed);
            detail::mixBlockWith(kernel, sample, mixed, seed);
            detail::mixBlockWith(kernel, sample, sample, seed);
            ASSERT_EQ(mixed, expected) << "kernel " << static_cast<int>(kernel) << ", round " << round;
            ASSERT_EQ(sample, expected) << "kernel " << static_cast<int>(kernel) << ", round " << round;
        }
}

// Lengths around every boundary the prepared form has: a 64-byte chunk, a 16-chunk group, a block.
constexpr std::size_t preparedLengths[] = {
    0,    1,    7,    63,    64,    65,    511,         512,           513,       1023,
    1024, 1025, 4097, 65535, 65536, 65537, 65536 + 511, 2 * 65536 - 1, 3 * 65536, 3 * 65536 + 999};

TEST(KeyDerivation, PreparedStreamsHoldEvery64thByteThenZeros)
{
    const auto bytes = randomBytes(3 * 65536 + 1000 + 3, 10);
    for (const std::size_t start : {0u, 3u}) // the image need not be aligned
        for (const std::size_t length : preparedLengths) {
            const auto image = std::span<const std::uint8_t>(bytes).subspan(start, length);
            const auto prepared = PreparedImage::prepare(image);
            ASSERT_TRUE(prepared);
            const std::size_t blocks = (length + blockSpan - 1) / blockSpan;
            for (std::size_t offset = 0; offset < sampleStride; ++offset) {
                const auto stream = prepared->stream(offset);
                ASSERT_EQ(stream.size(), blocks * sampleSize);
                for (std::size_t k = 0; k < stream.size(); ++k) {
                    const std::size_t at = offset + sampleStride * k;
                    ASSERT_EQ(stream[k], at < length ? image[at] : 0)
                        << "length " << length << ", offset " << offset << ", sample " << k;
                }
            }
        }
}

// Prepared piece by piece as a file is read, in memory that held another image, for a length announced
// right or wrong (a file that grew or shrank while read): the same as prepared whole.
TEST(KeyDerivation, AnImagePreparedPieceByPieceIsTheSame)
{
    const auto bytes = randomBytes(4 * 65536, 11);
    const struct
    {
        const char* what;
        std::size_t (*announced)(std::size_t length);
        std::size_t piece;
    } feeds[] = {
        {"whole", [](std::size_t n) { return n; }, SIZE_MAX},
        {"in pieces across groups", [](std::size_t n) { return n; }, 1000},
        {"in small odd pieces", [](std::size_t n) { return n; }, 37},
        {"announced shorter", [](std::size_t n) { return n / 3; }, 4096},
        {"announced empty", [](std::size_t) { return std::size_t{0}; }, 65536},
        {"announced longer", [](std::size_t n) { return 2 * n + 65536; }, 65536},
    };
    ImagePreparer preparer; // one for all, each image's memory given back for the next
    for (const std::size_t length : {std::size_t{3 * 65536 + 999}, std::size_t{0}, std::size_t{1},
                                     std::size_t{1025}, std::size_t{65537}, std::size_t{2 * 65536}})
        for (const auto& feed : feeds) {
            const auto image = std::span<const std::uint8_t>(bytes).first(length);
            const auto whole = PreparedImage::prepare(image);
            // The memory to be filled held samples where this image has none.
            const auto blocks =
                std::span<const std::uint8_t>(bytes).first((length + blockSpan - 1) / blockSpan * blockSpan);
            ASSERT_TRUE(preparer.begin(blocks.size()) && preparer.add(blocks));
            preparer.recycle(std::move(*preparer.finish()));

            ASSERT_TRUE(preparer.begin(feed.announced(length)));
            for (std::size_t at = 0; at < length; at += feed.piece)
                ASSERT_TRUE(preparer.add(image.subspan(at, std::min(feed.piece, length - at))));
            auto prepared = preparer.finish();
            ASSERT_TRUE(prepared && whole);
            EXPECT_EQ(prepared->length(), length) << feed.what;
            EXPECT_EQ(prepared->crc16(), whole->crc16()) << feed.what << ", length " << length;
            for (std::size_t offset = 0; offset < sampleStride; ++offset)
                ASSERT_TRUE(std::ranges::equal(prepared->stream(offset), whole->stream(offset)))
                    << feed.what << ", length " << length << ", offset " << offset;
            preparer.recycle(std::move(*prepared));
        }
}

TEST(KeyDerivation, ImagesDecodeAlikeWithTheSameCrcAndSamples)
{
    const auto bytes = randomBytes(2 * 65536 + 100, 12);
    const auto prepared = [](std::vector<std::uint8_t> image) { return *PreparedImage::prepare(image); };
    const auto changed = [&bytes](std::size_t at) {
        auto copy = bytes;
        copy[at] ^= 1;
        return copy;
    };
    // Its last two bytes made what brings the CRC-16 to 0, so that only the samples tell.
    const auto crcZero = [](std::vector<std::uint8_t> b) {
        const std::uint16_t crc = ChecksumCalculator().crc16(std::span(b).first(b.size() - 2));
        b[b.size() - 2] = static_cast<std::uint8_t>(crc & 0xFF);
        b[b.size() - 1] = static_cast<std::uint8_t>(crc >> 8);
        return b;
    };
    const auto image = prepared(bytes);
    const std::pair<const char*, bool> cases[] = {
        {"a copy", image.decodesAs(prepared(bytes))},
        {"zeros of two lengths within one block",
         prepared(std::vector<std::uint8_t>(65537))
             .decodesAs(prepared(std::vector<std::uint8_t>(2 * 65536)))},
    };
    for (const auto& [what, alike] : cases)
        EXPECT_TRUE(alike) << what;
    const std::pair<const char*, PreparedImage> unlike[] = {
        {"the first byte changed", prepared(changed(0))},
        {"a byte of the last block changed", prepared(changed(bytes.size() - 1))},
        {"one block more of zeros", prepared([&] {
             auto b = bytes;
             b.resize(3 * 65536 + 1);
             return b;
         }())},
        {"zeros", prepared(std::vector<std::uint8_t>(bytes.size()))},
    };
    const PreparedImage sameCrc = prepared(crcZero(bytes));
    const PreparedImage otherSameCrc = prepared(crcZero(changed(0)));
    ASSERT_EQ(sameCrc.crc16(), otherSameCrc.crc16());
    EXPECT_FALSE(sameCrc.decodesAs(otherSameCrc)) << "other bytes of the same CRC-16 and length";
    for (const auto& [what, other] : unlike) {
        EXPECT_FALSE(image.decodesAs(other)) << what;
        EXPECT_FALSE(other.decodesAs(image)) << what;
    }
}

TEST(KeyDerivation, PreparedImageGivesThePlainKeyAtEveryLengthAndOffset)
{
    const auto bytes = randomBytes(3 * 65536 + 1000, 9);
    for (const std::size_t length : preparedLengths) {
        const auto image = std::span<const std::uint8_t>(bytes).first(length);
        const auto prepared = PreparedImage::prepare(image);
        ASSERT_TRUE(prepared);
        EXPECT_EQ(prepared->length(), length);
        EXPECT_EQ(prepared->crc16(), ChecksumCalculator().crc16(image));
        Fields f;
        for (std::uint8_t offset = 0; offset < sampleStride; ++offset) {
            f.coo = {
                0, 0, 0, 1, static_cast<std::uint8_t>(offset / 10), static_cast<std::uint8_t>(offset % 10)};
            ASSERT_EQ(deriveKeyDigits(*prepared, {f.coo, f.serial, f.timestamp, f.checksum}), f.key(image))
                << "length " << length << ", COO 0001" << int{offset};
        }
    }
    // Longer images, whose blocks a fast path takes in runs: one block past 16, and past 32.
    const auto longer = randomBytes(33 * 65536 + 1, 11);
    for (const std::size_t length : {17 * 65536 - 3, 33 * 65536 + 1}) {
        const auto image = std::span<const std::uint8_t>(longer).first(length);
        const auto prepared = PreparedImage::prepare(image);
        ASSERT_TRUE(prepared);
        Fields f;
        for (const std::uint8_t offset : {0, 37, 63}) {
            f.coo = {0, 0, 0, 1, static_cast<std::uint8_t>(offset / 10), static_cast<std::uint8_t>(offset % 10)};
            ASSERT_EQ(deriveKeyDigits(*prepared, {f.coo, f.serial, f.timestamp, f.checksum}), f.key(image))
                << "length " << length << ", COO 0001" << int{offset};
        }
    }
}

} // namespace
} // namespace morvanex
