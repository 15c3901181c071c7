#include "footer/whole_code.h"

#include <gtest/gtest.h>

namespace morvanex {
namespace {

TEST(WholeFooterCode, PastedTexts)
{
    const std::string code = "DB96KACG KVFMOGRA HNHDGKN7 DB84H686 KKEKK9D36IG8";
    const std::array<std::string, groupCount> groups{"DB96KACG", "KVFMOGRA", "HNHDGKN7", "DB84H686",
                                                     "KKEKK9D36IG8"};
    const std::string joined = "DB96KACGKVFMOGRAHNHDGKN7DB84H686KKEKK9D36IG8";
    const std::pair<std::string, bool> cases[] = {
        {code, true},
        {"\t" + joined + "\r\n", true},
        {"  db96kacg kvfmogra hnhdgkn7 db84h686 kkekk9d36ig8 ", true},
        {"DB96KACG\tKVFMOGRA HNHDGKN7 DB84H686 KKEKK9D36IG8", true},
        {code.substr(0, 47), false},
        {joined + "9", false},
        {code.substr(0, 8) + "-" + code.substr(9), false},      // not a separator
        {code.substr(0, 3) + "-" + code.substr(4), false},      // outside the alphabet
        {code.substr(0, 3) + "\xE7" + code.substr(4), false},   // "ç"
        {code.substr(0, 8) + "  " + code.substr(9, 39), false}, // groups shifted
        {"", false},
    };
    using Groups = std::array<std::string, groupCount>;
    for (const auto& [text, whole] : cases)
        EXPECT_EQ(wholeFooterCode(text).value_or(Groups{}), whole ? groups : Groups{}) << text;
}

} // namespace
} // namespace morvanex
