#include "support/scripted_prompts.h"

#include "support/temp_dir.h"
#include "firmware/firmware_catalogue.h"
#include "validation/firmware_lookup.h"
#include "firmware/image_file.h"
#include "validation/kept_images.h"
#include "text/text_encoding.h"
#include "firmware/workspace.h"
#include "footer/alphabet.h"
#include "footer/footer_encoder.h"
#include "validation/validation_flow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <thread>

namespace morvanex::test {
namespace {

const std::string cnpj = "0012.345.678/0001.95";

class Lookup : public ::testing::Test
{
protected:
    TempDir dir;
    ScriptedPrompts prompts;
    FirmwareCatalogue catalogue;
    std::vector<std::uint8_t> image = randomBytes(100001, 1);

    void addFirmware(const std::string& descriptor, const std::string& file, const std::string& model,
                     const std::vector<std::uint8_t>& bytes)
    {
        dir.write("TXT/" + descriptor, "ARQUIVO: " + file + "\nMODELO: " + model + "\nMARCA: M\nVERSAO: 1\n");
        dir.write("Bin/" + file, bytes);
    }
    void load() { loadCatalogue(catalogue, Workspace(dir.path()), prompts); }

    ValidationResult validate(const std::string& code)
    {
        return validateFooter(code, catalogue, Workspace(dir.path()), prompts, "Morvanex");
    }
    std::string codeFor(const std::vector<std::uint8_t>& bytes, bool swap = false)
    {
        auto b = bytes;
        if (swap)
            swapBytePairs(b);
        return *encodeFooter(b, 41, "42020B", 0x482318BE, cnpj);
    }
    std::string lastMessage() const { return utf8(prompts.messages.back().text); }
};

TEST_F(Lookup, ConfirmedValidationGivesTheNineRows)
{
    addFirmware("a.txt", "fw.bin", "X-1", image);
    load();
    const auto r = validate(codeFor(image));
    ASSERT_EQ(r.status, ValidationStatus::Valid);
    EXPECT_TRUE(r.confirmed);
    EXPECT_EQ(r.row, 0);
    EXPECT_EQ(catalogue.selectedIndex, 0);
    EXPECT_EQ(prompts.confirmations, std::vector<std::string>{cnpj});
    EXPECT_TRUE(prompts.choices.empty()); // a single match never opens the chooser
    std::vector<std::string> labels, values;
    for (const auto& row : r.rows) {
        labels.push_back(utf8(row.label));
        values.push_back(row.value);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"COO", "CNPJ", "DATA/HORA", "N.SÉRIE", "MODELO", "MARCA", "VERSAO",
                                                "CHECKSUM", "ARQUIVO"}));
    EXPECT_EQ(values, (std::vector<std::string>{"000041", cnpj, "08/05/2008 15:14:06", "42020B", "X-1", "M", "1",
                                                catalogue.rows[0].displayChecksum, "fw.bin"}));
}

TEST_F(Lookup, FailureMessages)
{
    addFirmware("a.txt", "fw.bin", "X-1", image);
    load();
    EXPECT_EQ(validate("00000000 0000000").status, ValidationStatus::InvalidString);
    EXPECT_EQ(lastMessage(), "A string do rodapé é inválida.");
    EXPECT_EQ(prompts.messages.back().caption, "Morvanex");

    EXPECT_EQ(validate(codeFor(randomBytes(500, 2))).status, ValidationStatus::FirmwareNotFound);
    EXPECT_EQ(lastMessage(), "Não foi encontrado o firmware correspondente.\n"
                             "A string do rodapé foi gerada com um firmware desconhecido.");
    EXPECT_EQ(catalogue.selectedIndex, -1);

    prompts.confirm = false;
    const auto rejected = validate(codeFor(image));
    EXPECT_EQ(rejected.status, ValidationStatus::Valid);
    EXPECT_FALSE(rejected.confirmed);
    EXPECT_TRUE(rejected.rows.empty());
    EXPECT_EQ(lastMessage(), "A string do rodapé não foi gerada com o firmware homologado.\n"
                             "Verifique a string e tente validar novamente.");
}

