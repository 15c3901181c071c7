#include "firmware/folder_index.h"

namespace morvanex {

// Names are UTF-16 on disk and spelled in UTF-8 here.
std::string entryBytes(const std::filesystem::path& path)
{
    const std::u8string name = path.filename().u8string();
    return std::string(name.begin(), name.end());
}

std::filesystem::path entryPath(std::string_view bytes)
{
    return std::filesystem::path(std::u8string(bytes.begin(), bytes.end()));
}

} // namespace morvanex
