#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morvanex::cli {

// Each command takes the arguments after its name and returns the process's exit status.
int encodeCommand(const std::vector<std::string>& args);
int catalogueCommand(const std::vector<std::string>& args);
int validateCommand(const std::vector<std::string>& args);
int printerSimCommand(const std::vector<std::string>& args);
int selfTestCommand(const std::vector<std::string>& args);

// What validate's exit statuses mean, for its help text.
extern const std::string_view validateExitStatuses;

} // namespace morvanex::cli