// While an approved image cannot be read, not found is no proof of forgery: the message says so.
TEST_F(Lookup, AnUnreadableImageIsNamedWithTheNotFoundAnswer)
{
    addFirmware("a.txt", "fw.bin", "X-1", image);
    dir.write("TXT/b.txt", "ARQUIVO: gone.bin\n");
    load();
    ASSERT_NE(catalogue.rows[1].imageProblem, "");
    const std::string other = codeFor(randomBytes(500, 2));
    const auto r = validate(other);
    EXPECT_EQ(r.status, ValidationStatus::FirmwareNotFound);
    ASSERT_EQ(r.unreadableImages.size(), 1u);
    EXPECT_EQ(r.unreadableImages[0].fileName, "gone.bin");
    EXPECT_EQ(lastMessage(), "Não foi encontrado o firmware correspondente.\n"
                             "A string do rodapé foi gerada com um firmware desconhecido.\n\n"
                             "Atenção: o arquivo gone.bin de um firmware homologado não pôde ser lido.\n"
                             "Verifique o arquivo antes de concluir que o documento não é autêntico.");
    // A readable image that carries the code's checksum settles it: nothing more to say.
    const auto mismatch = codeFor(image);
    dir.write("Bin/fw.bin", randomBytes(100001, 8));
    EXPECT_EQ(validate(mismatch).status, ValidationStatus::ChecksumMismatch);
    EXPECT_TRUE(validate(mismatch).unreadableImages.empty());
}

// Checked for a caller that answers for the operator: the verdict, and nothing asked of anyone.
TEST_F(Lookup, CheckWithOptionsGivesTheVerdict)
{
    addFirmware("a.txt", "fw.bin", "X-1", image);
    const auto shared = randomBytes(3000, 5);
    addFirmware("b.txt", "shared.bin", "S-1", shared);
    addFirmware("c.txt", "shared.bin", "S-2", shared);
    dir.write("TXT/d.txt", "ARQUIVO: gone.bin\n");
    load();
    const std::string plain = codeFor(image), both = codeFor(shared), other = "0012.345.678/0001.96";
    // Groups 4 and 5 overwritten past the checksum's mask digits: it decodes, but to fields out of range.
    std::string forged = plain;
    for (std::size_t p = 31; p < footerLength; ++p)
        forged[p] = p == 35 ? ' ' : '=';
    const struct
    {
        std::string code;
        CheckOptions options;
        Verdict verdict;
        int row;
        std::vector<int> candidates;
    } cases[] = {
        {plain, {}, Verdict::Valid, 0, {}},
        {plain, {-1, cnpj}, Verdict::Valid, 0, {}},
        {plain, {-1, other}, Verdict::CnpjMismatch, 0, {}},
        {plain + "X", {}, Verdict::InvalidString, -1, {}},
        {both, {}, Verdict::Ambiguous, -1, {1, 2}},
        {both, {0, {}}, Verdict::Ambiguous, -1, {1, 2}}, // not one of them
        {both, {2, {}}, Verdict::Valid, 2, {}},
        {forged, {-1, other}, Verdict::Implausible, 0, {}}, // ahead of the CNPJ
        {codeFor(randomBytes(500, 2)), {}, Verdict::ImageUnreadable, -1, {}},
    };
    const Workspace workspace(dir.path());
    ValidationFlow flow(catalogue, workspace, prompts);
    for (const auto& c : cases) {
        const CodeCheck check = flow.check(c.code, c.options);
        EXPECT_EQ(verdictName(check.verdict), verdictName(c.verdict)) << c.code;
        EXPECT_EQ(check.row, c.row) << c.code;
        EXPECT_EQ(check.candidates, c.candidates) << c.code;
        EXPECT_EQ(check.implausibleFields.empty(), c.verdict != Verdict::Implausible) << c.code;
        EXPECT_EQ(check.unreadableImages.size(), c.verdict == Verdict::ImageUnreadable ? 1u : 0u) << c.code;
    }
    EXPECT_TRUE(prompts.choices.empty());
    EXPECT_TRUE(prompts.confirmations.empty());
    // The desktop's validation on the same flow asks the operator again.
    flow.validateFooter(both, "Morvanex");
    EXPECT_EQ(prompts.choices, (std::vector<std::vector<int>>{{1, 2}}));
}

