#include "selftest/serial_port.h"

#include "selftest/device_name.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <limits>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace morvanex {

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

// Start bit, 8 data bits and 2 stop bits.
constexpr uint64_t bitsPerCharacter = 11;
// Output still queued at close gets twice its time on the wire plus this, then it is dropped,
// so a line that no longer moves cannot hold close forever.
constexpr Milliseconds drainSlack{500};
constexpr Milliseconds drainPollStep{1};

[[maybe_unused]] Milliseconds perByteTimeout(size_t count, uint32_t perByteMs, uint32_t constantMs)
{
    // Saturates rather than wraps for absurd counts.
    const auto limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max() / 2 / perByteMs);
    const uint64_t bytes = std::min<uint64_t>(count, limit);
    return Milliseconds(static_cast<int64_t>(bytes * perByteMs + constantMs));
}

Milliseconds drainBound(uint64_t queuedBytes, uint32_t baudRate)
{
    const uint64_t rate = std::max<uint32_t>(baudRate, 1);
    const uint64_t wireMs = (queuedBytes * bitsPerCharacter * 1000 + rate - 1) / rate;
    return Milliseconds(static_cast<int64_t>(2 * wireMs)) + drainSlack;
}

} // namespace

std::string SerialPort::openFailure() const
{
    return openError ? openError.message() : std::string();
}

#ifndef _WIN32

namespace {

constexpr int noDevice = -1;

struct BaudSpeed
{
    uint32_t rate;
    speed_t speed;
};

constexpr BaudSpeed baudSpeeds[] = {
    {50, B50},         {75, B75},     {110, B110},   {134, B134},     {150, B150},
    {200, B200},       {300, B300},   {600, B600},   {1200, B1200},   {1800, B1800},
    {2400, B2400},     {4800, B4800}, {9600, B9600}, {19200, B19200}, {38400, B38400},
#ifdef B57600
    {57600, B57600},
#endif
#ifdef B115200
    {115200, B115200},
#endif
#ifdef B230400
    {230400, B230400},
#endif
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B921600
    {921600, B921600},
#endif
};

std::optional<speed_t> speedFor(uint32_t baudRate)
{
    for (const BaudSpeed& entry : baudSpeeds) {
        if (entry.rate == baudRate)
            return entry.speed;
    }
    return std::nullopt;
}

// Waits until fd reports one of events or the deadline passes. Returns the reported
// events, 0 on time-out, -1 on failure or when a signal interrupts the wait: the caller
// decides whether that signal was a stop request.
int waitReady(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero())
            return 0;
        const auto leftMs = std::chrono::ceil<Milliseconds>(left).count();
        const int timeout = static_cast<int>(std::min<int64_t>(leftMs, std::numeric_limits<int>::max()));
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, timeout);
        if (ready > 0)
            return entry.revents;
        if (ready < 0)
            return -1;
    }
}

