#include "support/temp_dir.h"
#include "selftest/test_log.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace morvanex {
namespace {

TEST(TestLog, FirstLineCreatesTheFileAndLaterLinesAppend)
{
    test::TempDir folder;
    const TestLog log(folder.path());
    ASSERT_FALSE(std::filesystem::exists(folder.path() / "TestEncript.txt"));
    EXPECT_TRUE(log.appendLine("RETORNO OK"));
    EXPECT_EQ(folder.read("TestEncript.txt"), "RETORNO OK\r\n");
    EXPECT_TRUE(log.appendLine(std::string("a\0b", 3)));
    EXPECT_TRUE(log.appendLine("\r\n"));
    EXPECT_EQ(folder.read("TestEncript.txt"), std::string("RETORNO OK\r\na\0b\r\n\r\n\r\n", 21));
}

TEST(TestLog, EarlierContentStays)
{
    test::TempDir folder;
    folder.write("TestEncript.txt", "run of yesterday\r\n");
    EXPECT_TRUE(TestLog(folder.path()).appendLine("No.S\xC9RIE"));
    EXPECT_EQ(folder.read("TestEncript.txt"), "run of yesterday\r\nNo.S\xC9RIE\r\n");
}

TEST(TestLog, AnExistingLogUnderAnotherLetterCaseIsTheSameFile)
{
    test::TempDir folder;
    folder.write("testencript.TXT", "old\r\n");
    EXPECT_TRUE(TestLog(folder.path()).appendLine("new"));
    EXPECT_EQ(folder.read("testencript.TXT"), "old\r\nnew\r\n");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "TestEncript.txt"));
}

TEST(TestLog, ALineThatCannotBeWrittenIsDroppedAndTheNextOneTriesAgain)
{
    test::TempDir folder;
    std::filesystem::create_directory(folder.path() / "TestEncript.txt");
    const TestLog log(folder.path());
    EXPECT_FALSE(log.appendLine("lost"));
    std::filesystem::remove(folder.path() / "TestEncript.txt");
    EXPECT_TRUE(log.appendLine("kept"));
    EXPECT_EQ(folder.read("TestEncript.txt"), "kept\r\n");

    // A folder that does not exist cannot hold the log either.
    EXPECT_FALSE(TestLog(folder.path() / "missing").appendLine("lost"));
}

} // namespace
} // namespace morvanex
