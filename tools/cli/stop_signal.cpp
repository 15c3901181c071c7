#include "stop_signal.h"

namespace morvanex::cli {
namespace {

// A handler may only touch a lock-free atomic.
static_assert(std::atomic<bool>::is_always_lock_free);
std::atomic<bool> stopFlag{false};

} // namespace

const std::atomic<bool>& stopRequested()
{
    return stopFlag;
}

void requestStop()
{
    stopFlag.store(true);
}

} // namespace morvanex::cli
