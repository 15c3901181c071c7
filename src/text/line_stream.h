#pragma once

#include "text/text_rules.h"

#include <optional>
#include <string>
#include <string_view>

namespace morvanex {

// Splits text that arrives in pieces (a file read in chunks, standard input) into lines as soon as
// each is complete. With LineEnds::Any a line ending at a CR is given out at once; a LF arriving
// right after that CR, even in the next piece, is taken as part of the same line end. With a
// maxLineLength, a line's bytes past it are dropped as they arrive, so input of any shape needs
// bounded memory; what they held is counted.
class LineStream
{
public:
    explicit LineStream(LineEnds rule, std::size_t maxLineLength = std::string::npos)
        : m_rule(rule), m_maxLineLength(maxLineLength)
    {
    }

    void append(std::string_view bytes);
    // No more bytes will come: what is left makes the last line.
    void close() { m_closed = true; }
    bool closed() const { return m_closed; }
    // The next complete line without its line end, or nothing until more bytes (or the end) come.
    std::optional<std::string> next();
    // Whether next gives a line without more bytes coming.
    bool lineAtHand() const;
    // Of the last line next gave: the characters dropped past maxLineLength (UTF-8 characters, bytes
    // where it is not UTF-8) up to the last one that is not a blank (space or tab); 0 when only
    // blanks, or nothing, were dropped.
    std::size_t droppedUpToNonBlank() const { return m_lastDropped; }

private:
    LineEnds m_rule;
    std::size_t m_maxLineLength;
    std::string m_pending;
    std::size_t m_start = 0;   // m_pending before this offset has been given out
    std::size_t m_scanned = 0; // no line end between m_start and this offset
    bool m_closed = false;
    bool m_afterCr = false;
    bool m_dropping = false; // the current line has reached maxLineLength
    // Characters the current line dropped so far, and how many of them up to its last non-blank.
    std::size_t m_droppedCharacters = 0;
    std::size_t m_droppedUpToNonBlank = 0;
    std::size_t m_lastDropped = 0;

    void drop(std::string_view bytes);
};

} // namespace morvanex
