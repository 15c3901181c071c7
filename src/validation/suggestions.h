#pragma once

#include "footer/footer_decoder.h"

#include <cstddef>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex {

class FirmwareCatalogue;
class RowImages;

// A code one edit away from what the operator typed that decodes Valid and plausible against the
// catalogue: one character replaced by another of the alphabet, or two neighbouring code characters
// swapped (the last of a group and the first of the next are neighbours too).
struct Suggestion
{
    std::string code;                   // 48 characters, blanks at the separators
    std::vector<std::size_t> positions; // 0-based: one for a replacement, the two swapped for a swap
    std::string typed;                  // the characters typed there
    std::string suggested;              // the characters suggested there
    bool cnpjCheckDigits = false;       // the decoded CNPJ passes its two modulus-11 check digits
    int row = -1;                       // the catalogue row it decodes with
};

// At most this many suggestions are offered.
inline constexpr std::size_t maxSuggestions = 5;

// What makes a code one edit away a suggestion, beyond decoding Valid and plausible.
struct SuggestionRules
{
    // Every row that carries the code's checksum is tried, for an operator who will choose among them.
    // Otherwise, as for a check that nobody is asked about: a checksum that several rows carry counts
    // only with row among them (-1: with none, the code would be ambiguous).
    bool everyRow = true;
    int row = -1;
    // The CNPJ printed on the document: a code that deciphers to another is no suggestion.
    std::optional<std::string> expectedCnpj;
};

// The codes one edit away from code that decode Valid and plausible with a row whose checksum they
// name, under rules. Ranked: CNPJ check digits that hold first, then the more easily confused
// characters, then the earlier position; each names the lowest row it decodes with, one whose check
// digits hold first. At most maxSuggestions; empty for a code that is not 48 characters long, and
// once stop is requested (checked often enough to be seen within milliseconds).
// Rows whose image files have one identity share one image, and each image is asked of images once,
// those it holds first; a search holds one image at a time. It reads the catalogue's rows and
// nothing else of it (not selectedIndex), and asks nobody anything: with FreshImages it may run on a
// thread of its own while the catalogue lives.
std::vector<Suggestion> findSuggestions(std::string_view code, const FirmwareCatalogue& catalogue,
                                        RowImages& images, const SuggestionRules& rules = {},
                                        std::stop_token stop = {});

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
