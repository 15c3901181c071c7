#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace morvanex::cli {

struct Command;

// "--name value", "--name=value" and "--flag". "-" alone (standard input), anything not starting with
// "-", and everything after "--" are positional; any other "-x" is an unknown option.
struct Arguments
{
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    std::vector<std::string> positional;

    bool has(const std::string& name) const { return values.count(name) || flags.count(name); }
    std::optional<std::string> value(const std::string& name) const;
};

// The arguments of command, as its options in the command table say. Nothing, with error set, when an
// option is unknown or lacks its value, a required one is missing, or an operand is given to a
// command that takes none.
std::optional<Arguments> parseArguments(const std::vector<std::string>& args, const Command& command,
                                        std::string& error);

// Decimal, or hexadecimal with a 0x prefix; nothing when not a whole number within max.
std::optional<unsigned long long> parseNumber(const std::string& text, unsigned long long max);

// The working directory a command works in: --dir, else the current one.
std::filesystem::path workspaceDir(const Arguments& args);

} // namespace morvanex::cli
