#include "settings/settings_store.h"

#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <set>
#include <string>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using morvanex::applyProfileWrite;
using morvanex::findProfileValue;
using morvanex::readProfileString;
using morvanex::writeProfileString;

namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

constexpr std::string_view kSection = "Morvanex";
constexpr std::string_view kKey = "FooterString";

class SettingsFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                ("morvanex-settings-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_file = m_dir / "Morvanex.INI";
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_dir, ec);
    }
    static void store(const fs::path& path, std::string_view bytes)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    static std::string load(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::set<std::string> entries() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.insert(entry.path().filename().string());
        return names;
    }

    fs::path m_dir;
    fs::path m_file;
};

// A file, what the reader finds in it, and the file after "NEW" is written.
struct ProfileCase
{
    std::string file;
    std::optional<std::string> read;
    std::string written;
};

const ProfileCase kProfileCases[] = {
    // Names ignore ASCII letter case and the blanks around them; values lose theirs.
    {"[morvanex]\r\nfooterstring=ABC\r\n", "ABC", "[morvanex]\r\nFooterString=NEW\r\n"},
    {"  [ MORVANEX ]  \nFOOTERSTRING=x\n", "x", "  [ MORVANEX ]  \nFooterString=NEW\n"},
    // The line becomes exactly key, "=" and value: its old spelling and blanks go.
    {"[Morvanex]\n\t footerSTRING \t=  a b  \t\n", "a b", "[Morvanex]\nFooterString=NEW\n"},
    {"[Morvanex]\r\nFooterString=    \r\n", "", "[Morvanex]\r\nFooterString=NEW\r\n"},
    {"[Morvanex]\nFooterString=\n", "", "[Morvanex]\nFooterString=NEW\n"},
    {"[Morvanex]\nFooterString=old", "old", "[Morvanex]\nFooterString=NEW"},
    // A key line without "=".
    {"[Morvanex]\r\n  FooterString  \r\nB=2\r\n", "", "[Morvanex]\r\nFooterString=NEW\r\nB=2\r\n"},
    // Quotes: an enclosing pair of one kind goes.
    {"[Morvanex]\nFooterString= \"  kept  \" \n", "  kept  ", "[Morvanex]\nFooterString=NEW\n"},
    {"[Morvanex]\nFooterString= 'ABC' \n", "ABC", "[Morvanex]\nFooterString=NEW\n"},
    {"[Morvanex]\nFooterString='ABC\"\n", "'ABC\"", "[Morvanex]\nFooterString=NEW\n"},
    {"[Morvanex]\nFooterString=\"open\n", "\"open", "[Morvanex]\nFooterString=NEW\n"},
    {"[Morvanex]\nFooterString='\n", "'", "[Morvanex]\nFooterString=NEW\n"},
    // A zero byte ends the value before quotes are looked at; other bytes pass through.
    {"[Morvanex]\nFooterString=AB\0CD\n"s, "AB", "[Morvanex]\nFooterString=NEW\n"},
    {"[Morvanex]\nFooterString=\"AB\0CD\"\n"s, "\"AB", "[Morvanex]\nFooterString=NEW\n"},
    {"[Morvanex]\r\n\0junk\xFF\x80=\x01\r\nFooterString=\xE9\x80\x9D\r\n"s, "\xE9\x80\x9D",
     "[Morvanex]\r\n\0junk\xFF\x80=\x01\r\nFooterString=NEW\r\n"s},
    // A UTF-8 byte-order mark.
    {"\xEF\xBB\xBF[Morvanex]\r\nFooterString=ABC\r\n", "ABC",
     "\xEF\xBB\xBF[Morvanex]\r\nFooterString=NEW\r\n"},
    {"\xEF\xBB\xBF", std::nullopt, "\xEF\xBB\xBF[Morvanex]\r\nFooterString=NEW\r\n"},
    // After the mark the file is UTF-8: values come back in Windows-1252, "?" for what is not UTF-8.
    {"\xEF\xBB\xBF[Morvanex]\nFooterString=\xC3\x89\xE2\x82\xAC\n", "\xC9\x80", "\xEF\xBB\xBF[Morvanex]\nFooterString=NEW\n"},
    {"\xEF\xBB\xBF[Morvanex]\nFooterString=A\xC9\n", "A?", "\xEF\xBB\xBF[Morvanex]\nFooterString=NEW\n"},
    // CR alone ends a line, and every line keeps its own line end.
    {"[Other]\rA=1\r[Morvanex]\rFooterString=ABC\rB=2\r", "ABC",
     "[Other]\rA=1\r[Morvanex]\rFooterString=NEW\rB=2\r"},
    {"[Morvanex]\nA=1\r\nFooterString=ABC\rB=2", "ABC", "[Morvanex]\nA=1\r\nFooterString=NEW\rB=2"},
    {"[Morvanex]\rA=1\r\r[Next]\r", std::nullopt, "[Morvanex]\rA=1\rFooterString=NEW\r\r[Next]\r"},
    {"[Next]\rA=1", std::nullopt, "[Next]\rA=1\r[Morvanex]\rFooterString=NEW\r"},
    // An added line ends as the one before it: a CR there would join the LF after it.
    {"[Morvanex]\n\n[X]\rA\rB\r", std::nullopt, "[Morvanex]\nFooterString=NEW\n\n[X]\rA\rB\r"},
    // Only the exact key, in the first section of the name, first line.
    {"[Morvanex]\nFooterStringX=1\nFooterString=2\n", "2", "[Morvanex]\nFooterStringX=1\nFooterString=NEW\n"},
    {"[Morvanex]\nFooterString=1\nFooterString=2\n", "1", "[Morvanex]\nFooterString=NEW\nFooterString=2\n"},
    {"[Other]\nFooterString=1\n[Morvanex]\nFooterString=2\n", "2",
     "[Other]\nFooterString=1\n[Morvanex]\nFooterString=NEW\n"},
    {"; mine\r\n[ morvanex ]\r\nA=1\r\nFooterString=x\r\nB=2\n[Morvanex]\r\nFooterString=second\r\n", "x",
     "; mine\r\n[ morvanex ]\r\nA=1\r\nFooterString=NEW\r\nB=2\n[Morvanex]\r\nFooterString=second\r\n"},
    // A missing key goes after the section's last non-empty line.
    {"[Morvanex]\nXFooterString=3\n\n[Next]\n", std::nullopt,
     "[Morvanex]\nXFooterString=3\nFooterString=NEW\n\n[Next]\n"},
    {"FooterString=0\n[Other]\nFooterString=1\n[Morvanex]\r\nA=2", std::nullopt,
     "FooterString=0\n[Other]\nFooterString=1\n[Morvanex]\r\nA=2\nFooterString=NEW\n"},
    {"[Morvanex]", std::nullopt, "[Morvanex]\r\nFooterString=NEW\r\n"},
    // A missing section goes at the end.
    {"", std::nullopt, "[Morvanex]\r\nFooterString=NEW\r\n"},
    {"[Morvane]\r\nFooterString=1\r\n", std::nullopt,
     "[Morvane]\r\nFooterString=1\r\n[Morvanex]\r\nFooterString=NEW\r\n"},
    {"[MorvanexX]\nA=2\nB=3", std::nullopt, "[MorvanexX]\nA=2\nB=3\n[Morvanex]\nFooterString=NEW\n"},
};

} // namespace

