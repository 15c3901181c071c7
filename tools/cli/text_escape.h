#pragma once

#include <string>
#include <string_view>

namespace morvanex::cli {

// Text made safe for one tab-separated field of a line: a backslash becomes "\\", tab, CR and LF
// become "\t", "\r" and "\n", every other byte below 0x20 and 0x7F become "\x1b" and the like.
std::string escapeControls(std::string_view text);

} // namespace morvanex::cli
