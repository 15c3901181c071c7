// Image names as descriptors written on Windows give them, against a workspace copied to Linux.
#include "support/scripted_prompts.h"

#include "support/temp_dir.h"
#include "firmware/firmware_catalogue.h"
#include "firmware/open_workspace.h"
#include "firmware/workspace.h"
#include "footer/checksum.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

namespace morvanex::test {
namespace {

#ifdef _WIN32
constexpr bool onWindows = true;
#else
constexpr bool onWindows = false;
#endif

std::string hex4(unsigned value)
{
    char text[5];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

struct NameCase
{
    std::string name;    // Windows-1252, as the descriptor holds it
    std::string content; // of the file it opens; empty: it opens none
};

TEST(ImageNames, ResolvedInsideBinWithTheCodePageAndEveryLetterCase)
{
    TempDir dir;
    dir.write("Bin/Sub/f4.bin", "abc");
    dir.write("Bin/F\xC3\x81.BIN", "abcd"); // FÁ.BIN, spelled in UTF-8 by the Linux copy
    dir.write("Bin/CAF\xC3\x89.BIN", "ab"); // CAFÉ.BIN
    dir.write("Bin/R\xC9.BIN", "a");        // a copy that kept the Windows-1252 bytes
    dir.write("Bin/C:/x.bin", "abc");
    dir.write("x.bin", "abc");
    const std::vector<NameCase> cases{
        {"sub\\F4.BIN", "abc"},
        {"sub/F4.BIN", "abc"},
        {"SUB\\f4.bin", "abc"},
        {"Sub\\\\f4.bin", "abc"},
        {"F\xC1.BIN", "abcd"},
        {"f\xE1.bin", "abcd"},
        {"caf\xE9.bin", "ab"},
        {"R\xC9.BIN", "a"},
        {"r\xE9.bin", "a"},
        {"N\xC3O.BIN", ""}, // missing: the message shows the name as written
        {"..\\x.bin", ""},
        {"Sub\\..\\..\\x.bin", ""},
        {"/etc/hostname", ""},
        {"\\Sub\\f4.bin", ""},
        {"C:\\x.bin", ""},
        {"Sub\\", ""},
        {std::string("Sub\\f4.bin\0.x", 13), ""},
        {"", ""},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        char descriptor[32];
        std::snprintf(descriptor, sizeof descriptor, "TXT/%02zu.txt", i);
        dir.write(descriptor, "ARQUIVO: " + cases[i].name + "\n");
    }
    ScriptedPrompts prompts;
    FirmwareCatalogue catalogue;
    loadCatalogue(catalogue, Workspace(dir.path()), prompts);

    ASSERT_EQ(catalogue.rows.size(), cases.size());
    std::vector<std::string> expectedMessages;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [name, content] = cases[i];
        const FirmwareRecord& row = catalogue.rows[i];
        EXPECT_EQ(row.fileName, name);
        const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
        const bool opens = !content.empty();
        EXPECT_EQ(row.footerChecksum, opens ? hex4(ChecksumCalculator().crc16(bytes)) : "0000") << i;
        EXPECT_EQ(row.displayChecksum, opens ? hex4(ChecksumCalculator().byteSum16(bytes)) : "0000") << i;
        if (!opens)
            expectedMessages.insert(expectedMessages.end(), 2, imageOpenMessage(name));
    }
    std::vector<std::string> messages;
    for (const auto& m : prompts.messages)
        messages.push_back(m.text);
    EXPECT_EQ(messages, expectedMessages);
}

// Trailing blanks and dots of a component are dropped, as Windows does; device names and ":" are
// never opened, and the row says why.
TEST(ImageNames, AsWindowsReadsThem)
{
    TempDir dir;
    dir.write("Bin/ARGOS210.BIN", "abc");
    dir.write("Bin/Sub/f4.bin", "abcd");
    dir.write("Bin/CON", "con");
    dir.write("Bin/com1.bin", "com");
    dir.write("Bin/ab:c", "colon");
    dir.write("Bin/COM10", "ten");
    const struct
    {
        std::string name;
        std::string content; // empty: none opens
        std::string problem; // a piece of the row's reason
    } cases[] = {
        {"ARGOS210.BIN. ", "abc", ""},
        {"ARGOS210.BIN...", "abc", ""},
        {"Sub. \\f4.bin ", "abcd", ""},
        {"COM10", "ten", ""}, // no device: COM1 to COM9 only
        {"CON", "", "Windows device 'CON'"},
        {"con .txt", "", "Windows device"},
        {"Sub\\NUL", "", "Windows device 'NUL'"},
        {"com1.bin", "", "Windows device 'com1.bin'"},
        {"LPT9.", "", "Windows device 'LPT9'"},
        {"ab:c", "", "holds a ':'"},
        {"a:b", "", "does not stay inside"}, // drive A:, not a name
        {"...", "", "does not stay inside"},
        {"missing.bin", "", "No such file"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        dir.write("TXT/" + std::to_string(10 + i) + ".txt", "ARQUIVO: " + cases[i].name + "\n");
    ScriptedPrompts prompts;
    FirmwareCatalogue catalogue;
    loadCatalogue(catalogue, Workspace(dir.path()), prompts);
    ASSERT_EQ(catalogue.rows.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const FirmwareRecord& row = catalogue.rows[i];
        const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(c.content.data()), c.content.size());
        EXPECT_EQ(row.displayChecksum, c.content.empty() ? "0000" : hex4(ChecksumCalculator().byteSum16(bytes)))
            << c.name;
        EXPECT_EQ(row.imageProblem.empty(), c.problem.empty()) << c.name << ": " << row.imageProblem;
        EXPECT_NE(row.imageProblem.find(c.problem), std::string::npos) << c.name << ": " << row.imageProblem;
    }
}

// Names as Windows reads them, on both systems: the console's CONIN$ and CONOUT$ are devices like CON,
// and a workspace folder named with trailing blanks or dots is the folder the platform opens for it
// (on Windows the one without them, elsewhere none), or no folder at all.
TEST(WindowsNames, ConsoleDevicesAndWorkspaceFolders)
{
    TempDir dir;
    dir.write("Bin/CONINX", "x");
    const struct
    {
        std::string name;
        std::string device; // the device the row's reason names; empty: no device
    } images[] = {
        {"CONIN$", "CONIN$"},
        {"conout$.bin", "conout$.bin"},
        {"Sub\\CONOUT$ .log", "CONOUT$ .log"},
        {"CONINX", ""}, // read: "x"
        {"CONOUT$X", ""}, // missing
    };
    for (std::size_t i = 0; i < std::size(images); ++i)
        dir.write("TXT/" + std::to_string(10 + i) + ".txt", "ARQUIVO: " + images[i].name + "\n");
    ScriptedPrompts prompts;
    FirmwareCatalogue catalogue;
    ASSERT_EQ(openWorkspace(Workspace(dir.path()), catalogue, prompts).problem, WorkspaceProblem::None);
    ASSERT_EQ(catalogue.rows.size(), std::size(images));
    for (std::size_t i = 0; i < std::size(images); ++i) {
        const std::string& problem = catalogue.rows[i].imageProblem;
        const std::string device =
            images[i].device.empty() ? "Windows device" : "Windows device '" + images[i].device + "'";
        EXPECT_EQ(problem.find(device) != std::string::npos, !images[i].device.empty()) << images[i].name << ": " << problem;
    }
    EXPECT_EQ(catalogue.rows[3].displayChecksum, "0078");

    const struct
    {
        std::string suffix; // after the workspace folder's name
        WorkspaceProblem elsewhere;
        WorkspaceProblem windows;
    } folders[] = {
        {"", WorkspaceProblem::None, WorkspaceProblem::None},
        {" ", WorkspaceProblem::NoSuchFolder, WorkspaceProblem::None},
        {".", WorkspaceProblem::NoSuchFolder, WorkspaceProblem::None},
        {". .", WorkspaceProblem::NoSuchFolder, WorkspaceProblem::None},
        {" /", WorkspaceProblem::NoSuchFolder, WorkspaceProblem::NoSuchFolder},
        {"/TXT/10.txt", WorkspaceProblem::NoSuchFolder, WorkspaceProblem::NoSuchFolder},
        {"/nope ", WorkspaceProblem::NoSuchFolder, WorkspaceProblem::NoSuchFolder},
    };
    for (const auto& folder : folders) {
        FirmwareCatalogue opened;
        const WorkspaceStatus status = openWorkspace(Workspace(dir.path().string() + folder.suffix), opened, prompts);
        EXPECT_EQ(status.problem, onWindows ? folder.windows : folder.elsewhere) << "'" << folder.suffix << "'";
        EXPECT_EQ(opened.rows.size(), status.problem == WorkspaceProblem::None ? std::size(images) : 0u)
            << "'" << folder.suffix << "'";
    }
}

// Each procedure opens its image at its own moment: an image that appears while the first message
// is shown gives no second message, and its display checksum.
TEST(ImageNames, AnImageThatAppearsWhileTheFirstMessageIsShown)
{
    TempDir dir;
    dir.write("TXT/a.txt", "ARQUIVO: late.bin\n");
    dir.write("TXT/b.txt", "ARQUIVO: late.bin\n");
    ScriptedPrompts prompts;
    prompts.whileShown = [&] { dir.write("Bin/LATE.BIN", "abc"); };
    FirmwareCatalogue catalogue;
    loadCatalogue(catalogue, Workspace(dir.path()), prompts);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(catalogue.rows[0].footerChecksum, "0000");
    EXPECT_EQ(catalogue.rows[0].displayChecksum, "0126");
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(catalogue.rows[1].footerChecksum, hex4(ChecksumCalculator().crc16(abc)));
    EXPECT_EQ(catalogue.rows[1].displayChecksum, "0126");
}

// Checksums read ahead of their procedures count only while the file is the same.
TEST(ImageNames, AnImageChangedAfterItWasReadAheadIsReadAgain)
{
    TempDir dir;
    dir.write("TXT/a.txt", "ARQUIVO: gone.bin\n");
    dir.write("TXT/b.txt", "ARQUIVO: fw.bin\n");
    dir.write("Bin/fw.bin", "abc");
    std::filesystem::last_write_time(dir.path() / "Bin/fw.bin",
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    ScriptedPrompts prompts;
    prompts.whileShown = [&] { dir.write("Bin/fw.bin", "abcd"); };
    FirmwareCatalogue catalogue;
    loadCatalogue(catalogue, Workspace(dir.path()), prompts);
    EXPECT_EQ(catalogue.rows[1].displayChecksum, "018A");
}

TEST(ImageNames, FolderIndexFollowsTheFolder)
{
    TempDir dir;
    const auto bin = dir.path() / "Bin";
    dir.write("Bin/a.bin", "");
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(bin, old);
    EXPECT_EQ(resolveEntry(bin, "A.BIN"), bin / "a.bin");
    EXPECT_EQ(resolveEntry(bin, "B.BIN"), std::nullopt);
    dir.write("Bin/b.bin", ""); // the folder's time moves on: listed again
    EXPECT_EQ(resolveEntry(bin, "B.BIN"), bin / "b.bin");
    // A change the folder's time does not show: the entry found is checked before it is given.
    std::filesystem::last_write_time(bin, old);
    EXPECT_EQ(resolveEntry(bin, "B.BIN"), bin / "b.bin");
    std::filesystem::rename(bin / "b.bin", bin / "c.bin");
    std::filesystem::last_write_time(bin, old);
    EXPECT_EQ(resolveEntry(bin, "B.BIN"), std::nullopt);
    EXPECT_EQ(resolveEntry(bin, "C.BIN"), bin / "c.bin");
}

} // namespace
} // namespace morvanex::test
