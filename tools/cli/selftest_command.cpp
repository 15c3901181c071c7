#include "arguments.h"
#include "cli_prompts.h"
#include "command_workspace.h"
#include "commands.h"
#include "exit_status.h"
#include "standard_streams.h"
#include "stop_signal.h"

#include "selftest/batch_selftest.h"
#include "text/text_encoding.h"

#include <cstdint>
#include <string>

namespace morvanex::cli {
namespace {

constexpr std::string_view commandName = "selftest";
// A bounded run is a check that should end: a device that stays closed ends it after this many
// attempts. An endless run keeps waiting for the device.
constexpr std::uint64_t boundedRunOpenAttempts = 3;

// Nobody watches a self-test run: a choice between several images takes the first.
class FirstChoicePrompts : public CliPrompts
{
public:
    int chooseFirmware(const FirmwareCatalogue&, std::span<const int> candidates) override
    {
        return candidates.empty() ? -1 : candidates.front();
    }
};

int fail(const std::string& message)
{
    say(commandName, message);
    return exit_status::usageError;
}

void printCycle(const CycleReport& report)
{
    std::string line = "cycle " + std::to_string(report.number) + ": " + utf8(statusLogLine(report.status));
    const CycleComparison& c = report.comparison;
    if (c.anyDiffers()) {
        line += "; differs:";
        for (const auto& [differs, name] : {std::pair{c.cooDiffers, "COO"},
                                            {c.dateDiffers, "DATA"},
                                            {c.serialDiffers, "SERIE"},
                                            {c.cnpjDiffers, "CNPJ"}})
            if (differs)
                line += std::string(" ") + name;
    }
    if (report.replyBytes < replyCodeLength)
        line += "; " + std::to_string(report.replyBytes) + " of " + std::to_string(replyCodeLength) +
                " reply characters";
    writeOut(line + "\n");
    if (!report.logged)
        say(commandName, "cycle " + std::to_string(report.number) + ": " + report.logProblem);
    flushOut();
}

void printDevice(const SelfTestOptions& options, const DeviceReport& report)
{
    const std::string device = "device '" + options.deviceName + "'";
    if (report.opened) {
        say(commandName, device + " opens again");
    } else {
        const std::string reason = report.problem.empty() ? std::string() : ": " + report.problem;
        const std::string limit = options.openAttemptLimit == 0
                                      ? std::string()
                                      : ", " + std::to_string(options.openAttemptLimit) + " attempt(s) in all";
        say(commandName, "cannot open " + device + reason + "; trying every " +
                             std::to_string(options.openRetryDelay.count()) + " ms" + limit);
    }
    flushOut();
}

} // namespace

int selfTestCommand(const Arguments& args)
{
    SelfTestOptions options;
    if (const auto device = args.value("device")) {
        if (device->empty())
            return fail("--device needs a path");
        options.deviceName = *device;
    }
    if (const auto text = args.value("cycles")) {
        const auto cycles = parseNumber(*text, UINT64_MAX);
        if (!cycles)
            return fail("--cycles must be a whole number (0 runs until interrupted): '" + *text + "'");
        options.cycleLimit = *cycles;
    }
    options.openAttemptLimit = options.cycleLimit != 0 ? boundedRunOpenAttempts : 0;
    if (const auto text = args.value("open-attempts")) {
        const auto attempts = parseNumber(*text, UINT64_MAX);
        if (!attempts)
            return fail("--open-attempts must be a whole number (0 never gives up): '" + *text + "'");
        options.openAttemptLimit = *attempts;
    }

    FirstChoicePrompts prompts;
    CommandWorkspace opened(args, prompts);
    // With no rows every reply is FirmwareNotFound, which the cycles say.
    if (const auto ended = opened.check(commandName, EmptyCatalogue::LeftAlone))
        return *ended;
    options.logFolder = opened.workspace().root();

    installStopSignals();
    BatchSelfTest test(serialPortFactory(), opened.workspace(), opened.catalogue(), prompts, options);
    bool linesLost = false;
    bool anyCycleFailed = false;
    test.onCycle([&](const CycleReport& report) {
        linesLost = linesLost || !report.logged;
        anyCycleFailed = anyCycleFailed || !report.passed();
        printCycle(report);
    });
    test.onDevice([&options](const DeviceReport& report) { printDevice(options, report); });
    const SelfTestOutcome outcome = test.run(stopRequested());
    if (outcome.end == SelfTestOutcome::End::DeviceUnavailable)
        say(commandName, "cannot open device '" + options.deviceName + "' after " +
                             std::to_string(options.openAttemptLimit) + " attempt(s); " +
                             std::to_string(outcome.cycles) + " cycle(s) done");
    // Lost results outweigh a device that went away, which outweighs cycles that failed.
    if (linesLost)
        return exit_status::ioFailure;
    if (outcome.end == SelfTestOutcome::End::DeviceUnavailable)
        return exit_status::deviceUnavailable;
    return options.cycleLimit != 0 && anyCycleFailed ? exit_status::cyclesFailed : exit_status::done;
}

} // namespace morvanex::cli
