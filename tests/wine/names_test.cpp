#include "selftest/device_name.h"
#include "settings/app_names.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace morvanex {
namespace {

TEST(WindowsNames, PortNamesMapToWin32Devices)
{
    ASSERT_EQ(::_putenv_s("MORVANEX_COM2", ""), 0);
    const std::pair<const char*, const char*> cases[] = {
        {"COM1:", "\\\\.\\COM1"},
        {"com2", "\\\\.\\COM2"},
        {"COM12:", "\\\\.\\COM12"},
        {"\\\\.\\COM3", "\\\\.\\COM3"},
        {"C:\\ports\\pair", "C:\\ports\\pair"},
        {"COM0:", "COM0:"},
    };
    for (const auto& [name, device] : cases)
        EXPECT_EQ(resolveDeviceName(name), device) << name;

    ASSERT_EQ(::_putenv_s("MORVANEX_COM2", "\\\\.\\COM7"), 0);
    EXPECT_EQ(resolveDeviceName("COM2:"), "\\\\.\\COM7");
    EXPECT_EQ(resolveDeviceName("COM1:"), "\\\\.\\COM1");
    ASSERT_EQ(::_putenv_s("MORVANEX_COM2", ""), 0);
    EXPECT_EQ(resolveDeviceName("COM2:"), "\\\\.\\COM2");
}

TEST(WindowsNames, ProgramAndSettingsFile)
{
    char program[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, program, sizeof program);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(baseNameOf(std::string(program, length)), "windows_tests");

    // In a folder of its own in the user's roaming application data, which a standard user may write.
    wchar_t folder[MAX_PATH];
    const DWORD folderLength = ::GetEnvironmentVariableW(L"APPDATA", folder, MAX_PATH);
    ASSERT_GT(folderLength, 0u);
    EXPECT_EQ(profileFilePath("Renamed"),
              std::filesystem::path(std::wstring(folder, folderLength)) / "Morvanex" / "Renamed.INI");
}

} // namespace
} // namespace morvanex
