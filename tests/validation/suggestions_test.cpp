#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"
#include "footer/alphabet.h"
#include "footer/footer_encoder.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "text/text_encoding.h"
#include "validation/suggestions.h"
#include "validation/validation_flow.h"

#include <functional>
#include <gtest/gtest.h>

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

TEST_F(Suggestions, OneEditAwayFindsTheGenuineCodeFirst)
{
    struct Case
    {
        const char* what;
        std::function<std::string(const std::string&)> typo;
    };
    const Case cases[] = {
        {"COO digit, also under a checksum mask", [](auto c) { return shifted(c, 3, 1); }},
        {"timestamp digit", [](auto c) { return shifted(c, 19, -5); }},
        {"checksum digit", [](auto c) { return shifted(c, 24, 20); }},
        {"cnpjBlock digit masking the timestamp", [](auto c) { return shifted(c, 40, 1); }},
        {"last character", [](auto c) { return shifted(c, 47, 9); }},
        {"serial digit, which has a twin", [](auto c) { return shifted(c, 6, 1); }},
        {"a letter typed in lower case",
         [](auto c) {
             for (char& ch : c)
                 if (ch >= 'A' && ch <= 'Z') {
                     ch = static_cast<char>(ch - 'A' + 'a');
                     break;
                 }
             return c;
         }},
        {"neighbours swapped in group 5",
         [](auto c) {
             for (std::size_t p = 36; p + 1 < c.size(); ++p)
                 if (c[p] != c[p + 1])
                     return swapped(c, p);
             return c;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string typed = c.typo(genuine);
        ASSERT_NE(typed, genuine);
        for (const bool batch : {false, true}) {
            const std::vector<Suggestion> found = suggest(typed, batch);
            ASSERT_FALSE(found.empty());
            const Suggestion& first = found.front();
            EXPECT_EQ(first.code, genuine);
            EXPECT_TRUE(first.cnpjCheckDigits);
            std::vector<std::size_t> changed;
            for (std::size_t p = 0; p < genuine.size(); ++p)
                if (typed[p] != genuine[p])
                    changed.push_back(p);
            EXPECT_EQ(first.positions, changed);
            std::string typedChars, genuineChars;
            for (const std::size_t p : changed) {
                typedChars += typed[p];
                genuineChars += genuine[p];
            }
            EXPECT_EQ(first.typed, typedChars);
            EXPECT_EQ(first.suggested, genuineChars);
            EXPECT_LE(found.size(), maxSuggestions);
            for (std::size_t i = 1; i < found.size(); ++i)
                EXPECT_NE(found[i].code, genuine);
        }
    }
    EXPECT_TRUE(prompts.choices.empty());
}

TEST_F(Suggestions, AFieldTypoIsUndoneAtItsMaskTooWhichTheCheckDigitsRankLower)
{
    // Serial digit 0 is masked by cnpjBlock digit 6, at position 33; CNPJ symbol 6 is '4'.
    const std::string typed = shifted(genuine, 6, 1);
    const std::vector<Suggestion> found = suggest(typed);
    ASSERT_GE(found.size(), 2u);
    const auto twin = std::find_if(found.begin(), found.end(), [](const Suggestion& s) {
        return s.positions == std::vector<std::size_t>{33};
    });
    ASSERT_NE(twin, found.end());
    EXPECT_EQ(twin->code, shifted(typed, 33, 1));
    EXPECT_FALSE(twin->cnpjCheckDigits);
    EXPECT_EQ(markedCode(*twin),
              twin->code.substr(0, 33) + "[" + twin->code[33] + "]" + twin->code.substr(34));
    // The same document, one CNPJ symbol up: "4" became "5".
    prompts.confirm = false;
    validateFooter(twin->code, catalogue, workspace, prompts, "Morvanex");
    EXPECT_EQ(prompts.confirmations, std::vector<std::string>{"0012.355.678/0001.95"});
}

TEST_F(Suggestions, AfterNaoTheGenuineCodeIsOffered)
{
    // A checksum digit 7 lower wraps below 0 and still reads as the CRC's digit when that is 0-6: the
    // code decodes Valid, with another key, so the operator sees a CNPJ that is not the document's.
    const std::string& crc = catalogue.rows[0].footerChecksum;
    const auto digit = std::find_if(crc.begin(), crc.end(), [](char c) { return c <= '6'; });
    ASSERT_NE(digit, crc.end());
    const std::size_t position = checksumPositions[static_cast<std::size_t>(digit - crc.begin())];
    ASSERT_GE(*footerDigitValue(static_cast<unsigned char>(genuine[position])), 7);
    const std::string typed = shifted(genuine, position, -7);

    prompts.confirm = false;
    prompts.suggestion = 0;
    const ValidationResult r = validateFooter(typed, catalogue, workspace, prompts, "Morvanex");
    EXPECT_EQ(r.status, ValidationStatus::Valid);
    EXPECT_FALSE(r.confirmed);
    ASSERT_EQ(prompts.confirmations.size(), 1u);
    EXPECT_NE(prompts.confirmations[0], cnpj);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(utf8(prompts.messages[0].text), "A string do rodapé não foi gerada com o firmware homologado.\n"
                                              "Verifique a string e tente validar novamente.");
    ASSERT_EQ(prompts.suggestionLists.size(), 1u);
    EXPECT_EQ(prompts.suggestionLists[0].front().positions, std::vector<std::size_t>{position});
    EXPECT_EQ(r.suggestedCode, genuine);

    // "NÃO" to a genuine code: nothing one edit away, nothing asked.
    prompts = ScriptedPrompts{};
    prompts.confirm = false;
    validateFooter(genuine, catalogue, workspace, prompts, "Morvanex");
    EXPECT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.suggestionLists.empty());
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
    for (const auto& [what, code] : cases) {
        EXPECT_TRUE(suggest(code).empty()) << what;
    }
    EXPECT_TRUE(prompts.choices.empty());
}

TEST_F(Suggestions, EveryRowOfTheChecksumIsTriedWithoutAsking)
{
    // Row 1 has lost its image; row 2 carries the same checksum and has it.
    catalogue.selectedIndex = 1;
    const std::vector<Suggestion> found = suggest(shifted(sharedCode, 12, 1));
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front().code, sharedCode);
    EXPECT_TRUE(prompts.choices.empty());
    EXPECT_EQ(catalogue.selectedIndex, 1); // a search settles on no row
}

