#include "firmware/workspace.h"

#include "firmware/folder_index.h"
#include "text/text_encoding.h"

namespace morvanex {

// The system opens a path as its bytes say.
std::optional<std::filesystem::path> openedFolderPath(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_directory(path, ec))
        return std::nullopt;
    return path;
}

std::optional<std::filesystem::path> byteSpelledEntry(const std::filesystem::path& folder, std::string_view name)
{
    if (utf8(name) == name)
        return std::nullopt;
    if (auto raw = folder / entryPath(name); entryExists(raw))
        return raw;
    return std::nullopt;
}

} // namespace morvanex
