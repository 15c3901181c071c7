#include "text/text_encoding.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

using morvanex::cp1252;
using morvanex::utf8;
using morvanex::utf8ToCp1252;

namespace {

std::string allBytes()
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes.push_back(static_cast<char>(b));
    return bytes;
}

} // namespace

TEST(TextEncoding, EveryByteSurvivesTheRoundTrip)
{
    const std::string bytes = allBytes();
    const auto back = utf8ToCp1252(utf8(bytes));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, bytes);

    // No two bytes share a code point, otherwise the inverse could not be exact.
    std::set<std::string> seen;
    for (const char c : bytes)
        seen.insert(utf8(std::string(1, c)));
    EXPECT_EQ(seen.size(), 256u);
}

TEST(TextEncoding, NamedCharacters)
{
    EXPECT_EQ(utf8("\xE9"), "é");
    EXPECT_EQ(utf8("\x80"), "€");
    EXPECT_EQ(utf8("\xC3"), "Ã");
    EXPECT_EQ(utf8("\x82"), "\u201A");
    EXPECT_EQ(utf8("\x8A"), "Š");
    EXPECT_EQ(utf8("\x99"), "™");
    EXPECT_EQ(utf8("\x9F"), "Ÿ");
    EXPECT_EQ(utf8("\xA0"), "\u00A0");
    EXPECT_EQ(utf8("\xFF"), "ÿ");
    EXPECT_EQ(utf8(std::string_view("A\0z", 3)), std::string("A\0z", 3));

    EXPECT_EQ(utf8ToCp1252("é"), "\xE9");
    EXPECT_EQ(utf8ToCp1252("€"), "\x80");
    EXPECT_EQ(utf8ToCp1252("Ã"), "\xC3");
    EXPECT_EQ(utf8ToCp1252("“”"), "\x93\x94");
    EXPECT_EQ(utf8ToCp1252("String do Rodapé: Não"), "String do Rodap\xE9: N\xE3o");
    EXPECT_EQ(utf8ToCp1252(""), "");
}

TEST(TextEncoding, UndefinedBytesPassThroughAsC1Controls)
{
    const std::string undefinedBytes = "\x81\x8D\x8F\x90\x9D";
    const std::string asUtf8 = "\u0081\u008D\u008F\u0090\u009D";
    EXPECT_EQ(utf8(undefinedBytes), asUtf8);
    EXPECT_EQ(utf8ToCp1252(asUtf8), undefinedBytes);
}

TEST(TextEncoding, CodePointsWithoutAByteAreRejected)
{
    // C1 controls other than the five undefined bytes: their byte values stand for other characters.
    EXPECT_FALSE(utf8ToCp1252("\u0080").has_value());
    EXPECT_FALSE(utf8ToCp1252("\u0083").has_value());
    EXPECT_FALSE(utf8ToCp1252("\u009F").has_value());
    EXPECT_FALSE(utf8ToCp1252("Ā").has_value());
    EXPECT_FALSE(utf8ToCp1252("ok \u20AD").has_value());
    EXPECT_FALSE(utf8ToCp1252("😀").has_value());
}

TEST(TextEncoding, MalformedUtf8IsRejected)
{
    const char* const malformed[] = {
        "\x80",             // continuation byte without a lead
        "a\xC3",            // sequence cut at the end
        "\xE2\x82",         // three-byte sequence cut short
        "\xC3(",            // lead followed by a non-continuation byte
        "\xC0\xA9",         // overlong two-byte form
        "\xC1\xBF",         // overlong two-byte form
        "\xE0\x80\xA9",     // overlong three-byte form
        "\xF0\x80\x80\xA9", // overlong four-byte form
        "\xED\xA0\x80",     // surrogate
        "\xF4\x90\x80\x80", // beyond U+10FFFF
        "\xF8\x88\x80\x80\x80",
        "\xFF",
    };
    for (const char* text : malformed)
        EXPECT_FALSE(utf8ToCp1252(text).has_value()) << "accepted: " << ::testing::PrintToString(text);
}

TEST(TextEncoding, AnyTextGetsAWindows1252Form)
{
    const struct
    {
        std::string utf8Text;
        std::string expected;
    } cases[] = {
        {"Não é", "N\xE3o \xE9"},
        {"ok \u20AD!", "ok ?!"},   // no byte for it
        {"😀", "?"},               // one character, one "?"
        {"a\xC3", "a?"},           // cut short
        {"\xE2\x82z", "??z"},      // each byte of a broken sequence
        {"\xC0\xA9.", "??."},      // overlong
    };
    for (const auto& c : cases)
        EXPECT_EQ(cp1252(c.utf8Text), c.expected) << c.utf8Text;
}
