#include "process.h"
#include "support/temp_dir.h"

#include "command_table.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>

namespace morvanex::test {
namespace {

constexpr int usageError = 64;

// The "--name" options of a help text's options section, each with whether a value follows it.
std::vector<std::pair<std::string, bool>> helpOptions(const std::string& help)
{
    std::vector<std::pair<std::string, bool>> options;
    const std::regex line("\n  --([a-z-]+)( [A-Z]+)? ");
    for (std::sregex_iterator it(help.begin(), help.end(), line), end; it != end; ++it)
        if ((*it)[1] != "help")
            options.emplace_back((*it)[1], (*it)[2].matched);
    return options;
}

// The statuses of a help text's exit status section.
std::vector<int> helpStatuses(const std::string& help)
{
    std::vector<int> statuses;
    const std::string section = help.substr(help.find("\nexit status:\n"));
    const std::regex line("\n  ([0-9]+) +[^ ]");
    for (std::sregex_iterator it(section.begin(), section.end(), line), end; it != end; ++it)
        statuses.push_back(std::stoi((*it)[1]));
    return statuses;
}

// What the program prints for each command is what the one table holds: every option (a required one
// bare in the synopsis), every exit status, and nothing else; the parser takes each option, and the
// manual page names it.
TEST(CliConventions, EveryCommandDocumentsTheOptionsItTakes)
{
    std::ifstream manSource(MORVANEX_MAN_PAGE);
    const std::string man{std::istreambuf_iterator<char>(manSource), std::istreambuf_iterator<char>()};
    for (const cli::Command& entry : cli::commandTable()) {
        const std::string command(entry.name);
        const auto help = runCli({command, "--help"});
        EXPECT_EQ(help.exitCode, 0) << command;
        const std::string usage = help.out.substr(0, help.out.find('\n'));
        EXPECT_EQ(usage.rfind("usage: morvanex-cli " + command + " ", 0), 0u) << help.out;
        std::vector<std::pair<std::string, bool>> tableOptions;
        for (const cli::Option& option : entry.options) {
            tableOptions.emplace_back(option.name, !option.value.empty());
            const std::string spelled = "--" + std::string(option.name) +
                                        (option.value.empty() ? "" : " " + std::string(option.value));
            EXPECT_NE(usage.find(option.required ? " " + spelled : "[" + spelled + "]"), std::string::npos)
                << usage;
        }
        const auto options = helpOptions(help.out);
        EXPECT_EQ(options, tableOptions) << help.out;
        std::vector<int> tableStatuses;
        for (const cli::ExitStatusHelp& status : entry.exitStatuses)
            tableStatuses.push_back(status.status);
        EXPECT_EQ(helpStatuses(help.out), tableStatuses) << help.out;
        EXPECT_EQ(tableStatuses.front(), 0) << command;
        for (const auto& [name, valued] : options) {
            // Accepted, since the parser gets past it to the unknown option after it.
            std::vector<std::string> args{command, "--" + name};
            if (valued)
                args.push_back("1");
            args.push_back("--not-an-option");
            const auto run = runCli(args);
            EXPECT_EQ(run.exitCode, usageError) << command << " --" << name;
            EXPECT_NE(run.err.find("--not-an-option"), std::string::npos)
                << command << " --" << name << run.err;
            EXPECT_NE(man.find("\\-\\-" + std::regex_replace(name, std::regex("-"), "\\-")),
                      std::string::npos)
                << "the manual page lacks --" << name;
        }
    }
}

TEST(CliConventions, HelpAndVersion)
{
    const auto help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const cli::Command& command : cli::commandTable())
        EXPECT_NE(help.out.find("\n  " + std::string(command.name) + " "), std::string::npos) << command.name;
    const auto version = runCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "morvanex-cli 1.0.0.5\n");
    // --help as the value of an option is that value, not a request for help.
    EXPECT_EQ(runCli({"validate", "--row", "--help", "X"}).exitCode, usageError);
}

TEST(CliConventions, StrayDashesAreUsageErrorsButALoneDashIsStandardInput)
{
    TempDir dir;
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"-x"},
                                                 {"--nope"},
                                                 {"nope"},
                                                 {"validate", "-x", "CODE"},
                                                 {"catalogue", "-"},
                                                 {"catalogue", "--json=yes"},
                                                 {"encode", "-h"},
                                                 {"selftest", "--cycles"}})
        EXPECT_EQ(runCli(args).exitCode, usageError) << ::testing::PrintToString(args);

    const auto fromInput = runCli({"validate", "--dir", dir.path().string(), "-"}, "NOT A CODE\n");
    EXPECT_NE(fromInput.exitCode, usageError) << fromInput.err;
    // After --, even a code that starts with a dash is one.
    const auto dashed = runCli({"validate", "--dir", dir.path().string(), "--", "-DASHED"});
    EXPECT_NE(dashed.exitCode, usageError) << dashed.err;
}

} // namespace
} // namespace morvanex::test
