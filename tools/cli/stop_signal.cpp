#include "stop_signal.h"

#include <csignal>

namespace morvanex::cli {
namespace {

// A handler may only touch a lock-free atomic.
static_assert(std::atomic<bool>::is_always_lock_free);
std::atomic<bool> stopFlag{false};

extern "C" void onStopSignal(int)
{
    stopFlag.store(true);
}

} // namespace

const std::atomic<bool>& stopRequested()
{
    return stopFlag;
}

void installStopSignals()
{
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
}

} // namespace morvanex::cli
