#include "selftest/batch_selftest.h"

#include "firmware/firmware_catalogue.h"
#include "validation/firmware_lookup.h"
#include "selftest/printer_frame.h"
#include "selftest/selftest_random.h"
#include "selftest/serial_port.h"
#include "selftest/test_log.h"

#include <algorithm>
#include <array>
#include <thread>

namespace morvanex {
namespace {

// Reply buffer: the FooterCode and room for its terminator and the decoder's 49th byte.
constexpr std::size_t replyBufferSize = 50;
// How often a wait looks at the stop flag; a signal handler may set it, so no condition variable.
constexpr std::chrono::milliseconds stopPollStep{20};

} // namespace

SerialChannelFactory serialPortFactory()
{
    return [](const std::string& deviceName) -> std::unique_ptr<SerialChannel> {
        return std::make_unique<SerialPort>(deviceName);
    };
}

bool waitUnlessStopped(std::chrono::milliseconds duration, const std::atomic<bool>& stop)
{
    const auto until = std::chrono::steady_clock::now() + duration;
    while (!stop.load()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= until)
            return true;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(until - now, stopPollStep));
    }
    return false;
}

BatchSelfTest::BatchSelfTest(SerialChannelFactory channels, const Workspace& workspace,
                             FirmwareCatalogue& catalogue, OperatorPrompts& prompts,
                             SelfTestOptions options)
    : m_channels(std::move(channels)), m_workspace(workspace), m_catalogue(catalogue), m_prompts(prompts),
      m_options(std::move(options))
{
}

SelfTestOutcome BatchSelfTest::run(const std::atomic<bool>& stop)
{
    SelfTestRandom random;
    SelfTestOutcome outcome;
    m_deviceFailing = false;
    const auto stopped = [&outcome] {
        outcome.end = SelfTestOutcome::End::Stopped;
        return outcome;
    };
    while (m_options.cycleLimit == 0 || outcome.cycles < m_options.cycleLimit) {
        if (stop.load())
            return stopped();
        // Drawn once per cycle: a retried cycle sends the same data.
        const FooterRequest request = FooterRequest::draw(random);
        for (std::uint64_t failedOpens = 0;;) {
            if (const std::unique_ptr<SerialChannel> channel = openChannel()) {
                if (!runCycle(*channel, request, outcome.cycles + 1, stop))
                    return stopped();
                break;
            }
            if (m_options.openAttemptLimit != 0 && ++failedOpens >= m_options.openAttemptLimit) {
                outcome.end = SelfTestOutcome::End::DeviceUnavailable;
                return outcome;
            }
            if (!waitUnlessStopped(m_options.openRetryDelay, stop))
                return stopped();
        }
        ++outcome.cycles;
    }
    outcome.end = SelfTestOutcome::End::CycleLimit;
    return outcome;
}

std::unique_ptr<SerialChannel> BatchSelfTest::openChannel()
{
    std::unique_ptr<SerialChannel> channel = m_channels ? m_channels(m_options.deviceName) : nullptr;
    std::string problem;
    if (channel && !channel->open(SelfTestOptions::baudRate)) {
        problem = channel->openFailure();
        // A failed open may still hold the device.
        channel->close();
        channel.reset();
    }
    // Only changes are told, so a device that stays away is not reported at every retry.
    const bool failing = channel == nullptr;
    if (failing != m_deviceFailing) {
        m_deviceFailing = failing;
        if (m_deviceObserver)
            m_deviceObserver({!failing, problem});
    }
    return channel;
}

bool BatchSelfTest::runCycle(SerialChannel& channel, const FooterRequest& request, std::uint64_t number,
                             const std::atomic<bool>& stop)
{
    std::array<std::uint8_t, replyBufferSize> reply{};
    PrinterFrame frame;
    frame.append(request.bytes());
    frame.seal();

    // Neither the write nor the first byte of the answer is examined: the printer's status byte
    // carries nothing the test uses, and a lost frame shows as a reply that never comes.
    channel.write(frame.bytes());
    if (!waitUnlessStopped(m_options.replyDelay, stop)) {
        channel.close();
        return false;
    }
    channel.read(std::span(reply).first(1));
    // Dropped unseen, also when no FooterCode character comes to overwrite it.
    reply[0] = 0;

    std::size_t received = 0;
    for (unsigned failedReads = 0;
         received < replyCodeLength && failedReads < SelfTestOptions::maxFailedReads;) {
        if (stop.load()) {
            channel.close();
            return false;
        }
        if (channel.read(std::span(reply).subspan(received, 1))) {
            ++received;
            failedReads = 0;
        } else {
            ++failedReads;
        }
    }
    channel.close();

    FirmwareLookup lookup(m_catalogue, m_workspace, m_prompts);
    FooterDecoder decoder(&lookup);
    // All 48 bytes go to the decoder, even when the logged text stops at a zero byte.
    const ValidationStatus status =
        decoder.decode(std::string_view(reinterpret_cast<const char*>(reply.data()), replyCodeLength + 1));

    const TestLog log(m_options.logFolder);
    std::string logProblem;
    bool logged = true;
    for (const std::string& line : cycleLogLines(request, reply, decoder, status))
        logged = log.appendLine(line, logged ? &logProblem : nullptr) && logged;

    if (m_observer)
        m_observer({number, request, received, status, compareCycle(request, decoder), logged, logProblem});
    return true;
}

} // namespace morvanex
