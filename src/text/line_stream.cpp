#include "text/line_stream.h"

namespace morvanex {

void LineStream::drop(std::string_view bytes)
{
    for (const char c : bytes) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) // not a UTF-8 continuation byte
            ++m_droppedCharacters;
        if (c != ' ' && c != '\t')
            m_droppedUpToNonBlank = m_droppedCharacters;
    }
}

void LineStream::append(std::string_view bytes)
{
    if (m_afterCr && !bytes.empty()) {
        m_afterCr = false;
        if (bytes.front() == '\n')
            bytes.remove_prefix(1);
    }
    if (m_dropping) {
        const auto end = findLineEnd(bytes, 0, m_rule);
        drop(bytes.substr(0, end));
        if (end == std::string_view::npos)
            return;
        bytes.remove_prefix(end);
        m_dropping = false;
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
    const std::size_t at = findLineEnd(pending, m_scanned - m_start, m_rule);
    if (at == std::string_view::npos && !(m_closed && !pending.empty())) {
        if (pending.size() > m_maxLineLength) {
            drop(pending.substr(m_maxLineLength));
            m_pending.resize(m_start + m_maxLineLength);
            m_dropping = true;
        }
        m_scanned = m_pending.size();
        return std::nullopt;
    }
    const TextLine line = lineAt(pending, 0, m_rule);
    if (!m_closed && line.ending == "\r" && line.content.size() + 1 == pending.size())
        m_afterCr = true;
    std::string content(line.content.substr(0, m_maxLineLength));
    if (line.content.size() > m_maxLineLength)
        drop(line.content.substr(m_maxLineLength));
    m_lastDropped = m_droppedUpToNonBlank;
    m_droppedCharacters = m_droppedUpToNonBlank = 0;
    m_start += line.content.size() + line.ending.size();
    m_scanned = m_start;
    return content;
}

bool LineStream::lineAtHand() const
{
    const std::string_view pending = std::string_view(m_pending).substr(m_start);
    return findLineEnd(pending, m_scanned - m_start, m_rule) != std::string_view::npos ||
           (m_closed && !pending.empty());
}

} // namespace morvanex
