#include "arguments.h"
#include "commands.h"

#include <cstdio>
#include <string_view>

namespace {

using morvanex::cli::usageError;

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
            return c.run(std::vector<std::string>(argv + 2, argv + argc));
    std::fprintf(stderr, "morvanex-cli: unknown command '%s'\n", argv[1]);
    printUsage();
    return usageError;
}
