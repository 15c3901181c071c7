#pragma once

#include <atomic>

namespace morvanex::cli {

// Set once SIGINT or SIGTERM arrives, after installStopSignals. The signal also interrupts the call
// it lands in, so a wait on the serial line ends at once.
const std::atomic<bool>& stopRequested();
void installStopSignals();

// What the platform's handler does: sets the flag, and nothing else.
void requestStop();

} // namespace morvanex::cli
