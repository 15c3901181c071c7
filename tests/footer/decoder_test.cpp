#include "footer/alphabet.h"
#include "footer/checksum.h"
#include "footer/footer_decoder.h"
#include "footer/footer_encoder.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace morvanex {
namespace {

using Bytes = std::vector<std::uint8_t>;

using test::randomBytes;

// A decoder handed its image directly, the way a printer's own image would be found.
class ImageDecoder : public FooterDecoder
{
public:
    explicit ImageDecoder(std::optional<Bytes> image) : m_image(std::move(image)) {}
    int loads = 0;

protected:
    ImageBytes loadFirmwareImage() override
    {
        ++loads;
        return m_image ? std::make_shared<const Bytes>(*m_image) : nullptr;
    }

private:
    std::optional<Bytes> m_image;
};

std::string field(std::span<const std::uint8_t> f)
{
    return std::string(FooterDecoder::text(f));
}

// A code built from digit values directly, so that any field/mask combination can be made.
std::string codeFromValues(const std::vector<std::uint8_t>& values44)
{
    std::string code;
    auto v = values44.begin();
    for (std::size_t p = 0; p < footerLength; ++p)
        code += isSeparatorPosition(p) ? ' ' : footerSymbol(*v++);
    return code;
}

const std::string serial = "42020B";

TEST(Decoder, EncodedCodeDecodesToExactlyItsFields)
{
    const Bytes image = randomBytes(200000, 7);
    const std::string cnpj20 = "12.345.678/0001.AB/C";
    const auto code = encodeFooter(image, 41, serial, 0x482318BE, cnpj20);
    ASSERT_TRUE(code);
    ASSERT_EQ(code->size(), 48u);
    for (const std::size_t p : separatorPositions)
        EXPECT_EQ((*code)[p], ' ');

    ImageDecoder decoder(image);
    ASSERT_EQ(decoder.decode(*code), ValidationStatus::Valid);
    EXPECT_EQ(field(decoder.coo), "000041");
    EXPECT_EQ(field(decoder.serial), serial);
    EXPECT_EQ(field(decoder.timestamp), "482318BE");
    EXPECT_EQ(decoder.dateValue(), 0x482318BEu);
    char crc[5];
    std::snprintf(crc, sizeof crc, "%04X", ChecksumCalculator().crc16(image));
    EXPECT_EQ(field(decoder.checksum), crc);
    EXPECT_EQ(field(decoder.cnpj), cnpj20);
    for (std::size_t i = 0; i < keyDigitCount; ++i)
        EXPECT_LE(decoder.keyDigits[i], 15);
}

TEST(Decoder, ManyRandomCodesRoundTrip)
{
    std::mt19937 gen(11);
    const std::string alphabet = "0123456789ABC./";
    for (int round = 0; round < 50; ++round) {
        const Bytes image = randomBytes(gen() % 300000, gen());
        std::string s, c;
        for (int i = 0; i < 6; ++i)
            s += alphabet[gen() % 15];
        for (int i = 0; i < 20; ++i)
            c += alphabet[gen() % 15];
        const std::uint32_t coo = gen() % 1000000, seconds = gen();
        const auto code = encodeFooter(image, coo, s, seconds, c);
        ASSERT_TRUE(code);
        ImageDecoder decoder(image);
        ASSERT_EQ(decoder.decode(*code), ValidationStatus::Valid) << *code;
        char cooText[8];
        std::snprintf(cooText, sizeof cooText, "%06u", coo);
        EXPECT_EQ(field(decoder.coo), cooText);
        EXPECT_EQ(field(decoder.serial), s);
        EXPECT_EQ(field(decoder.cnpj), c);
        EXPECT_EQ(decoder.dateValue(), seconds);
    }
}

TEST(Decoder, OtherImagesDoNotYieldTheDocument)
{
    const Bytes image = randomBytes(131072, 1);
    const std::string cnpj20 = "0011.222.333/0001.81";
    const auto encoded = encodeFooter(image, 123456, serial, 1206367509, cnpj20);
    ASSERT_TRUE(encoded);
    const std::string code = *encoded;

    ImageDecoder notFound(std::nullopt);
    EXPECT_EQ(notFound.decode(code), ValidationStatus::FirmwareNotFound);

    Bytes changed = image;
    changed[500] ^= 1;
    ImageDecoder mismatch(changed);
    EXPECT_EQ(mismatch.decode(code), ValidationStatus::ChecksumMismatch);

    // Two images with the same CRC-16: a CRC-16 with no final XOR leaves 0 after its own
    // little-endian value is appended.
    Bytes a = randomBytes(131070, 2), b = randomBytes(131070, 3);
    for (Bytes* x : {&a, &b}) {
        const std::uint16_t crc = ChecksumCalculator().crc16(*x);
        x->push_back(static_cast<std::uint8_t>(crc & 0xFF));
        x->push_back(static_cast<std::uint8_t>(crc >> 8));
    }
    ASSERT_EQ(ChecksumCalculator().crc16(a), 0);
    ASSERT_EQ(ChecksumCalculator().crc16(b), 0);
    const auto codeA = *encodeFooter(a, 77, serial, 99, cnpj20);
    ImageDecoder withB(b);
    ASSERT_EQ(withB.decode(codeA), ValidationStatus::Valid);
    EXPECT_EQ(field(withB.coo), "000077");
    EXPECT_NE(field(withB.cnpj), cnpj20);
}

TEST(Decoder, InvalidCharactersAnywhereButAtSeparators)
{
    const Bytes image = randomBytes(1000, 4);
    const auto good = *encodeFooter(image, 1, serial, 2, "00000000000000000000");
    for (const char bad : {'a', ' ', '-', '\0'}) {
        for (std::size_t p = 0; p < footerLength; ++p) {
            std::string code = good;
            code[p] = bad;
            ImageDecoder decoder(image);
            const auto status = decoder.decode(code);
            if (isSeparatorPosition(p)) {
                EXPECT_EQ(status, ValidationStatus::Valid) << p;
            } else {
                ASSERT_EQ(status, ValidationStatus::InvalidString) << p << " " << int(bad);
                EXPECT_EQ(decoder.loads, 0);
                EXPECT_EQ(field(decoder.coo), "");
                EXPECT_EQ(field(decoder.cnpj), "");
                EXPECT_EQ(decoder.serial, (std::array<std::uint8_t, 7>{}));
            }
        }
    }
}

TEST(Decoder, ShortTextIsInvalidAndNeverReadPastItsEnd)
{
    const Bytes image = randomBytes(100, 5);
    const auto good = *encodeFooter(image, 1, serial, 2, "00000000000000000000");
    ImageDecoder decoder(image);
    // A heap copy of exactly 47 bytes lets a sanitizer catch any read past its end.
    const std::vector<char> shortText(good.begin(), good.begin() + 47);
    EXPECT_EQ(decoder.decode(std::string_view(shortText.data(), shortText.size())), ValidationStatus::InvalidString);
    EXPECT_EQ(decoder.decode(""), ValidationStatus::InvalidString);
    EXPECT_EQ(decoder.decode("0000000 0000000 "), ValidationStatus::InvalidString);

    // The 49th byte is copied with the code; anything past it is ignored.
    EXPECT_EQ(decoder.decode(good + "XYZ"), ValidationStatus::Valid);
    EXPECT_EQ(decoder.code[48], 'X');
}

TEST(Decoder, FailedLookupLeavesUnmaskedDigitValues)
{
    // COO digit 0 under mask digit 1 wraps to 255; the other fields are plain differences.
    std::vector<std::uint8_t> values(44, 0);
    for (std::size_t i = 0; i < 20; ++i)
        values[24 + i] = 1; // cnpjBlock
    values[6] = 5;           // first serial digit
    values[12] = 16;         // first timestamp digit
    values[20] = 3;          // first checksum digit
    ImageDecoder decoder(std::nullopt);
    ASSERT_EQ(decoder.decode(codeFromValues(values)), ValidationStatus::FirmwareNotFound);
    EXPECT_EQ(decoder.coo[0], 255);
    EXPECT_EQ(decoder.serial[0], 4);
    EXPECT_EQ(decoder.timestamp[0], 15);
    EXPECT_EQ(decoder.checksum[0], 2);
    EXPECT_EQ(decoder.checksum[1], 255);
    EXPECT_EQ(decoder.keyDigits, (std::array<std::uint8_t, 21>{}));
    EXPECT_EQ(decoder.cnpj, (std::array<std::uint8_t, 21>{}));
}

TEST(Decoder, WrappedChecksumValuesMatchTheirCharacters)
{
    // An empty image has CRC "0000". Unmasked values 249 ('0' after digitsToAlnum) must match it,
    // while 0 matches too and 16 never does.
    auto codeWithChecksum = [](std::uint8_t codeDigit, std::uint8_t mask) {
        std::vector<std::uint8_t> values(44, 0);
        for (std::size_t i = 0; i < 4; ++i) {
            values[24 + i] = mask;
            values[20 + i] = codeDigit;
        }
        return codeFromValues(values);
    };
    ImageDecoder decoder(Bytes{});
    // 249 = 2 - 9 wrapped: digitsToAlnum shows 249 as '0'.
    EXPECT_EQ(decoder.decode(codeWithChecksum(2, 9)), ValidationStatus::Valid);
    EXPECT_EQ(decoder.decode(codeWithChecksum(9, 9)), ValidationStatus::Valid);
    EXPECT_EQ(decoder.decode(codeWithChecksum(25, 9)), ValidationStatus::ChecksumMismatch); // 16 = 'G'
    EXPECT_EQ(decoder.decode(codeWithChecksum(3, 9)), ValidationStatus::ChecksumMismatch);  // 250 = '1'
}

TEST(Decoder, EmptyImageKeyIsZeroSoTheCnpjIsTheBlock)
{
    std::vector<std::uint8_t> values(44, 0);
    const std::uint8_t block[20] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 29, 0, 0};
    for (std::size_t i = 0; i < 20; ++i)
        values[24 + i] = block[i];
    for (std::size_t i = 0; i < 4; ++i)
        values[20 + i] = block[i]; // checksum 0000
    ImageDecoder decoder(Bytes{});
    ASSERT_EQ(decoder.decode(codeFromValues(values)), ValidationStatus::Valid);
    EXPECT_EQ(field(decoder.cnpj), "0123456789ABC./   00");
    EXPECT_EQ(decoder.keyDigits, (std::array<std::uint8_t, 21>{}));
}

