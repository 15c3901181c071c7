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
#ifndef _WIN32
    // No SA_RESTART: a blocked call returns with EINTR, so the loop around it sees the flag at once.
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#else
    // Ctrl+C runs the handler on a thread of its own; nothing needs interrupting.
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
#endif
}

} // namespace morvanex::cli
