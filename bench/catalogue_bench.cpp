#include "firmware/firmware_catalogue.h"
#include "firmware/firmware_lookup.h"
#include "firmware/operator_prompts.h"
#include "firmware/workspace.h"
#include "footer/footer_encoder.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace morvanex;

constexpr int imageCount = 200;
constexpr std::size_t imageSize = 4u << 20;
constexpr int batchCodes = 10000;

class SilentPrompts : public OperatorPrompts
{
public:
    void showError(std::string_view, std::string_view) override {}
    int chooseFirmware(const FirmwareCatalogue&, std::span<const int> c) override { return c.front(); }
    bool confirmCnpj(std::string_view) override { return true; }
};

// A synthetic workspace of 200 images of 4 MiB, made once per run and removed at exit.
struct SyntheticWorkspace
{
    std::filesystem::path root;

    SyntheticWorkspace()
    {
        root = std::filesystem::temp_directory_path() / ("morvanex-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(root / "TXT");
        std::filesystem::create_directories(root / "Bin");
        std::mt19937_64 gen(1);
        std::vector<std::uint64_t> chunk(imageSize / 8);
        for (int i = 0; i < imageCount; ++i) {
            for (auto& w : chunk)
                w = gen();
            const std::string name = "fw" + std::to_string(i) + ".bin";
            std::ofstream(root / "Bin" / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(imageSize));
            std::ofstream(root / "TXT" / ("fw" + std::to_string(i) + ".txt"))
                << "ARQUIVO: " << name << "\nMODELO: " << (i % 10 == 0 ? "ZQ-101 ORBITA" : "BENCH") << "\n";
        }
    }
    ~SyntheticWorkspace()
    {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

const SyntheticWorkspace& workspace()
{
    static const SyntheticWorkspace w;
    return w;
}

void PlainReadsOfTheImages(benchmark::State& state)
{
    const auto& w = workspace();
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        for (int i = 0; i < imageCount; ++i) {
            std::ifstream in(w.root / "Bin" / ("fw" + std::to_string(i) + ".bin"), std::ios::binary);
            while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount())
                benchmark::DoNotOptimize(buffer.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * imageCount * std::int64_t{imageSize});
}

void CatalogueLoad(benchmark::State& state)
{
    const Workspace ws(workspace().root);
    SilentPrompts prompts;
    for (auto _ : state) {
        FirmwareCatalogue catalogue;
        loadCatalogue(catalogue, ws, prompts);
        benchmark::DoNotOptimize(catalogue.rows.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * imageCount * std::int64_t{imageSize});
}

// Peak resident memory of a catalogue load on its own, measured in a child process.
void CatalogueLoadPeakMemory(benchmark::State& state)
{
    const auto& root = workspace().root;
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

void BatchValidate(benchmark::State& state)
{
    const Workspace ws(workspace().root);
    SilentPrompts prompts;
    FirmwareCatalogue catalogue;
    loadCatalogue(catalogue, ws, prompts);
    std::vector<std::string> codes;
    std::mt19937 gen(2);
    for (int i = 0; i < batchCodes; ++i) {
        const int row = static_cast<int>(gen() % imageCount);
        std::ifstream in(ws.root() / "Bin" / ("fw" + std::to_string(row) + ".bin"), std::ios::binary);
        std::vector<std::uint8_t> image(imageSize);
        in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(imageSize));
        if (row % 10 == 0)
            for (std::size_t k = 0; k + 1 < image.size(); k += 2)
                std::swap(image[k], image[k + 1]);
        codes.push_back(*encodeFooter(image, gen() % 1000000, "42020B", gen(), "0012.345.678/0001.95"));
        if (codes.size() >= 200)
            break; // 200 distinct codes, repeated to make the batch
    }
    for (auto _ : state) {
        FirmwareLookup lookup(catalogue, ws, prompts);
        lookup.keepImages(true);
        int valid = 0;
        for (int i = 0; i < batchCodes; ++i) {
            FooterDecoder decoder(&lookup);
            valid += decoder.decode(codes[static_cast<std::size_t>(i) % codes.size()]) == ValidationStatus::Valid;
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
