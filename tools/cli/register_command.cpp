#include "arguments.h"
#include "commands.h"
#include "exit_status.h"
#include "register_output.h"
#include "standard_streams.h"

#include "register/check_register.h"
#include "register/register_merge.h"

#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

namespace morvanex::cli {
namespace {

constexpr std::string_view serverPrefix = "odbc:";

// The registers a command reads, opened with its warnings said for it; the status that ends the
// command when one cannot be.
class OpenedRegisters
{
public:
    explicit OpenedRegisters(std::string_view command) : m_command(command) {}

    // A register that must be there already: a file is never made for reading.
    CheckRegister* existing(const std::string& location)
    {
        if (!location.starts_with(serverPrefix)) {
            std::error_code error;
            const std::filesystem::path path(std::u8string(location.begin(), location.end()));
            if (!std::filesystem::exists(path, error)) {
                say(m_command, "no such register: '" + location + "'");
                m_status = exit_status::noInput;
                return nullptr;
            }
        }
        return opened(location);
    }

    // A register to write to, a file made when absent.
    CheckRegister* opened(const std::string& location)
    {
        std::string error;
        std::unique_ptr<CheckRegister> opened = openCheckRegister(
            location, [this](const std::string& warning) { say(m_command, "warning: " + warning); }, &error);
        if (!opened)
            return failed(error);
        m_registers.push_back(std::move(opened));
        return m_registers.back().get();
    }

    // Says error; the command ends with 74.
    CheckRegister* failed(const std::string& error)
    {
        say(m_command, error);
        m_status = exit_status::ioFailure;
        return nullptr;
    }

    int status() const { return m_status; }
    std::string_view command() const { return m_command; }

private:
    std::string_view m_command;
    std::vector<std::unique_ptr<CheckRegister>> m_registers;
    int m_status = exit_status::done;
};

int usage(std::string_view command, const std::string& message)
{
    say(command, message);
    return exit_status::usageError;
}

int written(int status)
{
    return flushOut() ? status : exit_status::ioFailure;
}

} // namespace

int registerListCommand(const Arguments& args)
{
    OpenedRegisters registers("register list");
    if (args.positional.size() != 1)
        return usage(registers.command(), "give one register: a file or odbc:CONNECTION");
    CheckRegister* listed = registers.existing(args.positional.front());
    if (!listed)
        return registers.status();
    const bool json = args.has("json");
    bool output = json || writeOut(listedRecordHeading());
    std::string error;
    const bool read = listed->forEachRecord(
        [&](const CheckRecord& record) { output = output && writeOut(listedRecord(record, json)); }, &error);
    if (!read)
        registers.failed(error);
    return output ? written(registers.status()) : exit_status::ioFailure;
}

int registerClonesCommand(const Arguments& args)
{
    OpenedRegisters registers("register clones");
    if (args.positional.empty())
        return usage(registers.command(), "give one register or more: files or odbc:CONNECTION");
    RecordIndex together;
    for (const std::string& location : args.positional) {
        CheckRegister* source = registers.existing(location);
        std::string error;
        if (!source)
            return registers.status();
        if (!indexRecords(*source, together, &error)) {
            registers.failed(error);
            return registers.status();
        }
    }
    const std::vector<ClonedDocument> clones = together.clones();
    std::string out = cloneLines(clones);
    if (args.has("printers"))
        out += printerLines(together.sharedPrinters());
    if (!writeOut(out))
        return exit_status::ioFailure;
    return written(clones.empty() ? exit_status::done : exit_status::cloned);
}

int registerMergeCommand(const Arguments& args)
{
    OpenedRegisters registers("register merge");
    if (args.positional.empty())
        return usage(registers.command(), "give the registers to merge into --into's: files or odbc:CONNECTION");
    std::vector<CheckRegister*> sources;
    for (const std::string& location : args.positional) {
        CheckRegister* source = registers.existing(location);
        if (!source)
            return registers.status();
        sources.push_back(source);
    }
    CheckRegister* target = registers.opened(*args.value("into"));
    if (!target)
        return registers.status();
    std::string error;
    const std::optional<MergeResult> merged = mergeRegisters(*target, sources, &error);
    if (!merged) {
        registers.failed(error);
        return written(registers.status());
    }
    say(registers.command(), std::to_string(merged->appended) + (merged->appended == 1 ? " record" : " records") +
                                 " appended to '" + target->describe() + "'");
    if (!writeOut(cloneLines(merged->revealed)))
        return exit_status::ioFailure;
    return written(merged->revealed.empty() ? exit_status::done : exit_status::cloned);
}

} // namespace morvanex::cli
