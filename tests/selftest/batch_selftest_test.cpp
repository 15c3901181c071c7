#include "firmware/firmware_catalogue.h"
#include "validation/operator_prompts.h"
#include "firmware/workspace.h"
#include "support/temp_dir.h"
#include "selftest/batch_selftest.h"
#include "selftest/printer_frame.h"
#include "selftest/selftest_thread.h"
#include "selftest/serial_channel.h"
#include "selftest/simulated_printer.h"
#include "footer/footer_encoder.h"
#include "validation/validation_flow.h"

#include <chrono>
#include <deque>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace morvanex {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// What every channel made for one run shares: the printer behind the line and what happened on it.
struct Line
{
    std::mutex mutex;
    std::unique_ptr<SimulatedPrinter> printer; // none: nothing ever answers
    int refusedOpens = 0;                      // opens that fail before one succeeds
    bool answerTwice = false;                  // the printer repeats every answer
    int opens = 0;
    int closes = 0;
    std::vector<Bytes> frames;
    std::deque<std::uint8_t> incoming;
    int failedReads = 0;
};

class FakeChannel : public SerialChannel
{
public:
    FakeChannel(const std::string& name, Line& line) : SerialChannel(name), m_line(line) {}

    bool open(uint32_t) override
    {
        const std::lock_guard lock(m_line.mutex);
        return ++m_line.opens > m_line.refusedOpens;
    }
    void close() override
    {
        const std::lock_guard lock(m_line.mutex);
        ++m_line.closes;
    }
    bool write(std::span<const uint8_t> bytes) override
    {
        const std::lock_guard lock(m_line.mutex);
        m_line.frames.emplace_back(bytes.begin(), bytes.end());
        if (m_line.printer)
            for (int i = 0; i < (m_line.answerTwice ? 2 : 1); ++i)
                for (const auto& answer : m_line.printer->feed(bytes))
                    m_line.incoming.insert(m_line.incoming.end(), answer.bytes.begin(), answer.bytes.end());
        return true;
    }
    bool read(std::span<uint8_t> bytes) override
    {
        const std::lock_guard lock(m_line.mutex);
        if (m_line.incoming.size() < bytes.size()) {
            ++m_line.failedReads;
            return false;
        }
        for (auto& b : bytes) {
            b = m_line.incoming.front();
            m_line.incoming.pop_front();
        }
        return true;
    }
    bool purge() override { return true; }
    std::string openFailure() const override { return "refused"; }

private:
    Line& m_line;
};

class NoPrompts : public OperatorPrompts
{
public:
    void showError(std::string_view, std::string_view) override {}
    int chooseFirmware(const FirmwareCatalogue&, std::span<const int> c) override { return c.front(); }
    bool confirmCnpj(std::string_view) override { return false; }
    int chooseSuggestion(std::span<const Suggestion>) override { return -1; }
};

class BatchRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        image = test::randomBytes(2048, 3);
        folder.write("TXT/fw.txt", "ARQUIVO: FW.BIN\nMODELO: X\nMARCA: Y\nVERSAO: 1\n");
        folder.write("Bin/FW.BIN", std::string(image.begin(), image.end()));
        loadCatalogue(catalogue, workspace, prompts);
        ASSERT_EQ(catalogue.count(), 1);
        options.logFolder = folder.path();
        options.replyDelay = 0ms;
        options.openRetryDelay = 1ms;
    }

    std::unique_ptr<BatchSelfTest> makeTest()
    {
        auto test = std::make_unique<BatchSelfTest>(
            [this](const std::string& name) { return std::make_unique<FakeChannel>(name, line); }, workspace,
            catalogue, prompts, options);
        test->onCycle([this](const CycleReport& r) { reports.push_back(r); });
        test->onDevice([this](const DeviceReport& r) { deviceReports.push_back(r); });
        return test;
    }

    std::string log() const { return folder.read("TestEncript.txt"); }

    test::TempDir folder;
    Workspace workspace{folder.path()};
    FirmwareCatalogue catalogue;
    NoPrompts prompts;
    std::vector<std::uint8_t> image;
    SelfTestOptions options;
    Line line;
    std::vector<CycleReport> reports;
    std::vector<DeviceReport> deviceReports;
    std::atomic<bool> stop{false};
};

