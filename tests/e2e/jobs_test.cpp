// validate - with one job and with several: the same bytes on stdout and stderr, the same exit status
// and the same register, whatever the lines; progress only on a terminal's stderr.
#include "process.h"
#include "support/temp_dir.h"

#include "firmware/image_file.h"
#include "footer/footer_encoder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

namespace morvanex::test {
namespace {

const std::string cnpjA = "0012.345.678/0001.95";
const std::string cnpjB = "0098.765.432/0001.10";

// A plain and a byte-swapped model, and two rows naming one image.
class CliJobs : public ::testing::Test
{
protected:
    TempDir dir;
    std::vector<std::uint8_t> plain = randomBytes(70000, 1);
    std::vector<std::uint8_t> swapped = randomBytes(50001, 2);
    std::vector<std::uint8_t> shared = randomBytes(30000, 3);
    std::vector<std::uint8_t> foreign = randomBytes(20000, 4); // in no catalogue

    void SetUp() override
    {
        dir.write("TXT/1plain.txt", "ARQUIVO: plain.bin\nMODELO: P-1\nMARCA: Marca\xE9\nVERSAO: 1.0\n");
        dir.write("TXT/2swap.txt", "MODELO: XR-55-LQ\nARQUIVO: swap.bin\nMARCA: S\nVERSAO: 2\n");
        dir.write("TXT/3shared.txt", "ARQUIVO: shared.bin\nMODELO: SH-A\n");
        dir.write("TXT/4shared.txt", "ARQUIVO: shared.bin\nMODELO: SH-B\n");
        dir.write("Bin/plain.bin", plain);
        dir.write("Bin/swap.bin", swapped);
        dir.write("Bin/shared.bin", shared);
        // A copy whose catalogue names an image that is not there: a code of unknown firmware is then
        // ImageUnreadable.
        std::filesystem::create_directory(dir.path() / "broken");
        for (const char* folder : {"TXT", "Bin"})
            std::filesystem::copy(dir.path() / folder, dir.path() / "broken" / folder);
        dir.write("broken/TXT/5missing.txt", "ARQUIVO: missing.bin\nMODELO: M\n");
    }

    static std::string code(std::vector<std::uint8_t> image, bool swap, std::uint32_t coo,
                            const std::string& cnpj = cnpjA)
    {
        if (swap)
            swapBytePairs(image);
        return *encodeFooter(image, coo, "42020B", 0x482318BE + coo * 61, cnpj);
    }

    // rounds of every kind of line: valid codes of both models (new COOs, and repeats), an ambiguous
    // one, unknown firmware, an implausible one, a code and its twin with another CNPJ (a clone for a
    // register), a typo, a malformed line, an overlong one and a blank one.
    std::vector<std::string> mixedLines(std::uint32_t rounds) const
    {
        std::vector<std::string> lines;
        for (std::uint32_t i = 0; i < rounds; ++i) {
            std::string typo = code(plain, false, i + 1);
            typo[i % 8] = typo[i % 8] == 'A' ? 'B' : 'A';
            std::string implausible = code(plain, false, i);
            // Groups 4 and 5 overwritten after the checksum's mask digits: the checksum still reads right.
            for (std::size_t p = 31; p < implausible.size(); ++p)
                implausible[p] = p == 35 ? ' ' : '=';
            lines.insert(lines.end(), {code(plain, false, i), code(swapped, true, i), code(shared, false, i),
                                       code(foreign, false, i), implausible, code(plain, false, i % 7),
                                       code(plain, false, i % 5, cnpjB), typo, "not a code",
                                       code(plain, false, 1000 + i) + std::string(5000, ' ') + "x", ""});
        }
        return lines;
    }
    static std::string joined(const std::vector<std::string>& lines, std::size_t count)
    {
        std::string text;
        for (std::size_t i = 0; i < count; ++i)
            text += lines[i % lines.size()] + (i % 3 ? "\n" : "\r\n");
        return text;
    }

