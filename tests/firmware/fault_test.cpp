// Hostile workspaces: whatever TXT and Bin hold, the catalogue loads with the system's own outcome.
#include "support/scripted_prompts.h"

#include "support/temp_dir.h"
#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"

#include <gtest/gtest.h>

namespace morvanex::test {
namespace {

class HostileWorkspace : public ::testing::Test
{
protected:
    TempDir dir;
    ScriptedPrompts prompts;
    FirmwareCatalogue catalogue;

    void load() { loadCatalogue(catalogue, Workspace(dir.path()), prompts); }
    const FirmwareRecord& row(int i) const { return catalogue.rows.at(static_cast<std::size_t>(i)); }
};

TEST_F(HostileWorkspace, DescriptorShapes)
{
    dir.write("TXT/1nul.txt", std::string("MODELO: A\0B\nARQUIVO\0: x\n", 25));
    dir.write("TXT/2noend.txt", "VERSAO: 9");
    dir.write("TXT/3cr.txt", "MODELO: A\rMARCA: B\rVERSAO: C\r");
    dir.write("TXT/4huge.txt", "MARCA: " + std::string(5u << 20, 'x') + "\nVERSAO: after\n");
    dir.write("TXT/5bytes.txt", "MODELO: \x81\x8D\x8F\x90\x9D\xFF\n");
    dir.write("TXT/6empty.txt", "");
    load();
    ASSERT_EQ(catalogue.count(), 6);
    EXPECT_EQ(row(0).model, std::string("A\0B", 3));
    EXPECT_EQ(row(0).fileName, "x"); // a NUL between the first letter and the colon is not examined
    EXPECT_EQ(row(0).displayChecksum, "0000");
    EXPECT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(row(1).version, "9");
    EXPECT_EQ(row(2).model, "A\rMARCA: B\rVERSAO: C\r"); // one line, since no LF ends it
    EXPECT_EQ(row(2).brand, "");
    EXPECT_EQ(row(3).brand.size(), 5u << 20);
    EXPECT_EQ(row(3).version, "after");
    EXPECT_EQ(row(4).model, "\x81\x8D\x8F\x90\x9D\xFF");
    EXPECT_EQ(row(5).model, "");
}

TEST_F(HostileWorkspace, ImageNamesThatWouldLeaveBin)
{
    dir.write("secret.bin", "abc");
    dir.write("Bin/dir.bin/inside", "abc");
    const std::string absolute = (dir.path() / "secret.bin").string();
    const std::vector<std::string> names{"../secret.bin", "..\\secret.bin", absolute, ".", "..", "dir.bin"};
    for (std::size_t i = 0; i < names.size(); ++i)
        dir.write("TXT/" + std::to_string(i) + ".txt", "ARQUIVO: " + names[i] + "\n");
    load();
    ASSERT_EQ(catalogue.count(), 6);
    for (const auto& r : catalogue.rows) {
        EXPECT_EQ(r.footerChecksum, "0000") << r.fileName;
        EXPECT_EQ(r.displayChecksum, "0000") << r.fileName;
    }
    EXPECT_EQ(prompts.messages.size(), 12u);
}

TEST_F(HostileWorkspace, DescriptorFolderThatIsAFile)
{
    dir.write("TXT", "not a folder");
    dir.write("Bin", "not a folder either");
    load();
    EXPECT_EQ(catalogue.count(), 0);
    EXPECT_TRUE(listFolder(Workspace(dir.path()).imageFolder(), ".bin").empty());
}

TEST_F(HostileWorkspace, TenThousandDescriptors)
{
    for (int i = 0; i < 10000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "TXT/d%05d.txt", 9999 - i);
        dir.write(name, "MODELO: " + std::to_string(9999 - i) + "\n");
    }
    load();
    ASSERT_EQ(catalogue.count(), 10000);
    EXPECT_EQ(row(0).model, "0");
    EXPECT_EQ(row(9999).model, "9999");
}

} // namespace
} // namespace morvanex::test
