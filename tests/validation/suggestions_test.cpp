#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"
#include "footer/alphabet.h"
#include "footer/footer_encoder.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "text/text_encoding.h"
#include "validation/firmware_lookup.h"
#include "validation/kept_images.h"
#include "validation/row_images.h"
#include "validation/suggestions.h"
#include "validation/validation_flow.h"

#include <chrono>
#include <gtest/gtest.h>
#include <stop_token>
#include <thread>
#include <tuple>

namespace morvanex::test {
namespace {

const std::string cnpj = "0012.345.678/0001.95";

std::string shifted(std::string code, std::size_t position, int delta)
{
    const int v = *footerDigitValue(static_cast<unsigned char>(code[position]));
    code[position] = footerSymbol(static_cast<std::uint8_t>((v + delta + 46) % 46));
    return code;
}

std::string swapped(std::string code, std::size_t position)
{
    std::swap(code[position], code[position + 1]);
    return code;
}

// The last character of a group swapped with the first of the next, at the first boundary where
// they differ.
std::string swappedAcross(std::string code)
{
    for (const std::size_t separator : {8, 17, 26, 35})
        if (code[separator - 1] != code[separator + 1]) {
            std::swap(code[separator - 1], code[separator + 1]);
            break;
        }
    return code;
}

// Three rows: an image, and two rows that carry the checksum of a second image, the first of which
// has lost its file since the catalogue was read.
class Suggestions : public ::testing::Test
{
protected:
    TempDir dir;
    ScriptedPrompts prompts;
    FirmwareCatalogue catalogue;
    std::vector<std::uint8_t> image = randomBytes(70001, 1);
    std::vector<std::uint8_t> shared = randomBytes(30000, 2);
    std::string genuine;
    std::string sharedCode;
    Workspace workspace{dir.path()};

    void SetUp() override
    {
        dir.write("TXT/a.txt", "ARQUIVO: fw.bin\nMODELO: A\n");
        dir.write("TXT/b.txt", "ARQUIVO: gone.bin\nMODELO: B\n");
        dir.write("TXT/c.txt", "ARQUIVO: shared.bin\nMODELO: C\n");
        dir.write("Bin/fw.bin", image);
        dir.write("Bin/gone.bin", shared);
        dir.write("Bin/shared.bin", shared);
        loadCatalogue(catalogue, workspace, prompts);
        std::filesystem::remove(dir.path() / "Bin/gone.bin");
        genuine = *encodeFooter(image, 1234, "4A0B12", 1206367509, cnpj);
        sharedCode = *encodeFooter(shared, 777, "C01100", 0, "0011.222.333/0001.81");
    }