    ProcessResult validate(const std::string& workspace, std::vector<std::string> args, const std::string& input)
    {
        args.insert(args.begin(), {"validate", "--dir", (dir.path() / workspace).string()});
        args.push_back("-");
        return runCli(args, input);
    }
};

// Times of checks differ from run to run; nothing else may.
std::string withoutTimes(const std::string& text)
{
    static const std::regex time(R"(\d{4}-\d\d-\d\d[ T]\d\d:\d\d:\d\dZ?)");
    return std::regex_replace(text, time, "TIME");
}

// A register's records without the time of the check and the line's CRC-32, which covers it.
std::string recordsWithoutTimes(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::string records;
    for (std::string line; std::getline(in, line);) {
        const auto first = line.find('\t');
        records += line.substr(first, line.rfind('\t') - first) + "\n";
    }
    return records;
}

TEST_F(CliJobs, OneJobAndManyGiveTheSameAnswers)
{
    struct Case
    {
        std::string workspace;
        std::vector<std::string> args;
        std::uint32_t rounds;
        int status;
        std::string shows; // in stdout, so that the case is what it says
        bool registered = false;
    };
    const Case cases[] = {
        {".", {}, 40, 10, "Ambiguous\nFirmwareNotFound\nImplausible\n"},
        {".", {"--json"}, 40, 10, R"("status":"Implausible")"},
        {".", {"--expect-cnpj", cnpjA}, 40, 10, "CnpjMismatch\n"},
        {".", {"--row", "2"}, 40, 10, "MODELO\tSH-A\n"},
        {".", {"--suggest"}, 6, 10, "SUGESTÃO\t"},
        {".", {"--suggest", "--json"}, 6, 10, R"("suggestions":[{"code")"},
        {"broken", {}, 40, 74, "ImageUnreadable\n"},
        {"broken", {"--json", "--suggest"}, 6, 74, R"("unreadableImages":[{"fileName":"missing.bin")"},
        {".", {}, 40, 10, "REGISTRO\tCLONE: ", true},
        {".", {"--json"}, 40, 10, R"("register":{"status":"repeat")", true},
        {".", {"--expect-cnpj", cnpjB}, 40, 10, "REGISTRO\tCLONE: ", true},
    };
    for (const Case& c : cases) {
        const std::string input = joined(mixedLines(c.rounds), c.rounds * 11);
        std::string what = c.workspace;
        for (const std::string& arg : c.args)
            what += " " + arg;
        ProcessResult runs[2];
        const char* jobs[2] = {"1", "4"};
        for (int i = 0; i < 2; ++i) {
            std::vector<std::string> args = c.args;
            args.insert(args.end(), {"--jobs", jobs[i]});
            if (c.registered)
                args.insert(args.end(), {"--register", (dir.path() / ("registro" + std::to_string(i))).string()});
            runs[i] = validate(c.workspace, args, input);
        }
        EXPECT_EQ(runs[0].exitCode, c.status) << what << "\n" << runs[0].err;
        EXPECT_NE(runs[0].out.find(c.shows), std::string::npos) << what;
        EXPECT_EQ(runs[1].exitCode, runs[0].exitCode) << what;
        if (c.registered) {
            EXPECT_EQ(withoutTimes(runs[1].out), withoutTimes(runs[0].out)) << what;
            const std::string records = recordsWithoutTimes(dir.path() / "registro0");
            EXPECT_EQ(recordsWithoutTimes(dir.path() / "registro1"), records) << what;
            EXPECT_GT(std::count(records.begin(), records.end(), '\n'), 4 * c.rounds) << what;
            std::filesystem::remove(dir.path() / "registro0");
            std::filesystem::remove(dir.path() / "registro1");
        } else {
            EXPECT_EQ(runs[1].out, runs[0].out) << what;
        }
        EXPECT_EQ(runs[1].err, runs[0].err) << what;
    }
}

TEST_F(CliJobs, AHundredThousandMixedLinesAsOneJobGivesThem)
{
    const std::string input = joined(mixedLines(150), 100000);
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, std::vector<std::string>{"--json"}}) {
        std::vector<std::string> oneJob = args;
        oneJob.insert(oneJob.end(), {"--jobs", "1"});
        const auto one = validate(".", oneJob, input);
        const auto every = validate(".", args, input);
        EXPECT_EQ(one.exitCode, 10);
        EXPECT_EQ(every.exitCode, one.exitCode);
        // One JSON object per line; in text, nine lines for a valid code and one for any other.
        const auto lines = std::count(one.out.begin(), one.out.end(), '\n');
        if (args.empty())
            EXPECT_GT(lines, 100000);
        else
            EXPECT_EQ(lines, 100000);
        EXPECT_TRUE(every.out == one.out) << "stdout differs, " << every.out.size() << " bytes against " << one.out.size();
        EXPECT_TRUE(every.err == one.err) << "stderr differs, " << every.err.size() << " bytes against " << one.err.size();
    }
}