bool hungUp(int fd)
{
    pollfd entry{fd, 0, 0};
    return ::poll(&entry, 1, 0) > 0 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// Pseudo-terminals and some adapters have no modem lines; that is no reason to refuse the port.
bool setModemLine(int fd, unsigned long request, int line)
{
    if (::ioctl(fd, request, &line) == 0)
        return true;
    return errno == ENOTTY || errno == EINVAL;
}

void releaseDevice(int fd)
{
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

void drainOutput(int fd, uint32_t baudRate)
{
#ifdef TIOCOUTQ
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
        return;
    const auto deadline = Clock::now() + drainBound(static_cast<uint64_t>(queued), baudRate);
    // Output to a line that hung up never leaves: it is dropped at once.
    while (queued > 0 && Clock::now() < deadline && !hungUp(fd)) {
        ::poll(nullptr, 0, static_cast<int>(drainPollStep.count()));
        if (::ioctl(fd, TIOCOUTQ, &queued) != 0)
            break;
    }
    if (queued > 0)
        ::tcflush(fd, TCOFLUSH);
#else
    (void)baudRate;
    ::tcdrain(fd);
#endif
}

} // namespace

struct SerialPort::Native
{
    int fd = noDevice;
    termios saved{};
    uint32_t baudRate = 0;
};

SerialPort::SerialPort(std::string_view deviceName)
    : SerialChannel(deviceName), native(std::make_unique<Native>())
{
}

SerialPort::~SerialPort()
{
    // Left held, the device would refuse every later open.
    close();
}

bool SerialPort::isOpen() const
{
    return native->fd != noDevice;
}

bool SerialPort::open(uint32_t baudRate)
{
    // errno is taken before the clean-up that could change it.
    const auto failed = [this](int error) {
        openError = std::error_code(error, std::generic_category());
        return false;
    };
    if (isOpen())
        return failed(EBUSY);
    const std::optional<speed_t> speed = speedFor(baudRate);
    if (!speed)
        return failed(EINVAL);

    const std::string path = resolveDeviceName(deviceName());
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failed(errno);
    // TIOCEXCL does not stop root, the advisory lock does.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return failed(error);
    }

    termios saved{};
    if (::tcgetattr(fd, &saved) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
        const int error = errno;
        releaseDevice(fd);
        return failed(error);
    }

    termios line = saved;
    ::cfmakeraw(&line);
    line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
#ifdef CRTSCTS
    line.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
#endif
    line.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD;
    // Time-outs are kept by read and write themselves.
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;

    const bool configured = ::cfsetispeed(&line, *speed) == 0 && ::cfsetospeed(&line, *speed) == 0 &&
                            ::tcsetattr(fd, TCSANOW, &line) == 0 && setModemLine(fd, TIOCMBIC, TIOCM_DTR) &&
                            setModemLine(fd, TIOCMBIS, TIOCM_RTS) && ::tcflush(fd, TCIOFLUSH) == 0;
    if (!configured) {
        const int error = errno;
        ::tcsetattr(fd, TCSANOW, &saved);
        releaseDevice(fd);
        return failed(error);
    }

    native->fd = fd;
    native->saved = saved;
    native->baudRate = baudRate;
    openedName = deviceName();
    openError.clear();
    return true;
}

void SerialPort::close()
{
    if (isOpen()) {
        const int fd = native->fd;
        drainOutput(fd, native->baudRate);
        // Best effort: the device goes back even if the old settings will not take.
        ::tcsetattr(fd, TCSANOW, &native->saved);
        releaseDevice(fd);
        native->fd = noDevice;
    }
    openedName.clear();
}

bool SerialPort::write(std::span<const uint8_t> bytes)
{
    if (!isOpen())
        return false;
    const auto deadline =
        Clock::now() + perByteTimeout(bytes.size(), writeTotalTimeoutPerByteMs, writeTotalTimeoutConstantMs);
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t done = ::write(native->fd, bytes.data() + sent, bytes.size() - sent);
        if (done > 0) {
            sent += static_cast<size_t>(done);
            continue;
        }
        if (done < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        // Hang-up and error end the write too, as does a signal.
        const int events = waitReady(native->fd, POLLOUT, deadline);
        if (events <= 0 || (events & POLLOUT) == 0)
            return false;
    }
    return true;
}