TEST(Decoder, SerialShowsDotSlashAndBlank)
{
    std::vector<std::uint8_t> values(44, 0);
    values[6] = 13;
    values[7] = 14;
    values[8] = 15;
    values[9] = 44;
    ImageDecoder decoder(Bytes{});
    ASSERT_EQ(decoder.decode(codeFromValues(values)), ValidationStatus::Valid);
    EXPECT_EQ(field(decoder.serial), "./  00");
}

TEST(Decoder, DateValueOfTheExtremes)
{
    std::vector<std::uint8_t> values(44, 0);
    ImageDecoder decoder(Bytes{});
    ASSERT_EQ(decoder.decode(codeFromValues(values)), ValidationStatus::Valid);
    EXPECT_EQ(decoder.dateValue(), 0u);
    for (std::size_t i = 0; i < 8; ++i)
        values[12 + i] = 15;
    ASSERT_EQ(decoder.decode(codeFromValues(values)), ValidationStatus::Valid);
    EXPECT_EQ(field(decoder.timestamp), "FFFFFFFF");
    EXPECT_EQ(decoder.dateValue(), 4294967295u);
}

TEST(Decoder, OneObjectServesManyCodes)
{
    const Bytes image = randomBytes(5000, 9);
    const auto first = *encodeFooter(image, 1, "111111", 1, "11111111111111111111");
    const auto second = *encodeFooter(image, 2, "222222", 2, "22222222222222222222");
    ImageDecoder decoder(image);
    ASSERT_EQ(decoder.decode(first), ValidationStatus::Valid);
    ASSERT_EQ(decoder.decode("not a code"), ValidationStatus::InvalidString);
    EXPECT_EQ(field(decoder.serial), "");
    ASSERT_EQ(decoder.decode(second), ValidationStatus::Valid);
    EXPECT_EQ(field(decoder.serial), "222222");
}

TEST(Encoder, RefusesWhatCannotBeEncoded)
{
    const Bytes image(10, 0);
    EXPECT_FALSE(encodeFooter(image, 1000000, serial, 0, "00000000000000000000"));
    EXPECT_FALSE(encodeFooter(image, 1, "42020", 0, "00000000000000000000"));
    EXPECT_FALSE(encodeFooter(image, 1, "42020D", 0, "00000000000000000000"));
    EXPECT_FALSE(encodeFooter(image, 1, serial, 0, "0000000000000000000"));
    EXPECT_FALSE(encodeFooter(image, 1, serial, 0, "0000000000000000000-"));
    EXPECT_TRUE(encodeFooter(image, 999999, "ABC./0", 0xFFFFFFFF, "////////////////////"));
}

TEST(Encoder, IsDeterminedByItsInputs)
{
    const Bytes image = randomBytes(70000, 10);
    const auto a = encodeFooter(image, 5, serial, 6, "00000000000000000000");
    EXPECT_EQ(a, encodeFooter(image, 5, serial, 6, "00000000000000000000"));
    EXPECT_NE(a, encodeFooter(image, 5, serial, 7, "00000000000000000000"));
}

} // namespace
} // namespace morvanex
