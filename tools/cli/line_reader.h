#pragma once

#include "text/line_stream.h"

#include <cstddef>
#include <string>

namespace morvanex::cli {

// Lines of standard input, read in large blocks, so that the caller can tell whether the next line
// is already at hand or means waiting (and answer what it has first).
class LineReader
{
public:
    enum class Result { Line, End, Failed };

    // A line's bytes past this many are not kept, only counted: a FooterCode is 48 characters, and a
    // line of any length must not exhaust memory.
    static constexpr std::size_t maxKeptLength = 4096;

    // Whether next returns without reading more input.
    bool lineReady() const { return m_lines.closed() || m_lines.lineAtHand(); }
    // The next line without its line end (CR LF, LF or CR), at most maxKeptLength bytes of it; the last
    // line may lack one, and the first loses a UTF-8 byte-order mark. Failed when a read fails (error
    // says why).
    Result next(std::string& line);
    // Of the last line: the characters that followed what it kept, up to the last one that is not a
    // blank; 0 when no more than blanks followed.
    std::size_t charactersCut() const { return m_lines.droppedUpToNonBlank(); }
    const std::string& error() const { return m_error; }

private:
    bool fill();

    LineStream m_lines{LineEnds::Any, maxKeptLength};
    bool m_firstLine = true;
    std::string m_error;
};

} // namespace morvanex::cli
