#pragma once

#include "footer/footer_decoder.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex {

class FirmwareCatalogue;

// A code one edit away from what the operator typed that decodes Valid and plausible against the
// catalogue: one character replaced by another of the alphabet, or two neighbouring code characters
// swapped.
struct Suggestion
{
    std::string code;                   // 48 characters, blanks at the separators
    std::vector<std::size_t> positions; // 0-based: one for a replacement, two neighbours for a swap
    std::string typed;                  // the characters typed there
    std::string suggested;              // the characters suggested there
    bool cnpjCheckDigits = false;       // the decoded CNPJ passes its two modulus-11 check digits
};

// At most this many suggestions are offered.
inline constexpr std::size_t maxSuggestions = 5;

// The prepared image of a catalogue row, null when it cannot be had.
using RowImage = std::function<PreparedImageRef(int row)>;

// The codes one edit away from code that decode Valid and plausible with a row whose checksum they
// name, every such row tried (nobody is asked to choose). Ranked: CNPJ check digits that hold first,
// then the more easily confused characters, then the earlier position; at most maxSuggestions. Empty
// for a code that is not 48 characters long. Each row's image is asked for at most once.
std::vector<Suggestion> findSuggestions(std::string_view code, const FirmwareCatalogue& catalogue,
                                        const RowImage& rowImage);

// Whether a CNPJ as decoded (20 characters of "0123456789ABC./" and blanks) passes its check digits:
// its digits, leading zeros beyond 14 taken as padding and '.', '/' and blanks ignored, are exactly 14
// and the last two are the modulus-11 check digits of the others. Any other character fails it.
bool cnpjCheckDigitsHold(std::string_view cnpj);

// How easily a printed character is read as another: 3 the same letter in the other case, 2 look-alikes
// such as 0/O or 8/B, 1 shapes that are near, 0 none.
int confusion(char typed, char suggested);

// The code with the changed characters in brackets, e.g. "DB96KACG KVFMO[G]RA ...".
std::string markedCode(const Suggestion& suggestion);
// What changes, in Windows-1252, positions counted from 1: "posição 15: '6' por 'G'", or for a swap
// "posições 15 e 16: 'RG' por 'GR'".
std::string changeText(const Suggestion& suggestion);
// Whether the suggestion's CNPJ check digits hold, in Windows-1252: "confere" or "não confere".
std::string cnpjCheckText(const Suggestion& suggestion);

} // namespace morvanex
