#include "arguments.h"
#include "command_help.h"
#include "command_table.h"
#include "exit_status.h"
#include "secret_arguments.h"
#include "standard_streams.h"

#include <exception>
#include <filesystem>
#include <ios>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace morvanex::cli;

int usage(const std::string& problem)
{
    writeErr(std::string(programName) + ": " + problem + "\n" + usageText());
    flushOut();
    return exit_status::usageError;
}

// Help and version go to standard output; writing them is the whole job, so a failure is reported.
int printOut(const std::string& text)
{
    return writeOut(text) && flushOut() ? exit_status::done : exit_status::ioFailure;
}

// Runs a command to its end: whatever it throws ends it with one line, never an abort, and output it
// left waiting is checked too.
int runCommand(const Command& c, const Arguments& args)
{
    int status = exit_status::internalFailure;
    try {
        status = c.run(args);
    } catch (const std::bad_alloc&) {
        say(c.name, "not enough memory");
    } catch (const std::ios_base::failure& e) {
        say(c.name, e.what());
        status = exit_status::ioFailure;
    } catch (const std::filesystem::filesystem_error& e) {
        say(c.name, e.what());
        status = exit_status::ioFailure;
    } catch (const std::exception& e) {
        say(c.name, e.what());
    } catch (...) {
        say(c.name, "unexpected failure");
    }
    return flushOut() ? status : exit_status::ioFailure;
}

// The command args name: one word, or two for a command of a group ("register list"); how many
// words it took, 0 when none. A group named alone, or with --help, says what it holds.
const Command* commandNamed(const std::vector<std::string>& args, std::size_t& words, int& status)
{
    words = 0;
    if (const Command* command = findCommand(args[1])) {
        words = 1;
        return command;
    }
    if (!isCommandGroup(args[1])) {
        status = usage("unknown command '" + args[1] + "'");
        return nullptr;
    }
    if (args.size() < 3 || args[2].starts_with("-")) {
        status = args.size() >= 3 && args[2] == "--help" ? printOut(groupHelp(args[1]))
                                                         : usage("give a command after '" + args[1] + "'");
        return nullptr;
    }
    const std::string name = args[1] + " " + args[2];
    if (const Command* command = findCommand(name)) {
        words = 2;
        return command;
    }
    status = usage("unknown command '" + name + "'");
    return nullptr;
}

int run(const std::vector<std::string>& argv)
{
    if (argv.size() < 2) {
        writeErr(usageText());
        flushOut();
        return exit_status::usageError;
    }
    const std::string_view first = argv[1];
    if (first == "--help")
        return printOut(toolHelp());
    if (first == "--version")
        return printOut(std::string(programName) + " " + MORVANEX_VERSION + "\n");
    if (first.starts_with("-"))
        return usage("unknown option '" + std::string(first) + "'");
    std::size_t words = 0;
    int status = exit_status::usageError;
    const Command* command = commandNamed(argv, words, status);
    if (!command)
        return status;
    const std::vector<std::string> args(argv.begin() + 1 + static_cast<std::ptrdiff_t>(words), argv.end());
    if (asksForHelp(args, *command))
        return printOut(helpText(*command));
    std::string error;
    const auto parsed = parseArguments(args, *command, error);
    if (!parsed) {
        say(command->name, error);
        flushOut();
        return exit_status::usageError;
    }
    return runCommand(*command, *parsed);
}

} // namespace

int main(int argc, char** argv)
{
    prepareStandardStreams();
    // Copied before the passwords in them are overwritten where other users could read them.
    const std::vector<std::string> args(argv, argv + argc);
    std::vector<std::string> secrets = argumentSecrets(args);
    hideFromProcessList(argc, argv, secrets);
    hideInMessages(std::move(secrets));
    return run(args);
}
