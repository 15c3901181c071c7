#include "arguments.h"
#include "cli_prompts.h"
#include "commands.h"
#include "image_reading.h"
#include "firmware/firmware_catalogue.h"
#include "firmware/image_file.h"
#include "firmware/workspace.h"
#include "selftest/batch_self_test.h"
#include "selftest/serial_port.h"
#include "selftest/simulated_printer.h"
#include "stop_signal.h"
#include "workspace_checks.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

namespace morvanex::cli {
namespace {

constexpr const char* commandName = "printer-sim";
// A read that fails sooner than this did not wait for data (a line that hung up); pause instead of
// spinning on it.
constexpr std::chrono::milliseconds quickFailure{100};
constexpr std::chrono::milliseconds hangUpPause{100};

int fail(const std::string& message, int status = usageError)
{
    std::fprintf(stderr, "morvanex-cli %s: %s\n", commandName, message.c_str());
    return status;
}

void reportAnswer(const SimulatedPrinter::Answer& answer)
{
    if (answer.accepted)
        std::printf("%.*s\n", static_cast<int>(answer.bytes.size() - 1),
                    reinterpret_cast<const char*>(answer.bytes.data() + 1));
    else
        std::fprintf(stderr, "morvanex-cli %s: refused: %s\n", commandName, answer.problem.c_str());
    std::fflush(stdout);
}

} // namespace

int printerSimCommand(const std::vector<std::string>& args)
{
    std::string error;
    const auto parsed = parseArguments(args, {{"device", "dir", "row"}, {}}, error);
    if (!parsed)
        return fail(error);
    if (!parsed->positional.empty())
        return fail("unexpected argument '" + parsed->positional.front() + "'");
    const auto device = parsed->value("device");
    if (!device || device->empty())
        return fail("missing --device");
    std::size_t row = 0;
    if (const auto text = parsed->value("row")) {
        const auto number = parseNumber(*text, INT32_MAX);
        if (!number)
            return fail("--row must be a catalogue row number from 0: '" + *text + "'");
        row = static_cast<std::size_t>(*number);
    }
    const auto existing = existingWorkspaceDir(*parsed, commandName);
    if (!existing)
        return noInput;
    const std::filesystem::path dir = *existing;

    const Workspace workspace(dir);
    FirmwareCatalogue catalogue;
    CliPrompts prompts;
    loadCatalogue(catalogue, workspace, prompts);
    if (row >= catalogue.rows.size())
        return fail("the catalogue of '" + dir.string() + "' has " + std::to_string(catalogue.rows.size()) +
                        " row(s), no row " + std::to_string(row),
                    1);
    const FirmwareRecord& record = catalogue.rows[row];
    const std::string fileName = utf8(record.fileName);
    const auto path = workspace.imagePath(record.fileName);
    std::string reason = "its name leaves the image folder";
    auto image = path ? readImageFile(*path, reason) : std::nullopt;
    if (!image)
        return fail("cannot read the image '" + fileName + "' of row " + std::to_string(row) + ": " + reason,
                    1);
    if (record.byteSwapped != 0)
        swapBytePairs(*image);
    SimulatedPrinter printer(std::move(*image));

    SerialPort port(*device);
    if (!port.open(SelfTestSettings::baudRate))
        return fail("cannot open device '" + *device + "'", 1);
    installStopSignals();
    std::fprintf(stderr, "morvanex-cli %s: ready on %s with %s\n", commandName, device->c_str(),
                 fileName.c_str());

    const std::atomic<bool>& stop = stopRequested();
    while (!stop.load()) {
        std::array<std::uint8_t, 1> byte{};
        const auto started = std::chrono::steady_clock::now();
        if (!port.read(byte)) {
            if (std::chrono::steady_clock::now() - started < quickFailure)
                std::this_thread::sleep_for(hangUpPause);
            continue;
        }
        for (const SimulatedPrinter::Answer& answer : printer.feed(byte)) {
            port.write(answer.bytes);
            reportAnswer(answer);
        }
    }
    port.close();
    return 0;
}

} // namespace morvanex::cli
