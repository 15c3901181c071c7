#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace morvanex {

// Windows-1252 bytes to UTF-8. Every byte value maps to a code point, the five bytes the code page
// leaves undefined to the C1 control of the same value, so no byte is ever lost.
std::string cp1252ToUtf8(std::string_view bytes);

// The exact inverse of cp1252ToUtf8. Malformed UTF-8, or a code point that has no Windows-1252 byte,
// gives nullopt.
std::optional<std::string> utf8ToCp1252(std::string_view utf8);

// A file name as the system's texts hold it: UTF-8 of Windows-1252 characters converted, any other
// bytes taken as they are.
std::string windows1252Name(std::string_view entryBytes);

} // namespace morvanex