TEST(SettingsProfile, ReadsAndWritesEachCase)
{
    for (const auto& [file, read, written] : kProfileCases) {
        SCOPED_TRACE(::testing::PrintToString(file));
        EXPECT_EQ(findProfileValue(file, kSection, kKey), read);
        EXPECT_EQ(applyProfileWrite(file, kSection, kKey, "NEW"), written);
        EXPECT_EQ(findProfileValue(written, kSection, kKey), "NEW");
    }
    // And a value goes into such a file as UTF-8: "É" is written C3 89 and reads back as itself.
    const auto utf8File = applyProfileWrite("\xEF\xBB\xBF[Morvanex]\r\n", kSection, kKey, "\xC9");
    EXPECT_EQ(utf8File, "\xEF\xBB\xBF[Morvanex]\r\nFooterString=\xC3\x89\r\n");
    EXPECT_EQ(findProfileValue(*utf8File, kSection, kKey), "\xC9");
    // Every Windows-1252 letter folds, as in the platform's names: "É" matches "é", "×" only itself.
    EXPECT_EQ(findProfileValue("[S\xC9]\nk=1\n", "s\xE9", "K"), "1");
    EXPECT_FALSE(findProfileValue("[S\xD7]\nk=1\n", "s\xF7", "k").has_value());
}

