#pragma once

#include "text/text_rules.h"

#include <optional>
#include <string>
#include <string_view>

namespace morvanex {

// Splits text that arrives in pieces (a file read in chunks, standard input) into lines as soon as
// each is complete. With LineEnds::Any a line ending at a CR is given out at once; a LF arriving
// right after that CR, even in the next piece, is taken as part of the same line end.
class LineStream
{
public:
    explicit LineStream(LineEnds rule) : m_rule(rule) {}

    void append(std::string_view bytes);
    // No more bytes will come: what is left makes the last line.
    void close() { m_closed = true; }
    // The next complete line without its line end, or nothing until more bytes (or the end) come.
    std::optional<std::string> next();

private:
    LineEnds m_rule;
    std::string m_pending;
    std::size_t m_start = 0;   // m_pending before this offset has been given out
    std::size_t m_scanned = 0; // no line end between m_start and this offset
    bool m_closed = false;
    bool m_afterCr = false;
};

} // namespace morvanex
