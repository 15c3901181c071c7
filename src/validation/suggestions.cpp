#include "validation/suggestions.h"

#include "firmware/firmware_catalogue.h"
#include "footer/alphabet.h"
#include "footer/footer_layout.h"
#include "footer/plausibility.h"
#include "footer/prepared_image.h"
#include "text/text_encoding.h"
#include "validation/firmware_lookup.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace morvanex {
namespace {

constexpr std::uint8_t outsideAlphabet = 0xFF;
// Key digits are hexadecimal, so a cnpjBlock digit above the largest CNPJ symbol plus 15 leaves a
// CNPJ symbol out of range whatever the key.
constexpr unsigned maxKeyDigit = 15;
// A CNPJ's own digits, without the padding and separators of its printed form.
constexpr std::size_t cnpjNumberDigits = 14;

// Characters a thermal print or a hurried hand makes hard to tell apart, and shapes that are near.
constexpr std::string_view lookAlikes[] = {"0ODQ", "1IL!", "2Z", "5S$", "6G", "8B&", "UV"};
constexpr std::string_view nearShapes[] = {"CG", "EF", "MN", "KX", "PR", "38", "7T", "4A", "VY", "7Z"};
// Two neighbours swapped: a slip of the hand about as likely as a near shape.
constexpr int swapConfusion = 1;

using CodeDigits = std::array<std::uint8_t, footerLength>; // digit values by position, separators 0

// Decodes a candidate with the one row being tried, never asking anybody.
class TriedRow : public PreparedFirmwareSource
{
public:
    TriedRow(PreparedImageRef image, int row) : m_image(std::move(image)), m_row(row) {}

    PreparedImageRef loadPreparedImage(std::span<const std::uint8_t, checksumDigits>, int& chosenRow) override
    {
        chosenRow = m_row;
        return m_image;
    }

private:
    PreparedImageRef m_image;
    int m_row;
};

bool together(std::span<const std::string_view> groups, char a, char b)
{
    return std::any_of(groups.begin(), groups.end(), [a, b](std::string_view g) {
        return g.find(a) != std::string_view::npos && g.find(b) != std::string_view::npos;
    });
}

// The unmasked checksum digits as the four characters the catalogue rows are matched on, and as
// the CRC-16 they name. Only for a code whose checksum digits are in range.
std::array<std::uint8_t, checksumDigits> checksumText(const CodeDigits& d, std::uint16_t& crc)
{
    std::array<std::uint8_t, checksumDigits> text;
    crc = 0;
    for (std::size_t i = 0; i < checksumDigits; ++i) {
        text[i] =
            static_cast<std::uint8_t>(d[checksumPositions[i]] - d[cnpjBlockPositions[checksumFirstMask + i]]);
        crc = static_cast<std::uint16_t>(crc << 4 | text[i]);
    }
    digitsToAlnum(text);
    return text;
}

std::string footerOf(const CodeDigits& d)
{
    std::array<std::uint8_t, codeDigitCount> values;
    auto next = values.begin();
    for (std::size_t position = 0; position < footerLength; ++position)
        if (!isSeparatorPosition(position))
            *next++ = d[position];
    return footerFromDigits(values);
}

class Search
{
public:
    Search(const FirmwareCatalogue& catalogue, const RowImage& rowImage)
        : m_catalogue(catalogue), m_rowImage(rowImage)
    {
    }

    // Adds the candidate when it decodes Valid and plausible with any row its checksum names.
    void tryCandidate(const CodeDigits& digits, std::string_view typedCode,
                      std::vector<std::size_t> positions)
    {
        // Everything that needs no key first: nearly every candidate ends here.
        if (!maskedFieldsPlausible(digits))
            return;
        for (const std::size_t p : cnpjBlockPositions)
            if (digits[p] > maxGenuineDigit(FooterField::Cnpj) + maxKeyDigit)
                return;
        std::uint16_t crc = 0;
        const std::vector<int> rows = matchingRows(m_catalogue, checksumText(digits, crc));
        std::string code;
        bool valid = false;
        bool checkDigits = false;
        for (const int row : rows) {
            const PreparedImageRef& image = imageOf(row);
            if (!image || image->crc16() != crc)
                continue;
            if (code.empty())
                code = footerOf(digits);
            TriedRow source(image, row);
            FooterDecoder decoder(&source);
            if (decoder.decode(code) != ValidationStatus::Valid || !implausibleFields(decoder).empty())
                continue;
            valid = true;
            const std::string_view cnpj(reinterpret_cast<const char*>(decoder.cnpj.data()), cnpjDigits);
            if (cnpjCheckDigitsHold(cnpj)) {
                checkDigits = true;
                break;
            }
        }
        if (!valid)
            return;
        Suggestion s;
        for (const std::size_t p : positions) {
            s.typed += typedCode[p];
            s.suggested += code[p];
        }
        s.code = std::move(code);
        s.positions = std::move(positions);
        s.cnpjCheckDigits = checkDigits;
        m_found.push_back(std::move(s));
    }

