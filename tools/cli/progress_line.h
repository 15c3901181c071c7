#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace morvanex::cli {

// What a long batch shows on a terminal's standard error while it works: the lines done and the
// rate since it began, at most four times a second. The clock is the caller's, so that the timing
// can be tested without waiting.
class ProgressLine
{
public:
    using Clock = std::chrono::steady_clock;
    // The least time between two lines shown, and before the first: a batch done sooner shows none.
    static constexpr Clock::duration interval = std::chrono::milliseconds(250);

    ProgressLine(std::string_view command, Clock::time_point start);

    // The line to show now that lines are done, or nothing while the last one shown (or the start)
    // is less than interval ago.
    std::optional<std::string> update(std::uint64_t lines, Clock::time_point now);

private:
    std::string m_prefix;
    Clock::time_point m_start;
    Clock::time_point m_shown;
};

} // namespace morvanex::cli
