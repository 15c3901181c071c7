#include "text/line_stream.h"
#include "text/text_rules.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace morvanex {
namespace {

TEST(CaseRules, EveryPartnerOfTheCodePage)
{
    struct Case
    {
        std::string capital, small;
        bool windowsOnly;
    };
    const std::vector<Case> partners{
        {"A", "a", false},      {"Z", "z", false},      {"\xC0", "\xE0", true}, {"\xC1", "\xE1", true},
        {"\xC9", "\xE9", true}, {"\xD6", "\xF6", true}, {"\xD8", "\xF8", true}, {"\xDE", "\xFE", true},
        {"\x8A", "\x9A", true}, {"\x8C", "\x9C", true}, {"\x8E", "\x9E", true}, {"\x9F", "\xFF", true},
    };
    for (const auto& [capital, small, windowsOnly] : partners) {
        EXPECT_TRUE(equalsIgnoringCase(capital, small, CaseRule::Windows1252)) << capital;
        EXPECT_EQ(equalsIgnoringCase(capital, small, CaseRule::Ascii), !windowsOnly) << capital;
    }
    // Bytes without a partner stay as they are: × ÷ ß µ, the other 0x80-0xBF signs, ASCII signs.
    for (const char* single : {"\xD7", "\xF7", "\xDF", "\xB5", "\x80", "\x83", "\xAA", "[", "@", "`"}) {
        EXPECT_EQ(foldCase(single, CaseRule::Windows1252), single);
        EXPECT_EQ(foldCase(single, CaseRule::Ascii), single);
    }
    EXPECT_FALSE(equalsIgnoringCase("\xD7", "\xF7", CaseRule::Windows1252));
    EXPECT_EQ(foldCase("CAF\xC9.BIN", CaseRule::Windows1252), "caf\xE9.bin");
    EXPECT_EQ(foldCase("CAF\xC9.BIN", CaseRule::Ascii), "caf\xC9.bin");
}

TEST(CaseRules, ComparisonsAndAffixes)
{
    EXPECT_LT(compareIgnoringCase("a", "B", CaseRule::Ascii), 0);
    EXPECT_GT(compareIgnoringCase("ab", "A", CaseRule::Ascii), 0);
    EXPECT_LT(compareIgnoringCase("[x]", "a", CaseRule::Ascii), 0);        // folding goes to the small forms
    EXPECT_LT(compareIgnoringCase("z", "\xE0", CaseRule::Windows1252), 0); // bytes as unsigned values
    EXPECT_TRUE(startsWithIgnoringCase("com1:", "COM", CaseRule::Ascii));
    EXPECT_FALSE(startsWithIgnoringCase("CO", "COM", CaseRule::Ascii));
    EXPECT_TRUE(endsWithIgnoringCase("F.BIN", ".bin", CaseRule::Windows1252));
    EXPECT_FALSE(endsWithIgnoringCase("bin", ".bin", CaseRule::Windows1252));
}

struct SplitCase
{
    std::string text;
    LineEnds rule;
    std::vector<std::pair<std::string, std::string>> lines; // content, ending
};

const std::vector<SplitCase> splitCases{
    {"", LineEnds::Lf, {}},
    {"a", LineEnds::Lf, {{"a", ""}}},
    {"a\n", LineEnds::Lf, {{"a", "\n"}}},
    {"a\r\nb\r\n", LineEnds::Lf, {{"a", "\r\n"}, {"b", "\r\n"}}},
    {"a\rb\r", LineEnds::Lf, {{"a\rb\r", ""}}}, // a lone CR, also the last byte, is content
    {"\n\r\n", LineEnds::Lf, {{"", "\n"}, {"", "\r\n"}}},
    {"a\r\r\n", LineEnds::Lf, {{"a\r", "\r\n"}}},
    {"a\rb\nc\r\nd", LineEnds::Any, {{"a", "\r"}, {"b", "\n"}, {"c", "\r\n"}, {"d", ""}}},
    {"a\r\r\n", LineEnds::Any, {{"a", "\r"}, {"", "\r\n"}}},
    {"a\n\r", LineEnds::Any, {{"a", "\n"}, {"", "\r"}}},
    {std::string("a\0b\n", 4), LineEnds::Any, {{std::string("a\0b", 3), "\n"}}},
};

// Every line in order: a last line counts without a line end, nothing after the last line end does.
std::vector<TextLine> splitLines(std::string_view text, LineEnds rule)
{
    std::vector<TextLine> lines;
    for (std::size_t from = 0; from < text.size();) {
        lines.push_back(lineAt(text, from, rule));
        from += lines.back().content.size() + lines.back().ending.size();
    }
    return lines;
}

TEST(LineRules, WholeTexts)
{
    for (const auto& c : splitCases) {
        std::vector<std::pair<std::string, std::string>> got;
        for (const TextLine& line : splitLines(c.text, c.rule))
            got.emplace_back(line.content, line.ending);
        EXPECT_EQ(got, c.lines) << testing::PrintToString(c.text);
    }
}

// However the text is cut into pieces, the stream gives the same lines as a whole text.
TEST(LineRules, StreamsCutAnywhere)
{
    for (const auto& c : splitCases) {
        std::vector<std::string> whole;
        for (const auto& line : c.lines)
            whole.push_back(line.first);
        for (std::size_t cut = 0; cut <= c.text.size(); ++cut) {
            LineStream stream(c.rule);
            std::vector<std::string> got;
            auto drain = [&] {
                while (auto line = stream.next())
                    got.push_back(*line);
            };
            stream.append(std::string_view(c.text).substr(0, cut));
            drain();
            stream.append(std::string_view(c.text).substr(cut));
            drain();
            stream.close();
            drain();
            EXPECT_EQ(got, whole) << testing::PrintToString(c.text) << " cut at " << cut;
        }
    }
}

TEST(LineRules, AnyLineIsGivenOutBeforeMoreInputComes)
{
    LineStream stream(LineEnds::Any);
    stream.append("CODE1\r");
    EXPECT_EQ(stream.next(), "CODE1");
    EXPECT_EQ(stream.next(), std::nullopt);
    stream.append("\nCODE2\n");
    EXPECT_EQ(stream.next(), "CODE2");
    stream.append("tail");
    EXPECT_EQ(stream.next(), std::nullopt);
    stream.close();
    EXPECT_EQ(stream.next(), "tail");
    EXPECT_EQ(stream.next(), std::nullopt);
}

// A line longer than the stream keeps is cut, however it arrives, and the next line is whole.
TEST(LineRules, LongLinesAreCutAndTheNextLineIsWhole)
{
    for (const LineEnds rule : {LineEnds::Lf, LineEnds::Any}) {
        for (const std::size_t piece : {1, 3, 7, 100}) {
            LineStream stream(rule, 4);
            const std::string text = "ABCDEFGHIJ\nAB\nXYZWV";
            std::vector<std::string> got;
            for (std::size_t at = 0; at < text.size(); at += piece) {
                stream.append(std::string_view(text).substr(at, piece));
                while (auto line = stream.next())
                    got.push_back(*line);
            }
            stream.close();
            while (auto line = stream.next())
                got.push_back(*line);
            EXPECT_EQ(got, (std::vector<std::string>{"ABCD", "AB", "XYZW"})) << "pieces of " << piece;
        }
    }
}

// What a cut line dropped is counted up to its last non-blank, however it arrives; a UTF-8 sequence is
// one character, and the rest of one cut in two belongs to the character kept.
TEST(LineRules, ACutLineCountsWhatItDroppedUpToItsLastNonBlank)
{
    const std::string text = "ABCDE \xC3\xA9 \t\nAB  \t \nXYZ\xC3\xA9 \t\r\nABCDEFGHIJ\nABCD";
    const std::vector<std::pair<std::string, std::size_t>> expected{
        {"ABCD", 3}, {"AB  ", 0}, {"XYZ\xC3", 0}, {"ABCD", 6}, {"ABCD", 0}};
    for (const std::size_t piece : {1, 2, 5, 100}) {
        LineStream stream(LineEnds::Any, 4);
        std::vector<std::pair<std::string, std::size_t>> got;
        const auto drain = [&] {
            while (auto line = stream.next())
                got.emplace_back(*line, stream.droppedUpToNonBlank());
        };
        for (std::size_t at = 0; at < text.size(); at += piece) {
            stream.append(std::string_view(text).substr(at, piece));
            drain();
        }
        stream.close();
        drain();
        EXPECT_EQ(got, expected) << "pieces of " << piece;
    }
}

} // namespace
} // namespace morvanex