    std::vector<Suggestion> ranked()
    {
        const auto likeness = [](const Suggestion& s) {
            return s.positions.size() > 1 ? swapConfusion : confusion(s.typed[0], s.suggested[0]);
        };
        std::stable_sort(m_found.begin(), m_found.end(), [&](const Suggestion& a, const Suggestion& b) {
            if (a.cnpjCheckDigits != b.cnpjCheckDigits)
                return a.cnpjCheckDigits;
            if (likeness(a) != likeness(b))
                return likeness(a) > likeness(b);
            return a.positions.front() < b.positions.front();
        });
        if (m_found.size() > maxSuggestions)
            m_found.resize(maxSuggestions);
        return std::move(m_found);
    }

private:
    const PreparedImageRef& imageOf(int row)
    {
        const auto [it, fresh] = m_images.try_emplace(row);
        if (fresh)
            it->second = m_rowImage(row);
        return it->second;
    }

    const FirmwareCatalogue& m_catalogue;
    const RowImage& m_rowImage;
    std::unordered_map<int, PreparedImageRef> m_images;
    std::vector<Suggestion> m_found;
};

} // namespace

std::vector<Suggestion> findSuggestions(std::string_view code, const FirmwareCatalogue& catalogue,
                                        const RowImage& rowImage)
{
    if (code.size() != footerLength)
        return {};
    CodeDigits typed{};
    std::vector<std::size_t> outside;
    for (std::size_t p = 0; p < footerLength; ++p) {
        if (isSeparatorPosition(p))
            continue;
        const auto value = footerDigitValue(static_cast<unsigned char>(code[p]));
        typed[p] = value ? *value : outsideAlphabet;
        if (!value)
            outside.push_back(p);
    }
    // One edit mends at most one character outside the alphabet, and only by replacing it.
    if (outside.size() > 1)
        return {};

    Search search(catalogue, rowImage);
    for (std::size_t p = 0; p < footerLength; ++p) {
        if (isSeparatorPosition(p) || (!outside.empty() && p != outside.front()))
            continue;
        CodeDigits candidate = typed;
        for (std::uint8_t v = 0; v < footerAlphabetSize; ++v) {
            if (v == typed[p])
                continue;
            candidate[p] = v;
            search.tryCandidate(candidate, code, {p});
        }
    }
    if (outside.empty()) {
        for (std::size_t p = 0; p + 1 < footerLength; ++p) {
            if (isSeparatorPosition(p) || isSeparatorPosition(p + 1) || typed[p] == typed[p + 1])
                continue;
            CodeDigits candidate = typed;
            std::swap(candidate[p], candidate[p + 1]);
            search.tryCandidate(candidate, code, {p, p + 1});
        }
    }
    return search.ranked();
}

bool cnpjCheckDigitsHold(std::string_view cnpj)
{
    std::string digits;
    for (const char c : cnpj) {
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c != '.' && c != '/' && c != ' ')
            return false;
    }
    std::size_t padding = 0;
    while (digits.size() - padding > cnpjNumberDigits && digits[padding] == '0')
        ++padding;
    digits.erase(0, padding);
    if (digits.size() != cnpjNumberDigits)
        return false;
    // Weights 2 to 9 from the right, starting over after 9; a remainder below 2 gives 0.
    const auto checkDigit = [&digits](std::size_t count) {
        int sum = 0;
        int weight = 2;
        for (std::size_t i = count; i-- > 0;) {
            sum += (digits[i] - '0') * weight;
            weight = weight == 9 ? 2 : weight + 1;
        }
        const int remainder = sum % 11;
        return remainder < 2 ? 0 : 11 - remainder;
    };
    return checkDigit(cnpjNumberDigits - 2) == digits[cnpjNumberDigits - 2] - '0' &&
           checkDigit(cnpjNumberDigits - 1) == digits[cnpjNumberDigits - 1] - '0';
}

int confusion(char typed, char suggested)
{
    if (typed != suggested && footerCharacter(typed) == suggested)
        return 3;
    typed = footerCharacter(typed);
    if (typed == suggested)
        return 0;
    if (together(lookAlikes, typed, suggested))
        return 2;
    return together(nearShapes, typed, suggested) ? 1 : 0;
}

std::string markedCode(const Suggestion& suggestion)
{
    std::string marked = suggestion.code;
    if (suggestion.positions.empty())
        return marked;
    marked.insert(suggestion.positions.back() + 1, 1, ']');
    marked.insert(suggestion.positions.front(), 1, '[');
    return marked;
}

std::string changeText(const Suggestion& suggestion)
{
    const auto& p = suggestion.positions;
    std::string text = p.size() > 1
                           ? cp1252("posições ") + std::to_string(p[0] + 1) + " e " + std::to_string(p[1] + 1)
                           : cp1252("posição ") + std::to_string(p.empty() ? 0 : p[0] + 1);
    return text + ": '" + suggestion.typed + "' por '" + suggestion.suggested + "'";
}

std::string cnpjCheckText(const Suggestion& suggestion)
{
    return suggestion.cnpjCheckDigits ? std::string("confere") : cp1252("não confere");
}

} // namespace morvanex
