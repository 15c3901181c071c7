#include "selftest/footer_request.h"
#include "selftest/printer_frame.h"
#include "selftest/selftest_random.h"
#include "selftest/serial_channel.h"
#include "selftest/simulated_printer_line.h"
#include "support/temp_dir.h"

#include <deque>
#include <gtest/gtest.h>
#include <optional>

namespace morvanex {
namespace {

// A line that delivers its script one read at a time: a byte, or a hang-up (a read that fails at once);
// at the end of the script it asks to stop. Opens fail as often as told. What was done to it is logged.
class ScriptedLine : public SerialChannel
{
public:
    ScriptedLine(std::deque<std::optional<std::uint8_t>> reads, int refusedOpens, std::atomic<bool>& stop)
        : SerialChannel("scripted"), m_reads(std::move(reads)), m_refusedOpens(refusedOpens), m_stop(stop)
    {
    }

    bool open(uint32_t) override
    {
        log.push_back("open");
        return m_refusedOpens-- <= 0;
    }
    void close() override { log.push_back("close"); }
    bool write(std::span<const uint8_t> bytes) override
    {
        log.push_back("answer " + std::to_string(bytes.size()));
        return true;
    }
    bool read(std::span<uint8_t> bytes) override
    {
        if (m_reads.empty()) {
            m_stop = true;
            return false;
        }
        const auto next = m_reads.front();
        m_reads.pop_front();
        if (next)
            bytes[0] = *next;
        return next.has_value();
    }
    bool purge() override { return true; }

    std::vector<std::string> log;

private:
    std::deque<std::optional<std::uint8_t>> m_reads;
    int m_refusedOpens;
    std::atomic<bool>& m_stop;
};

// A line that hangs up is given back and opened again until it opens, then served again; a stop
// request gives it back for good.
TEST(PrinterLine, AnswersAndReopensAfterAHangUp)
{
    SelfTestRandom random;
    PrinterFrame frame;
    ASSERT_TRUE(frame.append(FooterRequest::draw(random).bytes()) && frame.seal());
    std::deque<std::optional<std::uint8_t>> request(frame.bytes().begin(), frame.bytes().end());
    const std::optional<std::uint8_t> hangUp;
    const auto then = [](std::deque<std::optional<std::uint8_t>> a, const std::deque<std::optional<std::uint8_t>>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const struct
    {
        std::deque<std::optional<std::uint8_t>> reads;
        int refusedOpens;
        std::vector<std::string> log;
        int answers, losses, returns;
    } cases[] = {
        {{}, 0, {"close"}, 0, 0, 0},
        {request, 0, {"answer 49", "close"}, 1, 0, 0},
        {then(then(request, {hangUp}), request), 0, {"answer 49", "close", "open", "answer 49", "close"}, 2, 1, 1},
        {then(request, {hangUp}), 2, {"answer 49", "close", "open", "open", "open", "close"}, 1, 1, 1},
    };
    // Every failed read counts as a hang-up, however slowly it came: nothing here depends on time.
    const PrinterLineTiming timing{std::chrono::hours(1), std::chrono::milliseconds(0)};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        std::atomic<bool> stop{false};
        ScriptedLine line(cases[i].reads, cases[i].refusedOpens, stop);
        SimulatedPrinter printer(test::randomBytes(3000, 7));
        int answers = 0, losses = 0, returns = 0;
        const PrinterLineEvents events{[&](const SimulatedPrinter::Answer& a) { answers += a.accepted; },
                                       [&] { ++losses; }, [&] { ++returns; }};
        servePrinterLine(line, printer, stop, events, timing);
        EXPECT_EQ(line.log, cases[i].log) << "case " << i;
        EXPECT_EQ(std::vector({answers, losses, returns}),
                  std::vector({cases[i].answers, cases[i].losses, cases[i].returns}))
            << "case " << i;
    }
}

} // namespace
} // namespace morvanex