TEST(SettingsParse, LongValuesAreCutAt4095Bytes)
{
    const std::string exact(4095, 'x');
    EXPECT_EQ(findProfileValue("[Morvanex]\nFooterString=" + exact + "\n", kSection, kKey), exact);
    const std::string longer = std::string(4095, 'y') + "zzzz";
    EXPECT_EQ(findProfileValue("[Morvanex]\nFooterString=" + longer, kSection, kKey), std::string(4095, 'y'));
}

TEST(SettingsWrite, RefusesEntriesThatWouldNotReadBack)
{
    EXPECT_FALSE(applyProfileWrite("", kSection, kKey, "a\nb"));
    EXPECT_FALSE(applyProfileWrite("", kSection, kKey, "a\r"));
    EXPECT_FALSE(applyProfileWrite("", kSection, "a=b", "v"));
    EXPECT_FALSE(applyProfileWrite("", kSection, "[a]", "v"));
    EXPECT_FALSE(applyProfileWrite("", kSection, " FooterString", "v"));
    EXPECT_FALSE(applyProfileWrite("", "a]b", kKey, "v"));
    EXPECT_FALSE(applyProfileWrite("", "", kKey, "v"));
    EXPECT_FALSE(applyProfileWrite("", kSection, "", "v"));
}

TEST(SettingsWrite, WhatIsWrittenReadsBackFromAnyFile)
{
    // Files built from the bytes that matter to the format, plus a few others.
    constexpr std::string_view pieces[] = {"[",
                                           "]",
                                           "=",
                                           " ",
                                           "\t",
                                           "\r",
                                           "\n",
                                           "\r\n",
                                           "\"",
                                           "'",
                                           "\xEF\xBB\xBF",
                                           "\0"sv,
                                           "\xFF",
                                           "Morvanex",
                                           "morvanex",
                                           "FooterString",
                                           "FooterStringX",
                                           "x"};
    std::mt19937 random(1234);
    for (int round = 0; round < 3000; ++round) {
        std::string file;
        const int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i)
            file += pieces[random() % std::size(pieces)];
        const std::string value = "v" + std::to_string(round) + " \x80\0 z"s;
        const auto written = applyProfileWrite(file, kSection, kKey, value);
        ASSERT_TRUE(written.has_value()) << ::testing::PrintToString(file);
        EXPECT_EQ(findProfileValue(*written, kSection, kKey), value.substr(0, value.find('\0')))
            << ::testing::PrintToString(file);
        EXPECT_EQ(findProfileValue(*written, kSection, "FooterStringX"),
                  findProfileValue(file, kSection, "FooterStringX"));
        // Writing the same value again changes nothing.
        EXPECT_EQ(applyProfileWrite(*written, kSection, kKey, value), written);
    }
}

TEST_F(SettingsFileTest, MissingFileSectionOrKeyReadsTheDefault)
{
    EXPECT_EQ(readProfileString(m_file, kSection, kKey, "dflt"), "dflt");
    EXPECT_EQ(readProfileString(m_file, kSection, kKey), "");
    store(m_file, "[Other]\r\nFooterString=1\r\n");
    EXPECT_EQ(readProfileString(m_file, kSection, kKey, "dflt"), "dflt");
    store(m_file, "[Morvanex]\r\nFooterString=\r\n");
    EXPECT_EQ(readProfileString(m_file, kSection, kKey, "dflt"), "");
}

TEST_F(SettingsFileTest, WritesAndReadsBack)
{
    const fs::path nested = m_dir / "config" / "Morvanex.INI";
    ASSERT_TRUE(
        writeProfileString(nested, kSection, kKey, "00000000 11111111 22222222 33333333 444444444444"));
    EXPECT_EQ(load(nested),
              "[Morvanex]\r\nFooterString=00000000 11111111 22222222 33333333 444444444444\r\n");
    EXPECT_EQ(readProfileString(nested, kSection, kKey), "00000000 11111111 22222222 33333333 444444444444");

    // Blanks at either end do not survive, so four blanks read back as nothing stored.
    ASSERT_TRUE(writeProfileString(nested, kSection, kKey, "    "));
    EXPECT_EQ(readProfileString(nested, kSection, kKey, "dflt"), "");
    EXPECT_EQ(load(nested), "[Morvanex]\r\nFooterString=    \r\n");
}

