#include "validation/suggestions.h"

#include "firmware/firmware_catalogue.h"
#include "footer/alphabet.h"
#include "footer/footer_layout.h"
#include "footer/plausibility.h"
#include "footer/prepared_image.h"
#include "text/text_encoding.h"
#include "validation/row_images.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>

namespace morvanex {
namespace {

constexpr std::uint8_t outsideAlphabet = 0xFF;
// Key digits are hexadecimal, so a cnpjBlock digit above the largest CNPJ symbol plus 15 leaves a
// CNPJ symbol out of range whatever the key.
constexpr unsigned maxKeyDigit = 15;
// A CNPJ's own digits, without the padding and separators of its printed form.
constexpr std::size_t cnpjNumberDigits = 14;

// Characters a thermal print or a hurried hand makes hard to tell apart, and shapes that are near;
// every two characters of one entry. A character may stand in several entries.
constexpr std::string_view lookAlikes[] = {"0ODQ", "1IL!", "2Z", "5S$", "6G", "8B&",
                                           "UV",   "9S",   "8S", "JI",  "IT"};
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

// The four characters a checksum text starts with, as one number.
std::uint32_t packed(std::span<const std::uint8_t, checksumDigits> text)
{
    return std::uint32_t{text[0]} << 24 | std::uint32_t{text[1]} << 16 | std::uint32_t{text[2]} << 8 |
           text[3];
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

// The search in three steps: the candidates one edit away, each with the rows it may decode with
// under the rules; then image by image, every candidate that may decode with it; then the ranking.
class Search
{
public:
    Search(const FirmwareCatalogue& catalogue, RowImages& images, const SuggestionRules& rules,
           std::stop_token stop)
        : m_catalogue(catalogue), m_images(images), m_rules(rules), m_stop(std::move(stop)),
          m_slotOfRow(catalogue.rows.size(), unknownSlot)
    {
        for (int row = 0; row < catalogue.count(); ++row) {
            const std::string& text = catalogue.rows[static_cast<std::size_t>(row)].footerChecksum;
            if (text.size() >= checksumDigits)
                m_rowsByChecksum[packed(std::span<const std::uint8_t, checksumDigits>(
                                     reinterpret_cast<const std::uint8_t*>(text.data()), checksumDigits))]
                    .push_back(row);
        }
    }

    bool stopped() const { return m_stop.stop_requested(); }

    // Keeps the candidate when it may decode Valid and plausible with a row the rules let it name.
    void add(const CodeDigits& digits, std::vector<std::size_t> positions)
    {
        // Everything that needs no key first: nearly every candidate ends here.
        if (!maskedFieldsPlausible(digits))
            return;
        for (const std::size_t p : cnpjBlockPositions)
            if (digits[p] > maxGenuineDigit(FooterField::Cnpj) + maxKeyDigit)
                return;
        std::uint16_t crc = 0;
        const auto [it, fresh] = m_groups.try_emplace(packed(checksumText(digits, crc)));
        if (fresh)
            it->second.choices = choicesFor(it->first);
        if (it->second.choices.empty())
            return;
        it->second.candidates.push_back(m_candidates.size());
        m_candidates.push_back({digits, std::move(positions), crc, false, false, -1});
    }

    // Decodes every candidate with the images it may decode with, one image at a time: those held
    // already first, so that a batch prepares only what its bound does not hold, then by size, so
    // that copies of one image follow one another and the second decodes as the first did.
    void decodeAll()
    {
        std::vector<std::vector<std::pair<const Group*, int>>> uses(m_slots.size()); // by slot: group, row
        for (const auto& [key, group] : m_groups)
            for (const Choice& choice : group.choices)
                uses[static_cast<std::size_t>(choice.slot)].emplace_back(&group, choice.row);
        std::vector<std::size_t> order;
        for (std::size_t slot = 0; slot < m_slots.size(); ++slot)
            if (!uses[slot].empty())
                order.push_back(slot);
        const auto held = [this](std::size_t slot) {
            return m_images.holds(m_slots[slot].identity, m_slots[slot].swapped);
        };
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            if (held(a) != held(b))
                return held(a);
            return m_slots[a].identity.size < m_slots[b].identity.size;
        });
        PreparedImageRef previous;
        std::vector<Outcome> previousOutcomes;
        for (const std::size_t slot : order) {
            std::vector<Try> pending;
            for (const auto& [group, row] : uses[slot])
                for (const std::size_t c : group->candidates) {
                    const Candidate& candidate = m_candidates[c];
                    // Already decoded with check digits that hold, on a lower row: nothing to gain.
                    if (!(candidate.checkDigits && candidate.row < row))
                        pending.push_back({c, row});
                }
            if (pending.empty() || stopped())
                continue;
            PreparedImageRef image = m_images.image(rowRecord(m_slots[slot].firstRow), m_stop);
            if (!image)
                continue;
            std::vector<Outcome> outcomes(m_candidates.size(), Outcome::Untried);
            std::vector<Try> decoding = pending;
            // The same bytes as the image before: what decoded with that decodes alike with this.
            if (previous && image->decodesAs(*previous))
                std::erase_if(decoding, [&](const Try& t) {
                    outcomes[t.candidate] = previousOutcomes[t.candidate];
                    return outcomes[t.candidate] != Outcome::Untried;
                });
            decode(decoding, *image, outcomes);
            if (stopped())
                return;
            for (const Try& t : pending)
                record(m_candidates[t.candidate], t.row, outcomes[t.candidate]);
            previous = std::move(image);
            previousOutcomes = std::move(outcomes);
        }
    }

