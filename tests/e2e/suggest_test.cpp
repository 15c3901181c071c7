#include "process.h"

#include <gtest/gtest.h>
#include <string>

namespace morvanex::test {
namespace {

// The demo's first sample code; the same with its 15th character mistyped; its last two swapped.
const std::string genuine = "DB96KACG KVFMOGRA HNHDGKN7 DB84H686 KKEKK9D36IG8";
const std::string typo = "DB96KACG KVFMO6RA HNHDGKN7 DB84H686 KKEKK9D36IG8";
const std::string swap = "DB96KACG KVFMOGRA HNHDGKN7 DB84H686 KKEKK9D36I8G";

ProcessResult validate(std::vector<std::string> args, const std::string& input = {})
{
    args.insert(args.begin(), {"validate", "--dir", MORVANEX_DEMO_DIR});
    return runCli(args, input);
}

TEST(Suggest, JsonListsTheGenuineCodeOfATypo)
{
    const auto r = validate({"--suggest", "--json", typo});
    const auto plain = validate({"--json", typo});
    EXPECT_EQ(r.exitCode, plain.exitCode);
    // The answer without --suggest, the array added before its closing brace.
    EXPECT_EQ(r.out, plain.out.substr(0, plain.out.size() - 2) + R"(,"suggestions":[{"code":")" + genuine +
                         R"(","positions":[15],"typed":"6","suggested":"G","cnpjCheckDigits":true}]})" +
                         "\n");
}

TEST(Suggest, TextAddsALinePerSuggestionAfterEachAnswer)
{
    const std::string input = typo + "\n" + genuine + "\nnot a code\n" + swap + "\n";
    const auto r = validate({"--suggest", "-"}, input);
    const auto plain = validate({"-"}, input);
    EXPECT_EQ(r.exitCode, plain.exitCode);
    // Each answer as without --suggest: the outcome's name, or the nine rows of a Valid code.
    const std::size_t rows = plain.out.find("COO\t");
    const std::size_t invalid = plain.out.find("InvalidString\n");
    ASSERT_EQ(plain.out.substr(0, rows), "Implausible\n");
    EXPECT_EQ(r.out, "Implausible\nSUGESTÃO\t" + genuine + "\tposição 15: '6' por 'G'\n" +
                         plain.out.substr(rows, invalid - rows) +
                         "InvalidString\nImplausible\nSUGESTÃO\t" + genuine +
                         "\tposições 47 e 48: '8G' por 'G8'\n");
    EXPECT_EQ(plain.out.substr(invalid), "InvalidString\nImplausible\n");
}

} // namespace
} // namespace morvanex::test
