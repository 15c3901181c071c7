#include "progress_line.h"

#include <gtest/gtest.h>

namespace morvanex::cli {
namespace {

using namespace std::chrono_literals;

// The line's pace, on a clock the test moves: nothing before a quarter second has passed since the
// start or since the last line shown, however many lines are done meanwhile.
TEST(ProgressLine, AtMostFourLinesASecondWithTheRateSinceTheStart)
{
    const ProgressLine::Clock::time_point start{};
    ProgressLine progress("validate", start);
    struct Step
    {
        ProgressLine::Clock::duration at;
        std::uint64_t lines;
        const char* shown; // null: nothing
    };
    const Step steps[] = {
        {0ms, 0, nullptr},
        {100ms, 5000, nullptr},
        {249ms, 12000, nullptr},
        {250ms, 12500, "morvanex-cli validate: 12500 lines, 50000 lines/s"},
        {300ms, 15000, nullptr},
        {499ms, 20000, nullptr},
        {500ms, 20000, "morvanex-cli validate: 20000 lines, 40000 lines/s"},
        {2000ms, 300001, "morvanex-cli validate: 300001 lines, 150001 lines/s"},
        {2249ms, 310000, nullptr},
        {3s, 310000, "morvanex-cli validate: 310000 lines, 103333 lines/s"},
    };
    for (const Step& step : steps) {
        const auto shown = progress.update(step.lines, start + step.at);
        if (step.shown)
            EXPECT_EQ(shown, std::optional<std::string>(step.shown)) << step.at.count();
        else
            EXPECT_EQ(shown, std::nullopt) << step.at.count();
    }
}

} // namespace
} // namespace morvanex::cli
