#include "process.h"

#include <gtest/gtest.h>
#include <string>

namespace morvanex::test {
namespace {

// The demo's first sample code, and the same with its 15th character mistyped as a look-alike.
const std::string genuine = "DB96KACG KVFMOGRA HNHDGKN7 DB84H686 KKEKK9D36IG8";
const std::string typo = "DB96KACG KVFMO6RA HNHDGKN7 DB84H686 KKEKK9D36IG8";
// Its last two characters swapped.
const std::string swap = "DB96KACG KVFMOGRA HNHDGKN7 DB84H686 KKEKK9D36I8G";

ProcessResult validate(std::vector<std::string> args, const std::string& input = {})
{
    args.insert(args.begin(), {"validate", "--dir", MORVANEX_DEMO_DIR});
    return runCli(args, input);
}

// The text output less its suggestion lines.
std::string withoutSuggestions(const std::string& out)
{
    std::string kept;
    for (std::size_t at = 0; at < out.size();) {
        const std::size_t end = out.find('\n', at) + 1;
        if (out.compare(at, 10, "SUGESTÃO\t") != 0)
            kept += out.substr(at, end - at);
        at = end;
    }
    return kept;
}

TEST(Suggest, JsonListsTheGenuineCodeOfATypo)
{
    const auto r = validate({"--suggest", "--json", typo});
    const auto plain = validate({"--json", typo});
    EXPECT_EQ(r.exitCode, plain.exitCode);
    EXPECT_NE(r.out.find(R"("suggestions":[{"code":")" + genuine +
                         R"(","positions":[15],"typed":"6","suggested":"G","cnpjCheckDigits":true})"),
              std::string::npos)
        << r.out;
    // The answer without --suggest, with the array before its closing brace.
    ASSERT_EQ(plain.out.back(), '\n');
    EXPECT_EQ(r.out.substr(0, plain.out.size() - 2), plain.out.substr(0, plain.out.size() - 2));
    EXPECT_EQ(plain.out.find("suggestions"), std::string::npos);
}

TEST(Suggest, TextAddsOneLinePerSuggestionAndNothingElseChanges)
{
    for (const auto& [typed, line] :
         {std::pair{typo, "SUGESTÃO\t" + genuine + "\tposição 15: '6' por 'G'\n"},
          std::pair{swap, "SUGESTÃO\t" + genuine + "\tposições 47 e 48: '8G' por 'G8'\n"}}) {
        const auto r = validate({"--suggest", typed});
        const auto plain = validate({typed});
        EXPECT_EQ(r.exitCode, plain.exitCode) << typed;
        EXPECT_NE(r.exitCode, 0) << typed;
        EXPECT_EQ(r.err, plain.err);
        EXPECT_EQ(withoutSuggestions(r.out), plain.out);
        EXPECT_EQ(r.out.substr(plain.out.size(), line.size()), line) << r.out;
    }
    // A Valid code gets none, with or without the option.
    const auto valid = validate({"--suggest", genuine});
    EXPECT_EQ(valid.exitCode, 0);
    EXPECT_EQ(valid.out, validate({genuine}).out);
}

TEST(Suggest, BatchAnswersEachLineWithItsSuggestions)
{
    const std::string input = typo + "\n" + genuine + "\nnot a code\n" + swap + "\n";
    const auto text = validate({"--suggest", "-"}, input);
    const auto plain = validate({"-"}, input);
    EXPECT_EQ(text.exitCode, 10);
    EXPECT_EQ(plain.exitCode, 10);
    EXPECT_EQ(withoutSuggestions(text.out), plain.out);
    // Each suggestion right after the answer it belongs to.
    const std::size_t first = text.out.find("SUGESTÃO\t" + genuine + "\tposição 15");
    const std::size_t valid = text.out.find("COO\t001234\n");
    const std::size_t invalid = text.out.find("InvalidString\n");
    const std::size_t last = text.out.find("SUGESTÃO\t" + genuine + "\tposições 47 e 48");
    ASSERT_NE(last, std::string::npos) << text.out;
    EXPECT_LT(first, valid);
    EXPECT_LT(valid, invalid);
    EXPECT_LT(invalid, last);

    const auto json = validate({"--suggest", "--json", "-"}, input);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < json.out.size(); at = json.out.find('\n', at) + 1)
        lines.push_back(json.out.substr(at, json.out.find('\n', at) - at));
    ASSERT_EQ(lines.size(), 4u) << json.out;
    EXPECT_NE(lines[0].find(R"("suggestions":[{"code":")" + genuine), std::string::npos);
    EXPECT_EQ(lines[1].find("suggestions"), std::string::npos); // Valid
    EXPECT_NE(lines[2].find(R"({"status":"InvalidString","suggestions":[]})"), std::string::npos) << lines[2];
    EXPECT_NE(lines[3].find(R"("positions":[47,48],"typed":"8G","suggested":"G8")"), std::string::npos);
}

} // namespace
} // namespace morvanex::test
