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

// The caption of the messages shown without one of their own: baseName (as the file system spells it,
// UTF-8 on Linux and in this program's Windows paths) in Windows-1252, or as it is when the code page
// cannot spell it.
std::string appNameOf(std::string_view baseName);

// Section and key of the one setting.
inline constexpr std::string_view settingsSection = "Morvanex";
inline constexpr std::string_view footerStringKey = "FooterString";
// The key, in the same section, that points the desktop's register of checked documents elsewhere: a
// file's path or "odbc:CONNECTION". Only read; nothing writes it but an administrator.
inline constexpr std::string_view registerKey = "Registro";

// The settings file inside a folder the caller chooses.
std::filesystem::path profileFilePath(std::string_view baseName, const std::filesystem::path& folder);

// The settings file under the XDG configuration folder: $XDG_CONFIG_HOME when set, non-empty and
// absolute, else $HOME/.config; without a usable HOME, the bare file name in the working directory.
// The two variables' values are passed in (nullopt when unset).
std::filesystem::path profileFilePath(std::string_view baseName,
                                      std::optional<std::string_view> xdgConfigHome,
                                      std::optional<std::string_view> home);

// The settings file of this platform: as above with the values of the process environment, or on
// Windows in the folder Morvanex of the user's roaming application data (%APPDATA%), which a standard
// user may write; the bare file name in the working directory when that folder is not known.
std::filesystem::path profileFilePath(std::string_view baseName);

inline constexpr std::string_view registerFileName = "registro.txt";

// The desktop's register of checked documents when the settings name no other: the file registro.txt
// in the folder morvanex of the XDG data folder, $XDG_DATA_HOME when set, non-empty and absolute, else
// $HOME/.local/share; without a usable HOME, the bare file name in the working directory.
std::filesystem::path registerFilePath(std::optional<std::string_view> xdgDataHome,
                                       std::optional<std::string_view> home);

// The same for this platform: as above with the process environment, or on Windows in the folder
// Morvanex of the user's roaming application data (%APPDATA%), beside the settings file.
std::filesystem::path registerFilePath();

} // namespace morvanex
