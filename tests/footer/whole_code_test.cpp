#include "footer/whole_code.h"

#include <gtest/gtest.h>

namespace morvanex {
namespace {

TEST(WholeFooterCode, PastedTexts)
{
    const std::string code = "DB96KACG KVFMOGRA HNHDGKN7 DB84H686 KKEKK9D36IG8";
    const std::array<std::string, groupCount> groups{"DB96KACG", "KVFMOGRA", "HNHDGKN7", "DB84H686",
                                                     "KKEKK9D36IG8"};
    std::string joined;
    for (const auto& g : groups)
        joined += g;
    std::string lower = code;
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    std::string tabs = code;
    tabs[8] = '\t';
    const std::pair<std::string, bool> cases[] = {
        {code, true},
        {joined, true},
        {lower, true},
        {"  " + code + " \r\n", true},
        {"\t" + joined + "\n", true},
        {tabs, true},
        {code.substr(0, 47), false},
        {joined + "9", false},
        {code.substr(0, 8) + "-" + code.substr(9), false}, // not a separator
        {code.substr(0, 3) + "-" + code.substr(4), false}, // outside the alphabet
        {code.substr(0, 3) + "\xE7" + code.substr(4), false},
        {code.substr(0, 8) + "  " + code.substr(9, 39), false}, // blanks shifted into a group
        {"DB96KACG", false},
        {"", false},
    };
    for (const auto& [text, whole] : cases) {
        const auto found = wholeFooterCode(text);
        ASSERT_EQ(found.has_value(), whole) << text;
        if (whole) {
            EXPECT_EQ(*found, groups) << text;
        }
    }
}

} // namespace
} // namespace morvanex