    std::vector<Suggestion> ranked(std::string_view typedCode)
    {
        std::vector<Suggestion> found;
        for (Candidate& c : m_candidates) {
            if (!c.valid)
                continue;
            Suggestion s;
            s.code = footerOf(c.digits);
            for (const std::size_t p : c.positions) {
                s.typed += typedCode[p];
                s.suggested += s.code[p];
            }
            s.positions = std::move(c.positions);
            s.cnpjCheckDigits = c.checkDigits;
            s.row = c.row;
            found.push_back(std::move(s));
        }
        const auto likeness = [](const Suggestion& s) {
            return s.positions.size() > 1 ? swapConfusion : confusion(s.typed[0], s.suggested[0]);
        };
        std::stable_sort(found.begin(), found.end(), [&](const Suggestion& a, const Suggestion& b) {
            if (a.cnpjCheckDigits != b.cnpjCheckDigits)
                return a.cnpjCheckDigits;
            if (likeness(a) != likeness(b))
                return likeness(a) > likeness(b);
            return a.positions.front() < b.positions.front();
        });
        if (found.size() > maxSuggestions)
            found.resize(maxSuggestions);
        return found;
    }

private:
    // Key blocks of decoding that outweigh starting a thread many times over.
    static constexpr std::size_t blocksWorthAThread = 4096;
    static constexpr int unknownSlot = -2;
    static constexpr int noSlot = -1; // the row's image cannot be opened

    enum class Outcome { Untried, Invalid, Valid, CheckDigits };
    // A candidate to decode with the image, and the row it then names.
    struct Try
    {
        std::size_t candidate;
        int row;
    };
    struct Candidate
    {
        CodeDigits digits;
        std::vector<std::size_t> positions;
        std::uint16_t crc; // the CRC-16 its checksum digits name
        bool valid;
        bool checkDigits;
        int row; // the row it decodes with, once valid
    };
    // An image a candidate may decode with, and the row it then names.
    struct Choice
    {
        int slot;
        int row;
    };
    // The candidates of one checksum text and the images they may decode with.
    struct Group
    {
        std::vector<Choice> choices;
        std::vector<std::size_t> candidates;
    };
    // One image file in one byte order, however many rows name it.
    struct Slot
    {
        FileIdentity identity;
        bool swapped;
        int firstRow;
    };
    struct SlotKeyHash
    {
        std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t>& key) const
        {
            return std::hash<std::uint64_t>()(key.second * 2) ^ (std::hash<std::uint64_t>()(key.first) << 1);
        }
    };

    const FirmwareRecord& rowRecord(int row) const { return m_catalogue.rows[static_cast<std::size_t>(row)]; }

    // The rows a code of this checksum text decodes with under the rules, as their images, each image
    // once, at the first of its rows.
    std::vector<Choice> choicesFor(std::uint32_t checksum)
    {
        const auto rows = m_rowsByChecksum.find(checksum);
        if (rows == m_rowsByChecksum.end())
            return {};
        std::vector<Choice> choices;
        const auto choose = [&](int row) {
            const int slot = slotOf(row);
            if (slot != noSlot && std::none_of(choices.begin(), choices.end(),
                                               [slot](const Choice& c) { return c.slot == slot; }))
                choices.push_back({slot, row});
        };
        if (rows->second.size() == 1)
            choose(rows->second.front());
        else if (m_rules.everyRow)
            for (const int row : rows->second) {
                if (stopped())
                    return {};
                choose(row);
            }
        else if (std::find(rows->second.begin(), rows->second.end(), m_rules.row) != rows->second.end())
            choose(m_rules.row);
        return choices;
    }

    // The image the row names: rows spelling one name alike are opened once, and rows whose files
    // prove one share it.
    int slotOf(int row)
    {
        int& slot = m_slotOfRow[static_cast<std::size_t>(row)];
        if (slot != unknownSlot)
            return slot;
        const FirmwareRecord& record = rowRecord(row);
        const bool swapped = record.byteSwapped != 0;
        const auto [named, fresh] = m_slotOfName.try_emplace({record.fileName, swapped}, noSlot);
        if (fresh) {
            if (const auto identity = m_images.identify(record)) {
                auto& sameFile = m_slotsOfFile[{identity->device, identity->inode}];
                const auto same = std::find_if(sameFile.begin(), sameFile.end(), [&](int s) {
                    return m_slots[static_cast<std::size_t>(s)].identity == *identity &&
                           m_slots[static_cast<std::size_t>(s)].swapped == swapped;
                });
                if (same != sameFile.end()) {
                    named->second = *same;
                } else {
                    named->second = static_cast<int>(m_slots.size());
                    sameFile.push_back(named->second);
                    m_slots.push_back({*identity, swapped, row});
                }
            }
        }
        return slot = named->second;
    }

