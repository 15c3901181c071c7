#include "firmware/workspace.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace morvanex {
namespace {

constexpr std::wstring_view longPrefix = L"\\\\?\\";
constexpr std::wstring_view longUncPrefix = L"\\\\?\\UNC\\";

} // namespace

// The folder the system opens for the path, by the name it has: Windows drops trailing blanks and
// dots of a name as it opens it ("demo. " is the folder demo), but looks for a folder below it under
// the name as written ("demo. \TXT" is not demo\TXT). Asked of the system itself: the C runtime's stat
// takes "demo \" for a folder, although nothing below that name can be opened.
std::optional<std::filesystem::path> openedFolderPath(const std::filesystem::path& path)
{
    const HANDLE folder =
        ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return std::nullopt;
    // Not GetFileInformationByHandle, which also asks the volume for its serial number (under Wine, of
    // a service process).
    FILE_BASIC_INFO information{};
    if (!::GetFileInformationByHandleEx(folder, FileBasicInfo, &information, sizeof information) ||
        !(information.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::CloseHandle(folder);
        return std::nullopt;
    }
    std::wstring name(MAX_PATH, L'\0');
    DWORD length = 0;
    for (;;) {
        length = ::GetFinalPathNameByHandleW(folder, name.data(), static_cast<DWORD>(name.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0 || length < name.size())
            break;
        name.resize(length);
    }
    ::CloseHandle(folder);
    if (length == 0)
        return path;
    name.resize(length);
    if (name.starts_with(longUncPrefix))
        return std::filesystem::path(L"\\\\" + name.substr(longUncPrefix.size()));
    if (name.starts_with(longPrefix))
        return std::filesystem::path(name.substr(longPrefix.size()));
    return std::filesystem::path(name);
}

// File names are Unicode: a name has one spelling.
std::optional<std::filesystem::path> byteSpelledEntry(const std::filesystem::path&, std::string_view)
{
    return std::nullopt;
}

} // namespace morvanex
