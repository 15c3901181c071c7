#pragma once

#include <span>
#include <string_view>

namespace morvanex::cli {

struct Arguments;

// One option of a command. The parser accepts exactly these, and the help lists them.
struct Option
{
    std::string_view name;  // without the leading "--"
    std::string_view value; // what the value stands for; empty for an option that takes none
    std::string_view text;
    bool required = false;
};

struct ExitStatusHelp
{
    int status;
    std::string_view meaning;
};

// A command: what the parser accepts, what --help prints and what runs.
struct Command
{
    std::string_view name;
    std::string_view summary;  // one line, for the list of commands
    std::string_view operands; // after the options in the synopsis, e.g. "CODE|-"; empty: none taken
    std::string_view description;
    std::span<const Option> options;
    std::span<const ExitStatusHelp> exitStatuses;
    // Takes the parsed arguments and returns the process's exit status.
    int (*run)(const Arguments& args);
};

// The one table of commands, in the order the help lists them.
std::span<const Command> commandTable();
// The command called name; null when there is none.
const Command* findCommand(std::string_view name);

} // namespace morvanex::cli
