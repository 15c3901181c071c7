#pragma once

#include "text/line_stream.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace morvanex::cli {

// Where a LineReader's bytes come from: standard input, or what a test scripts.
class ByteSource
{
public:
    virtual ~ByteSource() = default;
    // Up to buffer.size() bytes, waiting for the first of them; 0 at the end. Nothing, with error set,
    // when the source cannot be read.
    virtual std::optional<std::size_t> read(std::span<char> buffer, std::string& error) = 0;
    // Whether read would return without waiting (bytes or the end are there); false when unsure.
    virtual bool ready() = 0;
};

// Standard input as a ByteSource.
ByteSource& standardInput();

// Lines of standard input, read in large blocks, so that the caller can tell whether the next line
// is already at hand or means waiting (and answer what it has first).
class LineReader
{
public:
    enum class Result { Line, End, Failed, Stopped };

    // A line's bytes past this many are not kept, only counted: a FooterCode is 48 characters, and a
    // line of any length must not exhaust memory.
    static constexpr std::size_t maxKeptLength = 4096;

    explicit LineReader(ByteSource& source = standardInput()) : m_source(source) {}

    // Whether next returns without reading more input.
    bool lineReady() const { return m_lines.closed() || m_lines.lineAtHand(); }
    // The next line without its line end (CR LF, LF or CR), at most maxKeptLength bytes of it; the last
    // line may lack one, and the first loses a UTF-8 byte-order mark. Failed when a read fails (error
    // says why). Before every read that may wait (the source has nothing at hand), beforeWaiting is
    // called, when given: the caller's moment to write what it owes; when it returns false, Stopped.
    Result next(std::string& line, const std::function<bool()>& beforeWaiting = {});
    // Of the last line: the characters that followed what it kept, up to the last one that is not a
    // blank; 0 when no more than blanks followed.
    std::size_t charactersCut() const { return m_lines.droppedUpToNonBlank(); }
    const std::string& error() const { return m_error; }

private:
    bool fill();

    ByteSource& m_source;
    LineStream m_lines{LineEnds::Any, maxKeptLength};
    bool m_firstLine = true;
    std::string m_error;
};

} // namespace morvanex::cli