TEST_F(Suggestions, TheDesktopFlowOffersThemAfterItsMessage)
{
    const Workspace& ws = workspace;
    const std::string invalid = genuine.substr(0, 30) + "-" + genuine.substr(31);
    const std::string unknown = shifted(genuine, 23, 1); // names a checksum no row has
    const struct
    {
        std::string typed;
        const char* message;
        int answer;
    } cases[] = {
        {invalid, "A string do rodapé é inválida.", 0},
        {unknown,
         "Não foi encontrado o firmware correspondente.\nA string do rodapé foi gerada com um firmware "
         "desconhecido.",
         -1},
    };
    for (const auto& c : cases) {
        prompts = ScriptedPrompts{};
        prompts.suggestion = c.answer;
        const ValidationResult r = validateFooter(c.typed, catalogue, ws, prompts, "Morvanex");
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(utf8(prompts.messages[0].text), c.message);
        ASSERT_EQ(prompts.suggestionLists.size(), 1u);
        EXPECT_EQ(prompts.suggestionLists[0].front().code, genuine);
        EXPECT_FALSE(r.confirmed);
        EXPECT_EQ(r.suggestedCode, c.answer < 0 ? std::nullopt : std::optional(genuine));
    }
    // No suggestion, no question.
    prompts = ScriptedPrompts{};
    validateFooter(genuine.substr(0, 47), catalogue, ws, prompts, "Morvanex");
    EXPECT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.suggestionLists.empty());
}

TEST(CnpjCheckDigits, ModulusElevenOverFourteenDigits)
{
    const std::pair<const char*, bool> cases[] = {
        {"0012.345.678/0001.95", true},
        {"  12.345.678/0001.95", true}, // blanks for padding
        {"0011.444.777/0001.61", true},
        {"0000.806.360/8377.00", true}, // both check digits from a remainder of 0
        {"0000.806.360/8377.10", false},
        {"0012.345.678.0001/95", true},  // separators anywhere
        {"00000000000191", true},        // no separators at all
        {"0012.345.678/0001.96", false}, // second check digit
        {"0012.345.678/0001.85", false}, // first check digit
        {"0012.345.679/0001.95", false}, // a body digit
        {"0021.345.678/0001.95", false}, // two body digits swapped
        {"1012.345.678/0001.95", false}, // 15 digits, not padding
        {" 012.345.678/0001.95", true},
        {"  2.345.678/0001.95 ", false}, // 13 digits
        {"0012.345.678/0001.9A", false}, // a letter
        {"0012.345.678/0001 95", true},
    };
    for (const auto& [text, holds] : cases)
        EXPECT_EQ(cnpjCheckDigitsHold(text), holds) << text;
}

TEST(SuggestionTexts, ConfusionAndChange)
{
    const std::tuple<char, char, int> pairs[] = {
        {'o', 'O', 3}, {'0', 'O', 2}, {'O', 'D', 2}, {'8', 'B', 2}, {'1', 'I', 2}, {'l', '1', 2},
        {'U', 'V', 2}, {'E', 'F', 1}, {'A', 'Z', 0}, {'O', 'O', 0}, {'-', '0', 0},
    };
    for (const auto& [typed, suggested, level] : pairs)
        EXPECT_EQ(confusion(typed, suggested), level) << typed << suggested;

    Suggestion s{"", {14}, "6", "G", true};
    EXPECT_EQ(utf8(changeText(s)), "posição 15: '6' por 'G'");
    s = Suggestion{"", {46, 47}, "9E", "E9", false};
    EXPECT_EQ(utf8(changeText(s)), "posições 47 e 48: '9E' por 'E9'");
}

} // namespace
} // namespace morvanex::test
