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

} // namespace morvanex::cli
