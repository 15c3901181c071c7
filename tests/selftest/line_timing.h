#pragma once

#include <chrono>
#include <cstdint>

namespace morvanex::test {

// The self-test's line rate and the bounds its read time-outs are checked against, wide enough for a
// loaded two-core machine.
inline constexpr uint32_t lineRate = 9600;
inline constexpr std::chrono::milliseconds oneByteTimeoutLow{950};
inline constexpr std::chrono::milliseconds oneByteTimeoutHigh{2500};
inline constexpr std::chrono::milliseconds gapTimeoutHigh{500};

// How long f takes.
template <typename F> std::chrono::milliseconds timed(F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

} // namespace morvanex::test
