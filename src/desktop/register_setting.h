#pragma once

#include <filesystem>
#include <string>

namespace morvanex {

// Where the desktop's register of checked documents is, as openCheckRegister takes it (UTF-8): what the
// settings file's "[Morvanex] Registro=" names, a file's path or "odbc:CONNECTION", else defaultFile
// (empty: no register). A relative path is taken from the working directory, the workspace.
std::string registerLocation(const std::filesystem::path& profileFile, const std::filesystem::path& defaultFile);

// Platform half: the value of Registro in the settings file (UTF-8), empty when there is none. On Linux
// the settings store reads it; on Windows the platform's profile functions, as they read FooterString.
std::string registerSetting(const std::filesystem::path& profileFile);

} // namespace morvanex