    // The candidates are independent and each decode writes its own outcome: a large image's are
    // spread over the processor's cores, each taking the next candidate left.
    void decode(const std::vector<Try>& pending, const PreparedImage& image, std::vector<Outcome>& outcomes)
    {
        std::atomic<std::size_t> next{0};
        const auto work = [&] {
            for (std::size_t i = next++; i < pending.size() && !stopped(); i = next++)
                outcomes[pending[i].candidate] =
                    tryWith(m_candidates[pending[i].candidate], pending[i].row, image);
        };
        std::vector<std::thread> helpers;
        const std::size_t blocks = pending.size() * (image.length() / blockSpan + 1);
        const unsigned cores = std::thread::hardware_concurrency();
        for (unsigned t = 1; t < cores && blocks >= blocksWorthAThread * (t + 1); ++t) {
            try {
                helpers.emplace_back(work);
            } catch (const std::system_error&) {
                break; // this thread does the rest
            }
        }
        work();
        for (std::thread& helper : helpers)
            helper.join();
    }

    Outcome tryWith(const Candidate& c, int row, const PreparedImage& image) const
    {
        if (image.crc16() != c.crc)
            return Outcome::Invalid;
        // A copy the decoder may hold as its own; the image lives on with the caller.
        TriedRow source(std::shared_ptr<const PreparedImage>(std::shared_ptr<const PreparedImage>(), &image),
                        row);
        FooterDecoder decoder(&source);
        if (decoder.decode(footerOf(c.digits)) != ValidationStatus::Valid ||
            !implausibleFields(decoder).empty())
            return Outcome::Invalid;
        const std::string_view cnpj(reinterpret_cast<const char*>(decoder.cnpj.data()), cnpjDigits);
        if (m_rules.expectedCnpj && cnpj != *m_rules.expectedCnpj)
            return Outcome::Invalid;
        return cnpjCheckDigitsHold(cnpj) ? Outcome::CheckDigits : Outcome::Valid;
    }

    // Keeps the better decode: check digits that hold, then the lower row.
    static void record(Candidate& c, int row, Outcome outcome)
    {
        if (outcome == Outcome::Invalid)
            return;
        const bool checkDigits = outcome == Outcome::CheckDigits;
        if (!c.valid || checkDigits > c.checkDigits || (checkDigits == c.checkDigits && row < c.row)) {
            c.valid = true;
            c.checkDigits = checkDigits;
            c.row = row;
        }
    }

    const FirmwareCatalogue& m_catalogue;
    RowImages& m_images;
    const SuggestionRules& m_rules;
    std::stop_token m_stop;
    std::unordered_map<std::uint32_t, std::vector<int>> m_rowsByChecksum;
    std::unordered_map<std::uint32_t, Group> m_groups; // by checksum text
    std::vector<Candidate> m_candidates;
    std::vector<Slot> m_slots;
    std::vector<int> m_slotOfRow;
    std::map<std::pair<std::string, bool>, int> m_slotOfName;
    std::unordered_map<std::pair<std::uint64_t, std::uint64_t>, std::vector<int>, SlotKeyHash> m_slotsOfFile;
};

} // namespace

std::vector<Suggestion> findSuggestions(std::string_view code, const FirmwareCatalogue& catalogue,
                                        RowImages& images, const SuggestionRules& rules, std::stop_token stop)
{
    if (code.size() != footerLength || stop.stop_requested())
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

    Search search(catalogue, images, rules, stop);
    for (std::size_t p = 0; p < footerLength && !search.stopped(); ++p) {
        if (isSeparatorPosition(p) || (!outside.empty() && p != outside.front()))
            continue;
        CodeDigits candidate = typed;
        for (std::uint8_t v = 0; v < footerAlphabetSize; ++v) {
            if (v == typed[p])
                continue;
            candidate[p] = v;
            search.add(candidate, {p});
        }
    }
    if (outside.empty()) {
        for (std::size_t p = 0; p + 1 < footerLength && !search.stopped(); ++p) {
            // The next code character: across a separator, the first of the next group.
            const std::size_t q = isSeparatorPosition(p + 1) ? p + 2 : p + 1;
            if (isSeparatorPosition(p) || q >= footerLength || typed[p] == typed[q])
                continue;
            CodeDigits candidate = typed;
            std::swap(candidate[p], candidate[q]);
            search.add(candidate, {p, q});
        }
    }
    search.decodeAll();
    if (search.stopped())
        return {};
    return search.ranked(code);
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
