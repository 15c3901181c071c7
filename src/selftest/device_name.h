#pragma once

#include <string>
#include <string_view>

namespace morvanex {

// Maps a DOS-style port name ("COM1:", "com2", ...) to the platform's device path.
// MORVANEX_COMn, when set and non-empty, overrides the default for port n. Any
// other name is taken as a path and returned unchanged.
std::string resolveDeviceName(std::string_view name);

} // namespace morvanex
