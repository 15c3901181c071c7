// Approved firmware that others could change, read from the folders' access lists.
#include "firmware/changeable_firmware.h"
#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <sddl.h>

namespace morvanex {
namespace {

void setList(const std::filesystem::path& path, const wchar_t* sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(
        ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr));
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
    // Wine keeps no access lists: it turns a list it is given into a POSIX mode and makes one up from
    // the mode when asked (the owner, SYSTEM and everyone), so the cases are those it reads back alike.
    struct Case
    {
        const char* name;
        const wchar_t* binList; // nullptr: as the temporary folder passes it on
        bool open;
    };
    const Case cases[] = {
        {"as made in one's own folder", nullptr, false},
        {"everyone may write", L"D:(A;OICI;FA;;;WD)", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
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
