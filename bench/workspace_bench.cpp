// Name look-ups while the catalogue loads: 3,000 descriptors that name missing images, beside an
// empty image folder and beside one of 20,000 files. With a folder index both cost about the same.
#include "silent_prompts.h"
#include "firmware/firmware_catalogue.h"
#include "validation/operator_prompts.h"
#include "firmware/workspace.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

using namespace morvanex;
using bench::SilentPrompts;

constexpr int descriptorCount = 3000;

struct MissingImagesWorkspace
{
    std::filesystem::path root;

    explicit MissingImagesWorkspace(int imageFiles)
    {
        root = std::filesystem::temp_directory_path() /
               ("morvanex-bench-names-" + std::to_string(getpid()) + "-" + std::to_string(imageFiles));
        std::filesystem::create_directories(root / "TXT");
        std::filesystem::create_directories(root / "Bin");
        char name[32];
        for (int i = 0; i < imageFiles; ++i) {
            std::snprintf(name, sizeof name, "IMAGE%05d.BIN", i);
            std::ofstream(root / "Bin" / name);
        }
        for (int i = 0; i < descriptorCount; ++i) {
            std::snprintf(name, sizeof name, "d%04d.txt", i);
            std::ofstream(root / "TXT" / name) << "ARQUIVO: missing" << i << ".bin\nMODELO: M\n";
        }
    }
    ~MissingImagesWorkspace()
    {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

void CatalogueLoadOfMissingImages(benchmark::State& state)
{
    const MissingImagesWorkspace workspace(static_cast<int>(state.range(0)));
    const Workspace ws(workspace.root);
    SilentPrompts prompts{SilentPrompts::Chooser::Cancel};
    for (auto _ : state) {
        FirmwareCatalogue catalogue;
        loadCatalogue(catalogue, ws, prompts);
        if (catalogue.count() != descriptorCount)
            state.SkipWithError("descriptors missing from the catalogue");
    }
}

} // namespace

BENCHMARK(CatalogueLoadOfMissingImages)->Arg(0)->Arg(20000)->Unit(benchmark::kMillisecond)->MinTime(2);
