// Approved firmware that others could change: what is looked at, what counts as open, and the texts.
#include "firmware/changeable_firmware.h"
#include "firmware/firmware_catalogue.h"
#include "firmware/open_workspace.h"
#include "firmware/workspace.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

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

// TXT/a.txt names FW.BIN, TXT/b.txt sub\FW2.BIN and TXT/c.txt FW.BIN again, spelled otherwise;
// folders 755, files 644, whatever the umask.
void makeWorkspace(const TempDir& dir)
{
    for (const auto& [relative, content] :
         std::initializer_list<std::pair<const char*, const char*>>{{"TXT/a.txt", "ARQUIVO: FW.BIN\n"},
                                                                    {"TXT/b.txt", "ARQUIVO: sub\\FW2.BIN\n"},
                                                                    {"TXT/c.txt", "ARQUIVO: fw.bin\n"},
                                                                    {"Bin/FW.BIN", "one"},
                                                                    {"Bin/sub/FW2.BIN", "two"},
                                                                    {"Bin/stray.bin", "named by no row"}})
        dir.write(relative, content);
    for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
        fs::permissions(entry.path(), entry.is_directory() ? fs::perms(0755) : fs::perms(0644));
    fs::permissions(dir.path(), fs::perms(0755));
}

TEST(ChangeableFirmware, OpenAndClosedWorkspaces)
{
    constexpr auto others = fs::perms::others_write;
    const auto linkImage = [](const fs::path& r, const fs::path& target) {
        fs::create_directory(r / "elsewhere");
        fs::permissions(r / "elsewhere", fs::perms(0755));
        fs::rename(r / "Bin/FW.BIN", r / "elsewhere/real.bin");
        fs::create_symlink(target, r / "Bin/FW.BIN");
    };
    struct Case
    {
        const char* name;
        std::function<void(const fs::path&)> change;
        std::vector<std::string> open; // relative to the workspace's root
        bool needsRoot = false;
    };
    const Case cases[] = {
        {"as made, one's own or root's", [](const fs::path&) {}, {}},
        {"group may write TXT",
         [](const fs::path& r) { addMode(r / "TXT", fs::perms::group_write); },
         {"TXT"}},
        {"a file no row names", [&](const fs::path& r) { addMode(r / "Bin/stray.bin", others); }, {}},
        {"everything, in the order looked at, an image named twice once",
         [&](const fs::path& r) {
             for (const char* p :
                  {"Bin/sub/FW2.BIN", "TXT/a.txt", "Bin/sub", "Bin", ".", "TXT", "Bin/FW.BIN"})
                 addMode(r / p, others);
         },
         {".", "TXT", "Bin", "TXT/a.txt", "Bin/FW.BIN", "Bin/sub", "Bin/sub/FW2.BIN"}},
        {"an image through a link into a folder others may write",
         [&](const fs::path& r) {
             linkImage(r, "../elsewhere/real.bin");
             addMode(r / "elsewhere", others);
         },
         {"elsewhere"}},
        {"an image through a link to a file others may write",
         [&](const fs::path& r) {
             linkImage(r, r / "elsewhere/real.bin");
             addMode(r / "elsewhere/real.bin", others);
         },
         {"Bin/FW.BIN"}},
        {"an image owned by another user",
         [](const fs::path& r) {
             const passwd* nobody = getpwnam("nobody");
             ASSERT_TRUE(nobody);
             ASSERT_EQ(chown((r / "Bin/FW.BIN").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
         },
         {"Bin/FW.BIN"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && geteuid() != 0) {
            std::printf("not root: skipping \"%s\"\n", c.name);
            continue;
        }
        TempDir dir;
        makeWorkspace(dir);
        const fs::path root = fs::canonical(dir.path());
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

// The one step that opens a workspace carries the warning, for every command and face to say once.
TEST(ChangeableFirmware, OpeningTheWorkspaceWarnsOfIt)
{
    TempDir dir;
    makeWorkspace(dir);
    const fs::path root = fs::canonical(dir.path());
    const Workspace workspace(root);
    ScriptedPrompts prompts;
    FirmwareCatalogue closed;
    EXPECT_TRUE(openWorkspace(workspace, closed, prompts).warnings.empty());

    addMode(root / "Bin", fs::perms::others_write);
    fs::remove(root / "TXT/a.txt"); // fewer rows change nothing; an empty catalogue neither
    for (const bool empty : {false, true}) {
        if (empty) {
            fs::remove_all(root / "TXT");
            fs::create_directory(root / "TXT");
        }
        FirmwareCatalogue catalogue;
        const WorkspaceStatus status = openWorkspace(workspace, catalogue, prompts);
        ASSERT_EQ(status.warnings.size(), 1u) << empty;
        const WorkspaceWarning& warning = status.warnings.front();
        EXPECT_EQ(warning.paths, std::vector<fs::path>{root / "Bin"});
        EXPECT_EQ(warning.text, changeableFirmwareWarning(warning.paths));
        EXPECT_EQ(warning.message, changeableFirmwareMessage(warning.paths));
        EXPECT_EQ(status.problem, empty ? WorkspaceProblem::EmptyCatalogue : WorkspaceProblem::None);
    }
}

TEST(ChangeableFirmware, Texts)
{
    EXPECT_EQ(changeableFirmwareWarning({}) + changeableFirmwareMessage({}), "");
    // A line feed in a name cannot make a line of its own; the message is Windows-1252.
    const std::vector<fs::path> two{"demo/Bin", "demo/TXT/M\xC3\xA9"
                                                "dia\n.txt"};
    EXPECT_EQ(changeableFirmwareWarning(two),
              "morvanex-cli: warning: approved firmware can be changed by other users: demo/Bin\n"
              "morvanex-cli: warning: approved firmware can be changed by other users: demo/TXT/M\xC3\xA9"
              "dia\\x0A.txt\n");
    const std::string message = changeableFirmwareMessage(two);
    EXPECT_EQ(message.rfind("Aten\xE7\xE3o: ", 0), 0u) << message;
    EXPECT_NE(message.find(":\n\ndemo/Bin\ndemo/TXT/M\xE9"
                           "dia\\x0A.txt\n\n"),
              std::string::npos)
        << message;
    // A message box names ten and counts the rest.
    std::vector<fs::path> many;
    for (int i = 1; i <= 12; ++i)
        many.push_back("F" + std::to_string(i));
    EXPECT_NE(changeableFirmwareMessage(many).find("\nF10\ne mais 2 arquivos ou pastas\n"),
              std::string::npos);
}

} // namespace
} // namespace morvanex::test
