#pragma once

#include <atomic>

namespace morvanex::cli {

// Set once SIGINT or SIGTERM arrives, after installStopSignals.
const std::atomic<bool>& stopRequested();
void installStopSignals();

} // namespace morvanex::cli
