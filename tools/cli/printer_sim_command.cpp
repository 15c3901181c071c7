#include "arguments.h"
#include "cli_prompts.h"
#include "commands.h"
#include "text/text_encoding.h"
#include "firmware/firmware_catalogue.h"
#include "validation/firmware_lookup.h"
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

namespace morvanex::cli {
namespace {

constexpr const char* commandName = "printer-sim";
// A read that fails sooner than this did not wait for data: the line hung up or failed.
constexpr std::chrono::milliseconds quickFailure{100};
// Between closing a line that hung up and opening it again, and between two failed opens.
constexpr std::chrono::milliseconds reopenDelay{1000};

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
    if (!foldersReadable(catalogue, commandName))
        return ioFailure;
    if (row >= catalogue.rows.size())
        return fail("the catalogue of '" + dir.string() + "' has " + std::to_string(catalogue.rows.size()) +
                        " row(s), no row " + std::to_string(row),
                    1);
    const FirmwareRecord& record = catalogue.rows[row];
    const std::string fileName = utf8(record.fileName);
    FirmwareLookup lookup(catalogue, workspace, prompts);
    auto file = lookup.openImage(record);
    auto image = file ? lookup.readImage(record, *file) : std::nullopt;
    if (!image)
        return fail("cannot read the image '" + fileName + "' of row " + std::to_string(row) + ": " +
                        lookup.lastFailure()->reason,
                    1);
    SimulatedPrinter printer(std::move(*image));

    SerialPort port(*device);
    if (!port.open(SelfTestOptions::baudRate)) {
        const std::string reason = port.openFailure();
        return fail("cannot open device '" + *device + "'" + (reason.empty() ? "" : ": " + reason), 1);
    }
    installStopSignals();
    std::fprintf(stderr, "morvanex-cli %s: ready on %s with %s\n", commandName, device->c_str(),
                 fileName.c_str());

    const std::atomic<bool>& stop = stopRequested();
    while (!stop.load()) {
        std::array<std::uint8_t, 1> byte{};
        const auto started = std::chrono::steady_clock::now();
        if (port.read(byte)) {
            for (const SimulatedPrinter::Answer& answer : printer.feed(byte)) {
                port.write(answer.bytes);
                reportAnswer(answer);
            }
            continue;
        }
        if (stop.load() || std::chrono::steady_clock::now() - started >= quickFailure)
            continue;
        // The peer went away: give the device back and wait for it to come again (a new pty pair
        // at the same path, a cable plugged in again), never spinning on the dead line.
        port.close();
        std::fprintf(stderr, "morvanex-cli %s: line on %s lost; reopening\n", commandName, device->c_str());
        do {
            if (!waitUnlessStopped(reopenDelay, stop))
                break;
        } while (!port.open(SelfTestOptions::baudRate));
        if (port.isOpen())
            std::fprintf(stderr, "morvanex-cli %s: ready again on %s\n", commandName, device->c_str());
    }
    port.close();
    return 0;
}

} // namespace morvanex::cli
