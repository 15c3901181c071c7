#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <system_error>

namespace morvanex {

// The platform's half of a SerialPort: one device held open, with the port's line settings and
// time-outs applied. serial_port_posix.cpp and serial_port_win32.cpp each provide it.
class SerialDevice
{
public:
    // The device at path, opened exclusively and set up; nothing, with error set, when that fails.
    static std::unique_ptr<SerialDevice> open(const std::string& path, std::uint32_t baudRate,
                                              std::error_code& error);

    virtual ~SerialDevice() = default;

    // Lets queued output go within drainBound, puts back the settings found at open and releases
    // the device.
    virtual void close() = 0;
    virtual bool write(std::span<const std::uint8_t> bytes) = 0;
    virtual bool read(std::span<std::uint8_t> bytes) = 0;
    virtual bool purge() = 0;
};

// A transfer's time limit: perByteMs for each byte plus constantMs, saturating for absurd counts.
std::chrono::milliseconds perByteTimeout(std::size_t count, std::uint32_t perByteMs, std::uint32_t constantMs);
// How long output still queued at close may take: twice its time on the wire plus some slack, so a
// line that no longer moves cannot hold close forever.
std::chrono::milliseconds drainBound(std::uint64_t queuedBytes, std::uint32_t baudRate);
// How often close looks whether the queued output has gone.
inline constexpr std::chrono::milliseconds drainPollStep{1};

} // namespace morvanex
