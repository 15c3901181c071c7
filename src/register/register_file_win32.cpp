#include "register/register_file.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include <windows.h>

#include <aclapi.h>

namespace morvanex {
namespace {

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The lock covers one byte far past any register's end, so that editors and other readers, which take
// no lock, can still read the file while a writer holds it.
constexpr DWORD lockOffsetLow = 0xFFFFFFFE;
constexpr DWORD lockOffsetHigh = 0x7FFFFFFF;

std::string errorText(DWORD code)
{
    return std::system_category().message(static_cast<int>(code));
}

bool fail(std::string* error, DWORD code = GetLastError())
{
    if (error)
        *error = errorText(code);
    return false;
}

HANDLE handleOf(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

// The process's user, as its token names it.
std::vector<unsigned char> tokenUser()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD length = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &length);
    std::vector<unsigned char> user(length);
    if (length == 0 || !GetTokenInformation(token, TokenUser, user.data(), length, &length))
        user.clear();
    CloseHandle(token);
    return user;
}

// A protected access list with one entry: the user may do everything, nobody else anything.
struct OwnerOnlySecurity
{
    std::vector<unsigned char> user = tokenUser();
    std::vector<unsigned char> acl;
    SECURITY_DESCRIPTOR descriptor{};
    SECURITY_ATTRIBUTES attributes{};

    bool make()
    {
        if (user.empty())
            return false;
        const PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
        const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sid);
        acl.resize(aclSize);
        const auto list = reinterpret_cast<PACL>(acl.data());
        if (!InitializeAcl(list, aclSize, ACL_REVISION) ||
            !AddAccessAllowedAce(list, ACL_REVISION, FILE_ALL_ACCESS, sid) ||
            !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
            !SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE) ||
            !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
            return false;
        attributes = {sizeof attributes, &descriptor, FALSE};
        return true;
    }
};

OVERLAPPED lockPlace()
{
    OVERLAPPED place{};
    place.Offset = lockOffsetLow;
    place.OffsetHigh = lockOffsetHigh;
    return place;
}

} // namespace

std::optional<RegisterFile> RegisterFile::open(const std::filesystem::path& path, std::string* error)
{
    OwnerOnlySecurity security;
    // Without an owner-only list a new file would take its folder's: then only an existing one opens.
    const bool secured = security.make();
    std::string writeProblem;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, shareAll,
                              secured ? &security.attributes : nullptr, secured ? OPEN_ALWAYS : OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE &&
        (GetLastError() == ERROR_ACCESS_DENIED || GetLastError() == ERROR_WRITE_PROTECT)) {
        writeProblem = errorText(GetLastError());
        file = CreateFileW(path.c_str(), GENERIC_READ, shareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) {
        fail(error);
        return std::nullopt;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        if (error)
            *error = "not an ordinary file";
        CloseHandle(file);
        return std::nullopt;
    }
    return RegisterFile(reinterpret_cast<Handle>(file), std::move(writeProblem));
}

RegisterFile::~RegisterFile()
{
    if (m_handle != noHandle)
        CloseHandle(handleOf(m_handle));
}

bool RegisterFile::lock(bool exclusive, std::string* error)
{
    OVERLAPPED place = lockPlace();
    if (!LockFileEx(handleOf(m_handle), exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0, 0, 1, 0, &place))
        return fail(error);
    return true;
}

void RegisterFile::unlock()
{
    OVERLAPPED place = lockPlace();
    UnlockFileEx(handleOf(m_handle), 0, 1, 0, &place);
}

std::optional<std::uint64_t> RegisterFile::size(std::string* error) const
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handleOf(m_handle), &size)) {
        fail(error);
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::optional<std::size_t> RegisterFile::readAt(std::uint64_t offset, std::span<char> buffer,
                                                std::string* error) const
{
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        OVERLAPPED place{};
        const std::uint64_t at = offset + filled;
        place.Offset = static_cast<DWORD>(at);
        place.OffsetHigh = static_cast<DWORD>(at >> 32);
        const auto wanted = static_cast<DWORD>(std::min<std::size_t>(buffer.size() - filled, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(handleOf(m_handle), buffer.data() + filled, wanted, &got, &place)) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                break;
            fail(error);
            return std::nullopt;
        }
        if (got == 0)
            break;
        filled += got;
    }
    return filled;
}

bool RegisterFile::append(std::uint64_t end, std::string_view bytes, std::string* error)
{
    if (!writable()) {
        if (error)
            *error = m_writeProblem;
        return false;
    }
    const HANDLE file = handleOf(m_handle);
    if (!SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_END))
        return fail(error);
    for (std::size_t written = 0; written < bytes.size();) {
        const auto wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 30));
        DWORD done = 0;
        if (WriteFile(file, bytes.data() + written, wanted, &done, nullptr) && done > 0) {
            written += done;
            continue;
        }
        const DWORD why = GetLastError() == ERROR_SUCCESS ? ERROR_HANDLE_DISK_FULL : GetLastError();
        // A fragment would be taken for the start of the next record: it goes.
        if (written > 0) {
            LARGE_INTEGER length{};
            length.QuadPart = static_cast<LONGLONG>(end);
            if (SetFilePointerEx(file, length, nullptr, FILE_BEGIN))
                SetEndOfFile(file);
        }
        return fail(error, why);
    }
    return true;
}

bool RegisterFile::truncate(std::uint64_t length, std::string* error)
{
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(length);
    if (!SetFilePointerEx(handleOf(m_handle), to, nullptr, FILE_BEGIN) || !SetEndOfFile(handleOf(m_handle)))
        return fail(error);
    return true;
}

std::optional<bool> ownerAlone(const std::filesystem::path& path)
{
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr, &dacl,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return std::nullopt;
    const std::vector<unsigned char> user = tokenUser();
    const PSID self = user.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
    // No list at all lets everyone in.
    bool alone = dacl != nullptr;
    for (DWORD i = 0; alone && i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry)) {
            alone = false;
            break;
        }
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        const PSID granted = &static_cast<ACCESS_ALLOWED_ACE*>(entry)->SidStart;
        alone = (owner != nullptr && EqualSid(granted, owner)) ||
                (self != nullptr && EqualSid(granted, self)) || IsWellKnownSid(granted, WinLocalSystemSid);
    }
    LocalFree(descriptor);
    return alone;
}

} // namespace morvanex
