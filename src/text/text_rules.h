#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex {

// Which letters have a case partner. Windows1252: A-Z, À-Þ except ×, Š Œ Ž Ÿ and their small
// forms, as the original platform compares file, folder and key names. Ascii: A-Z only, where the
// system classifies text by its ASCII letters (descriptor line kinds, port names).
enum class CaseRule { Ascii, Windows1252 };

// The small form of a letter; every other byte unchanged.
char foldCase(char c, CaseRule rule);
std::string foldCase(std::string_view text, CaseRule rule);
bool equalsIgnoringCase(std::string_view a, std::string_view b, CaseRule rule);
bool startsWithIgnoringCase(std::string_view text, std::string_view prefix, CaseRule rule);
bool endsWithIgnoringCase(std::string_view text, std::string_view suffix, CaseRule rule);
// Below zero, zero or above zero as a sorts before, with or after b once both are folded, bytes
// compared as unsigned values.
int compareIgnoringCase(std::string_view a, std::string_view b, CaseRule rule);

// Where lines end.
enum class LineEnds {
    // Descriptors: at a LF, a CR right before it belonging to the line end; any other CR, also one
    // at the very end of the text, is part of the line.
    Lf,
    // INI files and batch input: at CR LF, at a LF, or at a lone CR.
    Any,
};

struct TextLine
{
    std::string_view content; // the line without its end
    std::string_view ending;  // the exact line-end bytes; empty for a last line without one
};

// Offset of the first byte at or after from that ends a line under rule (a CR or a LF), npos for none.
std::size_t findLineEnd(std::string_view text, std::size_t from, LineEnds rule);
// The line that starts at offset from (< text.size()). Both views point into text, so
// content.data() - text.data() is the line's offset.
TextLine lineAt(std::string_view text, std::size_t from, LineEnds rule);

} // namespace morvanex
