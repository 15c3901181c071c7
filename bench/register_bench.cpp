// The file register: loading a million records, one check with its append, a batch appending in
// blocks, and a batch of validations with and without a register.

#include "silent_prompts.h"
#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"
#include "footer/footer_decoder.h"
#include "register/check_context.h"
#include "register/file_register.h"
#include "register/register_format.h"
#include "synthetic_workspace.h"
#include "validation/firmware_lookup.h"
#include "validation/kept_images.h"
#include "validation/operator_prompts.h"

#include <benchmark/benchmark.h>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace morvanex;
using bench::SilentPrompts;

constexpr int registerRecords = 1000000;
constexpr int printers = 5000;
constexpr int companies = 2000;
constexpr int stations = 40;
// Records a batch checks before it flushes: the command line flushes when it waits for input, so a
// batch read from a file flushes about as often as its input buffer empties.
constexpr int batchBlock = 256;
constexpr int batchImages = 20;
constexpr int batchCodes = 20000;

std::string fixed(unsigned value, int width, const char* symbols, unsigned base)
{
    std::string text(static_cast<std::size_t>(width), '0');
    for (int i = width - 1; i >= 0; --i, value /= base)
        text[static_cast<std::size_t>(i)] = symbols[value % base];
    return text;
}

// A day's receipts of many printers: every record a document of its own, a printer issuing for one
// company, a few dozen stations checking them.
CheckRecord syntheticRecord(int i)
{
    const auto n = static_cast<unsigned>(i);
    const unsigned printer = (n * 2654435761u) % printers;
    CheckRecord record;
    record.checkedAt = 1765000000 + i;
    record.station = "caixa-" + std::to_string(n % stations);
    record.user = "operador" + std::to_string(n % stations);
    record.code = fixed(n * 7919u, 8, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ", 36) +
                  " 4A0B12AB 6933C340 1234ABCD 0A1B2C3D4E5F";
    record.document = {fixed(printer % 50, 4, "0123456789ABCDEF", 16),
                       fixed(printer, 6, "0123456789ABC./", 15), fixed(n % 1000000, 6, "0123456789", 10),
                       fixed(1700000000u + n * 13, 8, "0123456789ABCDEF", 16)};
    const unsigned company = printer % companies;
    record.cnpj =
        fixed(company, 4, "0123456789", 10) + ".345.678/0001." + fixed(company % 97, 2, "0123456789", 10);
    record.firmwareFile = "FW" + std::to_string(printer % 50) + ".BIN";
    return record;
}

// A register of a million records, written once per run and removed at its end.
struct MillionRecords
{
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("morvanex-register-" + std::to_string(getpid()));
    std::filesystem::path path = folder / "million.txt";

    MillionRecords()
    {
        std::filesystem::create_directories(folder);
        std::ofstream out(path, std::ios::binary);
        out << registerHeader() << '\n';
        for (int i = 0; i < registerRecords; ++i)
            out << recordLine(syntheticRecord(i));
    }
    ~MillionRecords() { std::filesystem::remove_all(folder); }

    // A copy of its own, for a benchmark that appends.
    std::filesystem::path copy(const std::string& name) const
    {
        const std::filesystem::path to = folder / name;
        std::filesystem::copy_file(path, to, std::filesystem::copy_options::overwrite_existing);
        return to;
    }
};

const MillionRecords& million()
{
    static const MillionRecords records;
    return records;
}

// Opens the register and makes it read every record, as the first check does.
std::unique_ptr<CheckRegister> loaded(const std::filesystem::path& path)
{
    std::string error;
    std::unique_ptr<CheckRegister> reg = openFileRegister(path, {}, &error);
    if (reg && !reg->check(syntheticRecord(registerRecords), &error))
        reg.reset();
    return reg;
}

void RegisterLoad(benchmark::State& state)
{
    const std::filesystem::path path = million().copy("load.txt");
    for (auto _ : state) {
        std::unique_ptr<CheckRegister> reg = loaded(path);
        if (!reg) {
            state.SkipWithError("the register could not be loaded");
            break;
        }
        state.PauseTiming();
        reg.reset(); // its one record is written: the file grows by a line each round
        state.ResumeTiming();
    }
    // The process's peak: the load's own when this benchmark runs alone (bench/run-figures runs it so).
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_KiB"] = static_cast<double>(usage.ru_maxrss);
    state.counters["records"] = registerRecords;
}

// One check answered and appended at once, as `validate --register FILE CODE` or a desktop SIM does,
// on the register of a million records.
void RegisterCheckAndAppend(benchmark::State& state)
{
    const std::unique_ptr<CheckRegister> reg = loaded(million().copy("single.txt"));
    if (!reg) {
        state.SkipWithError("the register could not be loaded");
        return;
    }
    int next = registerRecords + 1;
    std::string error;
    for (auto _ : state) {
        if (!reg->check(syntheticRecord(next++), &error) || !reg->flush(&error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
}

// Checks appended in blocks of batchBlock, on the register of a million records.
void RegisterBatch(benchmark::State& state)
{
    const std::unique_ptr<CheckRegister> reg = loaded(million().copy("batch.txt"));
    if (!reg) {
        state.SkipWithError("the register could not be loaded");
        return;
    }
    int next = registerRecords + 1;
    std::string error;
    for (auto _ : state) {
        for (int i = 0; i < batchBlock; ++i)
            if (!reg->check(syntheticRecord(next++), &error))
                state.SkipWithError(error.c_str());
        if (!reg->flush(&error))
            state.SkipWithError(error.c_str());
    }
    state.counters["records_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * batchBlock, benchmark::Counter::kIsRate);
}

// A batch of distinct valid codes over images kept prepared, as `validate -` runs it: with Arg 1 each
// code also checked into a register (flushed every batchBlock codes), with Arg 0 not.
void BatchValidateRegister(benchmark::State& state)
{
    static const bench::SyntheticWorkspace workspace("register", batchImages);
    const bool withRegister = state.range(0) != 0;
    const Workspace ws(workspace.root());
    SilentPrompts prompts;
    FirmwareCatalogue catalogue;
    loadCatalogue(catalogue, ws, prompts);
    const std::vector<std::string> codes = workspace.validCodes(batchImages + batchCodes);
    FirmwareLookup lookup(catalogue, ws, prompts);
    KeptImages kept(lookup);
    const std::filesystem::path path = million().folder / "batch-validate.txt";
    std::filesystem::remove(path);
    std::string error;
    const std::unique_ptr<CheckRegister> reg = withRegister ? openFileRegister(path, {}, &error) : nullptr;
    const CheckContext context = CheckContext::ofThisMachine();
    bool failed = false;
    const auto validate = [&](std::size_t from, std::size_t count) {
        for (std::size_t i = from; i < from + count; ++i) {
            FooterDecoder decoder(&kept);
            failed |= decoder.decode(codes[i]) != ValidationStatus::Valid;
            if (reg) {
                const CheckRecord record = checkRecordOf(
                    decoder, codes[i], catalogue.rows[static_cast<std::size_t>(decoder.chosenRow())],
                    CheckVerdict::Valid, context);
                failed |= !reg->check(record, &error);
                if ((i + 1) % batchBlock == 0)
                    failed |= !reg->flush(&error);
            }
        }
        if (reg)
            failed |= !reg->flush(&error);
    };
    validate(0, batchImages); // every image kept before the timed rounds
    for (auto _ : state)
        validate(batchImages, batchCodes);
    if (failed)
        state.SkipWithError("a code did not validate or its check could not be recorded");
    state.counters["codes_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * batchCodes, benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(RegisterLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(RegisterCheckAndAppend)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(RegisterBatch)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BatchValidateRegister)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
