#include "process.h"
#include "support/temp_dir.h"

#include "footer/footer_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace morvanex::test {
namespace {

const std::string cnpj = "0012.345.678/0001.95";

class CliFailures : public ::testing::Test
{
protected:
    TempDir dir;
    std::vector<std::uint8_t> image = randomBytes(5000, 4);
    std::string workspace = dir.path().string();
    std::string code = *encodeFooter(image, 41, "42020B", 0x482318BE, cnpj);

    void SetUp() override
    {
        dir.write("TXT/a.txt", "ARQUIVO: a.bin\nMODELO: A\n");
        dir.write("Bin/a.bin", image);
        std::filesystem::create_directory(dir.path() / "empty");
    }
};

// Runs the CLI through "sh -c script", where "$@" stands for the CLI and its arguments.
ProcessResult runShell(const std::string& script, std::vector<std::string> args,
                       const std::string& input = {})
{
    args.insert(args.begin(), {"-c", script, "sh", MORVANEX_CLI});
    return runProcess("/bin/sh", args, input);
}

TEST_F(CliFailures, InputOutputAndSetUpFailuresAreNoVerdict)
{
    const std::string huge = (dir.path() / "huge.bin").string();
    std::filesystem::resize_file(dir.write("huge.bin", ""), std::uintmax_t{5} << 30); // sparse
    const std::string typo = workspace + "/nope", empty = workspace + "/empty";
    const std::string plain = "exec \"$@\"", full = "exec \"$@\" >/dev/full";
    // Its status, not head's: a reader that stops after one line leaves the rest unwritable.
    const std::string status = (dir.path() / "status").string();
    const std::string intoHead = "{ \"$@\"; echo $? >'" + status + "'; } | head -1 >/dev/null; exit $(cat '" + status + "')";
    std::string manyCodes;
    for (int i = 0; i < 3000; ++i)
        manyCodes += code + "\n";
    const auto encode = [this](const std::string& image) {
        return std::vector<std::string>{"encode", "--image", image, "--coo", "1", "--serial", "42020B",
                                        "--time", "0",       "--cnpj", cnpj};
    };
    struct Case
    {
        std::string script;
        std::vector<std::string> args;
        int status;
        std::string err;
        std::string input = {};
    };
    const Case cases[] = {
        {plain + " <'" + workspace + "'", {"validate", "--dir", workspace, "-"}, 74, "read standard input"},
        {full, {"validate", "--dir", workspace, code}, 74, "write standard output"},
        {full, {"validate", "--dir", workspace, "-"}, 74, "write standard output", code + "\n" + code + "\n"},
        {intoHead, {"validate", "--dir", workspace, "-"}, 74, "write standard output", manyCodes},
        {full, {"catalogue", "--dir", workspace}, 74, "write standard output"},
        {full, encode((dir.path() / "Bin/a.bin").string()), 74, "write standard output"},
        {plain, {"validate", "--dir", typo, code}, 66, "no such folder"},
        {plain, {"catalogue", "--dir", typo}, 66, "no such folder"},
        {plain, {"selftest", "--dir", typo, "--cycles", "1"}, 66, "no such folder"},
        {plain, {"printer-sim", "--device", "/dev/null", "--dir", typo}, 66, "no such folder"},
        {plain, {"validate", "--dir", empty, code}, 66, "catalogue"},
        {"exec prlimit --as=3221225472 \"$@\"", encode(huge), 74, "not enough memory"},
    };
    for (const Case& c : cases) {
        const auto r = runShell(c.script, c.args, c.input);
        const std::string what = c.script + " " + c.args.front() + " " + c.args[2];
        EXPECT_EQ(r.exitCode, c.status) << what << "\n" << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << what << "\n" << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << what << "\n" << r.err;
    }

    // An empty catalogue is still a catalogue to list, with a warning.
    const auto listed = runCli({"catalogue", "--dir", empty});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 1);
    EXPECT_NE(listed.err.find("warning"), std::string::npos);
}

