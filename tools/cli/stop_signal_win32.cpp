#include "stop_signal.h"

#include <csignal>

namespace morvanex::cli {
namespace {

extern "C" void onStopSignal(int)
{
    requestStop();
}

} // namespace

// Ctrl+C runs the handler on a thread of its own; nothing needs interrupting.
void installStopSignals()
{
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
}

} // namespace morvanex::cli
