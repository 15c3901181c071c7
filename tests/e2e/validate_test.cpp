#include "process.h"
#include "support/temp_dir.h"

#include "firmware/image_file.h"
#include "footer/alphabet.h"
#include "footer/footer_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sstream>

namespace morvanex::test {
namespace {

const std::string cnpj = "0012.345.678/0001.95";

// A workspace with a plain model, a byte-swapped one, two rows of one image, a missing image and
// an unreadable (sub-folder) descriptor.
class CliWorkspace : public ::testing::Test
{
protected:
    TempDir dir;
    std::vector<std::uint8_t> plain = randomBytes(70000, 1);
    std::vector<std::uint8_t> swapped = randomBytes(50001, 2);
    std::vector<std::uint8_t> shared = randomBytes(30000, 3);

    void SetUp() override
    {
        dir.write("TXT/1plain.txt", "ARQUIVO: plain.bin\nMODELO: P-1\nMARCA: Marca\xE9\nVERSAO: 1.0\n");
        dir.write("TXT/2swap.txt", "MODELO: XR-55-LQ\nARQUIVO: swap.bin\nMARCA: S\nVERSAO: 2\n");
        dir.write("TXT/3shared.txt", "ARQUIVO: shared.bin\nMODELO: SH-A\n");
        dir.write("TXT/4shared.txt", "ARQUIVO: shared.bin\nMODELO: SH-B\n");
        dir.write("TXT/5missing.txt", "ARQUIVO: missing.bin\nMODELO: M\n");
        std::filesystem::create_directories(dir.path() / "TXT/6old.txt");
        dir.write("bin/plain.bin", plain);
        dir.write("bin/swap.bin", swapped);
        dir.write("bin/shared.bin", shared);
    }

    std::string code(std::vector<std::uint8_t> image, bool swap = false, std::uint32_t coo = 41)
    {
        if (swap)
            swapBytePairs(image);
        return *encodeFooter(image, coo, "42020B", 0x482318BE, cnpj);
    }
    ProcessResult validate(std::vector<std::string> args, const std::string& input = {})
    {
        args.insert(args.begin(), {"validate", "--dir", dir.path().string()});
        return runCli(args, input);
    }
};

// The start of each JSON answer, up to its status.
std::vector<std::string> statusesOf(const std::string& answers)
{
    std::istringstream lines(answers);
    std::vector<std::string> statuses;
    for (std::string line; std::getline(lines, line);)
        statuses.push_back(line.substr(0, line.find(',')));
    return statuses;
}

const std::string missingMessage = "O arquivo missing.bin não pôde ser aberto.\n"
                                   "Verifique se o arquivo não está sendo usado.\n";

TEST_F(CliWorkspace, CatalogueTextAndJson)
{
    const auto text = runCli({"catalogue", "--dir", dir.path().string()});
    ASSERT_EQ(text.exitCode, 0);
    std::istringstream lines(text.out);
    std::string line;
    std::vector<std::string> all;
    while (std::getline(lines, line))
        all.push_back(line);
    ASSERT_EQ(all.size(), 7u);
    EXPECT_EQ(all[0], "index\tfileName\tmodel\tversion\tbrand\tfooterChecksum\tdisplayChecksum\tbyteSwapped");
    EXPECT_EQ(all[1].rfind("0\tplain.bin\tP-1\t1.0\tMarcaé\t", 0), 0u) << all[1];
    EXPECT_EQ(all[2].substr(all[2].size() - 2), "\t1");
    EXPECT_EQ(all[5], "4\tmissing.bin\tM\t\t\t0000\t0000\t0");
    EXPECT_EQ(all[6], "5\t\t\t\t\t\t\t0");
    EXPECT_EQ(text.err, missingMessage + missingMessage + // once per checksum
                            "morvanex-cli catalogue: warning: row 4: cannot read image 'missing.bin': No such file or "
                            "directory\n");

    const auto json = runCli({"catalogue", "--dir", dir.path().string(), "--json"});
    ASSERT_EQ(json.exitCode, 0);
    EXPECT_NE(json.out.find(R"({"index":1,"fileName":"swap.bin","model":"XR-55-LQ","version":"2","brand":"S",)"),
              std::string::npos);
    EXPECT_NE(json.out.find(R"("byteSwapped":true})"), std::string::npos);
    EXPECT_NE(json.out.find(R"("byteSwapped":false,"imageProblem":"No such file or directory"})"), std::string::npos);
    EXPECT_EQ(json.out.front(), '[');
}

TEST_F(CliWorkspace, ValidCodesPrintTheNineRows)
{
    const auto r = validate({code(plain)});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find("CHECKSUM")), "COO\t000041\nCNPJ\t" + cnpj +
                                                           "\nDATA/HORA\t08/05/2008 15:14:06\nN.SÉRIE\t42020B\n"
                                                           "MODELO\tP-1\nMARCA\tMarcaé\nVERSAO\t1.0\n");
    EXPECT_NE(r.out.find("\nARQUIVO\tplain.bin\n"), std::string::npos);

