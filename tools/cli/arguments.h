#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex::cli {

// Exit status of a command line that cannot be used.
inline constexpr int usageError = 64;
// Exit status when the workspace folder does not exist, or its catalogue is empty.
inline constexpr int noInput = 66;
// Exit status when standard input cannot be read or standard output cannot be written.
inline constexpr int ioFailure = 74;

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

struct ArgumentRules
{
    std::set<std::string> valued; // options that take a value
    std::set<std::string> flags;  // options that take none
};

// Nothing, with error set, when an option is unknown or lacks its value.
std::optional<Arguments> parseArguments(const std::vector<std::string>& args, const ArgumentRules& rules,
                                        std::string& error);

// Decimal, or hexadecimal with a 0x prefix; nothing when not a whole number within max.
std::optional<unsigned long long> parseNumber(const std::string& text, unsigned long long max);

// The working directory a command works in: --dir, else the current one.
std::filesystem::path workspaceDir(const Arguments& args);

// Writes every byte to standard output, zero bytes included. False once standard output has failed;
// the first failure is said on stderr.
bool writeOut(std::string_view text);
// Flushes standard output; false when this or an earlier write failed.
bool flushOut();

} // namespace morvanex::cli
