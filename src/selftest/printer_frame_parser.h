#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace morvanex {

// What the parser made of the bytes it was fed.
struct FrameEvent
{
    enum class Kind {
        Frame,       // a complete frame; payload holds its payload
        Garbage,     // bytes that were not part of any frame
        BadLength,   // a length field outside the accepted payload sizes
        BadChecksum, // a complete frame whose checksum does not match its payload
    };

    Kind kind = Kind::Frame;
    std::vector<std::uint8_t> payload;
    // For Garbage, the bytes of the run skipped within the feed that reported it; otherwise the
    // frame's length field.
    std::size_t byteCount = 0;
};

// Cuts a byte stream into printer frames. A rejected frame gives up only its start byte and the
// search for the next start byte begins right behind it, so a real frame hidden behind a false start
// is still found. Bytes skipped within the extent the rejected frame claimed belong to that rejection
// and are not reported again; any other run of garbage is reported once, however it is fed (byte by
// byte included). The parser never holds more than one frame's worth of bytes between feeds.
class PrinterFrameParser
{
public:
    PrinterFrameParser(std::size_t minPayload, std::size_t maxPayload);

    std::vector<FrameEvent> feed(std::span<const std::uint8_t> bytes);

    // Bytes held while waiting for the rest of a frame.
    std::size_t pending() const { return m_buffer.size(); }
    std::size_t maxFrameSize() const;

private:
    void skip(std::vector<FrameEvent>& events, std::size_t from, std::size_t to);
    void reject(std::vector<FrameEvent>& events, FrameEvent::Kind kind, std::size_t at, std::size_t length);

    std::size_t m_minPayload;
    std::size_t m_maxPayload;
    std::vector<std::uint8_t> m_buffer;
    // Buffer position up to which skipped bytes belong to the last rejected frame.
    std::size_t m_quietEnd = 0;
    bool m_inGarbageRun = false;
};

} // namespace morvanex
