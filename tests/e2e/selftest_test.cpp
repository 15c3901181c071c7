#include "background_process.h"
#include "footer/footer_encoder.h"
#include "process.h"
#include "selftest/footer_request.h"
#include "selftest/printer_frame.h"
#include "selftest/selftest_random.h"
#include "support/temp_dir.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace morvanex::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Generous for a loaded two-core machine; every cycle spends 2 s waiting for the printer by design.
constexpr auto startLimit = 10s;
constexpr auto stopLimit = 5s;

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t countOf(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size())
        ++n;
    return n;
}

// CPU seconds and read calls a process has used so far. A spinning loop shows in its reads even when a
// crowded machine gives it little CPU.
std::pair<double, double> usage(pid_t pid)
{
    const std::string proc = "/proc/" + std::to_string(pid);
    const std::string stat = readFile(proc + "/stat");
    // Behind the command name, which may hold blanks: 11 fields, then user and system time.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string skipped;
    double user = 0, system = 0;
    for (int i = 0; i < 11; ++i)
        fields >> skipped;
    fields >> user >> system;
    const std::string io = readFile(proc + "/io");
    const auto reads = io.find("syscr: ");
    return {(user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK)),
            reads == std::string::npos ? 0 : std::stod(io.substr(reads + 7))};
}

FooterRequest firstCycleRequest()
{
    SelfTestRandom random;
    return FooterRequest::draw(random);
}

const std::string cnpjMarker = "\r\n*** ERRO NO CNPJ ***\r\n\r\n";

// A workspace with one approved image, a socat pair of pseudo-terminals A and B.
class SelfTestOverSerial : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!onPath("socat"))
            GTEST_SKIP() << "socat is not on PATH";
        dir.write("TXT/FW.txt", "ARQUIVO: FW.BIN\nMODELO: X\nMARCA: Y\nVERSAO: 1\n");
        dir.write("Bin/FW.BIN", image);
        endA = (dir.path() / "A").string();
        endB = (dir.path() / "B").string();
        startSocat();
    }

    // Makes the pair, again at the same paths when called once more.
    void startSocat(const std::string& linkB = {})
    {
        const std::string& b = linkB.empty() ? endB : linkB;
        socat = std::make_unique<BackgroundProcess>(
            "socat", std::vector<std::string>{"pty,raw,echo=0,link=" + endA, "pty,raw,echo=0,link=" + b},
            dir.path(), "socat");
        ASSERT_TRUE(socat->started());
        const auto until = Clock::now() + startLimit;
        while (!(std::filesystem::exists(endA) && std::filesystem::exists(b))) {
            ASSERT_TRUE(socat->stillRunning()) << socat->err();
            ASSERT_LT(Clock::now(), until) << "socat made no pair";
            std::this_thread::sleep_for(10ms);
        }
    }

    std::string log() const { return readFile(dir.path() / "TestEncript.txt"); }

    std::vector<std::string> printerSim() const
    {
        return {"printer-sim", "--device", endA, "--dir", dir.path().string()};
    }

    // The simulator on A and an endless self-test on B, once its first cycle is through.
    void startEndlessRun()
    {
        printer = std::make_unique<BackgroundProcess>(MORVANEX_CLI, printerSim(), dir.path(), "printer");
        ASSERT_TRUE(printer->waitForError("ready on", startLimit)) << printer->err();
        selfTest = std::make_unique<BackgroundProcess>(
            MORVANEX_CLI,
            std::vector<std::string>{"selftest", "--dir", dir.path().string(), "--device", endB}, dir.path(),
            "selftest");
        ASSERT_TRUE(selfTest->waitForOutput("cycle 1: RETORNO OK\n", 20s)) << selfTest->err();
    }

    TempDir dir;
    std::vector<std::uint8_t> image = randomBytes(5000, 11);
    std::string endA, endB;
    std::unique_ptr<BackgroundProcess> socat, printer, selfTest;
};