TEST_F(Lookup, ImageChangedSinceTheCatalogueLoadIsAMismatch)
{
    addFirmware("a.txt", "fw.bin", "X-1", image);
    load();
    const std::string code = codeFor(image);
    auto grown = image;
    grown.push_back(7);
    dir.write("Bin/fw.bin", grown);
    EXPECT_EQ(validate(code).status, ValidationStatus::ChecksumMismatch);
    dir.write("Bin/fw.bin", std::vector<std::uint8_t>{});
    EXPECT_EQ(validate(code).status, ValidationStatus::ChecksumMismatch);
    std::filesystem::remove(dir.path() / "Bin/fw.bin");
    EXPECT_EQ(validate(code).status, ValidationStatus::FirmwareNotFound);
    EXPECT_EQ(catalogue.selectedIndex, 0); // the chosen row stays although its file is gone
}

TEST_F(Lookup, ByteSwappedModelsDecodeOnTheSwappedImage)
{
    addFirmware("a.txt", "orb.bin", "ZQ-103 ORBITA", image);
    load();
    const auto swappedCode = validate(codeFor(image, true));
    EXPECT_EQ(swappedCode.status, ValidationStatus::Valid);
    EXPECT_EQ(swappedCode.rows.at(1).value, cnpj);
    EXPECT_EQ(validate(codeFor(image, false)).status, ValidationStatus::FirmwareNotFound);
}

TEST_F(Lookup, SeveralMatchesAskTheOperator)
{
    addFirmware("a.txt", "one.bin", "A", image);
    addFirmware("b.txt", "other.bin", "B", randomBytes(3000, 3));
    dir.write("TXT/c.txt", "ARQUIVO: one.bin\nMODELO: C\n"); // the same image again
    load();
    const std::string code = codeFor(image);

    prompts.choice = 2;
    const auto chosen = validate(code);
    ASSERT_EQ(chosen.status, ValidationStatus::Valid);
    EXPECT_EQ(prompts.choices.back(), (std::vector<int>{0, 2}));
    EXPECT_EQ(chosen.row, 2);
    EXPECT_EQ(chosen.rows.at(4).value, "C");

    for (const int answer : {-1, 1, 7}) { // nothing chosen, or an answer that was not offered
        prompts.choice = answer;
        EXPECT_EQ(validate(code).status, ValidationStatus::FirmwareNotFound) << answer;
        EXPECT_EQ(catalogue.selectedIndex, -1);
    }
}

TEST_F(Lookup, ZeroChecksumMatchesRowsWhoseImageWasMissing)
{
    dir.write("TXT/a.txt", "ARQUIVO: gone.bin\n");
    load();
    ASSERT_EQ(catalogue.rows[0].footerChecksum, "0000");
    const std::string code = codeFor({}); // an empty image's CRC is 0000
    EXPECT_EQ(validate(code).status, ValidationStatus::FirmwareNotFound);
    EXPECT_EQ(catalogue.selectedIndex, 0);
    dir.write("Bin/gone.bin", std::vector<std::uint8_t>{});
    EXPECT_EQ(validate(code).status, ValidationStatus::Valid); // read as a zero-length image
}

TEST_F(Lookup, MatchingNeedsFourCharacters)
{
    catalogue.rows.resize(3);
    catalogue.rows[0].footerChecksum = "1A2";
    catalogue.rows[1].footerChecksum = "1A2B";
    catalogue.rows[2].footerChecksum = "1A2B9";
    const std::uint8_t text[4] = {'1', 'A', '2', 'B'};
    EXPECT_EQ(matchingRows(catalogue, std::span<const std::uint8_t, 4>(text)), (std::vector<int>{1, 2}));
}

// Rewrites a file in place with other bytes of the same length, keeping its modification time: only
// its change time tells.
void tamperUnseen(const std::filesystem::path& path)
{
    const auto time = std::filesystem::last_write_time(path);
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    const char first = static_cast<char>(file.get());
    file.seekp(0);
    file.put(static_cast<char>(~first));
    file.close();
    std::filesystem::last_write_time(path, time);
}

