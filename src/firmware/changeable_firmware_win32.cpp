#include "firmware/changeable_firmware.h"

#include <vector>

#include <windows.h>
// After windows.h, which it needs.
#include <aclapi.h>

namespace morvanex {
namespace {

// Rights that change a file's bytes, a folder's entries, or who may: attributes and extended
// attributes alone change neither.
constexpr ACCESS_MASK writeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE |
                                    WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;

// The user this process runs as; empty when the system does not say.
const std::vector<BYTE>& runningUser()
{
    static const std::vector<BYTE> user = [] {
        std::vector<BYTE> buffer;
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            return buffer;
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        buffer.resize(size);
        if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
            buffer.clear();
        CloseHandle(token);
        return buffer;
    }();
    return user;
}

bool isRunningUser(PSID sid)
{
    const std::vector<BYTE>& user = runningUser();
    return !user.empty() && EqualSid(sid, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
}

bool isAdministration(PSID sid)
{
    return IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid);
}

// Whether an allowing entry lets someone other than the owner, SYSTEM and Administrators write.
bool letsOthersWrite(const ACL* dacl, PSID owner)
{
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(const_cast<ACL*>(dacl), i, &entry))
            continue;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        // An entry only passed on to what the folder will hold does not apply to the folder.
        if (header->AceFlags & INHERIT_ONLY_ACE)
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
            continue;
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        if ((allowed->Mask & writeRights) == 0)
            continue;
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if (isAdministration(sid) || (owner && EqualSid(sid, owner)) ||
            IsWellKnownSid(sid, WinCreatorOwnerRightsSid))
            continue;
        return true;
    }
    return false;
}

} // namespace

bool changeableByOthers(const std::filesystem::path& path)
{
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr, &dacl,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    // No list at all lets everyone do everything (a FAT volume, for one). An owner may always rewrite
    // the list, so one who is not a keeper counts as others.
    const bool changeable =
        !dacl || (owner && !isAdministration(owner) && !isRunningUser(owner)) || letsOthersWrite(dacl, owner);
    LocalFree(descriptor);
    return changeable;
}

} // namespace morvanex
