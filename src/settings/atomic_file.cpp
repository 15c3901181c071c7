#include "settings/atomic_file.h"

#include <atomic>
#include <chrono>

namespace morvanex {

std::string temporaryNameFor(const std::filesystem::path& target)
{
    static std::atomic<unsigned> counter{0};
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return "." + target.filename().string() + ".tmp-" + std::to_string(writerTag()) + "-" +
           std::to_string(static_cast<unsigned long long>(ticks) % 1000000007ull) + "-" +
           std::to_string(++counter);
}

} // namespace morvanex
