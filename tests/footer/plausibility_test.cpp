#include "e2e/temp_dir.h"
#include "footer/alphabet.h"
#include "footer/footer_decoder.h"
#include "footer/footer_encoder.h"
#include "footer/plausibility.h"

#include <gtest/gtest.h>
#include <random>

namespace morvanex {
namespace {

using Fields = std::vector<FooterField>;

// Whatever the code, this image. The empty one has CRC-16 "0000" and key digits all 0, so the CNPJ
// symbols are the cnpjBlock digits themselves.
class GivenImage : public FirmwareSource
{
public:
    explicit GivenImage(std::vector<std::uint8_t> bytes = {})
        : m_bytes(std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes)))
    {
    }
    ImageBytes loadFirmwareImage(std::span<const std::uint8_t, 4>, int& chosenRow) override
    {
        chosenRow = 0;
        return m_bytes;
    }

private:
    ImageBytes m_bytes;
};

// Unmasked field values, in code order: COO 6, serial 6, timestamp 8, checksum 4, then cnpjBlock 20.
struct Unmasked
{
    std::array<std::uint8_t, 24> fields{};
    std::array<std::uint8_t, 20> block{};
};

// The code a printer would print for these values: each field digit plus its mask digit.
std::string codeOf(const Unmasked& u)
{
    constexpr std::size_t firstMask[24] = {0, 1, 2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                           12, 13, 14, 15, 16, 17, 18, 19, 0, 1, 2, 3};
    std::array<std::uint8_t, 44> values;
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = i < 24 ? static_cast<std::uint8_t>(u.fields[i] + u.block[firstMask[i]]) : u.block[i - 24];
        EXPECT_LT(values[i], 46) << "digit " << i;
    }
    return footerFromDigits(values);
}

TEST(Plausibility, EachFieldAtAndPastItsLargestGenuineDigit)
{
    constexpr std::size_t coo = 0, serial = 6, timestamp = 12, checksum = 20;
    struct Case
    {
        const char* name;
        std::size_t digit; // into fields, or 24 + cnpjBlock index
        std::uint8_t value;
        Fields expected;
    };
    const Case cases[] = {
        {"coo 9", coo + 5, 9, {}},
        {"coo 10", coo + 5, 10, {FooterField::Coo}},
        {"serial 14", serial + 2, 14, {}},
        {"serial 15", serial + 2, 15, {FooterField::Serial}},
        {"timestamp 15", timestamp + 7, 15, {}},
        {"timestamp 16", timestamp, 16, {FooterField::Timestamp}},
        // Reads "0", so the text comparison with the CRC-16 passes.
        {"checksum wrapped to 249", checksum + 3, 249, {FooterField::Checksum}},
        {"cnpj 14", 24 + 19, 14, {}},
        {"cnpj 15", 24 + 19, 15, {FooterField::Cnpj}},
    };
    GivenImage image;
    for (const Case& c : cases) {
        Unmasked u;
        u.block.fill(7); // room under every field digit for a wrapped checksum digit
        (c.digit < 24 ? u.fields[c.digit] : u.block[c.digit - 24]) = c.value;
        FooterDecoder decoder(&image);
        ASSERT_EQ(decoder.decode(codeOf(u)), ValidationStatus::Valid) << c.name;
        EXPECT_EQ(implausibleFields(decoder), c.expected) << c.name;
    }

    // All at once, named in code order; the decoded texts are left as decode made them.
    Unmasked u;
    u.block.fill(7);
    u.fields[coo] = 10;
    u.fields[serial] = 15;
    u.fields[timestamp] = 16;
    u.fields[checksum] = 249;
    u.block[19] = 22;
    FooterDecoder decoder(&image);
    ASSERT_EQ(decoder.decode(codeOf(u)), ValidationStatus::Valid);
    const std::string cooText(FooterDecoder::text(decoder.coo));
    EXPECT_EQ(implausibleFields(decoder),
              (Fields{FooterField::Coo, FooterField::Serial, FooterField::Timestamp, FooterField::Checksum,
                      FooterField::Cnpj}));
    EXPECT_EQ(FooterDecoder::text(decoder.coo), cooText);
    EXPECT_EQ(FooterDecoder::text(decoder.checksum), "0000");
}

TEST(Plausibility, EveryEncodedCodeIsPlausible)
{
    std::mt19937 gen(5);
    const std::string alphabet = "0123456789ABC./";
    for (int round = 0; round < 200; ++round) {
        const auto bytes = test::randomBytes(gen() % 70000, gen());
        std::string serial, cnpj;
        for (int i = 0; i < 26; ++i)
            (i < 6 ? serial : cnpj) += alphabet[gen() % alphabet.size()];
        const auto code = encodeFooter(bytes, gen() % 1000000, serial, gen(), cnpj);
        GivenImage image(bytes);
        FooterDecoder decoder(&image);
        ASSERT_EQ(decoder.decode(*code), ValidationStatus::Valid) << *code;
        EXPECT_EQ(implausibleFields(decoder), Fields{}) << *code;
    }
}

} // namespace
} // namespace morvanex
