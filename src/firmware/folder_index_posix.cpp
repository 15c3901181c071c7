#include "firmware/folder_index.h"

namespace morvanex {

// Names are the bytes the file system holds.
std::string entryBytes(const std::filesystem::path& path)
{
    return path.filename().string();
}

std::filesystem::path entryPath(std::string_view bytes)
{
    return std::filesystem::path(std::string(bytes));
}

} // namespace morvanex
