#include "arguments.h"
#include "cli_prompts.h"
#include "commands.h"
#include "firmware/firmware_catalogue.h"
#include "text/text_encoding.h"
#include "firmware/workspace.h"
#include "selftest/batch_self_test.h"
#include "stop_signal.h"
#include "workspace_checks.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace morvanex::cli {
namespace {

constexpr const char* commandName = "selftest";
// A bounded run is a check that should end: a device that stays closed ends it after this many
// attempts. An endless run keeps waiting for the device.
constexpr std::uint64_t boundedRunOpenAttempts = 3;
// Exit status when the device could not be opened within the attempts.
constexpr int deviceUnavailable = 1;
// Exit status of a bounded run in which some cycle got no full reply, or a reply that does not decode
// to what was sent: a dead or wrong printer is not a pass.
constexpr int cyclesFailed = 3;

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
    std::fprintf(stderr, "morvanex-cli %s: %s\n", commandName, message.c_str());
    return usageError;
}

void printCycle(const CycleReport& report)
{
    std::string line =
        "cycle " + std::to_string(report.number) + ": " + utf8(statusLogLine(report.status));
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
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    if (!report.logged)
        std::fprintf(stderr, "morvanex-cli %s: cycle %llu: %s\n", commandName,
                     static_cast<unsigned long long>(report.number), report.logProblem.c_str());
}

void printDevice(const SelfTestOptions& options, const DeviceReport& report)
{
    const char* device = options.deviceName.c_str();
    if (report.opened) {
        std::fprintf(stderr, "morvanex-cli %s: device '%s' opens again\n", commandName, device);
        return;
    }
    const std::string reason = report.problem.empty() ? std::string() : ": " + report.problem;
    const std::string limit = options.openAttemptLimit == 0
                                  ? std::string()
                                  : ", " + std::to_string(options.openAttemptLimit) + " attempt(s) in all";
    std::fprintf(stderr, "morvanex-cli %s: cannot open device '%s'%s; trying every %lld ms%s\n", commandName,
                 device, reason.c_str(), static_cast<long long>(options.openRetryDelay.count()),
                 limit.c_str());
}

} // namespace

int selfTestCommand(const std::vector<std::string>& args)
{
    std::string error;
    const auto parsed = parseArguments(args, {{"dir", "device", "cycles", "open-attempts"}, {}}, error);
    if (!parsed)
        return fail(error);
    if (!parsed->positional.empty())
        return fail("unexpected argument '" + parsed->positional.front() + "'");

    SelfTestOptions options;
    const auto existing = existingWorkspaceDir(*parsed, commandName);
    if (!existing)
        return noInput;
    const std::filesystem::path dir = *existing;
    options.logFolder = dir;
    if (const auto device = parsed->value("device")) {
        if (device->empty())
            return fail("--device needs a path");
        options.deviceName = *device;
    }
    if (const auto text = parsed->value("cycles")) {
        const auto cycles = parseNumber(*text, UINT64_MAX);
        if (!cycles)
            return fail("--cycles must be a whole number (0 runs until interrupted): '" + *text + "'");
        options.cycleLimit = *cycles;
    }
    options.openAttemptLimit = options.cycleLimit != 0 ? boundedRunOpenAttempts : 0;
    if (const auto text = parsed->value("open-attempts")) {
        const auto attempts = parseNumber(*text, UINT64_MAX);
        if (!attempts)
            return fail("--open-attempts must be a whole number (0 never gives up): '" + *text + "'");
        options.openAttemptLimit = *attempts;
    }

    const Workspace workspace(dir);
    FirmwareCatalogue catalogue;
    FirstChoicePrompts prompts;
    loadCatalogue(catalogue, workspace, prompts);
    if (!foldersReadable(catalogue, commandName))
        return ioFailure;

    installStopSignals();
    BatchSelfTest test(serialPortFactory(), workspace, catalogue, prompts, options);
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
        std::fprintf(stderr,
                     "morvanex-cli %s: cannot open device '%s' after %llu attempt(s); %llu cycle(s) done\n",
                     commandName, options.deviceName.c_str(),
                     static_cast<unsigned long long>(options.openAttemptLimit),
                     static_cast<unsigned long long>(outcome.cycles));
    // Lost results outweigh a device that went away, which outweighs cycles that failed.
    if (linesLost)
        return ioFailure;
    if (outcome.end == SelfTestOutcome::End::DeviceUnavailable)
        return deviceUnavailable;
    return options.cycleLimit != 0 && anyCycleFailed ? cyclesFailed : 0;
}

} // namespace morvanex::cli
