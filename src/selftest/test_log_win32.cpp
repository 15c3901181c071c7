#include "selftest/test_log.h"

#include <system_error>

#include <windows.h>

namespace morvanex {
namespace {

std::string lastErrorText()
{
    return std::system_category().message(static_cast<int>(GetLastError()));
}

} // namespace

std::string TestLog::appendWhole(const std::filesystem::path& path, std::string_view bytes)
{
    // The link itself is opened, not what it leads to, and then refused: the log stays in the workspace.
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return lastErrorText();
    std::string why;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info))
        why = lastErrorText();
    else if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
             GetFileType(file) != FILE_TYPE_DISK)
        why = notRegular;
    // At the end, where the line begins; kept to cut a short write back.
    LARGE_INTEGER start{};
    if (why.empty() && !SetFilePointerEx(file, LARGE_INTEGER{}, &start, FILE_END))
        why = lastErrorText();
    if (why.empty()) {
        DWORD written = 0;
        const bool whole = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                           written == bytes.size();
        if (!whole) {
            why = written < bytes.size() && GetLastError() == ERROR_SUCCESS ? "short write" : lastErrorText();
            // A fragment would run into the next line: the file goes back to where the line began.
            if (written > 0 && SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
                SetEndOfFile(file);
        }
    }
    CloseHandle(file);
    return why;
}

} // namespace morvanex
