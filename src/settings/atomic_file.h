#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace morvanex {

// Whether the process may write the existing file, whose permissions are given.
bool isWritableFile(const std::filesystem::path& file, std::filesystem::perms permissions);

// Replaces target as a whole with bytes: written to a new file in the same folder, then renamed over
// target, so a failure leaves target as it was. The new file takes permissions where given (POSIX).
bool replaceFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                           std::optional<std::filesystem::perms> permissions);

// A file name beside target that no other writer of this process or another picks at the same time.
std::string temporaryNameFor(const std::filesystem::path& target);
// The number that tells this writer from others in temporary names: the process, or on Windows the
// thread.
unsigned long long writerTag();

} // namespace morvanex
