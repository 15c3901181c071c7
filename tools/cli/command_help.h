#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex::cli {

struct OptionHelp
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

// What `morvanex-cli COMMAND --help` prints.
struct CommandHelp
{
    std::string_view name;
    std::string_view summary;  // one line, for the list of commands
    std::string_view operands; // after the options in the synopsis, e.g. "CODE|-"
    std::string_view description;
    std::span<const OptionHelp> options;
    std::span<const ExitStatusHelp> exitStatuses;
};

// "validate [--dir DIR] [--json] CODE|-"
std::string synopsis(const CommandHelp& help);

// Usage, description, every option and the exit statuses.
std::string helpText(const CommandHelp& help);

// Whether args hold "--help" as an option: before any "--" and not as the value of another option.
bool asksForHelp(const std::vector<std::string>& args, const CommandHelp& help);

} // namespace morvanex::cli
