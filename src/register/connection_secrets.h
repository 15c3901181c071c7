#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morvanex {

// An ODBC connection string ("KEY=value;KEY={value; with braces}") as it may be shown: the value of
// every password key (PWD, Password, in any letter case) replaced by "***".
std::string connectionWithoutSecrets(std::string_view connection);

// The password values the connection string holds, as the driver receives them.
std::vector<std::string> connectionSecrets(std::string_view connection);

// Text with every occurrence of each secret replaced by "***": for messages a driver words, which may
// repeat what it was given.
std::string withoutSecrets(std::string text, const std::vector<std::string>& secrets);

} // namespace morvanex
