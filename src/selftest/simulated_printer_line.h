#pragma once

#include "selftest/simulated_printer.h"

#include <atomic>
#include <chrono>
#include <functional>

namespace morvanex {

class SerialChannel;

// What serving a line tells its owner, on the serving thread.
struct PrinterLineEvents
{
    std::function<void(const SimulatedPrinter::Answer&)> answered; // after the answer was sent
    std::function<void()> lost; // the line hung up: it is closed and opened again until it is back
    std::function<void()> back; // it opened again
};

struct PrinterLineTiming
{
    // A read that fails sooner than this did not wait for data: the line hung up or failed.
    std::chrono::milliseconds quickFailure{100};
    // Between closing a line that hung up and opening it again, and between two failed opens.
    std::chrono::milliseconds reopenDelay{1000};
};

// Answers the requests that arrive on line, which is open, with printer, until stop is requested;
// then closes it. A line that hangs up is given back and opened again (a new pseudo-terminal at the
// same path, a cable plugged in again), never spun on.
void servePrinterLine(SerialChannel& line, SimulatedPrinter& printer, const std::atomic<bool>& stop,
                      const PrinterLineEvents& events, const PrinterLineTiming& timing = {});

} // namespace morvanex