// What cannot be read is reported as such, never as a verdict on the document. Run as an unprivileged
// user, whom permissions stop (root reads whatever it likes).
TEST_F(CliFailures, UnreadableImagesAndFoldersAreNoVerdict)
{
    std::vector<std::string> asUser;
    if (::geteuid() == 0) {
        if (::access("/usr/bin/setpriv", X_OK) != 0)
            GTEST_SKIP() << "needs setpriv (util-linux) to drop root";
        asUser = {"/usr/bin/setpriv", "--reuid", "65534", "--regid", "65534", "--clear-groups"};
        std::filesystem::permissions(dir.path(), std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
                                     std::filesystem::perm_options::add);
    }
    const auto cli = dir.path() / "morvanex-cli";
    std::filesystem::copy_file(MORVANEX_CLI, cli);
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), cli.string());
        args.insert(args.begin(), asUser.begin(), asUser.end());
        const std::string program = args.front();
        return runProcess(program, std::vector<std::string>(args.begin() + 1, args.end()), code + "\n");
    };
    using std::filesystem::perms;
    const struct
    {
        std::string locked;
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {"Bin/a.bin", {"validate", "--dir", workspace, code}, 74, "cannot read image 'a.bin': Permission denied"},
        {"Bin/a.bin", {"validate", "--dir", workspace, "-"}, 74, "cannot read image 'a.bin': Permission denied"},
        {"Bin/a.bin", {"catalogue", "--dir", workspace}, 0, "warning: row 0: cannot read image 'a.bin'"},
        {"TXT", {"validate", "--dir", workspace, code}, 74, "cannot read folder"},
        {"TXT", {"catalogue", "--dir", workspace}, 74, "cannot read folder"},
        {"TXT", {"selftest", "--dir", workspace, "--cycles", "1"}, 74, "cannot read folder"},
        {"TXT", {"printer-sim", "--device", "/dev/null", "--dir", workspace}, 74, "cannot read folder"},
        {"Bin", {"validate", "--dir", workspace, code}, 74, "cannot read folder"},
    };
    for (const auto& c : cases) {
        const auto locked = dir.path() / c.locked;
        const auto before = std::filesystem::status(locked).permissions();
        std::filesystem::permissions(locked, perms::none);
        const auto r = run(c.args);
        std::filesystem::permissions(locked, before);
        EXPECT_EQ(r.exitCode, c.status) << c.locked << " " << c.args.front() << "\n" << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.locked << " " << c.args.front() << "\n" << r.err;
    }
    EXPECT_EQ(run({"validate", "--dir", workspace, code}).exitCode, 0) << "readable again";
}

TEST_F(CliFailures, BatchAnswersEachLineBeforeWaitingForTheNext)
{
    // The feeder sends the next line only once the answer to the last one is in the output file, and
    // says so on stderr when it waited in vain (10 s).
    const std::string feeder = R"(out=$1; first=$2; second=$3; shift 3
awaits() { i=0; until grep -qF -- "$1" "$out"; do i=$((i+1));
  [ $i -gt 200 ] && { echo "held back: $1" >&2; return; }; sleep 0.05; done; }
{ printf '%s\n' ")" + code + R"("; awaits "$first"; printf 'not a code\n'; awaits "$second"; } | "$@" >"$out")";
    for (const bool json : {false, true}) {
        std::vector<std::string> args{(dir.path() / "answers").string(),
                                      json ? R"("byteSwapped":false}})" : "ARQUIVO\ta.bin",
                                      json ? R"({"status":"InvalidString"})" : "InvalidString",
                                      MORVANEX_CLI, "validate", "--dir", workspace, "-"};
        if (json)
            args.push_back("--json");
        args.insert(args.begin(), {"-c", feeder, "sh"});
        const auto r = runProcess("/bin/sh", args);
        EXPECT_EQ(r.exitCode, 10);
        EXPECT_EQ(r.err.find("held back"), std::string::npos) << r.err;
    }
}

// A parent may hand over standard input non-blocking; lines that come later are waited for.
TEST_F(CliFailures, NonBlockingStandardInputIsWaitedOn)
{
    int in[2], out[2];
    ASSERT_EQ(::pipe(in), 0);
    ASSERT_EQ(::pipe(out), 0);
    ASSERT_EQ(::fcntl(in[0], F_SETFL, O_NONBLOCK), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        for (const int fd : {in[0], in[1], out[0], out[1]})
            ::close(fd);
        ::execl(MORVANEX_CLI, MORVANEX_CLI, "validate", "--dir", workspace.c_str(), "-", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    for (int line = 0; line < 2; ++line) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the reader finds nothing at first
        const std::string text = code + "\n";
        ASSERT_EQ(::write(in[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    ::close(in[1]);
    std::string answers;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        answers.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(std::count(answers.begin(), answers.end(), '\n'), 18) << answers;
}

TEST_F(CliFailures, ControlCharactersInValuesAreEscaped)
{
    dir.write("TXT/a.txt", "ARQUIVO: a.bin\nMODELO: tab\there\nMARCA: \x1b[31mred\rback\\slash\x7f\n");
    const auto catalogue = runCli({"catalogue", "--dir", workspace});
    ASSERT_EQ(catalogue.exitCode, 0);
    const std::string row = catalogue.out.substr(catalogue.out.find('\n') + 1);
    EXPECT_EQ(row.rfind("0\ta.bin\ttab\\there\t\t\\x1b[31mred\\rback\\\\slash\\x7f\t", 0), 0u) << row;
    EXPECT_EQ(std::count(row.begin(), row.end(), '\t'), 7);
    EXPECT_EQ(std::count(row.begin(), row.end(), '\n'), 1);

    const auto result = runCli({"validate", "--dir", workspace, code});
    ASSERT_EQ(result.exitCode, 0);
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 9);
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\t'), 9);
    EXPECT_NE(result.out.find("\nMODELO\ttab\\there\n"), std::string::npos) << result.out;
}

} // namespace
} // namespace morvanex::test
