// The suggestion search on hostile workspaces: 20 all-zero images of 64 MiB, which share one CRC-16,
// searched as the desktop searches (images read afresh) and through a batch's kept images, with the
// batch's peak memory; 20 images of random bytes of 64 MiB made to share one CRC-16; and 20,000
// descriptors naming one small image, the search alone and morvanex-cli end to end with and without
// --suggest. About 1.3 GiB of images go to the temporary folder.
#include "silent_prompts.h"
#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"
#include "footer/alphabet.h"
#include "footer/checksum.h"
#include "footer/footer_encoder.h"
#include "validation/firmware_lookup.h"
#include "validation/kept_images.h"
#include "validation/operator_prompts.h"
#include "validation/row_images.h"
#include "validation/suggestions.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace morvanex;
using bench::SilentPrompts;

constexpr int zeroImages = 20;
constexpr std::size_t zeroImageSize = std::size_t{64} << 20;
constexpr int sharedRows = 20000;
constexpr std::size_t sharedImageSize = 5000;
constexpr int batchSearches = 5;

// A code with one character of its timestamp mistyped: the checksum it names stays the genuine one's.
std::string mistyped(std::string code, std::size_t position = 14)
{
    const auto v = *footerDigitValue(static_cast<unsigned char>(code[position]));
    code[position] = footerSymbol(static_cast<std::uint8_t>((v + 1) % footerAlphabetSize));
    return code;
}

// A workspace in a temporary folder, its catalogue loaded once, and a genuine code of its first image.
struct HostileWorkspace
{
    std::filesystem::path root;
    SilentPrompts prompts{SilentPrompts::Chooser::Cancel};
    FirmwareCatalogue catalogue;
    std::string genuine;

