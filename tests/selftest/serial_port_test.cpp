#include "selftest/line_timing.h"
#include "selftest/serial_port.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <system_error>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace morvanex {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

using namespace test; // line rate, time-out bounds, timed

constexpr milliseconds socatStartLimit{10000};

bool onPath(const char* program)
{
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return false;
    std::stringstream dirs(path);
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!dir.empty() && ::access((fs::path(dir) / program).c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

// A socat-made pair of pseudo-terminals: whatever is written to one end comes out of the other.
class SerialPairTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!onPath("socat"))
            GTEST_SKIP() << "socat is not on PATH";

        std::string pattern = (fs::temp_directory_path() / "morvanex-serial-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        endA = (dir / "a").string();
        endB = (dir / "b").string();
        logPath = (dir / "socat.log").string();

        const std::string first = "pty,raw,echo=0,link=" + endA;
        const std::string second = "pty,raw,echo=0,link=" + endB;
        std::vector<char*> argv{const_cast<char*>("socat"),        const_cast<char*>("-d"),
                                const_cast<char*>("-d"),           const_cast<char*>(first.c_str()),
                                const_cast<char*>(second.c_str()), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(), O_WRONLY | O_CREAT, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        const int spawned = ::posix_spawnp(&socat, "socat", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_EQ(spawned, 0) << "socat did not start";

        const auto limit = Clock::now() + socatStartLimit;
        while (!(fs::exists(endA) && fs::exists(endB))) {
            int status = 0;
            ASSERT_EQ(::waitpid(socat, &status, WNOHANG), 0) << "socat ended early:\n" << socatLog();
            ASSERT_LT(Clock::now(), limit) << "socat made no pair:\n" << socatLog();
            std::this_thread::sleep_for(milliseconds(10));
        }
    }

    void TearDown() override
    {
        for (int fd : peers)
            ::close(fd);
        if (socat > 0) {
            ::kill(socat, SIGTERM);
            ::waitpid(socat, nullptr, 0);
        }
        if (!dir.empty()) {
            std::error_code ignored;
            fs::remove_all(dir, ignored);
        }
    }

    std::string socatLog() const
    {
        std::ifstream in(logPath);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // A plain descriptor on one end, held the way another program would; closed at tear-down.
    int peer(const std::string& end)
    {
        const int fd = ::open(end.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        EXPECT_GE(fd, 0) << end << ": " << std::strerror(errno);
        if (fd >= 0)
            peers.push_back(fd);
        return fd;
    }

    static void send(int fd, std::span<const uint8_t> bytes)
    {
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    static int pending(int fd)
    {
        int count = -1;
        EXPECT_EQ(::ioctl(fd, FIONREAD, &count), 0);
        return count;
    }

    // Waits until fd holds at least count unread bytes.
    static bool waitPending(int fd, int count)
    {
        const auto limit = Clock::now() + milliseconds(2000);
        while (pending(fd) < count) {
            if (Clock::now() > limit)
                return false;
            std::this_thread::sleep_for(milliseconds(2));
        }
        return true;
    }

    fs::path dir;
    std::string endA;
    std::string endB;
    std::string logPath;
    pid_t socat = -1;
    std::vector<int> peers;
};

TEST_F(SerialPairTest, OpensPseudoTerminalDespiteMissingModemLines)
{
    SerialPort port(endB);
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.isOpen());

    ASSERT_TRUE(port.open(lineRate));
    EXPECT_TRUE(port.isOpen());
    EXPECT_TRUE(port.isOpen());

    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.isOpen());
}

TEST_F(SerialPairTest, OpenAppliesLineSettingsAndCloseRestoresThoseFound)
{
    const int watcher = peer(endB);
    ASSERT_GE(watcher, 0);
    // Settings unlike the port's own, so both the change and the restore show.
    termios found{};
    ASSERT_EQ(::tcgetattr(watcher, &found), 0);
    found.c_cflag = (found.c_cflag & ~CSIZE & ~CSTOPB) | CS7 | PARENB | CRTSCTS;
    found.c_lflag |= ICANON;
    found.c_iflag |= IXON | ICRNL;
    found.c_cc[VMIN] = 3;
    ASSERT_EQ(::cfsetispeed(&found, B4800), 0);
    ASSERT_EQ(::cfsetospeed(&found, B4800), 0);
    ASSERT_EQ(::tcsetattr(watcher, TCSANOW, &found), 0);
    termios before{};
    ASSERT_EQ(::tcgetattr(watcher, &before), 0);

    SerialPort port(endB);
    ASSERT_TRUE(port.open(lineRate));
    termios during{};
    ASSERT_EQ(::tcgetattr(watcher, &during), 0);
    EXPECT_EQ(::cfgetospeed(&during), B9600);
    EXPECT_EQ(::cfgetispeed(&during), B9600);
    EXPECT_EQ(during.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_NE(during.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(during.c_cflag & PARENB, 0u);
    EXPECT_EQ(during.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(during.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(during.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(during.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(during.c_oflag & OPOST, 0u);

    port.close();
    termios after{};
    ASSERT_EQ(::tcgetattr(watcher, &after), 0);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(::cfgetispeed(&after), ::cfgetispeed(&before));
    EXPECT_EQ(::cfgetospeed(&after), ::cfgetospeed(&before));
    EXPECT_TRUE(std::equal(std::begin(after.c_cc), std::end(after.c_cc), std::begin(before.c_cc)));
}

TEST_F(SerialPairTest, DeviceIsHeldExclusivelyUntilClosed)
{
    SerialPort first(endB);
    SerialPort second(endB);
    ASSERT_TRUE(first.open(lineRate));

    EXPECT_FALSE(second.open(lineRate));
    EXPECT_EQ(second.openFailure(), std::generic_category().message(EBUSY));
    EXPECT_FALSE(second.isOpen());
    EXPECT_FALSE(second.isOpen());
    // The holder is not disturbed by the refused open.
    EXPECT_TRUE(first.isOpen());
    EXPECT_TRUE(first.isOpen());

    // A port already open does not open again over itself.
    EXPECT_FALSE(first.open(lineRate));
    EXPECT_TRUE(first.isOpen());

    first.close();
    EXPECT_TRUE(second.open(lineRate));
    EXPECT_TRUE(second.isOpen());
    EXPECT_FALSE(first.open(lineRate));
    second.close();
    EXPECT_TRUE(first.open(lineRate));
    first.close();
}

TEST_F(SerialPairTest, DestroyingAnOpenPortGivesTheDeviceBack)
{
    {
        SerialPort forgotten(endB);
        ASSERT_TRUE(forgotten.open(lineRate));
    }
    SerialPort next(endB);
    EXPECT_TRUE(next.open(lineRate));
    next.close();
}

TEST_F(SerialPairTest, FailedOpenLeavesNameEmptyAndDeviceFree)
{
    SerialPort missing((dir / "nothing-here").string());
    EXPECT_FALSE(missing.open(lineRate));
    EXPECT_EQ(missing.openFailure(), std::generic_category().message(ENOENT));
    EXPECT_FALSE(missing.isOpen());
    EXPECT_FALSE(missing.isOpen());

    // A plain file opens and locks, then is refused as no terminal; it must not stay locked.
    const std::string plain = (dir / "plain-file").string();
    std::ofstream(plain) << "x";
    SerialPort notATerminal(plain);
    EXPECT_FALSE(notATerminal.open(lineRate));
    EXPECT_FALSE(notATerminal.isOpen());
    const int probe = ::open(plain.c_str(), O_RDONLY);
    ASSERT_GE(probe, 0);
    EXPECT_EQ(::flock(probe, LOCK_EX | LOCK_NB), 0) << "file still locked after the failed open";
    ::close(probe);

    // A rate the line cannot take is refused, and the device stays free for the next port.
    SerialPort oddRate(endB);
    EXPECT_FALSE(oddRate.open(12345));
    EXPECT_FALSE(oddRate.isOpen());
    SerialPort next(endB);
    EXPECT_TRUE(next.open(lineRate));
    next.close();
}

TEST_F(SerialPairTest, TransfersFailOnClosedPort)
{
    SerialPort port(endB);
    std::array<uint8_t, 1> byte{0x55};
    EXPECT_FALSE(port.write(byte));
    EXPECT_FALSE(port.read(byte));
    EXPECT_FALSE(port.purge());

    ASSERT_TRUE(port.open(lineRate));
    port.close();
    EXPECT_FALSE(port.write(byte));
    EXPECT_FALSE(port.read(byte));
    EXPECT_FALSE(port.purge());
    // A second close of a closed port is harmless.
    port.close();
    EXPECT_FALSE(port.isOpen());
}

TEST_F(SerialPairTest, OpenDiscardsInputQueuedBeforeIt)
{
    const int sender = peer(endA);
    const int watcher = peer(endB);
    ASSERT_GE(sender, 0);
    ASSERT_GE(watcher, 0);
    const std::array<uint8_t, 4> stale{0x01, 0x02, 0x03, 0x04};
    send(sender, stale);
    ASSERT_TRUE(waitPending(watcher, static_cast<int>(stale.size())));

    SerialPort port(endB);
    ASSERT_TRUE(port.open(lineRate));
    EXPECT_EQ(pending(watcher), 0);

    const std::array<uint8_t, 1> fresh{0xA5};
    send(sender, fresh);
    std::array<uint8_t, 1> got{0};
    EXPECT_TRUE(port.read(got));
    EXPECT_EQ(got[0], 0xA5);
    port.close();
}

TEST_F(SerialPairTest, PurgeDiscardsPendingInput)
{
    const int sender = peer(endA);
    const int watcher = peer(endB);
    ASSERT_GE(sender, 0);
    ASSERT_GE(watcher, 0);
    SerialPort port(endB);
    ASSERT_TRUE(port.open(lineRate));

    const std::array<uint8_t, 3> stale{0x10, 0x11, 0x12};
    send(sender, stale);
    ASSERT_TRUE(waitPending(watcher, static_cast<int>(stale.size())));
    EXPECT_TRUE(port.purge());
    EXPECT_EQ(pending(watcher), 0);

    const std::array<uint8_t, 1> fresh{0x7E};
    send(sender, fresh);
    std::array<uint8_t, 1> got{0};
    EXPECT_TRUE(port.read(got));
    EXPECT_EQ(got[0], 0x7E);
    port.close();
}

TEST_F(SerialPairTest, FrameAndByteWiseReplyCrossThePair)
{
    SerialPort host(endA);
    SerialPort printer(endB);
    ASSERT_TRUE(host.open(lineRate));
    ASSERT_TRUE(printer.open(lineRate));

    // A frame of the self-test's size, every byte value distinct from its neighbours.
    std::vector<uint8_t> frame(55);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint8_t>(i * 37 + 0x80);
    EXPECT_TRUE(host.write(frame));
    std::vector<uint8_t> received(frame.size(), 0);
    EXPECT_TRUE(printer.read(received));
    EXPECT_EQ(received, frame);

    // The reply, taken one byte at a time as the self-test does.
    std::vector<uint8_t> reply{0x06};
    for (char c : std::string("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789AB"))
        reply.push_back(static_cast<uint8_t>(c));
    EXPECT_TRUE(printer.write(reply));
    std::vector<uint8_t> collected;
    for (size_t i = 0; i < reply.size(); ++i) {
        std::array<uint8_t, 1> byte{0};
        ASSERT_TRUE(host.read(byte)) << "byte " << i;
        collected.push_back(byte[0]);
    }
    EXPECT_EQ(collected, reply);

    host.close();
    printer.close();
}

TEST_F(SerialPairTest, OneByteReadWithNothingIncomingEndsAfterAboutOneSecond)
{
    SerialPort port(endB);
    ASSERT_TRUE(port.open(lineRate));
    std::array<uint8_t, 1> byte{0xEE};
    bool result = true;
    const milliseconds elapsed = timed([&] { result = port.read(byte); });
    EXPECT_FALSE(result);
    EXPECT_GE(elapsed, oneByteTimeoutLow);
    EXPECT_LE(elapsed, oneByteTimeoutHigh);
    EXPECT_EQ(byte[0], 0xEE);
    port.close();
}

TEST_F(SerialPairTest, ReadEndsAtGapBetweenBytesKeepingThoseThatArrived)
{
    const int sender = peer(endA);
    const int watcher = peer(endB);
    ASSERT_GE(sender, 0);
    ASSERT_GE(watcher, 0);
    SerialPort port(endB);
    ASSERT_TRUE(port.open(lineRate));

    // Already in before the read starts, so a slow relay cannot pass for the gap.
    const std::array<uint8_t, 3> sent{0x31, 0x32, 0x33};
    send(sender, sent);
    ASSERT_TRUE(waitPending(watcher, static_cast<int>(sent.size())));
    std::array<uint8_t, 5> buffer{0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    bool result = true;
    const milliseconds elapsed = timed([&] { result = port.read(buffer); });
    EXPECT_FALSE(result);
    // The gap, not the 5005 ms total, ended it; and it did wait out the gap.
    EXPECT_LT(elapsed, gapTimeoutHigh);
    EXPECT_GE(elapsed, milliseconds(SerialPort::readIntervalTimeoutMs));
    EXPECT_EQ(buffer[0], 0x31);
    EXPECT_EQ(buffer[1], 0x32);
    EXPECT_EQ(buffer[2], 0x33);
    EXPECT_EQ(buffer[3], 0xEE);
    EXPECT_EQ(buffer[4], 0xEE);
    port.close();
}

TEST_F(SerialPairTest, GapTimerWaitsForTheFirstByte)
{
    const int sender = peer(endA);
    ASSERT_GE(sender, 0);
    SerialPort port(endB);
    ASSERT_TRUE(port.open(lineRate));

    const milliseconds delay{300};
    const std::array<uint8_t, 2> sent{0x41, 0x42};
    std::thread late([&] {
        std::this_thread::sleep_for(delay);
        send(sender, sent);
    });
    std::array<uint8_t, 2> buffer{0, 0};
    bool result = false;
    const milliseconds elapsed = timed([&] { result = port.read(buffer); });
    late.join();
    EXPECT_TRUE(result);
    EXPECT_GE(elapsed, delay - milliseconds(50));
    EXPECT_EQ(buffer, sent);
    port.close();
}

extern "C" void onTestSignal(int) {}

// As the command-line tool installs its stop handlers: no automatic restart, so the wait ends.
TEST_F(SerialPairTest, ASignalEndsAWaitingRead)
{
    SerialPort port(endB);
    ASSERT_TRUE(port.open(lineRate));
    struct sigaction action = {};
    struct sigaction previous = {};
    action.sa_handler = onTestSignal;
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);
    const pthread_t reader = ::pthread_self();
    std::thread signaller([reader] {
        std::this_thread::sleep_for(milliseconds(200));
        ::pthread_kill(reader, SIGUSR1);
    });
    std::array<uint8_t, 1> byte{0};
    bool result = true;
    const milliseconds elapsed = timed([&] { result = port.read(byte); });
    signaller.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_FALSE(result);
    EXPECT_LT(elapsed, milliseconds(700));
    port.close();
}

TEST_F(SerialPairTest, PortNameResolvesThroughEnvironment)
{
    const char* variable = "MORVANEX_COM9";
    const char* earlier = std::getenv(variable);
    const std::string saved = earlier ? earlier : "";
    ::setenv(variable, endB.c_str(), 1);

    SerialPort port("COM9:");
    const bool opened = port.open(lineRate);
    port.close();
    if (earlier)
        ::setenv(variable, saved.c_str(), 1);
    else
        ::unsetenv(variable);

    EXPECT_TRUE(opened);
}

} // namespace
} // namespace morvanex
