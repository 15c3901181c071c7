#include "footer/alphabet.h"
#include "footer/footer_decoder.h"
#include "footer/plausibility.h"

#include <gtest/gtest.h>

namespace morvanex {
namespace {

// Every code names the empty image: its CRC-16 is "0000" and its key digits are all 0, so the CNPJ
// symbols are the cnpjBlock digits themselves.
class EmptyImageDecoder : public FooterDecoder
{
protected:
    ImageBytes loadFirmwareImage() override { return std::make_shared<const std::vector<std::uint8_t>>(); }
};

TEST(Plausibility, EachFieldAtAndPastItsLargestGenuineDigit)
{
    using Fields = std::vector<FooterField>;
    struct Case
    {
        std::size_t digit; // unmasked values in code order: COO, serial, timestamp, checksum, cnpjBlock
        std::uint8_t value;
        Fields expected;
    };
    const Case cases[] = {
        {5, 9, {}},
        {5, 10, {FooterField::Coo}},
        {8, 14, {}},
        {8, 15, {FooterField::Serial}},
        {19, 15, {}},
        {12, 16, {FooterField::Timestamp}},
        {23, 249, {FooterField::Checksum}}, // reads "0", so the text comparison with the CRC-16 passes
        {43, 14, {}},
        {43, 15, {FooterField::Cnpj}},
    };
    for (const Case& c : cases) {
        std::array<std::uint8_t, 44> unmasked;
        unmasked.fill(7); // checksum digits 0 under mask 7 leave room for a wrapped 249
        std::fill_n(unmasked.begin(), 24, std::uint8_t{0});
        unmasked[c.digit] = c.value;
        // What a printer prints: each field digit plus its mask, the cnpjBlock digit of the same index
        // (the checksum's from index 0 again).
        std::array<std::uint8_t, 44> code = unmasked;
        for (std::size_t i = 0; i < 24; ++i)
            code[i] = static_cast<std::uint8_t>(unmasked[i] + unmasked[24 + (i < 20 ? i : i - 20)]);
        EmptyImageDecoder decoder;
        ASSERT_EQ(decoder.decode(footerFromDigits(code)), ValidationStatus::Valid) << c.digit;
        EXPECT_EQ(implausibleFields(decoder), c.expected) << c.digit << " " << int(c.value);
    }
}

} // namespace
} // namespace morvanex