TEST_F(SelfTestOverSerial, ThreeCyclesAgainstThePrinterSimulatorLogEveryFieldAsSent)
{
    BackgroundProcess printer(MORVANEX_CLI, printerSim(), dir.path(), "printer");
    ASSERT_TRUE(printer.waitForError("ready on", startLimit)) << printer.err();

    const auto run = runCli({"selftest", "--dir", dir.path().string(), "--device", endB, "--cycles", "3"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "cycle 1: RETORNO OK\ncycle 2: RETORNO OK\ncycle 3: RETORNO OK\n");

    const FooterRequest first = firstCycleRequest();
    const auto code = encodeFooter(image, 41, "42020B", 0x482318BE, first.cnpjText());
    ASSERT_TRUE(code);
    const std::string cnpj(first.cnpjText());
    const std::string firstCycle = *code + "\r\n" +
                                   "COO enc: 000041                 COO dec: 000041\r\n"
                                   "DATA enc: 482318BE              DATA dec: 482318BE\r\n"
                                   "No.S\xC9RIE enc: 42020B            No.S\xC9RIE dec: 42020B\r\n"
                                   "CNPJ enc: " +
                                   cnpj + "  CNPJ dec: " + cnpj + "\r\n" + "RETORNO OK\r\n\r\n\r\n";
    const std::string text = log();
    ASSERT_GE(text.size(), firstCycle.size());
    EXPECT_EQ(text.substr(0, firstCycle.size()), firstCycle);
    EXPECT_EQ(countOf(text, "RETORNO OK\r\n\r\n\r\n"), 3u);
    EXPECT_EQ(countOf(text, "***"), 0u);
    EXPECT_TRUE(text.ends_with("RETORNO OK\r\n\r\n\r\n"));

    // The simulator answered three requests, refused none and stops on SIGTERM.
    EXPECT_EQ(printer.err().find("refused"), std::string::npos) << printer.err();
    EXPECT_EQ(countOf(printer.out(), "\n"), 3u);
    EXPECT_EQ(printer.terminate(stopLimit), 0);
}

TEST_F(SelfTestOverSerial, AnEndlessRunStopsOnSigtermWithOnlyWholeCyclesLogged)
{
    ASSERT_NO_FATAL_FAILURE(startEndlessRun());
    // Now inside the second cycle's wait for the printer, which the stop cuts short.
    const auto stopping = Clock::now();
    EXPECT_EQ(selfTest->terminate(stopLimit), 0) << selfTest->err();
    EXPECT_LT(Clock::now() - stopping, 3s);
    const std::string text = log();
    const std::size_t cycles = countOf(text, "RETORNO OK\r\n\r\n\r\n");
    EXPECT_GE(cycles, 1u);
    EXPECT_EQ(countOf(text, "COO enc: "), cycles) << "no cycle is logged in part";
    EXPECT_TRUE(text.ends_with("RETORNO OK\r\n\r\n\r\n"));
}

TEST_F(SelfTestOverSerial, APrinterAnsweringGarbageIsLoggedAsAnInvalidString)
{
    // A peer on A that answers every request with an ACK and 48 characters outside the alphabet.
    std::atomic<bool> done{false};
    std::atomic<int> opened{0}; // 1 open, -1 failed
    std::thread peer([&] {
        const int fd = ::open(endA.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        opened = fd >= 0 ? 1 : -1;
        if (fd < 0)
            return;
        const std::string answer = "\x06" + std::string(48, 'g');
        while (!done) {
            pollfd entry{fd, POLLIN, 0};
            if (::poll(&entry, 1, 50) > 0) {
                char buffer[256];
                if (::read(fd, buffer, sizeof buffer) > 0 && ::write(fd, answer.data(), answer.size()) < 0)
                    break;
            }
        }
        ::close(fd);
    });
    while (opened == 0)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(opened, 1);
    const auto started = Clock::now();
    const auto run = runCli({"selftest", "--dir", dir.path().string(), "--device", endB, "--cycles", "1"});
    done = true;
    peer.join();
    EXPECT_EQ(run.exitCode, 3) << run.err; // a bounded run whose reply did not decode to what was sent
    EXPECT_LT(Clock::now() - started, 30s);
    EXPECT_EQ(run.out, "cycle 1: RETORNO STRING INVALIDA; differs: COO DATA SERIE CNPJ\n");

    const std::string text = log();
    const std::string start = std::string(48, 'g') + "\r\n\r\n*** ERRO NO COO ***\r\n\r\n" +
                              "COO enc: 000041                 COO dec: \r\n\r\n*** ERRO NA DATA ***\r\n\r\n";
    EXPECT_EQ(text.substr(0, start.size()), start);
    const std::string serialLine =
        "No.S\xC9RIE enc: 42020B            No.S\xC9RIE dec: " + std::string(6, '\0');
    EXPECT_NE(text.find("\r\n*** ERRO NO N\xDAMERO DE S\xC9RIE ***\r\n\r\n" + serialLine + "\r\n"),
              std::string::npos);
    const std::string cnpjLine =
        "CNPJ enc: " + std::string(firstCycleRequest().cnpjText()) + "  CNPJ dec: " + std::string(20, '\0');
    EXPECT_NE(text.find(cnpjMarker + cnpjLine + "\r\nRETORNO STRING INVALIDA\r\n\r\n\r\n"),
              std::string::npos);
    EXPECT_TRUE(text.ends_with("RETORNO STRING INVALIDA\r\n\r\n\r\n"));
}

TEST_F(SelfTestOverSerial, APeerFloodingTenMegabytesEndsACycleOnItsOwn)
{
    std::atomic<bool> done{false};
    std::atomic<int> opened{0};
    std::atomic<std::size_t> sent{0};
    std::thread peer([&] {
        const int fd = ::open(endA.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        opened = fd >= 0 ? 1 : -1;
        if (fd < 0)
            return;
        std::vector<char> chunk(65536);
        for (std::size_t i = 0; i < chunk.size(); ++i)
            chunk[i] = static_cast<char>(i * 131 + 7);
        while (!done && sent < (10u << 20)) {
            pollfd entry{fd, POLLOUT, 0};
            if (::poll(&entry, 1, 50) > 0) {
                const ssize_t n = ::write(fd, chunk.data(), chunk.size());
                if (n > 0)
                    sent += static_cast<std::size_t>(n);
            }
            char drain[4096];
            while (::read(fd, drain, sizeof drain) > 0) {
            }
        }
        ::close(fd);
    });
    while (opened == 0)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(opened, 1);
    const auto started = Clock::now();
    const auto run = runCli({"selftest", "--dir", dir.path().string(), "--device", endB, "--cycles", "1"});
    done = true;
    peer.join();
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_LT(Clock::now() - started, 30s);
    EXPECT_EQ(run.out.rfind("cycle 1: RETORNO ", 0), 0u) << run.out;
    const std::string text = log();
    EXPECT_EQ(countOf(text, "COO enc: 000041"), 1u);
    EXPECT_TRUE(text.ends_with("\r\n\r\n\r\n"));
}

TEST_F(SelfTestOverSerial, ThePrinterSimulatorRefusesABadFrameWithNak)
{
    BackgroundProcess printer(MORVANEX_CLI, printerSim(), dir.path(), "printer");
    ASSERT_TRUE(printer.waitForError("ready on", startLimit)) << printer.err();

    const int fd = ::open(endB.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    PrinterFrame frame;
    frame.append(firstCycleRequest().bytes());
    frame.seal();
    std::vector<std::uint8_t> damaged(frame.bytes().begin(), frame.bytes().end());
    damaged.back() ^= 0xFF;
    ASSERT_EQ(::write(fd, damaged.data(), damaged.size()), static_cast<ssize_t>(damaged.size()));
    std::vector<std::uint8_t> answer;
    const auto until = Clock::now() + startLimit;
    while (answer.empty() && Clock::now() < until) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 100) > 0) {
            std::uint8_t buffer[64];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                answer.assign(buffer, buffer + n);
        }
    }
    // A late second byte would be a second answer to the same frame.
    std::this_thread::sleep_for(200ms);
    std::uint8_t extra[64];
    const ssize_t more = ::read(fd, extra, sizeof extra);
    ::close(fd);
    EXPECT_EQ(answer, std::vector<std::uint8_t>{printer_framing::negativeAcknowledge});
    EXPECT_LE(more, 0);
    EXPECT_TRUE(printer.waitForError("refused: frame checksum", startLimit)) << printer.err();
    EXPECT_EQ(printer.terminate(stopLimit), 0);
}

// The pair vanishes in the middle of an endless run and comes back at the same paths.
TEST_F(SelfTestOverSerial, APeerThatGoesAwayCostsNoCpuAndANewPairIsTakenUp)
{
    ASSERT_NO_FATAL_FAILURE(startEndlessRun());
    BackgroundProcess& test = *selfTest;

    // Cycle 2 is waiting for its reply when both lines hang up; measured from the end of that wait.
    const auto cycle2 = Clock::now();
    EXPECT_NE(socat->terminate(stopLimit), -1);
    std::this_thread::sleep_until(cycle2 + 2s);
    for (const BackgroundProcess* process : {&test, printer.get()}) {
        SCOPED_TRACE(process == &test ? "selftest" : "printer-sim");
        const auto [cpu, reads] = usage(process->pid());
        const auto from = Clock::now();
        std::this_thread::sleep_for(2s);
        const auto [cpuAfter, readsAfter] = usage(process->pid());
        const double seconds = std::chrono::duration<double>(Clock::now() - from).count();
        EXPECT_LT((cpuAfter - cpu) / seconds, 0.2);
        EXPECT_LT((readsAfter - reads) / seconds, 50);
    }
    EXPECT_TRUE(test.waitForError("cannot open device", startLimit)) << test.err();

    // B appears only once the simulator holds A again, so the next frame cannot come too early.
    const std::string laterB = endB + ".new";
    ASSERT_NO_FATAL_FAILURE(startSocat(laterB));
    EXPECT_TRUE(printer->waitForError("ready again on", startLimit)) << printer->err();
    std::filesystem::rename(laterB, endB);
    EXPECT_TRUE(test.waitForError("opens again", startLimit)) << test.err();
    EXPECT_TRUE(test.waitForOutput("cycle 3: RETORNO OK\n", 20s)) << test.out();
    EXPECT_EQ(countOf(test.err(), "cannot open device"), 1u) << "once per series: " << test.err();
    EXPECT_EQ(test.terminate(stopLimit), 0);
    EXPECT_EQ(printer->terminate(stopLimit), 0);
}

// "TestEncript.txt" that is no regular file: every line is lost, at once and without blocking.
TEST_F(SelfTestOverSerial, ALogThatIsNoRegularFileEndsTheRunWithStatus74)
{
    BackgroundProcess printer(MORVANEX_CLI, printerSim(), dir.path(), "printer");
    ASSERT_TRUE(printer.waitForError("ready on", startLimit)) << printer.err();
    const std::filesystem::path logPath = dir.path() / "TestEncript.txt";
    const std::filesystem::path outside = dir.path() / "outside" / "elsewhere.txt";
    dir.write("outside/elsewhere.txt", "keep");
    const std::vector<std::string> selftest{"selftest", "--dir", dir.path().string(), "--device", endB,
                                            "--cycles", "1"};
    // Room for two lines only; a write that would pass it stops short instead of killing the program.
    std::vector<std::string> fileSizeLimit{"-c", "trap '' XFSZ; exec prlimit --fsize=100 \"$@\"", "sh",
                                           MORVANEX_CLI};
    fileSizeLimit.insert(fileSizeLimit.end(), selftest.begin(), selftest.end());
    const struct
    {
        const char* what;
        std::function<void()> make;
        std::function<void()> check;
        std::string program = MORVANEX_CLI;
        std::vector<std::string> args = {};
    } logs[] = {
        {"a folder", [&] { std::filesystem::create_directory(logPath); }, [] {}},
        {"a FIFO nobody reads", [&] { ASSERT_EQ(::mkfifo(logPath.c_str(), 0644), 0); }, [] {}},
        {"a link to a full device", [&] { std::filesystem::create_symlink("/dev/full", logPath); }, [] {}},
        {"a link out of the workspace", [&] { std::filesystem::create_symlink(outside, logPath); },
         [&] { EXPECT_EQ(readFile(outside), "keep"); }},
        {"a link that leads nowhere", [&] { std::filesystem::create_symlink(dir.path() / "nowhere.txt", logPath); },
         [&] { EXPECT_FALSE(std::filesystem::exists(dir.path() / "nowhere.txt")); }},
        {"a file that can grow no more", [] {},
         [&] {
             // Whole lines only: the one that did not fit was cut back, and so was every later one.
             const std::string text = log();
             EXPECT_TRUE(text.ends_with("COO dec: 000041\r\n")) << text;
             EXPECT_EQ(countOf(text, "\r\n"), 2u) << text;
         },
         "/bin/sh", fileSizeLimit},
    };
    for (const auto& log : logs) {
        SCOPED_TRACE(log.what);
        log.make();
        BackgroundProcess test(log.program, log.args.empty() ? selftest : log.args, dir.path(), "selftest");
        const auto until = Clock::now() + 20s;
        while (test.stillRunning() && Clock::now() < until)
            std::this_thread::sleep_for(20ms);
        // Had it blocked, SIGTERM would have to end it within 2 s.
        const auto stopping = Clock::now();
        EXPECT_EQ(test.terminate(2s), 74) << test.err();
        EXPECT_LT(Clock::now() - stopping, 2s);
        EXPECT_EQ(test.out(), "cycle 1: RETORNO OK\n");
        EXPECT_EQ(countOf(test.err(), "cycle 1: cannot write"), 1u) << test.err();
        log.check();
        std::filesystem::remove(logPath);
    }
}

TEST_F(SelfTestOverSerial, ADeadPrinterFailsABoundedRun)
{
    // Whatever the test sends goes nowhere, and nothing ever comes back.
    socat = std::make_unique<BackgroundProcess>(
        "socat", std::vector<std::string>{"-u", "pty,raw,echo=0,link=" + endA + "-silent", "OPEN:/dev/null"},
        dir.path(), "socat");
    const auto until = Clock::now() + startLimit;
    while (!std::filesystem::exists(endA + "-silent"))
        ASSERT_LT(Clock::now(), until) << "socat made no pty";
    const auto run =
        runCli({"selftest", "--dir", dir.path().string(), "--device", endA + "-silent", "--cycles", "2"});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_EQ(countOf(run.out, "; 0 of 48 reply characters\n"), 2u) << run.out;
}

TEST(SelfTestWithoutPrinter, ADeviceThatCannotBeOpenedEndsABoundedRunWithNothingLogged)
{
    TempDir dir;
    const auto started = Clock::now();
    const auto run = runCli({"selftest", "--dir", dir.path().string(), "--device",
                             (dir.path() / "no-such-device").string(), "--cycles", "1"});
    const auto took = Clock::now() - started;
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cannot open device"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("No such file or directory"), std::string::npos) << "the reason is given";
    EXPECT_TRUE(run.out.empty());
    // Three attempts, two 2-second waits between them.
    EXPECT_GE(took, 3900ms);
    EXPECT_LT(took, 20s);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "TestEncript.txt"));
}

TEST(SelfTestCommandLine, BadOptionsAreUsageErrors)
{
    TempDir dir;
    EXPECT_EQ(runCli({"selftest", "--cycles", "many", "--dir", dir.path().string()}).exitCode, 64);
    EXPECT_EQ(runCli({"selftest", "--dir", (dir.path() / "missing").string()}).exitCode, 66); // no such folder
    EXPECT_EQ(runCli({"selftest", "--speed", "9600"}).exitCode, 64);
    EXPECT_EQ(runCli({"printer-sim", "--dir", dir.path().string()}).exitCode, 64) << "--device is required";
    const auto noRow = runCli({"printer-sim", "--device", "/dev/null", "--dir", dir.path().string()});
    EXPECT_EQ(noRow.exitCode, 1);
    EXPECT_NE(noRow.err.find("no row 0"), std::string::npos) << noRow.err;
}

} // namespace
} // namespace morvanex::test
