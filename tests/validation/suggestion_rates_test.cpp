// How well suggestions rescue an operator's typo, measured over many genuine codes: how often the
// genuine code is among the suggestions and how often it comes first, and how seldom anything at all
// is suggested for a random string.
#include "firmware/firmware_catalogue.h"
#include "firmware/image_file.h"
#include "firmware/workspace.h"
#include "footer/alphabet.h"
#include "footer/footer_encoder.h"
#include "footer/plausibility.h"
#include "footer/prepared_image.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "validation/validation_flow.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <random>

namespace morvanex::test {
namespace {

constexpr int imageCount = 6;
constexpr int typoCount = 2500;
constexpr int randomCount = 2500;
constexpr std::string_view documentAlphabet = "0123456789ABC./";

// A CNPJ with valid check digits, in the 20 characters a printer encodes: "00XX.XXX.XXX/XXXX.DD".
std::string randomCnpj(std::mt19937& random)
{
    std::vector<int> d(12);
    for (int& v : d)
        v = static_cast<int>(random() % 10);
    for (int round = 0; round < 2; ++round) {
        int sum = 0, weight = 2;
        for (std::size_t i = d.size(); i-- > 0;) {
            sum += d[i] * weight;
            weight = weight == 9 ? 2 : weight + 1;
        }
        d.push_back(sum % 11 < 2 ? 0 : 11 - sum % 11);
    }
    std::string text = "00";
    for (std::size_t i = 0; i < d.size(); ++i) {
        if (i == 2 || i == 5 || i == 12)
            text += '.';
        if (i == 8)
            text += '/';
        text += static_cast<char>('0' + d[i]);
    }
    return text;
}

// One random substitution (three times in four) or a swap of two differing neighbours.
std::string typo(const std::string& code, std::mt19937& random)
{
    std::string typed = code;
    for (;;) {
        const std::size_t p = random() % footerLength;
        if (isSeparatorPosition(p))
            continue;
        if (random() % 4 != 0) {
            const auto v = *footerDigitValue(static_cast<unsigned char>(code[p]));
            typed[p] = footerSymbol(static_cast<std::uint8_t>((v + 1 + random() % 45) % 46));
            return typed;
        }
        if (p + 1 < footerLength && !isSeparatorPosition(p + 1) && code[p] != code[p + 1]) {
            std::swap(typed[p], typed[p + 1]);
            return typed;
        }
    }
}

double share(int count, int of)
{
    return static_cast<double>(count) / of;
}

TEST(SuggestionRates, TyposOfGenuineCodesAreRescued)
{
    std::mt19937 random(20);
    TempDir dir;
    std::vector<PreparedImage> images;
    for (int i = 0; i < imageCount; ++i) {
        auto bytes = randomBytes(1 + random() % 300000, static_cast<unsigned>(100 + i));
        const std::string name = "f" + std::to_string(i) + ".bin";
        // Every third one of a byte-swapped model.
        const bool swap = i % 3 == 2;
        dir.write("TXT/d" + std::to_string(i) + ".txt",
                  "ARQUIVO: " + name + "\nMODELO: " + (swap ? "ZQ-101 ORBITA" : "M") + "\n");
        dir.write("Bin/" + name, bytes);
        if (swap)
            swapBytePairs(bytes);
        images.push_back(*PreparedImage::prepare(bytes));
    }
    ScriptedPrompts prompts;
    FirmwareCatalogue catalogue;
    const Workspace workspace(dir.path());
    loadCatalogue(catalogue, workspace, prompts);
    ValidationFlow flow(catalogue, workspace, prompts);
    flow.keepImages();

    int caught = 0, among = 0, first = 0, several = 0;
    for (int n = 0; n < typoCount; ++n) {
        std::string serial;
        for (int i = 0; i < 6; ++i)
            serial += documentAlphabet[random() % documentAlphabet.size()];
        const std::string genuine = *encodeFooter(images[random() % imageCount], random() % 1000000, serial,
                                                  static_cast<std::uint32_t>(random()), randomCnpj(random));
        const std::string typed = typo(genuine, random);
        CodeCheck check = flow.check(typed);
        caught += check.status != ValidationStatus::Valid || !implausibleFields(check.decoder).empty();
        const std::vector<Suggestion> found = flow.suggest(typed);
        among +=
            std::any_of(found.begin(), found.end(), [&](const Suggestion& s) { return s.code == genuine; });
        first += !found.empty() && found.front().code == genuine;
        several += found.size() > 1;
    }

    int none = 0;
    for (int n = 0; n < randomCount; ++n) {
        std::array<std::uint8_t, codeDigitCount> digits;
        for (auto& d : digits)
            d = static_cast<std::uint8_t>(random() % 46);
        none += flow.suggest(footerFromDigits(digits)).empty();
    }

    std::printf(
        "typos of %d genuine codes: caught %.2f%%, genuine among the suggestions %.2f%%, first %.2f%%, "
        "several suggestions %.2f%%\n",
        typoCount, 100 * share(caught, typoCount), 100 * share(among, typoCount),
        100 * share(first, typoCount), 100 * share(several, typoCount));
    std::printf("%d random strings: no suggestion for %.2f%%\n", randomCount, 100 * share(none, randomCount));
    EXPECT_GE(share(caught, typoCount), 0.99);
    EXPECT_GE(share(among, typoCount), 0.985);
    EXPECT_GE(share(first, typoCount), 0.96);
    EXPECT_GE(share(none, randomCount), 0.95);
    EXPECT_TRUE(prompts.choices.empty());
}

} // namespace
} // namespace morvanex::test