bool SerialPort::read(std::span<uint8_t> bytes)
{
    if (!isOpen())
        return false;
    const auto totalDeadline =
        Clock::now() + perByteTimeout(bytes.size(), readTotalTimeoutPerByteMs, readTotalTimeoutConstantMs);
    const Milliseconds interval{readIntervalTimeoutMs};
    std::optional<Clock::time_point> lastArrival;
    bool lineGone = false;
    size_t received = 0;
    while (received < bytes.size()) {
        // With no time-out in the line settings, a read that finds nothing returns 0 at once.
        const ssize_t done = ::read(native->fd, bytes.data() + received, bytes.size() - received);
        if (done > 0) {
            received += static_cast<size_t>(done);
            lastArrival = Clock::now();
            continue;
        }
        if (done < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        // What was left after a hang-up has been read; polling again would only report it again.
        if (lineGone)
            return false;
        // The gap timer runs only once the first byte is in.
        const auto deadline = lastArrival ? std::min(totalDeadline, *lastArrival + interval) : totalDeadline;
        const int events = waitReady(native->fd, POLLIN, deadline);
        if (events <= 0)
            return false;
        lineGone = (events & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        if (!lineGone && (events & POLLIN) == 0)
            return false;
    }
    return true;
}

bool SerialPort::purge()
{
    return isOpen() && ::tcflush(native->fd, TCIOFLUSH) == 0;
}

#else // _WIN32

namespace {

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

} // namespace

struct SerialPort::Native
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    COMMTIMEOUTS savedTimeouts{};
    DCB savedState{};
    uint32_t baudRate = 0;
};

SerialPort::SerialPort(std::string_view deviceName)
    : SerialChannel(deviceName), native(std::make_unique<Native>())
{
}

SerialPort::~SerialPort()
{
    // Left held, the device would refuse every later open.
    close();
}

bool SerialPort::isOpen() const
{
    return native->handle != INVALID_HANDLE_VALUE;
}

bool SerialPort::open(uint32_t baudRate)
{
    // The error is taken before the clean-up that could change it.
    const auto failed = [this](DWORD error) {
        openError = std::error_code(static_cast<int>(error), std::system_category());
        return false;
    };
    if (isOpen())
        return failed(ERROR_BUSY);
    const std::string path = resolveDeviceName(deviceName());
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
        const DWORD error = ::GetLastError();
        ::CloseHandle(device);
        return failed(error);
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
    timeouts.ReadIntervalTimeout = readIntervalTimeoutMs;
    timeouts.ReadTotalTimeoutMultiplier = readTotalTimeoutPerByteMs;
    timeouts.ReadTotalTimeoutConstant = readTotalTimeoutConstantMs;
    timeouts.WriteTotalTimeoutMultiplier = writeTotalTimeoutPerByteMs;
    timeouts.WriteTotalTimeoutConstant = writeTotalTimeoutConstantMs;

    const bool configured = ::SetCommState(device, &line) && ::SetCommTimeouts(device, &timeouts) &&
                            ::SetupComm(device, queueSize, queueSize) && ::PurgeComm(device, purgeAll);
    if (!configured) {
        const DWORD error = ::GetLastError();
        ::SetCommTimeouts(device, &savedTimeouts);
        ::SetCommState(device, &saved);
        ::CloseHandle(device);
        return failed(error);
    }

    native->handle = device;
    native->savedTimeouts = savedTimeouts;
    native->savedState = saved;
    native->baudRate = baudRate;
    openedName = deviceName();
    openError.clear();
    return true;
}

void SerialPort::close()
{
    if (isOpen()) {
        HANDLE device = native->handle;
        drainOutput(device, native->baudRate);
        ::SetCommTimeouts(device, &native->savedTimeouts);
        ::SetCommState(device, &native->savedState);
        ::CloseHandle(device);
        native->handle = INVALID_HANDLE_VALUE;
    }
    openedName.clear();
}

bool SerialPort::write(std::span<const uint8_t> bytes)
{
    if (!isOpen())
        return false;
    HANDLE device = native->handle;
    return transfer(device, bytes.size(), [&](DWORD wanted, OVERLAPPED& overlapped, DWORD& moved) {
        return ::WriteFile(device, bytes.data(), wanted, &moved, &overlapped) != FALSE;
    });
}

bool SerialPort::read(std::span<uint8_t> bytes)
{
    if (!isOpen())
        return false;
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(native->handle, &errors, &status))
        return false;
    HANDLE device = native->handle;
    return transfer(device, bytes.size(), [&](DWORD wanted, OVERLAPPED& overlapped, DWORD& moved) {
        return ::ReadFile(device, bytes.data(), wanted, &moved, &overlapped) != FALSE;
    });
}

bool SerialPort::purge()
{
    if (!isOpen())
        return false;
    DWORD errors = 0;
    COMSTAT status{};
    return ::ClearCommError(native->handle, &errors, &status) && ::PurgeComm(native->handle, purgeAll);
}

#endif // _WIN32

} // namespace morvanex
