#include "settings/settings_store.h"

#include <fstream>
#include <gtest/gtest.h>
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

std::string applied(std::string_view bytes, std::string_view value)
{
    const auto result = applyProfileWrite(bytes, kSection, kKey, value);
    EXPECT_TRUE(result.has_value());
    return result.value_or("<rejected>");
}

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

} // namespace

TEST(SettingsParse, SectionAndKeyIgnoreLetterCaseAndBlanks)
{
    EXPECT_EQ(findProfileValue("[morvanex]\r\nfooterstring=ABC\r\n", kSection, kKey), "ABC");
    EXPECT_EQ(findProfileValue("  [ MORVANEX ]  \nFOOTERSTRING=x\n", kSection, kKey), "x");
    EXPECT_EQ(findProfileValue("[Morvanex]\n\t FooterString \t=  a b  \t\n", kSection, kKey), "a b");
    // Only ASCII letters fold: "É" and "é" are different bytes.
    EXPECT_EQ(findProfileValue("[S\xC9]\nk=1\n", "S\xC9", "K"), "1");
    EXPECT_FALSE(findProfileValue("[S\xC9]\nk=1\n", "s\xE9", "k").has_value());
}

TEST(SettingsParse, ValueBlanksAndQuotes)
{
    EXPECT_EQ(findProfileValue("[Morvanex]\nFooterString=   12345678 ABC   \n", kSection, kKey),
              "12345678 ABC");
    EXPECT_EQ(findProfileValue("[Morvanex]\nFooterString= \"  kept  \" \n", kSection, kKey), "  kept  ");
    EXPECT_EQ(findProfileValue("[Morvanex]\nFooterString=\"open\n", kSection, kKey), "\"open");
    EXPECT_EQ(findProfileValue("[Morvanex]\nFooterString=\"\n", kSection, kKey), "\"");
    // Present but empty is not the same as missing.
    EXPECT_EQ(findProfileValue("[Morvanex]\nFooterString=\n", kSection, kKey), "");
    EXPECT_EQ(findProfileValue("[Morvanex]\nFooterString=    \r\n", kSection, kKey), "");
    EXPECT_FALSE(findProfileValue("[Morvanex]\nFooterString\n", kSection, kKey).has_value());
}

TEST(SettingsParse, LongValuesAreCutAt4095Bytes)
{
    const std::string exact(4095, 'x');
    EXPECT_EQ(findProfileValue("[Morvanex]\nFooterString=" + exact + "\n", kSection, kKey), exact);
    const std::string longer = std::string(4095, 'y') + "zzzz";
    EXPECT_EQ(findProfileValue("[Morvanex]\nFooterString=" + longer, kSection, kKey), std::string(4095, 'y'));
}

TEST(SettingsParse, OnlyTheExactKeyOfTheFirstMatchingSectionCounts)
{
    EXPECT_EQ(findProfileValue("[Morvanex]\nFooterStringX=1\nFooterString=2\n", kSection, kKey), "2");
    EXPECT_FALSE(findProfileValue("[Morvanex]\nFooterStringX=1\nXFooterString=3\n", kSection, kKey));
    EXPECT_FALSE(
        findProfileValue("FooterString=0\n[Other]\nFooterString=1\n[Morvanex]\nA=2\n", kSection, kKey));
    EXPECT_EQ(findProfileValue("[Other]\nFooterString=1\n[Morvanex]\nFooterString=2\n", kSection, kKey), "2");
    EXPECT_EQ(findProfileValue("[Morvanex]\nFooterString=1\nFooterString=2\n", kSection, kKey), "1");
    EXPECT_FALSE(
        findProfileValue("[MorvanexX]\nFooterString=1\n[Morvane]\nFooterString=1\n", kSection, kKey));
}

TEST(SettingsParse, BytesPassThroughUntouched)
{
    const std::string file = "[Morvanex]\r\n\0junk\xFF\x80=\x01\r\nFooterString=\xE9\0\x80\x9D\r\n"s;
    EXPECT_EQ(findProfileValue(file, kSection, kKey), "\xE9\0\x80\x9D"s);
    EXPECT_EQ(applied(file, "N\xE3o\0!"s),
              "[Morvanex]\r\n\0junk\xFF\x80=\x01\r\nFooterString=N\xE3o\0!\r\n"s);
}

TEST(SettingsWrite, ChangesOnlyTheOneLine)
{
    const std::string before = "; mine\r\n[Other]\r\nFooterString=keep\r\n[ morvanex ]\r\nA=1\r\n"
                               "  footerSTRING = old value\r\nB=2\n[Morvanex]\r\nFooterString=second\r\n";
    const std::string after =
        "; mine\r\n[Other]\r\nFooterString=keep\r\n[ morvanex ]\r\nA=1\r\n"
        "  footerSTRING = 00000000 11111111\r\nB=2\n[Morvanex]\r\nFooterString=second\r\n";
    EXPECT_EQ(applied(before, "00000000 11111111"), after);
    EXPECT_EQ(applied("[Morvanex]\nFooterString=old", "new"), "[Morvanex]\nFooterString=new");
    EXPECT_EQ(applied("[Morvanex]\nFooterString=old\n", ""), "[Morvanex]\nFooterString=\n");
}

TEST(SettingsWrite, AddsTheKeyAfterTheSectionsLastLine)
{
    EXPECT_EQ(applied("[Morvanex]\r\nOther=1\r\n\r\n[Next]\r\nA=2\r\n", "V"),
              "[Morvanex]\r\nOther=1\r\nFooterString=V\r\n\r\n[Next]\r\nA=2\r\n");
    EXPECT_EQ(applied("[Morvanex]\n\n[Next]\n", "V"), "[Morvanex]\nFooterString=V\n\n[Next]\n");
    EXPECT_EQ(applied("[Morvanex]\nA=1", "V"), "[Morvanex]\nA=1\nFooterString=V\n");
    EXPECT_EQ(applied("[Morvanex]", "V"), "[Morvanex]\r\nFooterString=V\r\n");
}

TEST(SettingsWrite, AddsTheSectionAtTheEnd)
{
    EXPECT_EQ(applied("", "V"), "[Morvanex]\r\nFooterString=V\r\n");
    EXPECT_EQ(applied("[Next]\r\nA=2\r\n", "V"), "[Next]\r\nA=2\r\n[Morvanex]\r\nFooterString=V\r\n");
    EXPECT_EQ(applied("[Next]\r\nA=2", "V"), "[Next]\r\nA=2\r\n[Morvanex]\r\nFooterString=V\r\n");
    EXPECT_EQ(applied("[Next]\nA=2\nB=3\r\n", "V"), "[Next]\nA=2\nB=3\r\n[Morvanex]\nFooterString=V\n");
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
        EXPECT_EQ(findProfileValue(*written, kSection, kKey), value) << ::testing::PrintToString(file);
        EXPECT_EQ(findProfileValue(*written, "Other", "x"), findProfileValue(file, "Other", "x"));
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
