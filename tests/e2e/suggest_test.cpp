#include "process.h"

#include <gtest/gtest.h>
#include <regex>
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
                         R"(","positions":[15],"typed":"6","suggested":"G","cnpjCheckDigits":true,"row":0,)"
                         R"("fileName":"ARGOS210.BIN"}]})" +
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

// One character of code replaced by another of the alphabet.
std::string mistyped(std::string code, std::size_t position)
{
    code[position] = code[position] == 'X' ? 'Y' : 'X';
    return code;
}

// Every suggestion validates with the options it was asked with, on the row and file it names; the
// demo's two T-500 images share one checksum.
TEST(Suggest, EachSuggestionValidatesUnderTheSameOptions)
{
    const std::string pairA = "8D8KYAT7 GIC4RBEH 5U9EEJ9R 8D8DR3H7 FHC4M2893F9E"; // TKN500A.BIN, row 2
    const auto encoded =
        runCli({"encode", "--image", std::string(MORVANEX_DEMO_DIR) + "/Bin/TKN500B.BIN", "--coo", "321",
                "--serial", "C01100", "--time", "1500000000", "--cnpj", "0011.222.333/0001.81"});
    ASSERT_EQ(encoded.exitCode, 0);
    const std::string pairB = encoded.out.substr(0, encoded.out.find('\n')); // TKN500B.BIN, row 3
    const struct
    {
        const char* what;
        std::vector<std::string> options;
        std::string typed;
        std::string genuine; // to be suggested; empty when it does not validate with the options
    } cases[] = {
        {"--row 3, a code of row 3", {"--row", "3"}, mistyped(pairB, 14), pairB},
        {"--row 2, a code of row 2", {"--row", "2"}, mistyped(pairA, 40), pairA},
        {"--row 3, a code of row 2", {"--row", "3"}, mistyped(pairA, 14), ""},
        {"no --row, a code of either", {}, mistyped(pairB, 14), ""},
        {"--row of the other checksum", {"--row", "3"}, typo, genuine},
        {"--expect-cnpj of the document", {"--expect-cnpj", "0012.345.678/0001.95"}, typo, genuine},
        {"--expect-cnpj of another", {"--expect-cnpj", "0098.765.432/0001.10"}, typo, ""},
        {"--row and --expect-cnpj",
         {"--row", "3", "--expect-cnpj", "0011.222.333/0001.81"},
         mistyped(pairB, 3),
         pairB},
    };
    const std::regex suggestionJson(R"re(\{"code":"([^"]+)"[^}]*"row":(\d+),"fileName":"([^"]*)"\})re");
    const std::regex firmwareJson(R"re("firmware":\{"index":(\d+),"fileName":"([^"]*)")re");
    for (const auto& c : cases) {
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"--suggest", "--json", c.typed});
        const auto r = validate(args);
        ASSERT_NE(r.exitCode, 0) << c.what;
        bool genuineSuggested = false;
        for (auto it = std::sregex_iterator(r.out.begin(), r.out.end(), suggestionJson);
             it != std::sregex_iterator(); ++it) {
            const std::string code = (*it)[1];
            genuineSuggested = genuineSuggested || code == c.genuine;
            args = c.options;
            args.insert(args.end(), {"--json", code});
            const auto again = validate(args);
            EXPECT_EQ(again.exitCode, 0) << c.what << ": " << code << "\n" << again.out << again.err;
            std::smatch firmware;
            ASSERT_TRUE(std::regex_search(again.out, firmware, firmwareJson)) << c.what << ": " << again.out;
            EXPECT_EQ(firmware[1], (*it)[2]) << c.what << ": " << code;
            EXPECT_EQ(firmware[2], (*it)[3]) << c.what << ": " << code;
        }
        EXPECT_EQ(genuineSuggested, !c.genuine.empty()) << c.what << "\n" << r.out;
    }
}

} // namespace
} // namespace morvanex::test
