#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace morvanex {

// INI settings read and written as the Windows private-profile functions do, so the file can be shared
// with, or edited on, a Windows machine. A file that starts with a UTF-8 byte-order mark holds UTF-8:
// values are written in UTF-8 and read back in Windows-1252 ("?" for what it lacks), the mark kept; CR LF, LF and CR
// alone each end a line. Section and key are matched without regard to the letter case of any
// Windows-1252 letter; only the first section of a name is searched, and in it the first line of the
// key. A key line without "=" holds an empty value. A value read loses the blanks around it, ends at a zero byte, and then loses a pair of
// enclosing single or double quotes. Bytes are Windows-1252 and pass through untouched.

// The longest value a read returns; longer ones are cut.
inline constexpr std::size_t kMaxProfileValueLength = 4095;

// The value of `key` in `section` of the file, or `defaultValue` when the file, the section or the key
// is missing or the file cannot be read.
std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view defaultValue = {});

// Stores `value` as `key` in `section`: the line the reader finds becomes exactly `key=value`, its line
// end kept; a missing key goes after the last non-empty line of the section, a missing section at the
// end of the file. Every other byte of the file stays as it was. A line added ends as the line before
// it does, or with the file's most common line end. The file is replaced as a whole through a temporary
// file, so a failed write leaves it as it was. Returns false when the file cannot be read or written,
// or when the names or the value cannot be stored as one INI line.
bool writeProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::string_view value);

// The same on file contents in memory.
std::optional<std::string> findProfileValue(std::string_view fileBytes, std::string_view section,
                                            std::string_view key);

// The file contents after the write, or nullopt when the entry cannot be stored: an empty name, a line
// break anywhere, "=" in the key or "[" at its start, "]" in the section, or blanks at either end of a
// name.
std::optional<std::string> applyProfileWrite(std::string_view fileBytes, std::string_view section,
                                             std::string_view key, std::string_view value);

} // namespace morvanex
