#pragma once

#include "command_table.h"

#include <string>
#include <vector>

namespace morvanex::cli {

inline constexpr std::string_view programName = "morvanex-cli";

// "validate [--dir DIR] [--json] CODE|-"
std::string synopsis(const Command& command);
// What `morvanex-cli COMMAND --help` prints: usage, description, every option and the exit statuses.
std::string helpText(const Command& command);
// What `morvanex-cli --help` prints: the commands and their summaries.
std::string toolHelp();
// The synopsis of every command, for a usage error.
std::string usageText();

// Whether args hold "--help" as an option: before any "--" and not as the value of another option.
bool asksForHelp(const std::vector<std::string>& args, const Command& command);

} // namespace morvanex::cli
