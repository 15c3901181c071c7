#include "selftest/serial_port.h"

#include "selftest/device_name.h"
#include "selftest/serial_device.h"

#include <algorithm>
#include <limits>

namespace morvanex {
namespace {

// Start bit, 8 data bits and 2 stop bits.
constexpr std::uint64_t bitsPerCharacter = 11;
constexpr std::chrono::milliseconds drainSlack{500};

} // namespace

std::chrono::milliseconds perByteTimeout(std::size_t count, std::uint32_t perByteMs, std::uint32_t constantMs)
{
    const auto limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max() / 2 / perByteMs);
    const std::uint64_t bytes = std::min<std::uint64_t>(count, limit);
    return std::chrono::milliseconds(static_cast<std::int64_t>(bytes * perByteMs + constantMs));
}

std::chrono::milliseconds drainBound(std::uint64_t queuedBytes, std::uint32_t baudRate)
{
    const std::uint64_t rate = std::max<std::uint32_t>(baudRate, 1);
    const std::uint64_t wireMs = (queuedBytes * bitsPerCharacter * 1000 + rate - 1) / rate;
    return std::chrono::milliseconds(static_cast<std::int64_t>(2 * wireMs)) + drainSlack;
}

SerialPort::SerialPort(std::string_view deviceName) : SerialChannel(deviceName) {}

SerialPort::~SerialPort()
{
    // Left held, the device would refuse every later open.
    close();
}

bool SerialPort::isOpen() const
{
    return m_device != nullptr;
}

bool SerialPort::open(uint32_t baudRate)
{
    if (isOpen()) {
        m_openError = std::make_error_code(std::errc::device_or_resource_busy);
        return false;
    }
    m_device = SerialDevice::open(resolveDeviceName(deviceName()), baudRate, m_openError);
    if (!m_device)
        return false;
    m_openError.clear();
    return true;
}

void SerialPort::close()
{
    if (m_device) {
        m_device->close();
        m_device.reset();
    }
}

bool SerialPort::write(std::span<const uint8_t> bytes)
{
    return m_device && m_device->write(bytes);
}

bool SerialPort::read(std::span<uint8_t> bytes)
{
    return m_device && m_device->read(bytes);
}

bool SerialPort::purge()
{
    return m_device && m_device->purge();
}

std::string SerialPort::openFailure() const
{
    return m_openError ? m_openError.message() : std::string();
}

} // namespace morvanex
