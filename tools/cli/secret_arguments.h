#pragma once

#include <span>
#include <string>
#include <vector>

namespace morvanex::cli {

// Passwords given on the command line in a connection string ("odbc:...;PWD=..."): never shown in a
// message, and hidden from the other users of the machine as far as the system lets a process.

// The passwords that the connection strings among args hold, as they are written there and as the
// driver takes them.
std::vector<std::string> argumentSecrets(std::span<const std::string> args);

// Every occurrence of each secret in text overwritten with '*' in place, its length kept.
void maskSecrets(std::span<char> text, const std::vector<std::string>& secrets);

// Platform half: the secrets overwritten in the command line that other processes read of this
// one (on Linux the arguments' own memory, /proc/PID/cmdline; on Windows the process's copy of the
// line it was started with, which the system may have recorded before). The caller has copied argv.
void hideFromProcessList(int argc, char** argv, const std::vector<std::string>& secrets);

} // namespace morvanex::cli
