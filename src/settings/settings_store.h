#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace morvanex {

// INI settings with the behaviour of the Windows private-profile functions: section and key are matched
// without regard to ASCII letter case, only the first section of a name is searched, blanks around
// keys and values are dropped on reading and a value in double quotes loses them. Bytes are
// Windows-1252 and pass through untouched.

// The longest value a read returns; longer ones are cut.
inline constexpr std::size_t kMaxProfileValueLength = 4095;

// The value of `key` in `section` of the file, or `defaultValue` when the file, the section or the key
// is missing or the file cannot be read.
std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view defaultValue = {});

// Stores `value` as `key` in `section`, changing nothing else in the file. The file is replaced as a
// whole through a temporary file, so a failed write leaves it as it was. Returns false when the file
// cannot be read or written, or when the names or the value cannot be stored as one INI line.
bool writeProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::string_view value);

// The same on file contents in memory.
std::optional<std::string> findProfileValue(std::string_view fileBytes, std::string_view section,
                                            std::string_view key);

// The file contents after the write, or nullopt when the entry cannot be stored: an empty name, a line
// break anywhere, "=" in the key, "]" in the section, or blanks at either end of a name.
std::optional<std::string> applyProfileWrite(std::string_view fileBytes, std::string_view section,
                                             std::string_view key, std::string_view value);

} // namespace morvanex