TEST_F(BatchRun, CyclesAgainstAWorkingPrinterAllDecodeAndLog)
{
    line.printer = std::make_unique<SimulatedPrinter>(image);
    options.cycleLimit = 3;
    const auto outcome = makeTest()->run(stop);
    EXPECT_EQ(outcome.end, SelfTestOutcome::End::CycleLimit);
    EXPECT_EQ(outcome.cycles, 3u);
    ASSERT_EQ(reports.size(), 3u);
    for (const auto& r : reports) {
        EXPECT_EQ(r.status, ValidationStatus::Valid);
        EXPECT_FALSE(r.comparison.anyDiffers());
        EXPECT_EQ(r.replyBytes, 48u);
        EXPECT_TRUE(r.logged);
    }
    EXPECT_EQ(reports[0].sent.coo, 41u);
    EXPECT_NE(reports[1].sent.coo, 41u) << "each cycle draws new data";
    // One open and one close per cycle, one 55-byte frame each.
    EXPECT_EQ(line.opens, 3);
    EXPECT_EQ(line.closes, 3);
    ASSERT_EQ(line.frames.size(), 3u);
    EXPECT_EQ(line.frames[0].size(), 55u);

    const std::string text = log();
    EXPECT_EQ(text.find("COO enc: 000041                 COO dec: 000041\r\n"), 50u);
    std::size_t cycleEnds = 0;
    for (std::size_t at = 0; (at = text.find("RETORNO OK\r\n\r\n\r\n", at)) != std::string::npos; ++at)
        ++cycleEnds;
    EXPECT_EQ(cycleEnds, 3u);
}

TEST_F(BatchRun, AnUnopenableDeviceIsRetriedWithTheSameDataAndNothingLogged)
{
    line.printer = std::make_unique<SimulatedPrinter>(image);
    line.refusedOpens = 4;
    options.cycleLimit = 1;
    const auto outcome = makeTest()->run(stop);
    EXPECT_EQ(outcome.end, SelfTestOutcome::End::CycleLimit);
    EXPECT_EQ(line.opens, 5);
    ASSERT_EQ(line.frames.size(), 1u) << "nothing is written to a device that is not open";
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].sent.coo, 41u) << "the retried cycle keeps the data drawn first";
    EXPECT_EQ(reports[0].status, ValidationStatus::Valid);
    EXPECT_EQ(log().find("COO enc: 000041"), 50u) << "failed attempts leave no trace in the log";
    // Four failures in a row are one series: told once, and once when it ends.
    ASSERT_EQ(deviceReports.size(), 2u);
    EXPECT_FALSE(deviceReports[0].opened);
    EXPECT_EQ(deviceReports[0].problem, "refused");
    EXPECT_TRUE(deviceReports[1].opened);
}

TEST_F(BatchRun, OpenAttemptLimitEndsTheRunWithoutLogging)
{
    line.refusedOpens = 1000;
    options.cycleLimit = 5;
    options.openAttemptLimit = 3;
    const auto outcome = makeTest()->run(stop);
    EXPECT_EQ(outcome.end, SelfTestOutcome::End::DeviceUnavailable);
    EXPECT_EQ(outcome.cycles, 0u);
    EXPECT_EQ(line.opens, 3);
    EXPECT_TRUE(line.frames.empty());
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "TestEncript.txt"));
}

TEST_F(BatchRun, ASilentPrinterEndsTheReplyAfterTenFailedReadsAndTheCycleIsLogged)
{
    options.cycleLimit = 2;
    const auto outcome = makeTest()->run(stop);
    EXPECT_EQ(outcome.cycles, 2u);
    // Per cycle: the ignored first read, then ten failures in a row.
    EXPECT_EQ(line.failedReads, 2 * 11);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].replyBytes, 0u);
    EXPECT_EQ(reports[0].status, ValidationStatus::InvalidString);
    EXPECT_TRUE(reports[0].comparison.cooDiffers && reports[0].comparison.cnpjDiffers);
    const std::string text = log();
    EXPECT_EQ(text.substr(0, 2), "\r\n") << "an empty reply line";
    EXPECT_NE(text.find("RETORNO STRING INVALIDA\r\n\r\n\r\n"), std::string::npos);
}

TEST_F(BatchRun, TheFirstReplyByteIsDroppedAndTheCodeFollowsIt)
{
    // Each answer comes twice: the second ACK lands inside the received text and spoils it, which
    // shows that exactly one byte is dropped before the 48 are taken.
    line.printer = std::make_unique<SimulatedPrinter>(image);
    line.answerTwice = true;
    options.cycleLimit = 1;
    makeTest()->run(stop);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].status, ValidationStatus::Valid);
    EXPECT_EQ(line.incoming.size(), 49u) << "the repeated answer is left unread";
    EXPECT_EQ(line.incoming.front(), printer_framing::acknowledge);
}

