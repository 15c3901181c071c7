#include "text/line_stream.h"

namespace morvanex {

void LineStream::append(std::string_view bytes)
{
    if (m_afterCr && !bytes.empty()) {
        m_afterCr = false;
        if (bytes.front() == '\n')
            bytes.remove_prefix(1);
    }
    // Drop what was given out before the buffer grows, so it never holds more than one line's worth.
    if (m_start > 0) {
        m_pending.erase(0, m_start);
        m_scanned -= m_start;
        m_start = 0;
    }
    m_pending.append(bytes);
}

std::optional<std::string> LineStream::next()
{
    const std::string_view pending = std::string_view(m_pending).substr(m_start);
    const std::size_t at =
        pending.find_first_of(m_rule == LineEnds::Any ? "\r\n" : "\n", m_scanned - m_start);
    if (at == std::string_view::npos && !(m_closed && !pending.empty())) {
        m_scanned = m_pending.size();
        return std::nullopt;
    }
    const TextLine line = lineAt(pending, 0, m_rule);
    if (!m_closed && line.ending == "\r" && line.content.size() + 1 == pending.size())
        m_afterCr = true;
    std::string content(line.content);
    m_start += line.content.size() + line.ending.size();
    m_scanned = m_start;
    return content;
}

} // namespace morvanex