// A reader that goes away from an endless batch ends it, threads and all.
TEST_F(CliJobs, AReaderThatGoesAwayEndsAnEndlessBatch)
{
    const std::string status = (dir.path() / "status").string();
    const std::string script = "yes '" + code(plain, false, 1) + "' | { \"$@\"; echo $? >'" + status +
                               "'; } | head -1 >/dev/null; exit $(cat '" + status + "')";
    const auto r = runProcess("/bin/sh", {"-c", script, "sh", cliUnderTest(), "validate", "--dir",
                                          dir.path().string(), "--jobs", "4", "-"});
    EXPECT_EQ(r.exitCode, 74) << r.err;
    EXPECT_EQ(r.err.find("cannot write standard output"), r.err.rfind("cannot write standard output")) << r.err;
    EXPECT_NE(r.err.find("cannot write standard output"), std::string::npos) << r.err;
}

// What a terminal shows of text with CR: each CR goes back to the line's start, later text overwrites,
// blanks at a line's end do not show. The last line, unended, must be blank.
std::string shownOnTerminal(const std::string& bytes, std::string* unended)
{
    std::string shown, line;
    std::size_t column = 0;
    const auto trimmed = [](std::string text) { return text.erase(text.find_last_not_of(' ') + 1); };
    for (const char c : bytes) {
        if (c == '\r') {
            column = 0;
        } else if (c == '\n') {
            shown += trimmed(line) + "\n";
            line.clear();
            column = 0;
        } else {
            if (column == line.size())
                line += c;
            else
                line[column] = c;
            ++column;
        }
    }
    *unended = trimmed(line);
    return shown;
}

// With stderr on a terminal and the codes from a file, the progress line comes and goes on stderr: what
// the terminal is left showing is the messages alone, and stdout is untouched.
TEST_F(CliJobs, ProgressOnlyOnATerminalAndClearedAgain)
{
    const std::filesystem::path input = dir.write("codes.txt", joined(mixedLines(60), 60000));
    const std::filesystem::path output = dir.path() / "answers";
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(::grantpt(terminal), 0);
    ASSERT_EQ(::unlockpt(terminal), 0);
    const std::string side = ::ptsname(terminal);
    const std::string cli = cliUnderTest(), workspace = dir.path().string();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int in = ::open(input.c_str(), O_RDONLY);
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(side.c_str(), O_WRONLY | O_NOCTTY);
        if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
            ::_exit(127);
        ::execl(cli.c_str(), cli.c_str(), "validate", "--dir", workspace.c_str(), "-", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string transcript;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(terminal, buffer, sizeof buffer);
        if (n > 0)
            transcript.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break; // EIO once the program has closed its side
    }
    ::close(terminal);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << status;

    std::ifstream answers(output);
    const std::string out{std::istreambuf_iterator<char>(answers), std::istreambuf_iterator<char>()};
    const auto plainRun = runCli({"validate", "--dir", workspace, "-"}, dir.read("codes.txt"));
    EXPECT_EQ(WEXITSTATUS(status), plainRun.exitCode);
    EXPECT_TRUE(out == plainRun.out) << "stdout differs on a terminal";
    EXPECT_EQ(plainRun.err.find("lines/s"), std::string::npos) << "no progress when stderr is no terminal";
    std::string unended;
    EXPECT_TRUE(shownOnTerminal(transcript, &unended) == plainRun.err) << "the terminal shows more than the messages";
    EXPECT_EQ(unended, "") << "the progress line was left standing";
}

} // namespace
} // namespace morvanex::test
