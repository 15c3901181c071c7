#include "firmware/workspace.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace morvanex {

// Windows drops trailing blanks and dots of a path's last part when it makes the path whole, and
// opens what it made: "demo. " is the folder demo. A folder below it would be looked for under the
// name as written ("demo. \TXT" is not demo\TXT), so the whole path is taken once, here.
std::filesystem::path workspaceFolderPath(const std::filesystem::path& path)
{
    const std::wstring& given = path.native();
    if (given.empty())
        return path;
    std::wstring whole(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetFullPathNameW(given.c_str(), static_cast<DWORD>(whole.size()), whole.data(), nullptr);
        if (length == 0)
            return path;
        if (length < whole.size()) {
            whole.resize(length);
            return whole;
        }
        whole.resize(length);
    }
}

// File names are Unicode: a name has one spelling.
std::optional<std::filesystem::path> byteSpelledEntry(const std::filesystem::path&, std::string_view)
{
    return std::nullopt;
}

} // namespace morvanex