// Dates the file an hour back and waits until its change time, which that moves, has settled too.
void settle(const std::filesystem::path& path)
{
    std::filesystem::last_write_time(path,
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
}

TEST_F(Lookup, KeptImagesCountWhileTheFileIsUnchanged)
{
    addFirmware("a.txt", "fw.bin", "X", image);
    const auto other = randomBytes(100001, 5);
    addFirmware("b.txt", "other.bin", "Y", other);
    load();
    settle(dir.path() / "Bin/fw.bin");
    settle(dir.path() / "Bin/other.bin");
    const Workspace ws(dir.path());
    FirmwareLookup lookup(catalogue, ws, prompts);
    KeptImages kept(lookup, 150000); // room for one of the two images
    auto decode = [&](const std::string& code) { return FooterDecoder(&kept).decode(code); };
    const std::string code = codeFor(image);

    ASSERT_EQ(decode(code), ValidationStatus::Valid);
    EXPECT_GT(kept.bytes(), image.size());
    tamperUnseen(dir.path() / "Bin/fw.bin");
    EXPECT_EQ(decode(code), ValidationStatus::ChecksumMismatch); // read afresh: its change time moved
    dir.write("Bin/fw.bin", image);
    settle(dir.path() / "Bin/fw.bin");
    ASSERT_EQ(decode(code), ValidationStatus::Valid);
    auto changed = image;
    changed.push_back(1);
    dir.write("Bin/fw.bin", changed);
    EXPECT_EQ(decode(code), ValidationStatus::ChecksumMismatch); // read again: the file changed
    dir.write("Bin/fw.bin", image);
    EXPECT_EQ(decode(code), ValidationStatus::Valid); // not settled yet, so read but not kept

    // Only one image fits: keeping the other evicts this one.
    settle(dir.path() / "Bin/fw.bin");
    ASSERT_EQ(decode(code), ValidationStatus::Valid);
    ASSERT_EQ(decode(codeFor(other)), ValidationStatus::Valid);
    EXPECT_GT(kept.bytes(), other.size());
    EXPECT_LE(kept.bytes(), 150000u);

    // Codes that came together may share one look at the file, for a moment: the next group looks
    // again, and so does the same group once that moment has passed.
    kept.beginGroup();
    ASSERT_EQ(decode(code), ValidationStatus::Valid);
    dir.write("Bin/fw.bin", changed);
    kept.beginGroup();
    EXPECT_EQ(decode(code), ValidationStatus::ChecksumMismatch);
    dir.write("Bin/fw.bin", image);
    settle(dir.path() / "Bin/fw.bin");
    ASSERT_EQ(decode(code), ValidationStatus::Valid);
    dir.write("Bin/fw.bin", changed);
    std::this_thread::sleep_for(KeptImages::lookSpan * 2);
    EXPECT_EQ(decode(code), ValidationStatus::ChecksumMismatch);
}

// Every code through the kept, prepared images gives what a single validation gives (status, every field,
// the row, a named failure), also after the files change under the batch.
TEST_F(Lookup, BatchVerdictsEqualSingleValidations)
{
    // Lengths around a block of samples and a catalogue read, odd ones, an empty image, a swapped model.
    const std::vector<std::pair<std::string, std::size_t>> images{
        {"X", 0}, {"X", 1}, {"X", 65537}, {"ZQ-101 ORBITA", 300001}, {"X", 2 * 65536}};
    std::vector<std::string> codes{"not a code", codeFor({})}; // "0000" also names the missing image
    for (std::size_t i = 0; i < images.size(); ++i) {
        const auto bytes = randomBytes(images[i].second, static_cast<unsigned>(10 + i));
        addFirmware("d" + std::to_string(i) + ".txt", "f" + std::to_string(i) + ".bin", images[i].first,
                    bytes);
        settle(dir.path() / ("Bin/f" + std::to_string(i) + ".bin"));
        auto swapped = bytes;
        if (i == 3)
            swapBytePairs(swapped);
        for (const std::uint32_t coo : {0u, 41u, 63u, 64u, 999999u}) {
            std::string code = *encodeFooter(swapped, coo, "42020B", 0x482318BE, cnpj);
            codes.push_back(code);
            // The first checksum digit 7 lower: wraps to 249..255 when the CRC's first digit is 0..6,
            // which still reads as that character.
            if (const auto v = *footerDigitValue(static_cast<unsigned char>(code[22])); v >= 7) {
                code[22] = footerSymbol(static_cast<std::uint8_t>(v - 7));
                codes.push_back(code);
            }
        }
    }
    dir.write("TXT/z.txt", "ARQUIVO: gone.bin\n");
    load();
    const Workspace ws(dir.path());
    FirmwareLookup lookup(catalogue, ws, prompts);
    KeptImages kept(lookup);
    prompts.choice = 5; // of the two "0000" rows, the missing image

    auto expectSame = [&](const std::string& when) {
        for (const std::string& code : codes) {
            FooterDecoder single(&lookup);
            const ValidationStatus status = single.decode(code);
            const bool failed = lookup.lastFailure().has_value();
            FooterDecoder batch(&kept);
            ASSERT_EQ(batch.decode(code), status) << when << ": " << code;
            EXPECT_EQ(lookup.lastFailure().has_value(), failed) << when << ": " << code;
            EXPECT_EQ(batch.chosenRow(), single.chosenRow());
            EXPECT_TRUE(batch.coo == single.coo && batch.serial == single.serial &&
                        batch.timestamp == single.timestamp && batch.checksum == single.checksum &&
                        batch.keyDigits == single.keyDigits && batch.cnpj == single.cnpj)
                << when << ": " << code;
        }
    };
    expectSame("read");
    expectSame("kept");
    // Grown, rewritten with other bytes of the same length, removed, replaced by a folder.
    dir.write("Bin/f1.bin", randomBytes(2, 20));
    dir.write("Bin/f2.bin", randomBytes(65537, 21));
    std::filesystem::remove(dir.path() / "Bin/f3.bin");
    std::filesystem::remove(dir.path() / "Bin/f4.bin");
    std::filesystem::create_directory(dir.path() / "Bin/f4.bin");
    dir.write("Bin/gone.bin", "");
    expectSame("changed");
}

// Threads that validate side by side over one store of kept images give every code the verdict a
// single validation gives, while images are read once for all, shared, and dropped for room.
TEST_F(Lookup, ThreadsSharingKeptImagesGiveTheVerdictsOfOne)
{
    std::vector<std::string> codes{"not a code", codeFor(randomBytes(500, 2))}; // malformed, unknown firmware
    for (int i = 0; i < 6; ++i) {
        const auto bytes = randomBytes(100001 + 3 * static_cast<std::size_t>(i), static_cast<unsigned>(40 + i));
        const std::string file = "f" + std::to_string(i) + ".bin";
        addFirmware("d" + std::to_string(i) + ".txt", file, i % 3 ? "X" : "XR-55-LQ", bytes);
        settle(dir.path() / "Bin" / file);
        auto held = bytes;
        if (i % 3 == 0)
            swapBytePairs(held);
        for (std::uint32_t n = 0; n < 10; ++n)
            codes.push_back(*encodeFooter(held, n * 7 + static_cast<std::uint32_t>(i), "42020B", 0x482318BE, cnpj));
    }
    load();
    std::shuffle(codes.begin(), codes.end(), std::mt19937(9));
    const Workspace ws(dir.path());
    std::vector<CodeCheck> expected;
    ValidationFlow single(catalogue, ws, prompts); // reads every image afresh
    for (const std::string& code : codes)
        expected.push_back(single.check(code, {}));

    constexpr std::size_t bound = 3 * 140000; // three of the six images
    KeptImageStore store(bound);
    constexpr int threadCount = 4;
    std::vector<std::vector<CodeCheck>> got(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&, t] {
            ScriptedPrompts answers;
            ValidationFlow flow(catalogue, ws, answers);
            flow.keepImages(store);
            for (int round = 0; round < 3; ++round)
                for (std::size_t i = 0; i < codes.size(); ++i)
                    got[t].push_back(flow.check(codes[(i + 17 * static_cast<std::size_t>(t)) % codes.size()], {}));
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_GT(store.bytes(), 0u);
    EXPECT_LE(store.bytes(), bound);
    for (int t = 0; t < threadCount; ++t)
        for (std::size_t k = 0; k < got[t].size(); ++k) {
            const std::size_t i = (k + 17 * static_cast<std::size_t>(t)) % codes.size();
            const FooterDecoder& a = got[t][k].decoder;
            const FooterDecoder& b = expected[i].decoder;
            ASSERT_EQ(got[t][k].status, expected[i].status) << codes[i];
            EXPECT_EQ(got[t][k].row, expected[i].row);
            EXPECT_TRUE(a.coo == b.coo && a.serial == b.serial && a.timestamp == b.timestamp &&
                        a.checksum == b.checksum && a.keyDigits == b.keyDigits && a.cnpj == b.cnpj)
                << codes[i];
        }
}

TEST_F(Lookup, FailuresNameTheFileAndTheReason)
{
    dir.write("TXT/a.txt", "ARQUIVO: gone.bin\n");
    dir.write("TXT/b.txt", "ARQUIVO: ../x.bin\n");
    load();
    const Workspace ws(dir.path());
    FirmwareLookup lookup(catalogue, ws, prompts);
    prompts.choice = 1;
    ASSERT_EQ(FooterDecoder(&lookup).decode(codeFor({})), ValidationStatus::FirmwareNotFound);
    ASSERT_TRUE(lookup.lastFailure());
    EXPECT_EQ(lookup.lastFailure()->fileName, "../x.bin");
    prompts.choice = 0;
    ASSERT_EQ(FooterDecoder(&lookup).decode(codeFor({})), ValidationStatus::FirmwareNotFound);
    EXPECT_EQ(lookup.lastFailure()->fileName, "gone.bin");
    EXPECT_NE(lookup.lastFailure()->reason, "");
    dir.write("Bin/gone.bin", "");
    EXPECT_EQ(FooterDecoder(&lookup).decode(codeFor({})), ValidationStatus::Valid);
    EXPECT_FALSE(lookup.lastFailure());
}

TEST_F(Lookup, TinyImages)
{
    dir.write("TXT/a.txt", "ARQUIVO: one.bin\nMODELO: ZQ-104 ORBITA\n");
    dir.write("Bin/one.bin", "\x7F");
    load();
    EXPECT_EQ(catalogue.rows[0].displayChecksum, "007F");
    const std::vector<std::uint8_t> image{0x7F};
    const auto code = *encodeFooter(image, 5, "000000", 5, "00000000000000000000");
    ScriptedPrompts answers;
    EXPECT_EQ(validateFooter(code, catalogue, Workspace(dir.path()), answers, "Morvanex").status,
              ValidationStatus::Valid);
}

TEST_F(Lookup, ImageReplacedByAFolderAfterLoading)
{
    const auto image = randomBytes(1000, 1);
    dir.write("TXT/a.txt", "ARQUIVO: fw.bin\n");
    dir.write("Bin/fw.bin", image);
    load();
    std::filesystem::remove(dir.path() / "Bin/fw.bin");
    std::filesystem::create_directory(dir.path() / "Bin/fw.bin");
    const auto code = *encodeFooter(image, 1, "000000", 1, "00000000000000000000");
    EXPECT_EQ(validateFooter(code, catalogue, Workspace(dir.path()), prompts, "Morvanex").status,
              ValidationStatus::FirmwareNotFound);
}

TEST(JoinFields, OneBlankBetweenNeighbours)
{
    EXPECT_EQ(joinFooterFields({"00000000", "11111111", "22222222", "33333333", "444444444444"}),
              "00000000 11111111 22222222 33333333 444444444444");
    EXPECT_EQ(joinFooterFields({"", "", "", "", ""}), "    ");
    EXPECT_EQ(joinFooterFields({"AB", "", "C", "", ""}), "AB  C  ");
    // Restored from fixed places, whatever stands between the groups; a short value fills what it has.
    using Groups = std::array<std::string, groupCount>;
    EXPECT_EQ(splitFooterString("00000000X11111111Y2222"), (Groups{"00000000", "11111111", "2222", "", ""}));
    EXPECT_EQ(splitFooterString(std::string(48, 'A') + "ZZ"),
              (Groups{"AAAAAAAA", "AAAAAAAA", "AAAAAAAA", "AAAAAAAA", "AAAAAAAAAAAA"}));
}

} // namespace
} // namespace morvanex::test
