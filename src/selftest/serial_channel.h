#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace morvanex {

// A byte link to one named device. Calls come in the order open, any number of
// writes and reads, close; each transfer runs to its end before it returns.
class SerialChannel
{
public:
    explicit SerialChannel(std::string_view deviceName) : name(deviceName) {}
    virtual ~SerialChannel() = default;

    SerialChannel(const SerialChannel&) = delete;
    SerialChannel& operator=(const SerialChannel&) = delete;

    virtual bool open(uint32_t baudRate) = 0;
    virtual void close() = 0;
    // True only when every byte was sent.
    virtual bool write(std::span<const uint8_t> bytes) = 0;
    // True only when the whole span was filled; on a time-out the bytes that did
    // arrive are left at the front of the span.
    virtual bool read(std::span<uint8_t> bytes) = 0;
    // Clears the error state and discards both queues.
    virtual bool purge() = 0;
    // Why the last open failed, when the channel can tell; empty otherwise.
    virtual std::string openFailure() const { return {}; }

    const std::string& deviceName() const { return name; }

private:
    std::string name;
};

} // namespace morvanex
