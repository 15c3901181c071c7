#include "process.h"
#include "temp_dir.h"

#include "firmware/image_file.h"
#include "footer/footer_encoder.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(text.err, missingMessage + missingMessage); // once per checksum

    const auto json = runCli({"catalogue", "--dir", dir.path().string(), "--json"});
    ASSERT_EQ(json.exitCode, 0);
    EXPECT_NE(json.out.find(R"({"index":1,"fileName":"swap.bin","model":"XR-55-LQ","version":"2","brand":"S",)"),
              std::string::npos);
    EXPECT_NE(json.out.find(R"("byteSwapped":true})"), std::string::npos);
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

    const auto unknown = validate({"--json", code(randomBytes(10, 9))});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.out.find(R"({"status":"FirmwareNotFound","checksum":")"), std::string::npos);

    // The missing image's row carries "0000", which an empty image's code names.
    const auto zero = validate({"--json", code({})});
    EXPECT_EQ(zero.exitCode, 2);
    EXPECT_NE(zero.out.find(R"("firmware":{"index":4,"fileName":"missing.bin")"), std::string::npos);
}

TEST_F(CliWorkspace, ExpectedCnpj)
{
    const std::string c = code(plain);
    EXPECT_EQ(validate({"--expect-cnpj", cnpj, c}).exitCode, 0);
    EXPECT_EQ(validate({"--expect-cnpj", cnpj + "   ", c}).exitCode, 0); // trailing blanks ignored
    const auto other = validate({"--json", "--expect-cnpj", "0012.345.678/0001.96", c});
    EXPECT_EQ(other.exitCode, 5);
    EXPECT_NE(other.out.find(R"("status":"CnpjMismatch","coo":"000041")"), std::string::npos);
}

TEST_F(CliWorkspace, BatchFromStandardInput)
{
    const std::string input = code(plain) + "\r\nnot a code\n" + code(swapped, true) + "\n" + code(shared) + "\n";
    const auto r = validate({"--json", "-"}, input);
    EXPECT_EQ(r.exitCode, 10);
    std::istringstream lines(r.out);
    std::vector<std::string> statuses;
    for (std::string line; std::getline(lines, line);)
        statuses.push_back(line.substr(0, line.find(',')));
    EXPECT_EQ(statuses, (std::vector<std::string>{R"({"status":"Valid")", R"({"status":"InvalidString"})",
                                                  R"({"status":"Valid")", R"({"status":"Ambiguous")"}));
    const auto allGood = validate({"-"}, code(plain) + "\n" + code(plain, false, 7) + "\n");
    EXPECT_EQ(allGood.exitCode, 0);
    EXPECT_NE(allGood.out.find("COO\t000007"), std::string::npos);
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
