#include "selftest/printer_frame.h"

#include <algorithm>

namespace morvanex {

std::uint16_t printer_framing::payloadChecksum(std::span<const std::uint8_t> payload)
{
    std::uint16_t sum = 0;
    for (std::uint8_t byte : payload)
        sum = static_cast<std::uint16_t>(sum + byte);
    return sum;
}

bool PrinterFrame::append(std::span<const std::uint8_t> bytes)
{
    if (m_sealed || bytes.size() > capacity - m_count)
        return false;
    std::copy(bytes.begin(), bytes.end(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_count));
    m_count += bytes.size();
    return true;
}

bool PrinterFrame::seal()
{
    using namespace printer_framing;
    if (m_sealed || m_count + checksumSize > capacity)
        return false;
    const auto length = static_cast<std::uint16_t>(m_count - 1);
    const std::uint16_t sum = payloadChecksum(std::span(m_buffer).subspan(headerSize, m_count - headerSize));
    m_buffer[0] = startByte;
    m_buffer[1] = static_cast<std::uint8_t>(length & 0xFF);
    m_buffer[2] = static_cast<std::uint8_t>(length >> 8);
    m_buffer[m_count++] = static_cast<std::uint8_t>(sum & 0xFF);
    m_buffer[m_count++] = static_cast<std::uint8_t>(sum >> 8);
    m_sealed = true;
    return true;
}

} // namespace morvanex