    const auto s = validate({"--json", code(swapped, true)});
    ASSERT_EQ(s.exitCode, 0);
    EXPECT_NE(s.out.find(R"("status":"Valid","coo":"000041","cnpj":")" + cnpj), std::string::npos);
    EXPECT_NE(s.out.find(R"("firmware":{"index":1,"fileName":"swap.bin")"), std::string::npos);
    std::filesystem::remove(dir.path() / "TXT/5missing.txt"); // else the missing image might be the one
    EXPECT_EQ(validate({code(swapped, false)}).exitCode, 2);
}

TEST_F(CliWorkspace, AmbiguityAndRowChoice)
{
    const std::string c = code(shared);
    const auto ambiguous = validate({"--json", c});
    EXPECT_EQ(ambiguous.exitCode, 4);
    EXPECT_NE(ambiguous.out.find(R"("status":"Ambiguous")"), std::string::npos);
    EXPECT_NE(ambiguous.out.find(R"("candidates":[2,3])"), std::string::npos);
    const auto chosen = validate({"--row", "3", c});
    EXPECT_EQ(chosen.exitCode, 0);
    EXPECT_NE(chosen.out.find("MODELO\tSH-B\n"), std::string::npos);
    EXPECT_EQ(validate({"--row", "0", c}).exitCode, 4); // not one of the candidates
}

TEST_F(CliWorkspace, FailuresAndTheirMessages)
{
    const auto invalid = validate({"0000000 00000000"});
    EXPECT_EQ(invalid.exitCode, 1);
    EXPECT_TRUE(invalid.out.empty());
    EXPECT_NE(invalid.err.find("A string do rodapé é inválida.\n"), std::string::npos);

    // While an approved image cannot be read, a code no readable image names gets no verdict.
    const auto unread = validate({"--json", code(randomBytes(10, 9))});
    EXPECT_EQ(unread.exitCode, 74);
    EXPECT_NE(unread.out.find(R"({"status":"ImageUnreadable","checksum":")"), std::string::npos) << unread.out;
    EXPECT_NE(unread.out.find(R"("unreadableImages":[{"fileName":"missing.bin","reason":"No such file or directory"}])"),
              std::string::npos)
        << unread.out;
    EXPECT_TRUE(unread.err.ends_with(missingMessage + "morvanex-cli validate: cannot read image 'missing.bin': "
                                                      "No such file or directory\n"))
        << unread.err;

    // The missing image's row carries "0000", which an empty image's code names.
    const auto zero = validate({"--json", code({})});
    EXPECT_EQ(zero.exitCode, 74);
    EXPECT_NE(zero.out.find(R"("firmware":{"index":4,"fileName":"missing.bin")"), std::string::npos);

    std::filesystem::remove(dir.path() / "TXT/5missing.txt");
    const auto unknown = validate({"--json", code(randomBytes(10, 9))});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.out.find(R"({"status":"FirmwareNotFound","checksum":")"), std::string::npos);
}

// A code is 48 characters: what follows them is not passed over unseen. Trailing blanks, a line end and a
// byte-order mark before the first line are no part of it.
TEST_F(CliWorkspace, StrayText)
{
    const std::string c = code(plain);
    const auto trailing = validate({c + "TRAILING"});
    EXPECT_EQ(trailing.exitCode, 1);
    EXPECT_NE(trailing.err.find("morvanex-cli validate: a FooterCode has 48 characters, this has 56\n"),
              std::string::npos)
        << trailing.err;
    const auto json = validate({"--json", c + " é"});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_EQ(json.out, R"({"status":"InvalidString","reason":"a FooterCode has 48 characters, this has 50"})" "\n");
    EXPECT_EQ(validate({c + " \t "}).exitCode, 0);

    // A line is judged whole, however far past what is kept its text goes.
    const std::string blanks(5000, ' ');
    const auto batch = validate({"--json", "-"}, "\xEF\xBB\xBF" + c + "\r\n" + c + "X  \r\n" + c + "  \n" + c +
                                                     blanks + "X" + blanks + "\n" + c + blanks + "\t\n");
    EXPECT_EQ(batch.exitCode, 10);
    EXPECT_EQ(statusesOf(batch.out), (std::vector<std::string>{R"({"status":"Valid")", R"({"status":"InvalidString")",
                                                               R"({"status":"Valid")", R"({"status":"InvalidString")",
                                                               R"({"status":"Valid")"}));
    EXPECT_NE(batch.out.find(R"("reason":"a FooterCode has 48 characters, this has 5049"})"), std::string::npos)
        << batch.out;
}

TEST_F(CliWorkspace, ExpectedCnpj)
{
    const std::string c = code(plain);
    EXPECT_EQ(validate({"--expect-cnpj", cnpj, c}).exitCode, 0);
    for (const std::string& bad : {cnpj + " ", std::string(), std::string("0012.345.678/0001.9 "),
                                   std::string("0012.345.678/0001.9a")})
        EXPECT_EQ(validate({"--expect-cnpj", bad, c}).exitCode, 64) << bad;
    const auto other = validate({"--json", "--expect-cnpj", "0012.345.678/0001.96", c});
    EXPECT_EQ(other.exitCode, 5);
    EXPECT_NE(other.out.find(R"("status":"CnpjMismatch","coo":"000041")"), std::string::npos);
}

// The 44 digit values of a code.
std::array<std::uint8_t, 44> digitValues(const std::string& code)
{
    std::array<std::uint8_t, 44> values;
    auto v = values.begin();
    for (std::size_t p = 0; p < footerLength; ++p)
        if (!isSeparatorPosition(p))
            *v++ = *footerDigitValue(static_cast<unsigned char>(code[p]));
    return values;
}

constexpr std::size_t checksumDigit = 20, blockDigit = 24; // first of each among the 44 values

// Every mask digit "U" (30): the fields keep their values, the CNPJ deciphers to blanks whatever the key.
std::string allMasksU(const std::string& genuine)
{
    auto v = digitValues(genuine);
    for (std::size_t i = 0; i < blockDigit; ++i) {
        const std::size_t mask = blockDigit + (i < checksumDigit ? i : i - checksumDigit);
        v[i] = static_cast<std::uint8_t>(v[i] - v[mask] + 30);
    }
    std::fill(v.begin() + blockDigit, v.end(), std::uint8_t{30});
    return footerFromDigits(v);
}

// Groups 4 and 5 overwritten after the checksum's four mask digits, so the checksum still reads right.
std::string cnpjOverwritten(std::string genuine)
{
    for (std::size_t p = 31; p < footerLength; ++p)
        genuine[p] = p == 35 ? ' ' : '=';
    return genuine;
}

// A checksum digit d of 0-6 moved to 249 + d, which reads as the same character; empty when no digit
// of this code allows it.
std::string checksumWrapped(const std::string& genuine)
{
    auto v = digitValues(genuine);
    for (std::size_t i = 0; i < 4; ++i) {
        const int mask = v[blockDigit + i], digit = v[checksumDigit + i] - mask;
        if (digit <= 6 && mask + digit >= 7) {
            v[checksumDigit + i] = static_cast<std::uint8_t>(mask + digit - 7);
            return footerFromDigits(v);
        }
    }
    return {};
}

TEST_F(CliWorkspace, ForgedCodesAreImplausible)
{
    std::string wrapped;
    for (std::uint32_t coo = 0; wrapped.empty(); ++coo)
        wrapped = checksumWrapped(code(plain, false, coo));
    struct Case
    {
        std::string code;
        std::vector<std::string> extra;
        std::string fields; // the start of the implausibleFields array
    };
    const Case cases[] = {
        {allMasksU(code(plain)), {}, R"(["cnpj"])"},
        {allMasksU(code(plain)), {"--expect-cnpj", "00000000000000000000"}, R"(["cnpj"])"},
        {cnpjOverwritten(code(plain)), {}, R"(["coo","serial","timestamp","cnpj"])"},
        {wrapped, {"--expect-cnpj", cnpj}, R"(["checksum")"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.extra;
        args.push_back(c.code);
        const auto text = validate(args);
        EXPECT_EQ(text.exitCode, 6) << c.code << text.err;
        EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 9) << c.code;
        EXPECT_NE(text.err.find("no genuine printer makes this code"), std::string::npos) << text.err;

        args.insert(args.begin(), "--json");
        const auto json = validate(args);
        EXPECT_EQ(json.exitCode, 6);
        EXPECT_NE(json.out.find(R"({"status":"Implausible","coo":")"), std::string::npos) << json.out;
        EXPECT_NE(json.out.find(R"("implausibleFields":)" + c.fields), std::string::npos) << json.out;
    }
    // In a batch the answer is the outcome's name, so stdout never reads as a valid document.
    const auto batch = validate({"-"}, cases[0].code + "\n");
    EXPECT_EQ(batch.exitCode, 10);
    EXPECT_EQ(batch.out, "Implausible\n");
}

TEST(DemoWorkspace, GenuineCodesStayValid)
{
    for (const char* c : {"DB96KACG KVFMOGRA HNHDGKN7 DB84H686 KKEKK9D36IG8",
                          "0EILODGA K95DSA8F HRCG4SVL 0EILKCC8 K752O26CGJ12",
                          "8D8KYAT7 GIC4RBEH 5U9EEJ9R 8D8DR3H7 FHC4M2893F9E"}) // row 2 of two that match
        EXPECT_EQ(runCli({"validate", "--dir", MORVANEX_DEMO_DIR, "--row", "2", c}).exitCode, 0) << c;
}

TEST_F(CliWorkspace, BatchFromStandardInput)
{
    const std::string input = code(plain) + "\r\nnot a code\n" + code(swapped, true) + "\n" + code(shared) + "\n";
    const auto r = validate({"--json", "-"}, input);
    EXPECT_EQ(r.exitCode, 10);
    EXPECT_EQ(statusesOf(r.out), (std::vector<std::string>{R"({"status":"Valid")", R"({"status":"InvalidString"})",
                                                  R"({"status":"Valid")", R"({"status":"Ambiguous")"}));
    const auto allGood = validate({"-"}, code(plain) + "\n" + code(plain, false, 7) + "\n");
    EXPECT_EQ(allGood.exitCode, 0);
    EXPECT_NE(allGood.out.find("COO\t000007"), std::string::npos);

    // Text form: nine rows for a valid code, the outcome's name on a line of its own for any other.
    const std::string otherCnpj = *encodeFooter(plain, 41, "42020B", 0, "00000000000000000000");
    const auto text = validate({"--expect-cnpj", cnpj, "-"}, code(plain) + "\nnot a code\n" + otherCnpj + "\n" +
                                                                 code(shared) + "\n" + code(randomBytes(10, 9)));
    // The missing image leaves the last code without a verdict, and the batch with 74.
    EXPECT_EQ(text.exitCode, 74);
    EXPECT_EQ(text.out.substr(text.out.find("ARQUIVO")),
              "ARQUIVO\tplain.bin\nInvalidString\nCnpjMismatch\nAmbiguous\nImageUnreadable\n");
}

TEST_F(CliWorkspace, UsageErrors)
{
    EXPECT_EQ(validate({}).exitCode, 64);
    EXPECT_EQ(validate({"a", "b"}).exitCode, 64);
    EXPECT_EQ(validate({"--row", "x", "a"}).exitCode, 64);
    EXPECT_EQ(validate({"--frobnicate", "a"}).exitCode, 64);
    EXPECT_EQ(runCli({"catalogue", "extra"}).exitCode, 64);
}

} // namespace
} // namespace morvanex::test
