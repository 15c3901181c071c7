#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace morvanex {

// The program file's name without folder and extension ("C:\Prog\Morvanex.exe" -> "Morvanex").
// Only a "." in the last path element starts the extension, and not one that begins that element.
std::string baseNameOf(std::string_view programPath);

// "Morvanex" -> "Morvanex.INI".
std::string profileFileName(std::string_view baseName);

// The settings file inside a folder the caller chooses (on Windows, the Windows folder).
std::filesystem::path profileFilePath(std::string_view baseName, const std::filesystem::path& folder);

// The settings file under the XDG configuration folder: $XDG_CONFIG_HOME when set, non-empty and
// absolute, else $HOME/.config; without a usable HOME, the bare file name in the working directory.
// The two variables' values are passed in (nullopt when unset).
std::filesystem::path profileFilePath(std::string_view baseName,
                                      std::optional<std::string_view> xdgConfigHome,
                                      std::optional<std::string_view> home);

// The settings file of this platform: as above with the values of the process environment, or on
// Windows in the Windows folder, where the platform's profile functions put a bare file name.
std::filesystem::path profileFilePath(std::string_view baseName);

} // namespace morvanex
