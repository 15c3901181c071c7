#include "arguments.h"
#include "cli_prompts.h"
#include "command_workspace.h"
#include "commands.h"
#include "exit_status.h"
#include "standard_streams.h"
#include "stop_signal.h"

#include "selftest/batch_selftest.h"
#include "selftest/serial_port.h"
#include "selftest/simulated_printer_line.h"
#include "text/text_encoding.h"
#include "validation/firmware_lookup.h"

#include <string>

namespace morvanex::cli {
namespace {

constexpr std::string_view commandName = "printer-sim";

int fail(const std::string& message, int status = exit_status::usageError)
{
    say(commandName, message);
    return status;
}

void reportAnswer(const SimulatedPrinter::Answer& answer)
{
    if (answer.accepted)
        writeOut(std::string(answer.bytes.begin() + 1, answer.bytes.end()) + "\n");
    else
        say(commandName, "refused: " + answer.problem);
    flushOut();
}

} // namespace

int printerSimCommand(const Arguments& args)
{
    const std::string device = *args.value("device");
    if (device.empty())
        return fail("missing --device");
    std::size_t row = 0;
    if (const auto text = args.value("row")) {
        const auto number = parseNumber(*text, INT32_MAX);
        if (!number)
            return fail("--row must be a catalogue row number from 0: '" + *text + "'");
        row = static_cast<std::size_t>(*number);
    }

    CliPrompts prompts;
    CommandWorkspace opened(args, prompts);
    // An empty catalogue has no row to run: said below.
    if (const auto ended = opened.check(commandName, EmptyCatalogue::LeftAlone))
        return *ended;
    const FirmwareCatalogue& catalogue = opened.catalogue();
    if (row >= catalogue.rows.size())
        return fail("the catalogue of '" + opened.workspace().root().string() + "' has " +
                        std::to_string(catalogue.rows.size()) + " row(s), no row " + std::to_string(row),
                    exit_status::deviceUnavailable);
    const FirmwareRecord& record = catalogue.rows[row];
    const std::string fileName = utf8(record.fileName);
    FirmwareLookup lookup(opened.catalogue(), opened.workspace(), prompts);
    auto file = lookup.openImage(record);
    auto image = file ? lookup.readImage(record, *file) : std::nullopt;
    if (!image)
        return fail("cannot read the image '" + fileName + "' of row " + std::to_string(row) + ": " +
                        lookup.lastFailure()->reason,
                    exit_status::deviceUnavailable);
    SimulatedPrinter printer(std::move(*image));

    SerialPort port(device);
    if (!port.open(SelfTestOptions::baudRate)) {
        const std::string reason = port.openFailure();
        return fail("cannot open device '" + device + "'" + (reason.empty() ? "" : ": " + reason),
                    exit_status::deviceUnavailable);
    }
    installStopSignals();
    say(commandName, "ready on " + device + " with " + fileName);
    flushOut();

    const PrinterLineEvents events{
        reportAnswer,
        [&device] {
            say(commandName, "line on " + device + " lost; reopening");
            flushOut();
        },
        [&device] {
            say(commandName, "ready again on " + device);
            flushOut();
        },
    };
    servePrinterLine(port, printer, stopRequested(), events);
    return exit_status::done;
}

} // namespace morvanex::cli
