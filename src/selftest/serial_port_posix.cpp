#include "selftest/serial_device.h"
#include "selftest/serial_port.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace morvanex {
namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

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
}

// termios and poll: the time-outs are kept by read and write themselves.
class PosixSerialDevice : public SerialDevice
{
public:
    PosixSerialDevice(int fd, const termios& saved, std::uint32_t baudRate)
        : m_fd(fd), m_saved(saved), m_baudRate(baudRate)
    {
    }
    ~PosixSerialDevice() override { close(); }

    void close() override
    {
        if (m_fd < 0)
            return;
        drainOutput(m_fd, m_baudRate);
        // Best effort: the device goes back even if the old settings will not take.
        ::tcsetattr(m_fd, TCSANOW, &m_saved);
        releaseDevice(m_fd);
        m_fd = -1;
    }

    bool write(std::span<const std::uint8_t> bytes) override;
    bool read(std::span<std::uint8_t> bytes) override;
    bool purge() override { return ::tcflush(m_fd, TCIOFLUSH) == 0; }

private:
    int m_fd;
    termios m_saved;
    std::uint32_t m_baudRate;
};

} // namespace

std::unique_ptr<SerialDevice> SerialDevice::open(const std::string& path, std::uint32_t baudRate,
                                                 std::error_code& error)
{
    // errno is taken before the clean-up that could change it.
    const auto failed = [&error](int code) -> std::unique_ptr<SerialDevice> {
        error = std::error_code(code, std::generic_category());
        return nullptr;
    };
    const std::optional<speed_t> speed = speedFor(baudRate);
    if (!speed)
        return failed(EINVAL);

    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failed(errno);
    // TIOCEXCL does not stop root, the advisory lock does.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return failed(code);
    }

    termios saved{};
    if (::tcgetattr(fd, &saved) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
        const int code = errno;
        releaseDevice(fd);
        return failed(code);
    }

    termios line = saved;
    ::cfmakeraw(&line);
    line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CRTSCTS);
    line.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD;
    // Time-outs are kept by read and write themselves.
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;

    const bool configured = ::cfsetispeed(&line, *speed) == 0 && ::cfsetospeed(&line, *speed) == 0 &&
                            ::tcsetattr(fd, TCSANOW, &line) == 0 && setModemLine(fd, TIOCMBIC, TIOCM_DTR) &&
                            setModemLine(fd, TIOCMBIS, TIOCM_RTS) && ::tcflush(fd, TCIOFLUSH) == 0;
    if (!configured) {
        const int code = errno;
        ::tcsetattr(fd, TCSANOW, &saved);
        releaseDevice(fd);
        return failed(code);
    }
    return std::make_unique<PosixSerialDevice>(fd, saved, baudRate);
}

bool PosixSerialDevice::write(std::span<const std::uint8_t> bytes)
{
    const auto deadline =
        Clock::now() + perByteTimeout(bytes.size(), SerialPort::writeTotalTimeoutPerByteMs, SerialPort::writeTotalTimeoutConstantMs);
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t done = ::write(m_fd, bytes.data() + sent, bytes.size() - sent);
        if (done > 0) {
            sent += static_cast<size_t>(done);
            continue;
        }
        if (done < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        // Hang-up and error end the write too, as does a signal.
        const int events = waitReady(m_fd, POLLOUT, deadline);
        if (events <= 0 || (events & POLLOUT) == 0)
            return false;
    }
    return true;
}

bool PosixSerialDevice::read(std::span<std::uint8_t> bytes)
{
    const auto totalDeadline =
        Clock::now() + perByteTimeout(bytes.size(), SerialPort::readTotalTimeoutPerByteMs, SerialPort::readTotalTimeoutConstantMs);
    const Milliseconds interval{SerialPort::readIntervalTimeoutMs};
    std::optional<Clock::time_point> lastArrival;
    bool lineGone = false;
    size_t received = 0;
    while (received < bytes.size()) {
        // With no time-out in the line settings, a read that finds nothing returns 0 at once.
        const ssize_t done = ::read(m_fd, bytes.data() + received, bytes.size() - received);
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
        const int events = waitReady(m_fd, POLLIN, deadline);
        if (events <= 0)
            return false;
        lineGone = (events & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        if (!lineGone && (events & POLLIN) == 0)
            return false;
    }
    return true;
}

} // namespace morvanex
