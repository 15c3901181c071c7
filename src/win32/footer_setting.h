#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace morvanex {

// The setting FooterString, kept by the platform's own profile functions, so that the file holds
// exactly what they write. Values are Windows-1252.

// The value in profileFile; while that holds none, the value in legacyFile (a bare name, which the
// profile functions look for in the Windows folder). Empty when neither holds one.
std::string readFooterString(const std::filesystem::path& profileFile, std::string_view legacyFile);
// Writes the value to profileFile, making its folder first; false when it could not be written.
bool writeFooterString(const std::filesystem::path& profileFile, std::string_view value);

} // namespace morvanex
