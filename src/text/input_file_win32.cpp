#include "text/input_file.h"

#include <algorithm>
#include <cstring>
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
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard))
        return std::nullopt;
    ordinary = (basic.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0 &&
               GetFileType(handle) == FILE_TYPE_DISK;
    // Volume and file number as the file's id. The older query of them (GetFileInformationByHandle)
    // also asks the volume for its label and serial number, which Wine answers through its mount
    // manager, a service process: several round trips per file opened. A file system without these
    // ids is asked the older way.
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    FILE_ID_INFO id{};
    if (GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id)) {
        std::uint64_t halves[2];
        static_assert(sizeof halves == sizeof id.FileId.Identifier);
        std::memcpy(halves, id.FileId.Identifier, sizeof halves);
        volume = id.VolumeSerialNumber;
        index = halves[0] ^ halves[1]; // the high half is 0 on NTFS
    } else {
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(handle, &info))
            return std::nullopt;
        volume = info.dwVolumeSerialNumber;
        index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    }
    return FileIdentity{volume, index, static_cast<std::uint64_t>(standard.EndOfFile.QuadPart),
                        (basic.LastWriteTime.QuadPart - fileTimeTo1970) * 100,
                        (basic.ChangeTime.QuadPart - fileTimeTo1970) * 100};
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
