#include "register/file_register.h"
#include "register/record_index.h"
#include "register/register_format.h"
#include "register/register_merge.h"
#include "register_records.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace morvanex {
namespace {

#ifdef _WIN32
constexpr bool windowsShell = true;
#else
constexpr bool windowsShell = false;
#endif

// The command line std::system runs: cmd.exe drops the outer pair of quotes of a line that has more.
std::string shellLine(const std::vector<std::string>& words)
{
    std::string line;
    for (const std::string& word : words)
        line += (line.empty() ? "\"" : " \"") + word + "\"";
    return windowsShell ? "\"" + line + "\"" : line;
}

TEST(SharedRegister, TwoProcessesAppendingAtOnceLeaveEveryRecordWhole)
{
    test::TempDir folder;
    const std::filesystem::path path = folder.path() / "registro.txt";
    const std::string writer = std::filesystem::path(MORVANEX_REGISTER_WRITER).make_preferred().string();
    constexpr int perProcess = 5000;
    int status[2] = {-1, -1};
    const std::string cnpjs[2] = {test::cnpjA, test::cnpjB};
    {
        std::jthread a([&] {
            status[0] = std::system(shellLine({writer, path.string(), "5000", cnpjs[0]}).c_str());
        });
        std::jthread b([&] {
            status[1] = std::system(shellLine({writer, path.string(), "5000", cnpjs[1]}).c_str());
        });
    }
    ASSERT_EQ(status[0], 0);
    ASSERT_EQ(status[1], 0);

    std::vector<std::string> warnings;
    std::string error;
    const auto reg = openFileRegister(
        path, [&](const std::string& w) { warnings.push_back(w); }, &error);
    ASSERT_TRUE(reg) << error;
    RecordIndex index;
    ASSERT_TRUE(indexRecords(*reg, index, &error)) << error;
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    EXPECT_EQ(index.records(), 2u * perProcess);
    // Both checked the same documents, each with its own CNPJ.
    EXPECT_EQ(index.clones().size(), static_cast<std::size_t>(perProcess));
    const std::string text = folder.read("registro.txt");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 2 * perProcess);
}

// A tmpfs of a few pages, mounted for the test: only where the test may mount (root on Linux).
class SmallFileSystem
{
public:
    explicit SmallFileSystem(const std::filesystem::path& where) : m_where(where)
    {
        std::filesystem::create_directory(where);
        m_mounted =
            std::system(("mount -t tmpfs -o size=16k tmpfs '" + where.string() + "' 2>/dev/null").c_str()) ==
            0;
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            (void)std::system(("umount '" + m_where.string() + "'").c_str());
    }
    bool mounted() const { return m_mounted; }
    bool readOnly() const
    {
        return std::system(("mount -o remount,ro '" + m_where.string() + "'").c_str()) == 0;
    }

private:
    std::filesystem::path m_where;
    bool m_mounted = false;
};

TEST(SharedRegister, AFullOrReadOnlyDiskLosesNothingAlreadyWritten)
{
    test::TempDir folder;
    SmallFileSystem disk(folder.path() / "disk");
    if (!disk.mounted())
        GTEST_SKIP() << "a tmpfs cannot be mounted here (the test needs root)";
    const std::filesystem::path path = folder.path() / "disk" / "registro.txt";
    std::string error;
    std::unique_ptr<CheckRegister> reg = openFileRegister(path, {}, &error);
    ASSERT_TRUE(reg) << error;
    // Flushed one by one until the disk is full: the failing block is cut back whole.
    std::string before;
    int written = 0;
    bool full = false;
    for (int i = 0; i < 400 && !full; ++i) {
        test::Document document{.coo = std::to_string(100000 + i)};
        ASSERT_TRUE(reg->check(test::checkOf(document, test::cnpjA), &error)) << error;
        before = folder.read("disk/registro.txt");
        full = !reg->flush(&error);
        written += full ? 0 : 1;
    }
    ASSERT_TRUE(full);
    EXPECT_NE(error.find("registro.txt"), std::string::npos) << error;
    EXPECT_EQ(folder.read("disk/registro.txt"), before);
    // Answers go on: the record that could not be written counts in this process.
    const auto answer = reg->check(test::checkOf(test::Document{.coo = "100000"}, test::cnpjB), &error);
    ASSERT_TRUE(answer) << error;
    EXPECT_EQ(answer->status, DocumentStatus::Clone);
    EXPECT_FALSE(reg->flush(&error));
    reg.reset();
    EXPECT_EQ(folder.read("disk/registro.txt"), before);

    ASSERT_TRUE(disk.readOnly());
    std::vector<std::string> warnings;
    reg = openFileRegister(
        path, [&](const std::string& w) { warnings.push_back(w); }, &error);
    ASSERT_TRUE(reg) << error;
    const auto repeat = reg->check(test::checkOf(test::Document{.coo = "100000"}, test::cnpjA), &error);
    ASSERT_TRUE(repeat) << error;
    EXPECT_EQ(repeat->checks, 2u);
    EXPECT_FALSE(reg->flush(&error));
    EXPECT_NE(error.find("Read-only"), std::string::npos) << error;
    std::size_t records = 0;
    ASSERT_TRUE(reg->forEachRecord([&](const CheckRecord&) { ++records; }, &error));
    EXPECT_EQ(records, static_cast<std::size_t>(written) + 1); // the one waiting in this process
    EXPECT_TRUE(warnings.empty());
}

} // namespace
} // namespace morvanex
