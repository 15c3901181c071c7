// The command-line validator end to end: a separate process reading codes on standard input, as a
// batch job runs it. Its executable is the one built beside this benchmark, or MORVANEX_BENCH_CLI;
// the demo batch also runs the Windows build under Wine when MORVANEX_BENCH_WINDOWS_CLI names it.

#include "synthetic_workspace.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <regex>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Runs argv with input on standard input, stdout and stderr discarded; nothing when it could not be run
// or exited otherwise than with expectedStatus.
std::optional<Run> runProcess(const std::vector<std::string>& args, const std::filesystem::path& input,
                              int expectedStatus)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv.front(), &actions, nullptr, argv.data(), environ);
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

// One `validate --dir DIR [OPTIONS] CODE` (or `-` reading the lines of input) of the synthetic workspace.
std::optional<Run> runCli(const std::filesystem::path& input, int expectedStatus, const std::string& code = "-",
                          const std::vector<std::string>& options = {})
{
    std::vector<std::string> args{cliPath(), "validate", "--dir", ::input().workspace.root().string()};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(code);
    return runProcess(args, input, expectedStatus);
}

// Lines per second of wall time (the iteration time) and of the process's own processor time, which
// other load on the machine disturbs less. The register, when named, starts empty in every run.
void runLines(benchmark::State& state, const std::filesystem::path& lines, int expectedStatus,
              const std::optional<std::filesystem::path>& checks = std::nullopt, int jobs = 0)
{
    double cpuSeconds = 0;
    std::vector<std::string> options;
    if (checks)
        options = {"--register", checks->string()};
    // 0 leaves the number of jobs to the program (every core it may use), as a build without --jobs has it.
    if (jobs > 0)
        options.insert(options.end(), {"--jobs", std::to_string(jobs)});
    for (auto _ : state) {
        if (checks)
            std::filesystem::remove(*checks);
        const auto run = runCli(lines, expectedStatus, "-", options);
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

// Distinct valid codes spread over the images in turn, with --jobs N (the argument; 0: the default,
// every core the process may use).
void CliValidateValidCodes(benchmark::State& state)
{
    runLines(state, input().validLines, 0, std::nullopt, static_cast<int>(state.range(0)));
    state.counters["jobs"] = static_cast<double>(state.range(0));
}

// The same codes, each recorded in a register file that starts empty: what the register costs a batch.
void CliValidateValidCodesWithRegister(benchmark::State& state)
{
    const std::filesystem::path checks = input().workspace.root() / "registro.txt";
    runLines(state, input().validLines, 0, checks);
    std::filesystem::remove(checks);
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

// The demo workspace's codes that validate (from its README), demoLines lines of them in turn.
constexpr int demoLines = 50000;

struct DemoInput
{
    std::filesystem::path lines =
        std::filesystem::temp_directory_path() / ("morvanex-bench-demo-" + std::to_string(::getpid()) + ".txt");

    DemoInput()
    {
        std::ifstream readme(std::filesystem::path(MORVANEX_DEMO_DIR) / "README");
        const std::regex codeLine(R"(^\s+((\S{8} ){4}\S{12})\s*$)");
        const std::filesystem::path nothing = "/dev/null";
        std::vector<std::string> valid;
        for (std::string line; std::getline(readme, line);)
            if (std::smatch m; std::regex_match(line, m, codeLine) &&
                                runProcess({cliPath(), "validate", "--dir", MORVANEX_DEMO_DIR, m[1]}, nothing, 0))
                valid.push_back(m[1]);
        std::ofstream out(lines);
        for (int i = 0; !valid.empty() && i < demoLines; ++i)
            out << valid[static_cast<std::size_t>(i) % valid.size()] << '\n';
    }
    ~DemoInput() { std::filesystem::remove(lines); }
};

const DemoInput& demoInput()
{
    static const DemoInput in;
    return in;
}

// A batch of the demo's valid codes by the given command line, timed as one process; the register,
// when named, starts empty in every run.
void runDemoBatch(benchmark::State& state, const std::vector<std::string>& command,
                  const std::optional<std::filesystem::path>& checks = std::nullopt)
{
    double cpuSeconds = 0;
    for (auto _ : state) {
        if (checks)
            std::filesystem::remove(*checks);
        const auto run = runProcess(command, demoInput().lines, 0);
        if (!run) {
            state.SkipWithError("the batch could not be run or gave an unexpected exit status");
            break;
        }
        state.SetIterationTime(run->wallSeconds);
        cpuSeconds += run->cpuSeconds;
    }
    state.counters["cpu_s"] = state.iterations() ? cpuSeconds / static_cast<double>(state.iterations()) : 0;
    state.counters["lines"] = demoLines;
}

// With --jobs N given by the argument (0: none given, every core).
std::vector<std::string> withJobs(std::vector<std::string> command, const benchmark::State& state)
{
    if (state.range(0) > 0)
        command.insert(command.end() - 1, {"--jobs", std::to_string(state.range(0))});
    return command;
}

void CliDemoBatch(benchmark::State& state)
{
    runDemoBatch(state, withJobs({cliPath(), "validate", "--dir", MORVANEX_DEMO_DIR, "-"}, state));
    state.counters["jobs"] = static_cast<double>(state.range(0));
}

// The same batch recorded in a register file: the demo's images are small, so the register weighs
// more here than beside 4 MiB images.
void CliDemoBatchWithRegister(benchmark::State& state)
{
    const std::filesystem::path checks = demoInput().lines.string() + ".registro";
    runDemoBatch(state, {cliPath(), "validate", "--dir", MORVANEX_DEMO_DIR, "--register", checks.string(), "-"}, checks);
    std::filesystem::remove(checks);
}

// The Windows build under Wine, on the same input; its workspace named as Windows sees it (Z: is /).
// With --jobs N as CliDemoBatch has it.
void CliDemoBatchUnderWine(benchmark::State& state)
{
    const char* windowsCli = std::getenv("MORVANEX_BENCH_WINDOWS_CLI");
    if (!windowsCli || !*windowsCli) {
        state.SkipWithError("MORVANEX_BENCH_WINDOWS_CLI names no morvanex-cli.exe");
        return;
    }
    std::string demo = "Z:" + std::filesystem::absolute(MORVANEX_DEMO_DIR).string();
    std::replace(demo.begin(), demo.end(), '/', '\\');
    runDemoBatch(state, withJobs({"wine", windowsCli, "validate", "--dir", demo, "-"}, state));
    state.counters["jobs"] = static_cast<double>(state.range(0));
}

} // namespace

BENCHMARK(CliValidateValidCodes)->ArgName("jobs")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(CliValidateValidCodesWithRegister)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(CliValidateMalformedLines)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(CliValidateOneCode)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(CliDemoBatch)->ArgName("jobs")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(CliDemoBatchWithRegister)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(CliDemoBatchUnderWine)->ArgName("jobs")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseManualTime();
