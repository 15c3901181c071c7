#pragma once

#include "footer/footer_decoder.h"
#include "selftest/cycle_log.h"
#include "selftest/footer_request.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace morvanex {

class FirmwareCatalogue;
class OperatorPrompts;
class SerialChannel;
class Workspace;

// Makes the channel to the printer for one cycle.
using SerialChannelFactory = std::function<std::unique_ptr<SerialChannel>(const std::string& deviceName)>;

// The SerialPort a real run uses.
SerialChannelFactory serialPortFactory();

struct SelfTestOptions
{
    static constexpr std::uint32_t baudRate = 9600;
    // Failed one-byte reads in a row after which the reply is taken as it stands.
    static constexpr unsigned maxFailedReads = 10;

    std::string deviceName = "COM1:";
    // Where the log is written.
    std::filesystem::path logFolder;
    // Cycles to run; 0 runs until stopped.
    std::uint64_t cycleLimit = 0;
    // Attempts in a row to open the device for one cycle before the run gives up; 0 never gives up.
    std::uint64_t openAttemptLimit = 0;
    // Between sending the frame and reading the reply: the printer's time to compute the code.
    std::chrono::milliseconds replyDelay{2000};
    // Between two attempts to open a device that cannot be opened.
    std::chrono::milliseconds openRetryDelay{2000};
};

// What a finished cycle sent, received and logged.
struct CycleReport
{
    std::uint64_t number = 0; // from 1
    FooterRequest sent;
    std::size_t replyBytes = 0; // FooterCode characters that arrived, at most 48
    ValidationStatus status = ValidationStatus::InvalidString;
    CycleComparison comparison;
    bool logged = false;    // every line reached the log
    std::string logProblem; // why the first lost line was lost, empty when logged

    // Whether the printer answered in full with a code that decodes to exactly what was sent.
    bool passed() const
    {
        return replyBytes == replyCodeLength && status == ValidationStatus::Valid && !comparison.anyDiffers();
    }
};

// A change in whether the device opens: the first failed open of a series, or the first open after one.
struct DeviceReport
{
    bool opened = false;
    std::string problem; // why it failed, when the channel can tell
};

struct SelfTestOutcome
{
    enum class End {
        CycleLimit,        // every asked-for cycle ran
        Stopped,           // stop was requested
        DeviceUnavailable, // the device could not be opened within the attempt limit
    };

    End end = End::CycleLimit;
    std::uint64_t cycles = 0;
};

// The printer test: in each cycle it draws document data, sends it to the printer, decodes the
// FooterCode that comes back and logs sent against decoded values. A cycle whose device cannot be
// opened sends, reads and logs nothing; it is retried with the same data after openRetryDelay. A
// stop request is seen between reads and during the waits; a cycle cut short by it is not logged.
// A read on a line that hung up fails at once, so such a cycle ends after its reply delay.
class BatchSelfTest
{
public:
    BatchSelfTest(SerialChannelFactory channels, const Workspace& workspace, FirmwareCatalogue& catalogue,
                  OperatorPrompts& prompts, SelfTestOptions options);

    // Told of every finished cycle, on the thread that runs the test.
    void onCycle(std::function<void(const CycleReport&)> observer) { m_observer = std::move(observer); }
    // Told when the device stops or starts opening again, on the thread that runs the test.
    void onDevice(std::function<void(const DeviceReport&)> observer)
    {
        m_deviceObserver = std::move(observer);
    }

    // Runs cycles from a freshly started generator until the cycle limit, a stop request or the
    // device stays unavailable.
    SelfTestOutcome run(const std::atomic<bool>& stop);

    const SelfTestOptions& options() const { return m_options; }

private:
    // Opens the channel for one cycle, telling the device observer of a change; null when it did not open.
    std::unique_ptr<SerialChannel> openChannel();
    // False when a stop request cut the cycle short.
    bool runCycle(SerialChannel& channel, const FooterRequest& request, std::uint64_t number,
                  const std::atomic<bool>& stop);

    SerialChannelFactory m_channels;
    const Workspace& m_workspace;
    FirmwareCatalogue& m_catalogue;
    OperatorPrompts& m_prompts;
    SelfTestOptions m_options;
    std::function<void(const CycleReport&)> m_observer;
    std::function<void(const DeviceReport&)> m_deviceObserver;
    bool m_deviceFailing = false;
};

// Waits for duration unless stop is requested first; false when it was.
bool waitUnlessStopped(std::chrono::milliseconds duration, const std::atomic<bool>& stop);

} // namespace morvanex
