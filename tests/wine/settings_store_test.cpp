#include "support/temp_dir.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace morvanex {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view original = "[Other]\r\nA=1\r\n[Morvanex]\r\nFooterString=old\r\n";

// A write that cannot replace the file keeps it whole and leaves no temporary file behind.
class RefusedWrite : public ::testing::Test
{
protected:
    void SetUp() override { file = dir.write("Morvanex.INI", original); }
    void expectKept()
    {
        EXPECT_EQ(dir.read("Morvanex.INI"), original);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    }

    test::TempDir dir;
    fs::path file;
};

TEST_F(RefusedWrite, ReadOnlyFile)
{
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_FALSE(writeProfileString(file, "Morvanex", "FooterString", "new"));
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
    expectKept();
}

TEST_F(RefusedWrite, FileOpenWithoutLeaveToReplaceIt)
{
    // Readers may share it, so the new contents are made; only the final rename is refused.
    const HANDLE held = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(readProfileString(file, "Morvanex", "FooterString"), "old");
    EXPECT_FALSE(writeProfileString(file, "Morvanex", "FooterString", "new"));
    ::CloseHandle(held);
    expectKept();

    EXPECT_TRUE(writeProfileString(file, "Morvanex", "FooterString", "new"));
    EXPECT_EQ(readProfileString(file, "Morvanex", "FooterString"), "new");
}

} // namespace
} // namespace morvanex
