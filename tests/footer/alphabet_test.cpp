#include "footer/alphabet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morvanex {
namespace {

TEST(Alphabet, DigitValuesOfEverySymbol)
{
    const std::string symbols = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ+!#$%&@><=";
    ASSERT_EQ(symbols.size(), 46u);
    for (std::size_t v = 0; v < symbols.size(); ++v) {
        EXPECT_EQ(footerDigitValue(static_cast<unsigned char>(symbols[v])), v) << symbols[v];
        EXPECT_EQ(footerSymbol(static_cast<std::uint8_t>(v)), symbols[v]);
    }
    for (const char c : std::string("az -_*.?/\x01\x80\xFF"))
        EXPECT_FALSE(footerDigitValue(static_cast<unsigned char>(c))) << int(c);
    EXPECT_FALSE(footerDigitValue(0));
}

TEST(Alphabet, ConversionSkipsSeparatorsAndStopsAtTheFirstBadCharacter)
{
    std::vector<std::uint8_t> text(48, 'Z');
    for (const std::size_t p : separatorPositions)
        text[p] = '-';
    EXPECT_TRUE(alphabetToDigits(text));
    EXPECT_EQ(text[0], 35);
    EXPECT_EQ(text[8], '-');

    std::vector<std::uint8_t> bad(48, '=');
    bad[20] = 'a';
    EXPECT_FALSE(alphabetToDigits(bad));
    EXPECT_EQ(bad[19], 45); // converted before the failure
    EXPECT_EQ(bad[21], '='); // untouched after it
}

TEST(Alphabet, DigitsToTextWrapAsBytes)
{
    std::vector<std::uint8_t> v{0, 9, 10, 35, 255, 200};
    digitsToAlnum(v);
    EXPECT_EQ(std::string(v.begin(), v.end()), std::string("09AZ6") + char(255));

    std::vector<std::uint8_t> d{0, 9, 10, 12, 13, 14, 15, 255};
    digitsToDocText(d);
    EXPECT_EQ(std::string(d.begin(), d.end()), "09AC./  ");

    std::vector<std::uint8_t> h{'0', '9', 'A', 'F', 'a', ' '};
    hexTextToDigits(h);
    EXPECT_EQ(h, (std::vector<std::uint8_t>{0, 9, 10, 15, 42, 240}));
}

TEST(Alphabet, DocumentAlphabet)
{
    const std::string symbols = "0123456789ABC./";
    for (std::size_t v = 0; v < symbols.size(); ++v)
        EXPECT_EQ(documentSymbolValue(static_cast<unsigned char>(symbols[v])), v);
    for (const char c : std::string("D a-"))
        EXPECT_FALSE(documentSymbolValue(static_cast<unsigned char>(c)));
}

} // namespace
} // namespace morvanex
