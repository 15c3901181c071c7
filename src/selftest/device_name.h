#pragma once

#include <string>
#include <string_view>

namespace morvanex {

// Maps a DOS-style port name ("COM1:", "com2", ...) to the platform's device path.
// MORVANEX_COMn, when set and non-empty, overrides the default for port n. Any
// other name is taken as a path and returned unchanged.
std::string resolveDeviceName(std::string_view name);
// The platform's device path of port n, n >= 1: "/dev/ttyS<n-1>", or "\\.\COMn" on Windows.
std::string portDevicePath(unsigned number);

} // namespace morvanex
