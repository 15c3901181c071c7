#include "selftest/serial_device.h"
#include "selftest/serial_port.h"

#include <chrono>
#include <limits>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace morvanex {
namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD queueSize = 65536;
constexpr DWORD purgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

// Starts one overlapped transfer through start(overlapped, moved) and waits for its end;
// the device's time-outs end it.
template <typename Start> bool transfer(HANDLE device, size_t count, Start start)
{
    if (count > std::numeric_limits<DWORD>::max())
        return false;
    const auto wanted = static_cast<DWORD>(count);
    OVERLAPPED overlapped{};
    overlapped.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr)
        return false;
    DWORD moved = 0;
    bool ok = false;
    if (start(wanted, overlapped, moved)) {
        // Even a transfer that finished at once may have stopped short.
        ok = moved == wanted;
    } else if (::GetLastError() == ERROR_IO_PENDING) {
        ok = ::WaitForSingleObject(overlapped.hEvent, INFINITE) == WAIT_OBJECT_0 &&
             ::GetOverlappedResult(device, &overlapped, &moved, FALSE) && moved == wanted;
    }
    ::CloseHandle(overlapped.hEvent);
    return ok;
}

void drainOutput(HANDLE device, uint32_t baudRate)
{
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(device, &errors, &status) || status.cbOutQue == 0)
        return;
    const auto deadline = Clock::now() + drainBound(status.cbOutQue, baudRate);
    while (status.cbOutQue > 0 && Clock::now() < deadline) {
        ::Sleep(static_cast<DWORD>(drainPollStep.count()));
        if (!::ClearCommError(device, &errors, &status))
            break;
    }
    if (status.cbOutQue > 0)
        ::PurgeComm(device, PURGE_TXABORT | PURGE_TXCLEAR);
}

// Overlapped transfers that the device's own time-outs end.
class Win32SerialDevice : public SerialDevice
{
public:
    Win32SerialDevice(HANDLE handle, const DCB& savedState, const COMMTIMEOUTS& savedTimeouts,
                      std::uint32_t baudRate)
        : m_handle(handle), m_savedState(savedState), m_savedTimeouts(savedTimeouts), m_baudRate(baudRate)
    {
    }
    ~Win32SerialDevice() override { close(); }

    void close() override
    {
        if (m_handle == INVALID_HANDLE_VALUE)
            return;
        drainOutput(m_handle, m_baudRate);
        ::SetCommTimeouts(m_handle, &m_savedTimeouts);
        ::SetCommState(m_handle, &m_savedState);
        ::CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

    bool write(std::span<const std::uint8_t> bytes) override
    {
        return transfer(m_handle, bytes.size(), [&](DWORD wanted, OVERLAPPED& overlapped, DWORD& moved) {
            return ::WriteFile(m_handle, bytes.data(), wanted, &moved, &overlapped) != FALSE;
        });
    }

    bool read(std::span<std::uint8_t> bytes) override
    {
        DWORD errors = 0;
        COMSTAT status{};
        if (!::ClearCommError(m_handle, &errors, &status))
            return false;
        return transfer(m_handle, bytes.size(), [&](DWORD wanted, OVERLAPPED& overlapped, DWORD& moved) {
            return ::ReadFile(m_handle, bytes.data(), wanted, &moved, &overlapped) != FALSE;
        });
    }

    bool purge() override
    {
        DWORD errors = 0;
        COMSTAT status{};
        return ::ClearCommError(m_handle, &errors, &status) && ::PurgeComm(m_handle, purgeAll);
    }

private:
    HANDLE m_handle;
    DCB m_savedState;
    COMMTIMEOUTS m_savedTimeouts;
    std::uint32_t m_baudRate;
};

} // namespace

std::unique_ptr<SerialDevice> SerialDevice::open(const std::string& path, std::uint32_t baudRate,
                                                 std::error_code& error)
{
    // The error is taken before the clean-up that could change it.
    const auto failed = [&error](DWORD code) -> std::unique_ptr<SerialDevice> {
        error = std::error_code(static_cast<int>(code), std::system_category());
        return nullptr;
    };
    HANDLE device = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return failed(::GetLastError());

    DWORD errors = 0;
    COMSTAT status{};
    DCB saved{};
    saved.DCBlength = sizeof saved;
    COMMTIMEOUTS savedTimeouts{};
    if (!::ClearCommError(device, &errors, &status) || !::GetCommState(device, &saved) ||
        !::GetCommTimeouts(device, &savedTimeouts)) {
        const DWORD code = ::GetLastError();
        ::CloseHandle(device);
        return failed(code);
    }

    DCB line = saved;
    line.BaudRate = baudRate;
    line.ByteSize = 8;
    line.Parity = NOPARITY;
    line.StopBits = TWOSTOPBITS;
    line.fOutxCtsFlow = FALSE;
    line.fOutxDsrFlow = FALSE;
    line.fDtrControl = DTR_CONTROL_DISABLE;
    line.fRtsControl = RTS_CONTROL_ENABLE;

    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = SerialPort::readIntervalTimeoutMs;
    timeouts.ReadTotalTimeoutMultiplier = SerialPort::readTotalTimeoutPerByteMs;
    timeouts.ReadTotalTimeoutConstant = SerialPort::readTotalTimeoutConstantMs;
    timeouts.WriteTotalTimeoutMultiplier = SerialPort::writeTotalTimeoutPerByteMs;
    timeouts.WriteTotalTimeoutConstant = SerialPort::writeTotalTimeoutConstantMs;

    const bool configured = ::SetCommState(device, &line) && ::SetCommTimeouts(device, &timeouts) &&
                            ::SetupComm(device, queueSize, queueSize) && ::PurgeComm(device, purgeAll);
    if (!configured) {
        const DWORD code = ::GetLastError();
        ::SetCommTimeouts(device, &savedTimeouts);
        ::SetCommState(device, &saved);
        ::CloseHandle(device);
        return failed(code);
    }
    return std::make_unique<Win32SerialDevice>(device, saved, savedTimeouts, baudRate);
}

} // namespace morvanex
