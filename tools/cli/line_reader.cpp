#include "line_reader.h"

#include "standard_streams.h"

#include <array>
#include <utility>

namespace morvanex::cli {
namespace {

constexpr std::size_t blockSize = 65536;
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

class StandardInput : public ByteSource
{
public:
    std::optional<std::size_t> read(std::span<char> buffer, std::string& error) override
    {
        return readStandardInput(buffer, error);
    }
    bool ready() override { return standardInputReady(); }
};

} // namespace

ByteSource& standardInput()
{
    static StandardInput input;
    return input;
}

LineReader::Result LineReader::next(std::string& line, const std::function<bool()>& beforeWaiting)
{
    for (;;) {
        if (auto next = m_lines.next()) {
            line = std::move(*next);
            // Editors on Windows start UTF-8 text with a byte-order mark; it is not part of the code.
            if (m_firstLine && line.starts_with(byteOrderMark))
                line.erase(0, byteOrderMark.size());
            m_firstLine = false;
            return Result::Line;
        }
        if (m_lines.closed())
            return Result::End;
        if (beforeWaiting && !m_source.ready() && !beforeWaiting())
            return Result::Stopped;
        if (!fill())
            return Result::Failed;
    }
}

bool LineReader::fill()
{
    std::array<char, blockSize> block;
    const auto n = m_source.read(block, m_error);
    if (!n)
        return false;
    if (*n == 0)
        m_lines.close();
    else
        m_lines.append(std::string_view(block.data(), *n));
    return true;
}

} // namespace morvanex::cli
