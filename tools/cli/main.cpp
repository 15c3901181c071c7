#include "arguments.h"
#include "commands.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <ios>
#include <new>
#include <string_view>

namespace {

using morvanex::cli::usageError;
// Exit status when a command failed in a way it did not foresee.
constexpr int internalFailure = 70;

struct Command
{
    std::string_view name;
    int (*run)(const std::vector<std::string>&);
    std::string_view usage;
};

const Command commands[] = {
    {"encode", morvanex::cli::encodeCommand,
     "encode --image FILE [--swap] --coo N --serial S --time SECONDS --cnpj C"},
    {"catalogue", morvanex::cli::catalogueCommand, "catalogue [--dir DIR] [--json]"},
    {"validate", morvanex::cli::validateCommand,
     "validate [--dir DIR] [--row N] [--expect-cnpj C] [--json] CODE|-"},
    {"selftest", morvanex::cli::selfTestCommand,
     "selftest [--dir DIR] [--device PATH] [--cycles N] [--open-attempts N]"},
    {"printer-sim", morvanex::cli::printerSimCommand, "printer-sim --device PATH [--dir DIR] [--row N]"},
};

void printUsage()
{
    std::fputs("usage: morvanex-cli <command> [options]\n", stderr);
    for (const Command& c : commands)
        std::fprintf(stderr, "  morvanex-cli %.*s\n", static_cast<int>(c.usage.size()), c.usage.data());
}

// Runs a command to its end: whatever it throws ends it with one line, never an abort, and output it
// left unflushed is checked too.
int runCommand(const Command& c, const std::vector<std::string>& args)
{
    int status = internalFailure;
    const auto failed = [&c](const char* what) {
        std::fprintf(stderr, "morvanex-cli %.*s: %s\n", static_cast<int>(c.name.size()), c.name.data(), what);
    };
    try {
        status = c.run(args);
    } catch (const std::bad_alloc&) {
        failed("not enough memory");
    } catch (const std::ios_base::failure& e) {
        failed(e.what());
        status = morvanex::cli::ioFailure;
    } catch (const std::filesystem::filesystem_error& e) {
        failed(e.what());
        status = morvanex::cli::ioFailure;
    } catch (const std::exception& e) {
        failed(e.what());
    } catch (...) {
        failed("unexpected failure");
    }
    return morvanex::cli::flushOut() ? status : morvanex::cli::ioFailure;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        printUsage();
        return usageError;
    }
    const std::string_view name = argv[1];
    for (const Command& c : commands)
        if (c.name == name)
            return runCommand(c, std::vector<std::string>(argv + 2, argv + argc));
    std::fprintf(stderr, "morvanex-cli: unknown command '%s'\n", argv[1]);
    printUsage();
    return usageError;
}
