#include "selftest/simulated_printer_line.h"

#include "selftest/batch_selftest.h"
#include "selftest/serial_channel.h"

#include <array>

namespace morvanex {
namespace {

template <typename F, typename... Args>
void tell(const F& event, const Args&... args)
{
    if (event)
        event(args...);
}

} // namespace

void servePrinterLine(SerialChannel& line, SimulatedPrinter& printer, const std::atomic<bool>& stop,
                      const PrinterLineEvents& events, const PrinterLineTiming& timing)
{
    bool open = true;
    while (!stop.load()) {
        std::array<std::uint8_t, 1> byte{};
        const auto started = std::chrono::steady_clock::now();
        if (line.read(byte)) {
            for (const SimulatedPrinter::Answer& answer : printer.feed(byte)) {
                line.write(answer.bytes);
                tell(events.answered, answer);
            }
            continue;
        }
        if (stop.load() || std::chrono::steady_clock::now() - started >= timing.quickFailure)
            continue;
        line.close();
        open = false;
        tell(events.lost);
        do {
            if (!waitUnlessStopped(timing.reopenDelay, stop))
                break;
            open = line.open(SelfTestOptions::baudRate);
        } while (!open);
        if (open)
            tell(events.back);
    }
    if (open)
        line.close();
}

} // namespace morvanex
