#include "arguments.h"
#include "command_help.h"
#include "command_table.h"
#include "exit_status.h"
#include "standard_streams.h"

#include <exception>
#include <filesystem>
#include <ios>
#include <new>
#include <string>
#include <string_view>

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

int run(int argc, char** argv)
{
    if (argc < 2) {
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
    const Command* command = findCommand(first);
    if (!command)
        return usage("unknown command '" + std::string(first) + "'");
    const std::vector<std::string> args(argv + 2, argv + argc);
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
    return run(argc, argv);
}
