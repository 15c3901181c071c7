#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace morvanex {

// The two conversions every text of the system goes through.
// Windows-1252 bytes to UTF-8: every byte value maps to a code point, the five bytes the code page
// leaves undefined to the C1 control of the same value, so no byte is ever lost.
std::string utf8(std::string_view cp1252Bytes);
// Its inverse, for any text: "?" stands for a character the code page lacks and for each byte that
// starts no well-formed UTF-8 sequence.
std::string cp1252(std::string_view utf8Text);

// A message of the system's: format (UTF-8) in Windows-1252, with name (already Windows-1252) in place
// of its one "%s".
std::string cp1252Message(std::string_view format, std::string_view name);

// The inverse of utf8 where one exists: nothing for malformed UTF-8 or a character the code page
// lacks.
std::optional<std::string> utf8ToCp1252(std::string_view utf8Text);

// A file name as the system's texts hold it: UTF-8 of Windows-1252 characters converted, any other
// bytes taken as they are.
std::string windows1252Name(std::string_view entryBytes);

} // namespace morvanex
