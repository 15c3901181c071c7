#include "register/register_format.h"
#include "register_records.h"

#include <gtest/gtest.h>

namespace morvanex {
namespace {

using test::checkOf;
using test::cnpjA;
using test::Document;

TEST(RegisterFormat, ARecordIsOneLineOfTwelveFieldsAndReadsBackFieldForField)
{
    CheckRecord awkward = checkOf(Document{}, cnpjA);
    awkward.station = "caixa\t1\\sala\n2";
    awkward.user = "João";
    awkward.code = std::string("ABC\0\r\x7F\xE9 ", 8); // a zero byte, CR, DEL, a lone Windows-1252 é
    awkward.verdict = CheckVerdict::CnpjMismatch;
    awkward.firmwareFile = "pasta\\FW\xF0\x9F\x98\x80.BIN"; // a well-formed four-byte character stays
    awkward.document.moment = "0000\n00";                   // a wrapped timestamp digit can read as LF
    awkward.document.moment += "6";
    const CheckRecord plain = checkOf(Document{}, cnpjA, 0);

    for (const CheckRecord& record : {awkward, plain}) {
        const std::string line = recordLine(record);
        ASSERT_EQ(line.find('\n'), line.size() - 1);
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 11);
        CheckRecord back;
        std::string why;
        ASSERT_TRUE(parseRecordLine(std::string_view(line).substr(0, line.size() - 1), back, &why)) << why;
        EXPECT_EQ(back, record);
    }
    EXPECT_NE(recordLine(awkward).find("João"), std::string::npos);
    EXPECT_NE(recordLine(awkward).find("\\xe9"), std::string::npos);
    EXPECT_EQ(recordLine(plain).substr(0, 21), "1970-01-01T00:00:00Z\t");
}

TEST(RegisterFormat, LinesThatAreNoRecordAreRefused)
{
    const std::string good = recordLine(checkOf(Document{}, cnpjA));
    const std::string_view body = std::string_view(good).substr(0, good.size() - 1);
    // Builds a line from a changed record, its check value made right, so only the change is wrong.
    const auto resealed = [](const CheckRecord& changed) {
        std::string line = recordLine(changed);
        line.pop_back();
        return line;
    };
    CheckRecord shortCnpj = checkOf(Document{}, cnpjA);
    shortCnpj.cnpj.pop_back();
    const std::string badTime = std::string("2025-02-30T05:46:40Z").append(body.substr(20));
    std::string changed(body);
    changed[30] = 'Z';
    const std::pair<const char*, std::string> cases[] = {
        {"cut short", std::string(body.substr(0, body.size() - 20))},
        {"one byte changed", changed},
        {"a field too many", std::string(body) + "\tmore"},
        {"an empty line", ""},
        {"a time that is no date", badTime},
        {"a CNPJ of 19 characters", resealed(shortCnpj)},
        {"the header", registerHeader()},
    };
    for (const auto& [name, line] : cases) {
        CheckRecord record;
        std::string why;
        EXPECT_FALSE(parseRecordLine(line, record, &why)) << name;
        EXPECT_FALSE(why.empty()) << name;
    }
}

TEST(RegisterFormat, EscapesAndTimes)
{
    const std::pair<std::string, std::string> escapes[] = {{"a\\b", "a\\\\b"},
                                                           {"\t\n\r", "\\t\\n\\r"},
                                                           {std::string("\x01\x7F", 2), "\\x01\\x7f"},
                                                           {"\xC3\xA7\xC3", "\xC3\xA7\\xc3"},
                                                           {"\xED\xA0\x80", "\\xed\\xa0\\x80"}};
    for (const auto& [text, field] : escapes) {
        EXPECT_EQ(escapeField(text), field);
        EXPECT_EQ(unescapeField(field), text);
    }
    for (const char* malformed : {"\\", "\\q", "\\x4", "\\xg0"})
        EXPECT_FALSE(unescapeField(malformed)) << malformed;

    const std::pair<std::int64_t, const char*> times[] = {{0, "1970-01-01T00:00:00Z"},
                                                          {951782400, "2000-02-29T00:00:00Z"},
                                                          {-1, "1969-12-31T23:59:59Z"},
                                                          {4107542400, "2100-03-01T00:00:00Z"},
                                                          {earliestIsoTime, "0000-01-01T00:00:00Z"},
                                                          {latestIsoTime, "9999-12-31T23:59:59Z"}};
    for (const auto& [seconds, text] : times) {
        EXPECT_EQ(isoTime(seconds), text);
        EXPECT_EQ(parseIsoTime(text), seconds) << text;
    }
    for (const char* wrong :
         {"2100-02-29T00:00:00Z", "2026-12-08 10:15:00Z", "2026-12-08T24:00:00Z", "2026-12-08T10:15:00"})
        EXPECT_FALSE(parseIsoTime(wrong)) << wrong;
}

} // namespace
} // namespace morvanex