    std::vector<Suggestion> suggest(const std::string& code, bool batch = false)
    {
        ValidationFlow flow(catalogue, workspace, prompts);
        if (batch)
            flow.keepImages();
        return flow.suggest(code);
    }
};

TEST_F(Suggestions, OneEditAwayTheGenuineCodeComesFirst)
{
    std::string lower = genuine;
    const auto letter = std::find_if(lower.begin(), lower.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
    *letter = static_cast<char>(*letter - 'A' + 'a');
    std::size_t pair = 36;
    while (genuine[pair] == genuine[pair + 1])
        ++pair;
    const std::pair<const char*, std::string> cases[] = {
        {"COO digit, also under a checksum mask", shifted(genuine, 3, 1)},
        {"timestamp digit", shifted(genuine, 19, -5)},
        {"checksum digit", shifted(genuine, 24, 20)},
        {"cnpjBlock digit", shifted(genuine, 40, 1)},
        {"serial digit, which has a twin", shifted(genuine, 6, 1)},
        {"a letter in lower case", lower},
        {"neighbours swapped", swapped(genuine, pair)},
        {"neighbours across a field boundary swapped", swappedAcross(genuine)},
    };
    for (const auto& [what, typed] : cases) {
        for (const bool batch : {false, true}) {
            const std::vector<Suggestion> found = suggest(typed, batch);
            ASSERT_FALSE(found.empty()) << what;
            EXPECT_EQ(found[0].code, genuine) << what;
            EXPECT_TRUE(found[0].cnpjCheckDigits) << what;
            std::vector<std::size_t> changed;
            std::string was, is;
            for (std::size_t p = 0; p < genuine.size(); ++p)
                if (typed[p] != genuine[p]) {
                    changed.push_back(p);
                    was += typed[p];
                    is += genuine[p];
                }
            EXPECT_EQ(found[0].positions, changed) << what;
            EXPECT_EQ(found[0].typed, was) << what;
            EXPECT_EQ(found[0].suggested, is) << what;
            EXPECT_LE(found.size(), maxSuggestions);
        }
    }
    EXPECT_TRUE(prompts.choices.empty());
}

TEST_F(Suggestions, AFieldTypoIsUndoneAtItsMaskTooWhichTheCheckDigitsRankLower)
{
    // Serial digit 0 is masked by cnpjBlock digit 6, at position 33; CNPJ symbol 6 is '4'.
    const std::string typed = shifted(genuine, 6, 1);
    const std::vector<Suggestion> found = suggest(typed);
    const auto twin = std::find_if(found.begin(), found.end(), [](const Suggestion& s) {
        return s.positions == std::vector<std::size_t>{33};
    });
    ASSERT_NE(twin, found.end());
    EXPECT_EQ(twin->code, shifted(typed, 33, 1));
    EXPECT_FALSE(twin->cnpjCheckDigits);
    // The same document, one CNPJ symbol up.
    prompts.confirm = false;
    validateFooter(twin->code, catalogue, workspace, prompts, "Morvanex");
    EXPECT_EQ(prompts.confirmations, std::vector<std::string>{"0012.355.678/0001.95"});
}

TEST_F(Suggestions, AfterNaoTheGenuineCodeIsOffered)
{
    // A checksum digit 7 lower wraps below 0 and still reads as the CRC's digit when that is 0-6: the
    // code decodes Valid with another key, and the operator is shown a CNPJ that is not the document's.
    const std::string& crc = catalogue.rows[0].footerChecksum;
    const auto digit = std::find_if(crc.begin(), crc.end(), [](char c) { return c <= '6'; });
    ASSERT_NE(digit, crc.end());
    const std::size_t position = checksumPositions[static_cast<std::size_t>(digit - crc.begin())];
    prompts.confirm = false;
    prompts.suggestion = 0;
    const ValidationResult r =
        validateFooter(shifted(genuine, position, -7), catalogue, workspace, prompts, "Morvanex");
    EXPECT_EQ(r.status, ValidationStatus::Valid);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(utf8(prompts.messages[0].text), "A string do rodapé não foi gerada com o firmware homologado.\n"
                                              "Verifique a string e tente validar novamente.");
    ASSERT_EQ(prompts.suggestionLists.size(), 1u);
    EXPECT_EQ(r.suggestedCode, genuine);
}

TEST_F(Suggestions, NothingWithinOneEdit)
{
    const std::string unknown = *encodeFooter(randomBytes(5000, 9), 1234, "4A0B12", 1206367509, cnpj);
    std::string twoOutside = genuine;
    twoOutside[0] = '-';
    twoOutside[40] = 'a';
    const std::pair<const char*, std::string> cases[] = {
        {"the genuine code itself", genuine},
        {"a code of an image not in the catalogue", unknown},
        {"47 characters", genuine.substr(0, 47)},
        {"two characters outside the alphabet", twoOutside},
        {"two characters changed", shifted(shifted(genuine, 3, 1), 40, 1)},
    };
    for (const auto& [what, code] : cases)
        EXPECT_TRUE(suggest(code).empty()) << what;
}

TEST_F(Suggestions, EveryRowOfTheChecksumIsTriedWithoutAsking)
{
    catalogue.selectedIndex = 1;
    const std::vector<Suggestion> found = suggest(shifted(sharedCode, 12, 1));
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found[0].code, sharedCode);
    EXPECT_TRUE(prompts.choices.empty());
    EXPECT_EQ(catalogue.selectedIndex, 1); // a search settles on no row
}

// Passes images on, and requests a stop once it has passed count of them.
class StopAfter : public RowImages
{
public:
    StopAfter(RowImages& images, std::stop_source& stop, int count)
        : m_images(images), m_stop(stop), m_count(count)
    {
    }

