// morvanex-cli under system limits: no thread to spare, less memory than an image needs.
#include "process.h"
#include "support/temp_dir.h"

#include "footer/footer_encoder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace morvanex::test {
namespace {

constexpr const char* prlimit = "/usr/bin/prlimit";
constexpr const char* setpriv = "/usr/bin/setpriv";
constexpr const char* nobody = "65534";

bool runnable(const char* tool)
{
    return access(tool, X_OK) == 0;
}

TEST(Limits, CatalogueLoadsWhenNoThreadCanBeStarted)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, to run the command as an unprivileged user whose task limit applies";
    if (!runnable(prlimit) || !runnable(setpriv))
        GTEST_SKIP() << "needs prlimit and setpriv (util-linux)";
    TempDir dir;
    // Several descriptors, so that the images would be read on several threads.
    for (const char* name : {"a", "b", "c"}) {
        dir.write(std::string("TXT/") + name + ".txt", std::string("ARQUIVO: ") + name + ".bin\n");
        dir.write(std::string("Bin/") + name + ".bin", "abc");
    }
    // The unprivileged user must reach the program and the workspace wherever the build lies.
    const auto cli = dir.path() / "morvanex-cli";
    std::filesystem::copy_file(MORVANEX_CLI, cli);
    std::filesystem::permissions(dir.path(),
                                 std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);

    const auto r =
        runProcess(prlimit, {"--nproc=1", setpriv, "--reuid", nobody, "--regid", nobody, "--clear-groups",
                             cli.string(), "catalogue", "--dir", dir.path().string()});
    if (r.exitCode != 0 && r.err.find("Resource temporarily unavailable") != std::string::npos &&
        r.err.find("setpriv") != std::string::npos)
        GTEST_SKIP() << "the unprivileged user already runs other processes: " << r.err;
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4) << r.out;
    EXPECT_NE(r.out.find("c.bin\t\t\t\t58E9\t0126\t0"), std::string::npos) << r.out;
}

TEST(Limits, AnImageTooLargeForMemoryIsNotFound)
{
    if (!runnable(prlimit))
        GTEST_SKIP() << "needs prlimit (util-linux)";
    TempDir dir;
    dir.write("TXT/big.txt", "ARQUIVO: big.bin\n");
    dir.write("Bin/big.bin", "");
    // Sparse: five GiB of zero bytes that take no disk. Their CRC-16 and sum are both 0000.
    std::filesystem::resize_file(dir.path() / "Bin/big.bin", std::uintmax_t{5} << 30);
    // An older file: the catalogue's two checksums then come from one read of it.
    std::filesystem::last_write_time(dir.path() / "Bin/big.bin",
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    const std::string code = *encodeFooter(std::span<const std::uint8_t>(), 1, "000000", 1,
                                           "00000000000000000000"); // checksum 0000

    const auto r = runProcess(
        prlimit, {"--as=3221225472", MORVANEX_CLI, "validate", "--dir", dir.path().string(), code});
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("cannot read image 'big.bin': not enough memory"), std::string::npos) << r.err;
}

} // namespace
} // namespace morvanex::test
