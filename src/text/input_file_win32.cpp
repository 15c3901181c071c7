#include "text/input_file.h"

#include <algorithm>
#include <limits>
#include <system_error>

#include <windows.h>
#include <winternl.h>

extern "C" NTSTATUS NTAPI NtQueryFullAttributesFile(POBJECT_ATTRIBUTES attributes,
                                                 PFILE_NETWORK_OPEN_INFORMATION information);

namespace morvanex {
namespace {

constexpr std::int64_t fileTimeTo1970 = 116444736000000000; // 100 ns ticks from 1601 to 1970

HANDLE nativeHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

std::optional<FileIdentity> identityOfHandle(HANDLE handle, bool& ordinary)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return std::nullopt;
    ordinary = (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0 &&
               GetFileType(handle) == FILE_TYPE_DISK;
    const std::int64_t ticks = (static_cast<std::int64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                               info.ftLastWriteTime.dwLowDateTime;
    // The change time, where the file system keeps one; else the file index alone tells a rewrite.
    FILE_BASIC_INFO basic{};
    const std::int64_t changed = GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)
                                     ? (basic.ChangeTime.QuadPart - fileTimeTo1970) * 100
                                     : 0;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                        (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
                        (ticks - fileTimeTo1970) * 100, changed};
}

HANDLE openHandle(const std::filesystem::path& path, DWORD access)
{
    // Other readers may share the file; a program writing it keeps us out, as the message says.
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

} // namespace

std::string InputFile::lastError()
{
    return std::system_category().message(static_cast<int>(GetLastError()));
}

// Asked of the path, without opening the file: a file system query of its own, where opening a file
// takes the system (and Wine's server) several round trips. Volume and number come with an open file
// only, so they stay 0.
std::optional<FileIdentity> identityOf(const std::filesystem::path& path)
{
    UNICODE_STRING name{};
    if (!RtlDosPathNameToNtPathName_U(path.c_str(), &name, nullptr, nullptr))
        return std::nullopt;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
    FILE_NETWORK_OPEN_INFORMATION info{};
    const NTSTATUS status = NtQueryFullAttributesFile(&attributes, &info);
    RtlFreeUnicodeString(&name);
    if (status < 0)
        return std::nullopt;
    return FileIdentity{0, 0, static_cast<std::uint64_t>(info.EndOfFile.QuadPart),
                        (info.LastWriteTime.QuadPart - fileTimeTo1970) * 100,
                        (info.ChangeTime.QuadPart - fileTimeTo1970) * 100};
}

std::optional<InputFile> InputFile::open(const std::filesystem::path& path, std::string* reason)
{
    const HANDLE handle = openHandle(path, GENERIC_READ);
    if (handle == INVALID_HANDLE_VALUE) {
        if (reason)
            *reason = lastError();
        return std::nullopt;
    }
    bool ordinary = false;
    const auto identity = identityOfHandle(handle, ordinary);
    if (!identity || !ordinary) {
        if (reason)
            *reason = identity ? "not an ordinary file" : lastError();
        CloseHandle(handle);
        return std::nullopt;
    }
    return InputFile(reinterpret_cast<Handle>(handle), *identity);
}

void InputFile::close()
{
    if (m_handle == noHandle)
        return;
    CloseHandle(nativeHandle(m_handle));
    m_handle = noHandle;
}

std::optional<std::size_t> InputFile::read(std::span<std::uint8_t> buffer)
{
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        DWORD got = 0;
        const DWORD wanted = static_cast<DWORD>(
            std::min<std::size_t>(buffer.size() - filled, std::numeric_limits<DWORD>::max()));
        if (!ReadFile(nativeHandle(m_handle), buffer.data() + filled, wanted, &got, nullptr))
            return std::nullopt;
        if (got == 0)
            break;
        filled += got;
    }
    return filled;
}

} // namespace morvanex
