#include "e2e/temp_dir.h"
#include "selftest/test_log.h"

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

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

// None of these may take the log, and none may hold the writer: a FIFO's open would wait for a reader.
TEST(TestLog, OnlyARegularFileTakesTheLog)
{
    test::TempDir folder;
    const std::filesystem::path log = folder.path() / "TestEncript.txt";
    int reader = -1;
    const struct
    {
        const char* what;
        std::function<void()> make;
    } files[] = {
        {"a folder", [&] { std::filesystem::create_directory(log); }},
        {"a FIFO nobody reads", [&] { ASSERT_EQ(::mkfifo(log.c_str(), 0644), 0); }},
        {"a FIFO with a reader",
         [&] {
             ASSERT_EQ(::mkfifo(log.c_str(), 0644), 0);
             reader = ::open(log.c_str(), O_RDONLY | O_NONBLOCK);
         }},
        {"a link to a device", [&] { std::filesystem::create_symlink("/dev/full", log); }},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.what);
        file.make();
        std::string problem;
        EXPECT_FALSE(TestLog(folder.path()).appendLine("lost", &problem));
        EXPECT_EQ(problem, "cannot write '" + log.string() + "': not a regular file");
        if (reader >= 0) {
            char byte = 0;
            EXPECT_LE(::read(reader, &byte, 1), 0) << "nothing reached the reader";
            ::close(reader);
            reader = -1;
        }
        std::filesystem::remove(log);
    }
}

} // namespace
} // namespace morvanex
