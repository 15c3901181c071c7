// Approved firmware that others could change, read from the folders' access lists.
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

#include "firmware/changeable_firmware.h"
#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

namespace morvanex {
namespace {

// Wine keeps no access lists: it turns a list it is given into a POSIX mode, and makes one up from the
// mode when asked (the owner, SYSTEM and everyone), so only what everyone may write reads back open.
bool underWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

void setList(const std::filesystem::path& path, const wchar_t* sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    EXPECT_EQ(SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                    nullptr, dacl, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    LocalFree(descriptor);
}

TEST(ChangeableFirmware, AccessLists)
{
    struct Case
    {
        const char* name;
        const wchar_t* binList; // nullptr: as the temporary folder passes it on
        bool open;
        bool holdsUnderWine;
    };
    const Case cases[] = {
        {"as made in one's own folder", nullptr, false, true},
        {"everyone may write", L"D:(A;OICI;FA;;;WD)", true, true},
        // What ProgramData passes on to a folder made in it.
        {"users may add files", L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;CI;0x116;;;BU)", true, false},
        {"the installer's list", L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)", false, false},
        {"users may only change attributes", L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x120189;;;BU)", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.holdsUnderWine && underWine()) {
            std::printf("under Wine, which keeps no access lists: skipping \"%s\"\n", c.name);
            continue;
        }
        test::TempDir dir;
        dir.write("TXT/a.txt", "ARQUIVO: FW.BIN\r\n");
        dir.write("Bin/FW.BIN", "image");
        if (c.binList)
            setList(dir.path() / "Bin", c.binList);
        const Workspace workspace(dir.path());
        FirmwareCatalogue catalogue;
        test::ScriptedPrompts prompts;
        loadCatalogue(catalogue, workspace, prompts);

        const ChangeableFirmware found = changeableFirmware(workspace, catalogue);
        std::vector<std::filesystem::path> expected;
        if (c.open)
            expected.push_back(dir.path() / "Bin");
        EXPECT_EQ(found.paths, expected);
        EXPECT_EQ(found.warning.empty(), !c.open);
    }
}

} // namespace
} // namespace morvanex
