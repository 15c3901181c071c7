#include "firmware/firmware_catalogue.h"
#include "firmware/firmware_lookup.h"
#include "firmware/operator_prompts.h"
#include "firmware/workspace.h"
#include "synthetic_workspace.h"

#include <benchmark/benchmark.h>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace morvanex;

constexpr int imageCount = 200;
constexpr int batchCodes = 10000;

class SilentPrompts : public OperatorPrompts
{
public:
    void showError(std::string_view, std::string_view) override {}
    int chooseFirmware(const FirmwareCatalogue&, std::span<const int> c) override { return c.front(); }
    bool confirmCnpj(std::string_view) override { return true; }
};

// Made once per run, on first use.
const bench::SyntheticWorkspace& workspace()
{
    static const bench::SyntheticWorkspace w("bench", imageCount);
    return w;
}

void PlainReadsOfTheImages(benchmark::State& state)
{
    const auto& w = workspace();
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        for (int i = 0; i < imageCount; ++i) {
            std::ifstream in(w.imagePath(i), std::ios::binary);
            while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount())
                benchmark::DoNotOptimize(buffer.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * imageCount *
                            std::int64_t{bench::imageSize});
}

void CatalogueLoad(benchmark::State& state)
{
    const Workspace ws(workspace().root());
    SilentPrompts prompts;
    for (auto _ : state) {
        FirmwareCatalogue catalogue;
        loadCatalogue(catalogue, ws, prompts);
        benchmark::DoNotOptimize(catalogue.rows.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * imageCount *
                            std::int64_t{bench::imageSize});
}

// Peak resident memory of a catalogue load on its own, measured in a child process.
void CatalogueLoadPeakMemory(benchmark::State& state)
{
    const auto& root = workspace().root();
    long peakKiB = 0;
    for (auto _ : state) {
        const pid_t pid = fork();
        if (pid == 0) {
            SilentPrompts prompts;
            FirmwareCatalogue catalogue;
            loadCatalogue(catalogue, Workspace(root), prompts);
            _exit(catalogue.count() == imageCount ? 0 : 1);
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        peakKiB = usage.ru_maxrss;
    }
    state.counters["peak_KiB"] = static_cast<double>(peakKiB);
}

// Distinct codes spread over all the images in turn, as a day's receipts from many printers; the
// lookup keeps images between codes as a batch run does.
void BatchValidate(benchmark::State& state)
{
    const Workspace ws(workspace().root());
    SilentPrompts prompts;
    FirmwareCatalogue catalogue;
    loadCatalogue(catalogue, ws, prompts);
    const std::vector<std::string> codes = workspace().validCodes(batchCodes);
    for (auto _ : state) {
        FirmwareLookup lookup(catalogue, ws, prompts);
        lookup.keepImages(true);
        int valid = 0;
        for (int i = 0; i < batchCodes; ++i) {
            FooterDecoder decoder(&lookup);
            valid += decoder.decode(codes[static_cast<std::size_t>(i)]) == ValidationStatus::Valid;
        }
        if (valid != batchCodes)
            state.SkipWithError("a code did not validate");
    }
    state.counters["codes_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * batchCodes, benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(PlainReadsOfTheImages)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(CatalogueLoad)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(CatalogueLoadPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BatchValidate)->Unit(benchmark::kMillisecond)->Iterations(1);
