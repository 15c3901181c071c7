// How well suggestions rescue an operator's typo, over many genuine codes: how often the genuine code is
// among the suggestions and how often it comes first; and how seldom a random string gets any.
#include "firmware/firmware_catalogue.h"
#include "firmware/image_file.h"
#include "firmware/workspace.h"
#include "footer/alphabet.h"
#include "footer/footer_encoder.h"
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
constexpr int codeCount = 2500;

// "00XX.XXX.XXX/XXXX.DD" with valid check digits.
std::string randomCnpj(std::mt19937& random)
{
    std::string digits;
    for (int i = 0; i < 12; ++i)
        digits += static_cast<char>('0' + random() % 10);
    for (int round = 0; round < 2; ++round) {
        int sum = 0;
        for (std::size_t i = digits.size(), weight = 2; i-- > 0; weight = weight == 9 ? 2 : weight + 1)
            sum += (digits[i] - '0') * static_cast<int>(weight);
        digits += static_cast<char>('0' + (sum % 11 < 2 ? 0 : 11 - sum % 11));
    }
    return "00" + digits.substr(0, 2) + "." + digits.substr(2, 3) + "." + digits.substr(5, 3) + "/" +
           digits.substr(8, 4) + "." + digits.substr(12);
}

// One random character replaced by another (three times in four), or two differing neighbours swapped.
std::string typo(std::string code, std::mt19937& random)
{
    for (;;) {
        const std::size_t p = random() % footerLength;
        if (isSeparatorPosition(p))
            continue;
        if (random() % 4 != 0) {
            const auto v = *footerDigitValue(static_cast<unsigned char>(code[p]));
            code[p] = footerSymbol(static_cast<std::uint8_t>((v + 1 + random() % 45) % 46));
            return code;
        }
        if (p + 1 < footerLength && !isSeparatorPosition(p + 1) && code[p] != code[p + 1]) {
            std::swap(code[p], code[p + 1]);
            return code;
        }
    }
}

TEST(SuggestionRates, TyposOfGenuineCodesAreRescued)
{
    std::mt19937 random(20);
    TempDir dir;
    std::vector<PreparedImage> images;
    for (int i = 0; i < imageCount; ++i) {
        auto bytes = randomBytes(1 + random() % 300000, static_cast<unsigned>(100 + i));
        const bool swap = i % 3 == 2; // a byte-swapped model
        dir.write("TXT/d" + std::to_string(i) + ".txt", "ARQUIVO: f" + std::to_string(i) + ".bin\nMODELO: " +
                                                            (swap ? "ZQ-101 ORBITA" : "M") + "\n");
        dir.write("Bin/f" + std::to_string(i) + ".bin", bytes);
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

    int among = 0, first = 0, none = 0;
    for (int n = 0; n < codeCount; ++n) {
        std::string serial;
        for (int i = 0; i < 6; ++i)
            serial += "0123456789ABC./"[random() % 15];
        const std::string genuine = *encodeFooter(images[random() % imageCount], random() % 1000000, serial,
                                                  static_cast<std::uint32_t>(random()), randomCnpj(random));
        const std::vector<Suggestion> found = flow.suggest(typo(genuine, random));
        among +=
            std::any_of(found.begin(), found.end(), [&](const Suggestion& s) { return s.code == genuine; });
        first += !found.empty() && found[0].code == genuine;

        std::array<std::uint8_t, codeDigitCount> digits;
        for (auto& d : digits)
            d = static_cast<std::uint8_t>(random() % 46);
        none += flow.suggest(footerFromDigits(digits)).empty();
    }
    const auto percent = [](int count) { return 100.0 * count / codeCount; };
    std::printf("typos of %d genuine codes: the genuine code suggested %.2f%%, first %.2f%%; "
                "random strings without a suggestion %.2f%%\n",
                codeCount, percent(among), percent(first), percent(none));
    EXPECT_GE(percent(among), 98.5);
    EXPECT_GE(percent(first), 96);
    EXPECT_GE(percent(none), 95);
}

} // namespace
} // namespace morvanex::test
