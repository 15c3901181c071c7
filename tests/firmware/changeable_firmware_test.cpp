// Approved firmware that others could change: what is looked at, what counts as open, and the texts.
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

#include "firmware/changeable_firmware.h"
#include "firmware/firmware_catalogue.h"
#include "firmware/workspace.h"

#include <functional>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

namespace morvanex::test {
namespace {

namespace fs = std::filesystem;

void addMode(const fs::path& path, fs::perms perms)
{
    fs::permissions(path, perms, fs::perm_options::add | fs::perm_options::nofollow);
}

// TXT/a.txt names FW.BIN, TXT/b.txt names sub\FW2.BIN; folders 755, files 644, whatever the umask.
void makeWorkspace(const fs::path& root)
{
    const auto write = [&](const fs::path& relative, std::string_view content) {
        fs::create_directories((root / relative).parent_path());
        FILE* file = std::fopen((root / relative).c_str(), "wb");
        ASSERT_TRUE(file);
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
    };
    write("TXT/a.txt", "ARQUIVO: FW.BIN\n");
    write("TXT/b.txt", "ARQUIVO: sub\\FW2.BIN\n");
    write("Bin/FW.BIN", "image one");
    write("Bin/sub/FW2.BIN", "image two");
    write("Bin/stray.bin", "named by no descriptor");
    for (const auto& entry : fs::recursive_directory_iterator(root))
        fs::permissions(entry.path(), entry.is_directory() ? fs::perms(0755) : fs::perms(0644));
    fs::permissions(root, fs::perms(0755));
}

struct Case
{
    const char* name;
    std::function<void(const fs::path&)> change;
    std::vector<std::string> open; // relative to the workspace's root
    bool needsRoot = false;
};

TEST(ChangeableFirmware, OpenAndClosedWorkspaces)
{
    constexpr auto others = fs::perms::others_write;
    constexpr auto group = fs::perms::group_write;
    const auto giveToNobody = [](const fs::path& path) {
        const passwd* nobody = getpwnam("nobody");
        ASSERT_TRUE(nobody);
        ASSERT_EQ(lchown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    };
    const Case cases[] = {
        {"as made, one's own or root's", [](const fs::path&) {}, {}},
        {"others may write Bin", [&](const fs::path& r) { addMode(r / "Bin", others); }, {"Bin"}},
        {"group may write TXT", [&](const fs::path& r) { addMode(r / "TXT", group); }, {"TXT"}},
        {"others may write the workspace", [&](const fs::path& r) { addMode(r, others); }, {"."}},
        {"a descriptor", [&](const fs::path& r) { addMode(r / "TXT/b.txt", others); }, {"TXT/b.txt"}},
        {"an image", [&](const fs::path& r) { addMode(r / "Bin/FW.BIN", group); }, {"Bin/FW.BIN"}},
        {"the folder below Bin an image lies in", [&](const fs::path& r) { addMode(r / "Bin/sub", others); },
         {"Bin/sub"}},
        {"a file no row names", [&](const fs::path& r) { addMode(r / "Bin/stray.bin", others); }, {}},
        {"two rows naming one open image, in two spellings",
         [&](const fs::path& r) {
             std::FILE* file = std::fopen((r / "TXT/c.txt").c_str(), "wb");
             std::fputs("ARQUIVO: fw.bin\n", file);
             std::fclose(file);
             addMode(r / "Bin/FW.BIN", others);
         },
         {"Bin/FW.BIN"}},
        {"everything, in the order looked at",
         [&](const fs::path& r) {
             for (const char* p : {"Bin/sub/FW2.BIN", "TXT/a.txt", "Bin", "TXT", "Bin/FW.BIN"})
                 addMode(r / p, others);
         },
         {"TXT", "Bin", "TXT/a.txt", "Bin/FW.BIN", "Bin/sub/FW2.BIN"}},
        {"an image through a link into a folder others may write",
         [&](const fs::path& r) {
             fs::create_directory(r / "elsewhere");
             fs::rename(r / "Bin/FW.BIN", r / "elsewhere/real.bin");
             fs::create_symlink("../elsewhere/real.bin", r / "Bin/FW.BIN");
             addMode(r / "elsewhere", others);
         },
         {"elsewhere"}},
        {"an image through a link to a file others may write",
         [&](const fs::path& r) {
             fs::create_directory(r / "elsewhere");
             fs::permissions(r / "elsewhere", fs::perms(0755));
             fs::rename(r / "Bin/FW.BIN", r / "elsewhere/real.bin");
             fs::create_symlink(r / "elsewhere/real.bin", r / "Bin/FW.BIN");
             addMode(r / "elsewhere/real.bin", others);
         },
         {"Bin/FW.BIN"}},
        {"an image owned by another user", [&](const fs::path& r) { giveToNobody(r / "Bin/FW.BIN"); },
         {"Bin/FW.BIN"}, true},
        {"Bin owned by another user", [&](const fs::path& r) { giveToNobody(r / "Bin"); }, {"Bin"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && geteuid() != 0) {
            std::printf("not root: skipping \"%s\"\n", c.name);
            continue;
        }
        TempDir dir;
        const fs::path root = fs::canonical(dir.path());
        makeWorkspace(root);
        c.change(root);
        const Workspace workspace(root);
        FirmwareCatalogue catalogue;
        ScriptedPrompts prompts;
        loadCatalogue(catalogue, workspace, prompts);

        const ChangeableFirmware found = changeableFirmware(workspace, catalogue);
        std::vector<std::string> open;
        for (const fs::path& path : found.paths)
            open.push_back(path.lexically_relative(root).string());
        EXPECT_EQ(open, c.open);
        EXPECT_EQ(found.warning.empty(), c.open.empty());
        EXPECT_EQ(found.message.empty(), c.open.empty());
    }
}

TEST(ChangeableFirmware, Texts)
{
    EXPECT_EQ(changeableFirmwareWarning({}), "");
    EXPECT_EQ(changeableFirmwareMessage({}), "");

    const std::vector<fs::path> two{"demo/Bin", "demo/TXT/M\xC3\xA9" "dia\n.txt"};
    EXPECT_EQ(changeableFirmwareWarning(two),
              "morvanex-cli: warning: approved firmware can be changed by other users: demo/Bin\n"
              "morvanex-cli: warning: approved firmware can be changed by other users: demo/TXT/M\xC3\xA9" "dia\\x0A.txt\n");
    const std::string message = changeableFirmwareMessage(two);
    EXPECT_EQ(message.rfind("Aten\xE7\xE3o: ", 0), 0u) << message; // Windows-1252
    EXPECT_NE(message.find(":\n\ndemo/Bin\ndemo/TXT/M\xE9" "dia\\x0A.txt\n\n"), std::string::npos) << message;

    std::vector<fs::path> many;
    for (int i = 1; i <= 12; ++i)
        many.push_back("Bin/F" + std::to_string(i));
    const std::string shown = changeableFirmwareMessage(many);
    EXPECT_NE(shown.find("\nBin/F10\ne mais 2 arquivos ou pastas\n"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("Bin/F11"), std::string::npos) << shown;
}

} // namespace
} // namespace morvanex::test
