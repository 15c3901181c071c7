// The command-line validator end to end: a separate process reading codes on standard input, as a
// batch job runs it. Its executable is the one built beside this benchmark, or MORVANEX_BENCH_CLI.

#include "synthetic_workspace.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using namespace morvanex;

constexpr int cliImages = 20;
// Enough lines that reading and preparing the 20 images (once per run) weighs little: the rate is the
// steady state with the images kept.
constexpr int cliLines = 50000;
constexpr int batchFailure = 10; // the exit status of a batch with a line that was not valid

std::string cliPath()
{
    const char* chosen = std::getenv("MORVANEX_BENCH_CLI");
    return chosen && *chosen ? chosen : MORVANEX_CLI;
}

struct CliInput
{
    bench::SyntheticWorkspace workspace{"cli", cliImages};
    std::filesystem::path validLines = workspace.root() / "valid.txt";
    std::filesystem::path malformedLines = workspace.root() / "malformed.txt";

    CliInput()
    {
        std::ofstream valid(validLines);
        std::ofstream malformed(malformedLines);
        for (std::string code : workspace.validCodes(cliLines)) {
            valid << code << '\n';
            code[0] = 'a'; // outside the alphabet
            malformed << code << '\n';
        }
    }
};

const CliInput& input()
{
    static const CliInput in;
    return in;
}

struct Run
{
    double wallSeconds;
    double cpuSeconds; // user and system time of the process
};

// One `validate --dir DIR CODE` (or `-` reading the lines of input), stdout and stderr discarded; nothing
// when it could not be run or exited otherwise than with expectedStatus.
std::optional<Run> runCli(const std::filesystem::path& input, int expectedStatus, const std::string& code = "-")
{
    const std::string cli = cliPath();
    const std::string dir = ::input().workspace.root().string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {cli.c_str(), "validate", "--dir", dir.c_str(), code.c_str(), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, cli.c_str(), &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return std::nullopt;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != expectedStatus)
        return std::nullopt;
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    const auto seconds = [](timeval t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return Run{wall.count(), seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

// Lines per second of wall time (the iteration time) and of the process's own processor time, which
// other load on the machine disturbs less.
void runLines(benchmark::State& state, const std::filesystem::path& lines, int expectedStatus)
{
    double cpuSeconds = 0;
    for (auto _ : state) {
        const auto run = runCli(lines, expectedStatus);
        if (!run) {
            state.SkipWithError("morvanex-cli could not be run or gave an unexpected exit status");
            break;
        }
        state.SetIterationTime(run->wallSeconds);
        cpuSeconds += run->cpuSeconds;
    }
    const double total = static_cast<double>(state.iterations()) * cliLines;
    state.counters["codes_per_s"] = benchmark::Counter(total, benchmark::Counter::kIsRate);
    state.counters["codes_per_cpu_s"] = cpuSeconds > 0 ? total / cpuSeconds : 0;
    state.counters["lines"] = cliLines;
}

// Distinct valid codes spread over the images in turn.
void CliValidateValidCodes(benchmark::State& state)
{
    runLines(state, input().validLines, 0);
}

// The same codes with their first character outside the alphabet: what a line costs without the image.
void CliValidateMalformedLines(benchmark::State& state)
{
    runLines(state, input().malformedLines, batchFailure);
}

// One code as its own process, as a script checks a single document: the catalogue of the 20 images is
// loaded, then the code's image read afresh and decoded.
void CliValidateOneCode(benchmark::State& state)
{
    const std::string code = input().workspace.validCodes(1).front();
    for (auto _ : state) {
        const auto run = runCli("/dev/null", 0, code);
        if (!run) {
            state.SkipWithError("morvanex-cli could not be run or gave an unexpected exit status");
            break;
        }
        state.SetIterationTime(run->wallSeconds);
    }
}

} // namespace

BENCHMARK(CliValidateValidCodes)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(CliValidateMalformedLines)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(CliValidateOneCode)->Unit(benchmark::kMillisecond)->UseManualTime();
