#pragma once

#include <string>
#include <string_view>

namespace morvanex::cli {

// Text made safe for one tab-separated field of a line: a backslash becomes "\\", tab, CR and LF
// become "\t", "\r" and "\n", every other byte below 0x20 and 0x7F become "\x1b" and the like.
std::string escapeControls(std::string_view text);

// escapeControls(utf8(cp1252Bytes)) appended to out in one pass, without the two strings between: a
// batch writes a few fields per code this way.
void appendEscapedUtf8(std::string& out, std::string_view cp1252Bytes);

} // namespace morvanex::cli
