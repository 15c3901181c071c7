#include "stop_signal.h"

#include <csignal>

namespace morvanex::cli {
namespace {

extern "C" void onStopSignal(int)
{
    requestStop();
}

} // namespace

void installStopSignals()
{
    // No SA_RESTART: a blocked call returns with EINTR, so the loop around it sees the flag at once.
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace morvanex::cli
