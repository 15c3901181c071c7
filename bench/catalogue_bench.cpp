#include "silent_prompts.h"
#include "firmware/firmware_catalogue.h"
#include "validation/firmware_lookup.h"
#include "validation/kept_images.h"
#include "validation/operator_prompts.h"
#include "firmware/workspace.h"
#include "validation/validation_flow.h"
#include "footer/alphabet.h"
#include "synthetic_workspace.h"

#include <benchmark/benchmark.h>
#include <atomic>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace morvanex;
using bench::SilentPrompts;

constexpr int imageCount = 200;
constexpr int batchCodes = 10000;

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

// Distinct codes spread over all the images in turn, as a day's receipts from many printers, through
// the images a batch run keeps. The steady state: a first pass over other codes of every image keeps
// them all (800 MiB, within the bound) before the timed pass.
void BatchValidate(benchmark::State& state)
{
    const Workspace ws(workspace().root());
    SilentPrompts prompts;
    FirmwareCatalogue catalogue;
    loadCatalogue(catalogue, ws, prompts);
    const std::vector<std::string> codes = workspace().validCodes(imageCount + batchCodes);
    FirmwareLookup lookup(catalogue, ws, prompts);
    KeptImages kept(lookup);
    auto validate = [&](std::size_t from, std::size_t count) {
        int valid = 0;
        for (std::size_t i = from; i < from + count; ++i) {
            FooterDecoder decoder(&kept);
            valid += decoder.decode(codes[i]) == ValidationStatus::Valid;
        }
        return valid == static_cast<int>(count);
    };
    if (!validate(0, imageCount))
        state.SkipWithError("a warm-up code did not validate");
    for (auto _ : state) {
        if (!validate(imageCount, batchCodes))
            state.SkipWithError("a code did not validate");
    }
    state.counters["codes_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * batchCodes, benchmark::Counter::kIsRate);
    state.counters["kept_MiB"] = static_cast<double>(kept.bytes()) / (1 << 20);
    state.counters["codes"] = batchCodes; // per iteration
    state.counters["threads"] = 1;        // the same counters as BatchValidateOnEveryCore's, for CSV
}

// BatchValidate on every core: each thread has its own lookup over one store of kept images that all
// share, and takes the next code in turn. The rate is over wall time, to set beside BatchValidate's.
void BatchValidateOnEveryCore(benchmark::State& state)
{
    const unsigned threadCount = std::max(1u, std::thread::hardware_concurrency());
    const Workspace ws(workspace().root());
    SilentPrompts prompts; // answers without state, so threads may share it
    FirmwareCatalogue catalogue;
    loadCatalogue(catalogue, ws, prompts);
    const std::vector<std::string> codes = workspace().validCodes(imageCount + batchCodes);
    KeptImageStore store;
    auto validate = [&](std::size_t from, std::size_t to, unsigned threads) {
        std::atomic<std::size_t> next{from};
        std::atomic<bool> allValid{true};
        std::vector<std::thread> pool;
        for (unsigned t = 0; t < threads; ++t)
            pool.emplace_back([&] {
                FirmwareLookup lookup(catalogue, ws, prompts);
                KeptImages kept(lookup, store);
                for (std::size_t i; (i = next++) < to;)
                    if (FooterDecoder(&kept).decode(codes[i]) != ValidationStatus::Valid)
                        allValid = false;
            });
        for (auto& thread : pool)
            thread.join();
        return allValid.load();
    };
    if (!validate(0, imageCount, threadCount))
        state.SkipWithError("a warm-up code did not validate");
    for (auto _ : state) {
        if (!validate(imageCount, imageCount + batchCodes, threadCount))
            state.SkipWithError("a code did not validate");
    }
    state.counters["codes_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * batchCodes, benchmark::Counter::kIsRate);
    state.counters["threads"] = threadCount;
    state.counters["kept_MiB"] = static_cast<double>(store.bytes()) / (1 << 20);
    state.counters["codes"] = batchCodes;
}

// The search for the codes one edit away from a mistyped one, through a batch's kept, prepared images:
// a typo at every code position in turn (a swap of neighbours every fourth, otherwise another
// character), each in a code of another image. Every image is kept before the timed searches.
void SuggestionSearch(benchmark::State& state)
{
    const Workspace ws(workspace().root());
    SilentPrompts prompts;
    FirmwareCatalogue catalogue;
    loadCatalogue(catalogue, ws, prompts);
    const std::vector<std::string> codes = workspace().validCodes(2 * imageCount);
    ValidationFlow flow(catalogue, ws, prompts);
    flow.keepImages();
    for (int i = 0; i < imageCount; ++i)
        flow.check(codes[static_cast<std::size_t>(i)], {});

    std::vector<std::pair<std::string, std::string>> typos; // typed, genuine
    std::size_t position = 0;
    for (int i = imageCount; i < 2 * imageCount; ++i) {
        const std::string& genuine = codes[static_cast<std::size_t>(i)];
        do
            position = (position + 1) % footerLength;
        while (isSeparatorPosition(position) || isSeparatorPosition((position + 1) % footerLength) ||
               position + 1 == footerLength);
        std::string typed = genuine;
        if (i % 4 == 0 && typed[position] != typed[position + 1]) {
            std::swap(typed[position], typed[position + 1]);
        } else {
            const auto v = *footerDigitValue(static_cast<unsigned char>(typed[position]));
            typed[position] = footerSymbol(static_cast<std::uint8_t>((v + 1 + i * 7 % 45) % 46));
        }
        typos.emplace_back(typed, genuine);
    }
    std::size_t next = 0;
    int first = 0;
    int searches = 0;
    for (auto _ : state) {
        const auto& [typed, genuine] = typos[next];
        const std::vector<Suggestion> found = flow.suggest(typed);
        if (std::none_of(found.begin(), found.end(), [&](const Suggestion& s) { return s.code == genuine; }))
            state.SkipWithError("the genuine code was not suggested");
        first += !found.empty() && found.front().code == genuine;
        ++searches;
        next = (next + 1) % typos.size();
    }
    state.counters["genuine_first"] = searches ? static_cast<double>(first) / searches : 0;
}

// The desktop flow's validation of one code: its 4 MiB image read afresh and decoded as a single
// validation does, no image kept. The codes go to the images in turn.
void SingleValidation(benchmark::State& state)
{
    const Workspace ws(workspace().root());
    SilentPrompts prompts;
    FirmwareCatalogue catalogue;
    loadCatalogue(catalogue, ws, prompts);
    const std::vector<std::string> codes = workspace().validCodes(imageCount);
    std::size_t next = 0;
    for (auto _ : state) {
        const ValidationResult r = validateFooter(codes[next], catalogue, ws, prompts, "Morvanex");
        if (!r.confirmed)
            state.SkipWithError("a code did not validate");
        next = (next + 1) % codes.size();
    }
}

} // namespace

BENCHMARK(PlainReadsOfTheImages)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(CatalogueLoad)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(CatalogueLoadPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BatchValidate)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BatchValidateOnEveryCore)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(SuggestionSearch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(400);
BENCHMARK(SingleValidation)->Unit(benchmark::kMicrosecond)->UseRealTime();