TEST_F(BatchRun, AStopRequestCutsTheReplyWaitShortAndLeavesNoPartialCycle)
{
    line.printer = std::make_unique<SimulatedPrinter>(image);
    options.replyDelay = 60s;
    auto test = makeTest();
    const auto started = std::chrono::steady_clock::now();
    std::thread stopper([this] {
        std::this_thread::sleep_for(100ms);
        stop = true;
    });
    const auto outcome = test->run(stop);
    stopper.join();
    EXPECT_EQ(outcome.end, SelfTestOutcome::End::Stopped);
    EXPECT_EQ(outcome.cycles, 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    EXPECT_EQ(line.closes, 1) << "the port is given back";
    EXPECT_TRUE(reports.empty());
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "TestEncript.txt"));
}

TEST_F(BatchRun, AStopRequestAlsoEndsTheOpenRetryWait)
{
    line.refusedOpens = 1000;
    options.openRetryDelay = 60s;
    auto test = makeTest();
    std::thread stopper([this] {
        std::this_thread::sleep_for(100ms);
        stop = true;
    });
    const auto started = std::chrono::steady_clock::now();
    const auto outcome = test->run(stop);
    stopper.join();
    EXPECT_EQ(outcome.end, SelfTestOutcome::End::Stopped);
    EXPECT_EQ(line.opens, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
}

TEST_F(BatchRun, ThreadRunsUntilStoppedRefusesASecondStartAndJoinsOnDestruction)
{
    line.printer = std::make_unique<SimulatedPrinter>(image);
    options.replyDelay = 5ms;
    {
        SelfTestThread thread(makeTest());
        ASSERT_TRUE(thread.start());
        EXPECT_FALSE(thread.start()) << "one run at a time";
        const auto limit = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < limit) {
            {
                const std::lock_guard lock(line.mutex);
                if (line.closes >= 2)
                    break;
            }
            std::this_thread::sleep_for(5ms);
        }
        EXPECT_TRUE(thread.running());
        // Leaving the scope requests the stop and waits for the worker.
    }
    const std::lock_guard lock(line.mutex);
    EXPECT_GE(line.closes, 2);
    EXPECT_EQ(line.opens, line.closes) << "the worker ended with the port closed";
}

TEST_F(BatchRun, AThreadCanBeStartedAgainAfterItsRunEnded)
{
    line.printer = std::make_unique<SimulatedPrinter>(image);
    options.cycleLimit = 1;
    SelfTestThread thread(makeTest());
    ASSERT_TRUE(thread.start());
    thread.join();
    EXPECT_FALSE(thread.running());
    EXPECT_EQ(reports.size(), 1u);
    ASSERT_TRUE(thread.start());
    thread.join();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].sent.coo, 41u) << "every run starts its generator afresh";
}

// The operator validating while a self-test runs on its own thread: each validation shows the row
// its own decode chose, whatever the self-test's decodes write into selectedIndex meanwhile.
TEST_F(BatchRun, ValidationsBesideASelfTestThreadKeepTheirOwnRow)
{
    const Bytes other = test::randomBytes(4096, 9);
    folder.write("TXT/other.txt", "ARQUIVO: OTHER.BIN\nMODELO: OTHER\n");
    folder.write("Bin/OTHER.BIN", std::string(other.begin(), other.end()));
    FirmwareCatalogue both;
    loadCatalogue(both, workspace, prompts);
    ASSERT_EQ(both.count(), 2);

    line.printer = std::make_unique<SimulatedPrinter>(image);
    options.cycleLimit = 40;
    BatchSelfTest selfTest([this](const std::string& name) { return std::make_unique<FakeChannel>(name, line); },
                           workspace, both, prompts, options);
    std::thread worker([&] { selfTest.run(stop); });

    class Confirming : public NoPrompts
    {
    public:
        bool confirmCnpj(std::string_view) override { return true; }
    } operatorPrompts;
    const std::string code = *encodeFooter(other, 7, "000000", 1, "00000000000000000000");
    for (int i = 0; i < 40; ++i) {
        const ValidationResult r = validateFooter(code, both, workspace, operatorPrompts, "Morvanex");
        ASSERT_TRUE(r.confirmed);
        EXPECT_EQ(r.row, 1);
        EXPECT_EQ(r.rows.at(4).value, "OTHER");
    }
    worker.join();
    EXPECT_NE(log().find("RETORNO OK"), std::string::npos);
}

} // namespace
} // namespace morvanex