    explicit HostileWorkspace(std::string_view name)
        : root(std::filesystem::temp_directory_path() /
               ("morvanex-bench-" + std::string(name) + "-" + std::to_string(getpid())))
    {
        std::filesystem::create_directories(root / "TXT");
        std::filesystem::create_directories(root / "Bin");
    }
    ~HostileWorkspace()
    {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    void load() { loadCatalogue(catalogue, Workspace(root), prompts); }
};

// Images of zeros 64 MiB long and a few bytes more, sparse on disk: all of CRC-16 0000, and keys
// that differ with the number of 64 KiB blocks.
const HostileWorkspace& zeroWorkspace()
{
    static const HostileWorkspace& w = []() -> HostileWorkspace& {
        static HostileWorkspace made("zeros");
        for (int i = 0; i < zeroImages; ++i) {
            std::string name = "z";
            name += std::to_string(i);
            std::ofstream(made.root / "Bin" / (name + ".bin"));
            std::filesystem::resize_file(made.root / "Bin" / (name + ".bin"),
                                         zeroImageSize + static_cast<std::size_t>(i));
            std::ofstream(made.root / "TXT" / (name + ".txt")) << "ARQUIVO: " << name << ".bin\nMODELO: Z\n";
        }
        made.load();
        made.genuine = *encodeFooter(std::vector<std::uint8_t>(zeroImageSize), 4321, "4A0B12", 1206367509,
                                     "0012.345.678/0001.95");
        return made;
    }();
    return w;
}

// Images of random bytes 64 MiB long, each ending in the two bytes that bring its CRC-16 to 0000: as
// many keys as images, so every one must be decoded with.
const HostileWorkspace& distinctWorkspace()
{
    static const HostileWorkspace& w = []() -> HostileWorkspace& {
        static HostileWorkspace made("distinct");
        std::vector<std::uint8_t> image(zeroImageSize);
        std::mt19937_64 gen(5);
        for (int i = 0; i < zeroImages; ++i) {
            for (std::size_t at = 0; at + 8 <= image.size(); at += 8) {
                const std::uint64_t r = gen();
                std::memcpy(image.data() + at, &r, 8);
            }
            // A reflected CRC without final XOR, followed by itself low byte first, leaves 0.
            const std::uint16_t crc = ChecksumCalculator().crc16(std::span(image).first(image.size() - 2));
            image[image.size() - 2] = static_cast<std::uint8_t>(crc & 0xFF);
            image[image.size() - 1] = static_cast<std::uint8_t>(crc >> 8);
            std::string name = "r";
            name += std::to_string(i);
            std::ofstream(made.root / "Bin" / (name + ".bin"), std::ios::binary)
                .write(reinterpret_cast<const char*>(image.data()),
                       static_cast<std::streamsize>(image.size()));
            std::ofstream(made.root / "TXT" / (name + ".txt")) << "ARQUIVO: " << name << ".bin\nMODELO: R\n";
            if (i == 0)
                made.genuine = *encodeFooter(image, 4321, "4A0B12", 1206367509, "0012.345.678/0001.95");
        }
        made.load();
        return made;
    }();
    return w;
}

// 20,000 descriptors that all name one image of 5,000 bytes.
const HostileWorkspace& sharedWorkspace()
{
    static const HostileWorkspace& w = []() -> HostileWorkspace& {
        static HostileWorkspace made("rows");
        std::vector<std::uint8_t> image(sharedImageSize);
        std::mt19937 gen(3);
        for (auto& b : image)
            b = static_cast<std::uint8_t>(gen());
        std::ofstream(made.root / "Bin" / "one.bin", std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        for (int i = 0; i < sharedRows; ++i) {
            std::string name = "d";
            name += std::to_string(i);
            std::ofstream(made.root / "TXT" / (name + ".txt")) << "ARQUIVO: one.bin\nMODELO: M\n";
        }
        made.load();
        made.genuine = *encodeFooter(image, 1234, "4A0B12", 1206367509, "0012.345.678/0001.95");
        return made;
    }();
    return w;
}

// Processor time of the whole process, all its threads, in seconds: what the search costs whatever
// else the machine runs.
double processSeconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// One search per iteration with images read afresh, as the desktop searches (every row tried).
void searchAfresh(benchmark::State& state, const HostileWorkspace& w)
{
    const Workspace ws(w.root);
    const std::string typed = mistyped(w.genuine);
    std::size_t preparations = 0;
    const double start = processSeconds();
    for (auto _ : state) {
        FreshImages images(ws);
        const auto found = findSuggestions(typed, w.catalogue, images);
        if (found.empty() || found.front().code != w.genuine)
            state.SkipWithError("the genuine code did not come first");
        preparations = images.preparations();
    }
    state.counters["preparations"] = static_cast<double>(preparations);
    state.counters["process_ms"] =
        (processSeconds() - start) * 1000 /
        static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
}

void SuggestionsOverSharedCrcImages(benchmark::State& state)
{
    searchAfresh(state, zeroWorkspace());
}

void SuggestionsOverDistinctSharedCrcImages(benchmark::State& state)
{
    searchAfresh(state, distinctWorkspace());
}

void SuggestionsOverRowsOfOneImage(benchmark::State& state)
{
    searchAfresh(state, sharedWorkspace());
}

// A batch that asks for suggestions of several mistyped codes, in a child process of its own for its
// peak memory: the time of a search once the first has filled the kept images, and the images each
// such search prepares again (1.28 GiB of images against the bound of 1 GiB).
void SuggestionsOverSharedCrcImagesInABatch(benchmark::State& state)
{
    const HostileWorkspace& w = zeroWorkspace();
    struct Result
    {
        double laterSeconds; // per search after the first
        double laterPreparations;
        double keptMiB;
    };
    for (auto _ : state) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) {
            state.SkipWithError("no pipe");
            break;
        }
        const pid_t pid = fork();
        if (pid == 0) {
            close(pipeEnds[0]);
            SilentPrompts prompts{SilentPrompts::Chooser::Cancel};
            FirmwareCatalogue catalogue;
            const Workspace ws(w.root);
            loadCatalogue(catalogue, ws, prompts);
            FirmwareLookup lookup(catalogue, ws, prompts);
            KeptImages kept(lookup);
            bool genuineFirst = true;
            std::chrono::steady_clock::time_point start;
            std::size_t firstPreparations = 0;
            for (int n = 0; n < batchSearches; ++n) {
                if (n == 1) {
                    start = std::chrono::steady_clock::now();
                    firstPreparations = kept.preparations();
                }
                const auto found = findSuggestions(mistyped(w.genuine, 14 + static_cast<std::size_t>(n % 2)),
                                                   catalogue, kept);
                genuineFirst = genuineFirst && !found.empty() && found.front().code == w.genuine;
            }
            const std::chrono::duration<double> later = std::chrono::steady_clock::now() - start;
            const Result r{later.count() / (batchSearches - 1),
                           static_cast<double>(kept.preparations() - firstPreparations) / (batchSearches - 1),
                           static_cast<double>(kept.bytes()) / (1 << 20)};
            const bool written = write(pipeEnds[1], &r, sizeof r) == static_cast<ssize_t>(sizeof r);
            _exit(genuineFirst && written ? 0 : 1);
        }
        close(pipeEnds[1]);
        Result r{};
        const bool read = ::read(pipeEnds[0], &r, sizeof r) == static_cast<ssize_t>(sizeof r);
        close(pipeEnds[0]);
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        if (!read || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the batch failed, or the genuine code did not come first");
            break;
        }
        state.SetIterationTime(r.laterSeconds);
        state.counters["preparations_per_search"] = r.laterPreparations;
        state.counters["kept_MiB"] = r.keptMiB;
        state.counters["peak_KiB"] = static_cast<double>(usage.ru_maxrss);
    }
}

// morvanex-cli validate --row 0 [--suggest] of the mistyped code in the workspace of 20,000 rows, whole
// process. Without --row no suggestion could be given there: each would be ambiguous.
void runCli(benchmark::State& state, bool suggest)
{
    const HostileWorkspace& w = sharedWorkspace();
    const std::string cli = MORVANEX_CLI;
    const std::string dir = w.root.string();
    const std::string typed = mistyped(w.genuine);
    std::vector<const char*> argv{cli.c_str(), "validate", "--dir", dir.c_str(), "--row", "0"};
    if (suggest)
        argv.push_back("--suggest");
    argv.push_back(typed.c_str());
    argv.push_back(nullptr);
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        const int spawned =
            posix_spawn(&pid, cli.c_str(), &actions, nullptr, const_cast<char**>(argv.data()), environ);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        // A verdict, whichever: the typed code is not valid.
        if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
            WEXITSTATUS(status) < 1 || WEXITSTATUS(status) > 6) {
            state.SkipWithError("morvanex-cli could not be run or gave an unexpected exit status");
            break;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

void CliValidateOverRowsOfOneImage(benchmark::State& state)
{
    runCli(state, false);
}

void CliSuggestOverRowsOfOneImage(benchmark::State& state)
{
    runCli(state, true);
}

} // namespace

BENCHMARK(SuggestionsOverSharedCrcImages)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(SuggestionsOverSharedCrcImagesInABatch)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK(SuggestionsOverDistinctSharedCrcImages)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(SuggestionsOverRowsOfOneImage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CliValidateOverRowsOfOneImage)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(CliSuggestOverRowsOfOneImage)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