    std::optional<FileIdentity> identify(const FirmwareRecord& row) override
    {
        return m_images.identify(row);
    }
    bool holds(const FileIdentity& identity, bool swapped) const override
    {
        return m_images.holds(identity, swapped);
    }
    PreparedImageRef image(const FirmwareRecord& row, std::stop_token stop) override
    {
        PreparedImageRef image = m_images.image(row, stop);
        if (++m_given == m_count)
            m_stop.request_stop();
        return image;
    }

private:
    RowImages& m_images;
    std::stop_source& m_stop;
    int m_count;
    int m_given = 0;
};

// Rows 0-2 name one image in three spellings; rows 3 and 4 two images of zeros that share a CRC-16
// (0000) but not a key, as they differ in length.
TEST(SuggestionSearch, SharesImagesKeepsItsBoundsAndHonoursTheOptions)
{
    TempDir dir;
    ScriptedPrompts prompts;
    FirmwareCatalogue catalogue;
    const Workspace workspace(dir.path());
    const auto image = randomBytes(70001, 3);
    const std::vector<std::uint8_t> zeros(70000);
    for (const auto& [descriptor, name] : {std::pair{"a1", "fw.bin"},
                                           {"a2", "FW.BIN"},
                                           {"a3", "fw.bin. "},
                                           {"z1", "z1.bin"},
                                           {"z2", "z2.bin"}})
        dir.write(std::string("TXT/") + descriptor + ".txt",
                  std::string("ARQUIVO: ") + name + "\nMODELO: M\n");
    dir.write("Bin/fw.bin", image);
    dir.write("Bin/z1.bin", zeros);
    dir.write("Bin/z2.bin", std::vector<std::uint8_t>(2 * zeros.size()));
    // Dated back, and past the tick of their change time: a batch keeps only files that have settled.
    for (const char* name : {"Bin/fw.bin", "Bin/z1.bin", "Bin/z2.bin"})
        std::filesystem::last_write_time(dir.path() / name, std::filesystem::file_time_type::clock::now() -
                                                                std::chrono::hours(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    loadCatalogue(catalogue, workspace, prompts);
    ASSERT_EQ(catalogue.count(), 5);
    const std::string genuine = *encodeFooter(image, 1234, "4A0B12", 1206367509, cnpj);
    const std::string zeroCode = *encodeFooter(zeros, 777, "C01100", 0, "0011.222.333/0001.81");
    const std::string typo = shifted(genuine, 14, 1);
    const std::string zeroTypo = shifted(zeroCode, 14, 1);
    const std::size_t oneZeroImage = PreparedImage::memoryFor(2 * zeros.size()) + 1000; // not both

    // SuggestionRules as written down: every row tried, else the one row; the CNPJ expected, if any.
    struct Rules
    {
        bool everyRow = true;
        int row = -1;
        const char* cnpj = nullptr;
    };
    const struct
    {
        const char* what;
        std::string typed;
        Rules rules;
        std::string first;                     // empty: no suggestion
        int row;                               // the row the first names
        std::vector<std::size_t> preparations; // by each search in turn, of one flow
        std::size_t keptBound = 0;             // 0: images read afresh for each search
        int stopAfter = -1;                    // images a search gets before a stop is requested; -1: never
    } cases[] = {
        {"three spellings of one file, every row tried", typo, {}, genuine, 0, {1}},
        {"three spellings, no row chosen: each code would be ambiguous", typo, {false}, "", -1, {0}},
        {"three spellings, row 1 chosen", typo, {false, 1}, genuine, 1, {1}},
        {"a row chosen that does not carry the checksum", typo, {false, 3}, "", -1, {0}},
        {"two images of one CRC-16, every row tried", zeroTypo, {}, zeroCode, 3, {2}},
        {"two images of one CRC-16, the code's own chosen", zeroTypo, {false, 3}, zeroCode, 3, {1}},
        {"two images of one CRC-16, the other chosen", zeroTypo, {false, 4}, "", -1, {1}},
        {"the document's CNPJ expected", typo, {true, -1, cnpj.c_str()}, genuine, 0, {1}},
        {"another CNPJ expected", typo, {true, -1, "0098.765.432/0001.10"}, "", -1, {1}},
        {"a batch prepares only what its bound does not hold",
         zeroTypo,
         {},
         zeroCode,
         3,
         {2, 1, 1},
         oneZeroImage},
        {"a batch whose bound holds both", zeroTypo, {}, zeroCode, 3, {2, 0}, 2 * oneZeroImage},
        {"stopped before it starts", zeroTypo, {}, "", -1, {0}, 0, 0},
        {"stopped after the first image", zeroTypo, {}, "", -1, {1}, 0, 1},
    };
    for (const auto& c : cases) {
        FirmwareLookup lookup(catalogue, workspace, prompts);
        KeptImages kept(lookup, c.keptBound);
        for (std::size_t search = 0; search < c.preparations.size(); ++search) {
            FreshImages fresh(workspace);
            RowImages& images = c.keptBound ? static_cast<RowImages&>(kept) : fresh;
            std::stop_source stop;
            if (c.stopAfter == 0)
                stop.request_stop();
            StopAfter counted(images, stop, c.stopAfter);
            const std::size_t before = images.preparations();
            SuggestionRules rules{c.rules.everyRow, c.rules.row, std::nullopt};
            if (c.rules.cnpj)
                rules.expectedCnpj = c.rules.cnpj;
            const auto found = findSuggestions(c.typed, catalogue, counted, rules, stop.get_token());
            EXPECT_EQ(images.preparations() - before, c.preparations[search])
                << c.what << ", search " << search;
            EXPECT_EQ(found.empty() ? "" : found.front().code, c.first) << c.what << ", search " << search;
            EXPECT_EQ(found.empty() ? -1 : found.front().row, c.row) << c.what << ", search " << search;
        }
        EXPECT_LE(kept.bytes(), c.keptBound) << c.what;
    }
    EXPECT_TRUE(prompts.choices.empty());
    EXPECT_EQ(catalogue.selectedIndex, -1);
}

// The desktop's way: the search on a worker thread (its decodes on every core, the image being large)
// while the window's thread checks codes with the same flow; the search reads only the catalogue's
// rows and the workspace, so it finds what it finds alone and the checks stay as they were.
TEST_F(Suggestions, OnAWorkerWhileTheFlowChecks)
{
    const auto large = randomBytes(2 << 20, 7);
    dir.write("Bin/fw.bin", large);
    FirmwareCatalogue reloaded;
    loadCatalogue(reloaded, workspace, prompts);
    const std::string code = *encodeFooter(large, 1234, "4A0B12", 1206367509, cnpj);
    ValidationFlow flow(reloaded, workspace, prompts);
    const auto alone = flow.suggest(shifted(code, 14, 1));
    ASSERT_FALSE(alone.empty());
    ASSERT_EQ(alone.front().code, code);

    std::vector<Suggestion> found;
    std::jthread worker([&](std::stop_token stop) { found = flow.suggest(shifted(code, 14, 1), stop); });
    for (int i = 0; i < 20; ++i) {
        const CodeCheck check = flow.check(code, {});
        EXPECT_EQ(check.status, ValidationStatus::Valid);
        EXPECT_EQ(check.row, 0);
    }
    worker.join();
    ASSERT_EQ(found.size(), alone.size());
    for (std::size_t i = 0; i < found.size(); ++i)
        EXPECT_EQ(found[i].code, alone[i].code);
}

TEST(Confusion, LookAlikesAboveNearShapes)
{
    const std::tuple<char, char, int> cases[] = {
        {'o', 'O', 3}, {'O', '0', 2}, {'9', 'S', 2}, {'S', '8', 2}, {'J', 'I', 2},
        {'I', 'T', 2}, {'I', 'L', 2}, {'3', '8', 1}, {'7', 'T', 1}, {'J', 'T', 0},
        {'9', '5', 0}, {'9', '8', 0}, {'B', 'S', 0}, {'A', 'A', 0},
    };
    for (const auto& [typed, suggested, level] : cases)
        EXPECT_EQ(confusion(typed, suggested), level) << typed << " for " << suggested;
}

TEST(CnpjCheckDigits, ModulusElevenOverFourteenDigits)
{
    const std::pair<const char*, bool> cases[] = {
        {"0012.345.678/0001.95", true},  {"  12.345.678/0001.95", true},  // padding
        {"0000.806.360/8377.00", true},  {"0000.806.360/8377.10", false}, // remainders of 0
        {"00000000000191", true},        {"0012.345.678/0001 95", true},
        {"0012.345.678/0001.96", false}, {"0012.345.678/0001.85", false}, // each check digit
        {"0012.345.679/0001.95", false}, {"0021.345.678/0001.95", false}, // a digit, a swap
        {"1012.345.678/0001.95", false}, {"  2.345.678/0001.95 ", false}, // 15 and 13 digits
        {"0012.345.678/0001.9A", false},
    };
    for (const auto& [text, holds] : cases)
        EXPECT_EQ(cnpjCheckDigitsHold(text), holds) << text;
}

} // namespace
} // namespace morvanex::test
