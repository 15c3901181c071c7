#include "desktop/footer_setting.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace morvanex::test {
namespace {

namespace fs = std::filesystem;

// Both platform halves: the settings store on Linux, the profile functions on Windows.
TEST(FooterSetting, WritesIntoAFolderItMakesAndReadsBack)
{
    TempDir dir;
    const FooterSetting setting(dir.path() / "Roaming" / "Morvanex" / "Validador.INI", "NoSuchLegacyFile.INI");
    EXPECT_EQ(setting.read(), "");
    ASSERT_TRUE(setting.write("ABCDEFGH 12345678 \xC9"));
    EXPECT_TRUE(fs::is_regular_file(setting.file()));
    EXPECT_EQ(setting.read(), "ABCDEFGH 12345678 \xC9");
    // Only that line changes when it is written again.
    dir.write("Roaming/Morvanex/Validador.INI", std::string("[Other]\r\nA=1\r\n[Morvanex]\r\nFooterString=old\r\n"));
    ASSERT_TRUE(setting.write("new"));
    EXPECT_EQ(dir.read("Roaming/Morvanex/Validador.INI"), "[Other]\r\nA=1\r\n[Morvanex]\r\nFooterString=new\r\n");
}

TEST(FooterSetting, AFolderThatCannotBeMadeIsAFailedWrite)
{
    TempDir dir;
    dir.write("Roaming", std::string("a file where the folder should be"));
    const FooterSetting setting(dir.path() / "Roaming" / "Morvanex" / "Validador.INI", "NoSuchLegacyFile.INI");
    EXPECT_FALSE(setting.write("ABC"));
    EXPECT_EQ(setting.read(), "");
}

} // namespace
} // namespace morvanex::test
