#pragma once

#include "selftest/serial_channel.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

namespace morvanex {

class SerialDevice;

// The serial line to the printer: 8 data bits, no parity, 2 stop bits, no
// hardware handshake, DTR low and RTS high. The device is held exclusively while
// open. Reads end after 1000 ms per byte plus 5 ms, or once more than 10 ms pass
// between two received bytes; writes end after 1000 ms per byte plus 1 ms. A line that
// hangs up or reports an error, or a signal, ends a transfer at once with false.
class SerialPort : public SerialChannel
{
public:
    // Line timing, in milliseconds.
    static constexpr uint32_t readIntervalTimeoutMs = 10;
    static constexpr uint32_t readTotalTimeoutPerByteMs = 1000;
    static constexpr uint32_t readTotalTimeoutConstantMs = 5;
    static constexpr uint32_t writeTotalTimeoutPerByteMs = 1000;
    static constexpr uint32_t writeTotalTimeoutConstantMs = 1;

    // A port name such as "COM1:" (see resolveDeviceName) or a device path.
    explicit SerialPort(std::string_view deviceName);
    // Gives the device back if the owner did not close it.
    ~SerialPort() override;

    bool open(uint32_t baudRate) override;
    void close() override;
    bool write(std::span<const uint8_t> bytes) override;
    bool read(std::span<uint8_t> bytes) override;
    bool purge() override;
    std::string openFailure() const override;

    bool isOpen() const;

private:
    std::error_code m_openError;
    std::unique_ptr<SerialDevice> m_device; // null while closed
};

} // namespace morvanex
