#include "selftest/printer_frame_parser.h"

#include "selftest/printer_frame.h"

#include <algorithm>
#include <limits>

namespace morvanex {

using namespace printer_framing;

namespace {
// The length field is 16 bits wide and counts the checksum too.
constexpr std::size_t largestPayload = std::numeric_limits<std::uint16_t>::max() - checksumSize;
} // namespace

PrinterFrameParser::PrinterFrameParser(std::size_t minPayload, std::size_t maxPayload)
    : m_minPayload(std::min(minPayload, largestPayload)),
      m_maxPayload(std::clamp(maxPayload, m_minPayload, largestPayload))
{
}

std::size_t PrinterFrameParser::maxFrameSize() const
{
    return headerSize + m_maxPayload + checksumSize;
}

void PrinterFrameParser::skip(std::vector<FrameEvent>& events, std::size_t from, std::size_t to)
{
    from = std::max(from, m_quietEnd);
    if (from >= to)
        return;
    const std::size_t count = to - from;
    if (!m_inGarbageRun) {
        events.push_back({FrameEvent::Kind::Garbage, {}, count});
        m_inGarbageRun = true;
    } else if (!events.empty() && events.back().kind == FrameEvent::Kind::Garbage) {
        events.back().byteCount += count;
    }
}

void PrinterFrameParser::reject(std::vector<FrameEvent>& events, FrameEvent::Kind kind, std::size_t at,
                                std::size_t length)
{
    events.push_back({kind, {}, length});
    // A length beyond any frame cannot say how far the damage goes; the largest frame is a fair guess.
    m_quietEnd = std::max(m_quietEnd, at + headerSize + std::min(length, m_maxPayload + checksumSize));
}

std::vector<FrameEvent> PrinterFrameParser::feed(std::span<const std::uint8_t> bytes)
{
    std::vector<FrameEvent> events;
    // Taken in slices so the held bytes stay within one frame plus one slice.
    const std::size_t slice = maxFrameSize();
    while (!bytes.empty()) {
        const std::size_t take = std::min(slice, bytes.size());
        m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
        bytes = bytes.subspan(take);

        std::size_t at = 0;
        while (at < m_buffer.size()) {
            const auto start =
                std::find(m_buffer.begin() + static_cast<std::ptrdiff_t>(at), m_buffer.end(), startByte);
            const auto startAt = static_cast<std::size_t>(start - m_buffer.begin());
            skip(events, at, startAt);
            at = startAt;
            if (start == m_buffer.end())
                break;
            m_inGarbageRun = false;
            if (m_buffer.size() - at < headerSize)
                break;
            const std::size_t length = m_buffer[at + 1] | static_cast<std::size_t>(m_buffer[at + 2]) << 8;
            if (length < checksumSize + m_minPayload || length > checksumSize + m_maxPayload) {
                reject(events, FrameEvent::Kind::BadLength, at, length);
                ++at;
                continue;
            }
            if (m_buffer.size() - at < headerSize + length)
                break;
            const auto payloadBegin = m_buffer.begin() + static_cast<std::ptrdiff_t>(at + headerSize);
            const std::span<const std::uint8_t> payload(payloadBegin, length - checksumSize);
            const std::size_t sumAt = at + headerSize + payload.size();
            const auto sent = static_cast<std::uint16_t>(m_buffer[sumAt] | m_buffer[sumAt + 1] << 8);
            if (sent != payloadChecksum(payload)) {
                reject(events, FrameEvent::Kind::BadChecksum, at, length);
                ++at;
                continue;
            }
            events.push_back({FrameEvent::Kind::Frame, {payload.begin(), payload.end()}, length});
            at += headerSize + length;
            m_quietEnd = std::min(m_quietEnd, at);
        }
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(at));
        m_quietEnd -= std::min(m_quietEnd, at);
    }
    return events;
}

} // namespace morvanex