TEST_F(SettingsFileTest, SuccessLeavesOnlyTheFileWithItsMode)
{
    store(m_file, "[Morvanex]\nFooterString=old\n[Other]\nX=1");
    fs::permissions(m_file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(writeProfileString(m_file, kSection, kKey, "new"));
    EXPECT_EQ(load(m_file), "[Morvanex]\nFooterString=new\n[Other]\nX=1");
    EXPECT_EQ(entries(), std::set<std::string>{"Morvanex.INI"});
    EXPECT_EQ(fs::status(m_file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(SettingsFileTest, WritesThroughALink)
{
    store(m_dir / "real.INI", "[Morvanex]\nFooterString=old\n");
    fs::create_symlink("real.INI", m_file);
    ASSERT_TRUE(writeProfileString(m_file, kSection, kKey, "new"));
    EXPECT_TRUE(fs::is_symlink(m_file));
    EXPECT_EQ(load(m_dir / "real.INI"), "[Morvanex]\nFooterString=new\n");
    EXPECT_EQ(entries(), (std::set<std::string>{"Morvanex.INI", "real.INI"}));
}

TEST_F(SettingsFileTest, FolderInPlaceOfTheFile)
{
    fs::create_directory(m_file);
    store(m_file / "inside.txt", "data");
    EXPECT_EQ(readProfileString(m_file, kSection, kKey, "dflt"), "dflt");
    EXPECT_FALSE(writeProfileString(m_file, kSection, kKey, "new"));
    EXPECT_TRUE(fs::is_directory(m_file));
    EXPECT_EQ(load(m_file / "inside.txt"), "data");
    EXPECT_EQ(entries(), std::set<std::string>{"Morvanex.INI"});
}

TEST_F(SettingsFileTest, GarbageReadsAsMissingAndSurvivesAWrite)
{
    std::mt19937 random(99);
    std::string garbage(100000, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random());
    store(m_file, garbage);
    EXPECT_EQ(readProfileString(m_file, kSection, "NoSuchKeyHere", "dflt"), "dflt");
    ASSERT_TRUE(writeProfileString(m_file, kSection, "NoSuchKeyHere", "v"));
    const std::string after = load(m_file);
    EXPECT_EQ(after.substr(0, garbage.size()), garbage);
    EXPECT_EQ(readProfileString(m_file, kSection, "NoSuchKeyHere"), "v");
}

#ifndef _WIN32
// The failing writes run in a child process: one without the rights a root test run would have, one
// whose file size limit makes the temporary file fail half written, as on a full disk. Exit code 0
// means the write reported its failure.
constexpr uid_t kNobody = 65534;

[[noreturn]] void writeAsNobody(const fs::path& file)
{
    if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
        std::_Exit(2);
    std::_Exit(writeProfileString(file, kSection, kKey, "new") ? 1 : 0);
}

[[noreturn]] void writeWithSmallFileLimit(const fs::path& file)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1024, 1024};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        std::_Exit(2);
    std::_Exit(writeProfileString(file, kSection, kKey, std::string(3000, 'x')) ? 1 : 0);
}

TEST_F(SettingsFileTest, ReadOnlyFolderFailsAndKeepsTheFile)
{
    const std::string original = "[Morvanex]\r\nFooterString=old\r\n";
    store(m_file, original);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(m_file.c_str(), kNobody, kNobody), 0);
    }
    fs::permissions(m_file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                               fs::perms::others_exec);
    EXPECT_EXIT(writeAsNobody(m_file), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(load(m_file), original);
    EXPECT_EQ(entries(), std::set<std::string>{"Morvanex.INI"});
}

TEST_F(SettingsFileTest, FailedWriteOfTheTemporaryFileKeepsTheFile)
{
    const std::string original = "[Other]\nA=1\n[Morvanex]\nFooterString=old\n";
    store(m_file, original);
    EXPECT_EXIT(writeWithSmallFileLimit(m_file), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(load(m_file), original);
    EXPECT_EQ(entries(), std::set<std::string>{"Morvanex.INI"});
}
#endif
