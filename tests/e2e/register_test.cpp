#include "process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

namespace morvanex::test {
namespace {

namespace fs = std::filesystem;

// The demo code and its data (demo/README).
const std::string demoCode = "DB96KACG KVFMOGRA HNHDGKN7 DB84H686 KKEKK9D36IG8";
const std::string cnpjA = "0012.345.678/0001.95";
const std::string cnpjB = "0098.765.432/0001.10";
constexpr const char* setpriv = "/usr/bin/setpriv";
constexpr const char* nobody = "65534";

std::size_t count(const std::string& text, const std::string& piece)
{
    std::size_t n = 0;
    for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++n;
    return n;
}

// A copy of the demo workspace (so that its modes can change) and registers beside it.
class RegisterCli : public ::testing::Test
{
protected:
    TempDir dir;
    fs::path demo = dir.path() / "demo";
    std::string registerFile = (dir.path() / "registro.txt").string();

    void SetUp() override
    {
        fs::copy(MORVANEX_DEMO_DIR, demo, fs::copy_options::recursive);
        // Closed to others whatever the umask, as a workspace of one's own is.
        fs::permissions(demo, fs::perms(0755));
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(demo))
            fs::permissions(entry.path(), entry.is_directory() ? fs::perms(0755) : fs::perms(0644));
    }

    // What `encode` makes of the demo image with the demo code's serial.
    std::string encoded(const std::string& coo, const std::string& time, const std::string& cnpj)
    {
        const auto r = runCli({"encode", "--image", (demo / "Bin/ARGOS210.BIN").string(), "--coo", coo, "--serial",
                               "4A0B12", "--time", time, "--cnpj", cnpj});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out.substr(0, r.out.find('\n'));
    }
    // The demo code's twin: the same image, COO, serial and moment, another CNPJ.
    std::string twin() { return encoded("1234", "1206367509", cnpjB); }

    // validate with the register reg.
    ProcessResult validateIn(const std::string& reg, std::vector<std::string> args, const std::string& input = {})
    {
        args.insert(args.begin(), {"validate", "--dir", demo.string(), "--register", reg});
        return runCli(args, input);
    }
    ProcessResult validate(std::vector<std::string> args, const std::string& input = {})
    {
        return validateIn(registerFile, std::move(args), input);
    }
};

// The REGISTRO lines the answer carries.
std::vector<std::string> registerLines(const std::string& out)
{
    std::vector<std::string> lines;
    const std::regex line("(^|\n)(REGISTRO\t[^\n]*)");
    for (std::sregex_iterator it(out.begin(), out.end(), line), end; it != end; ++it)
        lines.push_back((*it)[2]);
    return lines;
}

TEST_F(RegisterCli, ARepeatAndACloneInEitherOrder)
{
    const std::string clone = twin();
    const struct
    {
        std::string code;
        int status;
        std::string said;
    } sequences[][3] = {
        {{demoCode, 0, "REGISTRO\tprimeira verificação"},
         {demoCode, 0, "REGISTRO\tverificado 2 vezes, primeira em "},
         {clone, 7, "REGISTRO\tCLONE: o mesmo documento foi verificado com o CNPJ " + cnpjA + " em "}},
        {{clone, 0, "REGISTRO\tprimeira verificação"},
         {demoCode, 7, "REGISTRO\tCLONE: o mesmo documento foi verificado com o CNPJ " + cnpjB + " em "},
         {clone, 7, "REGISTRO\tCLONE: o mesmo documento foi verificado com o CNPJ " + cnpjA + " em "}},
    };
    for (std::size_t s = 0; s < std::size(sequences); ++s) {
        const std::string reg = (dir.path() / ("order" + std::to_string(s))).string();
        for (const auto& step : sequences[s]) {
            const auto r = validateIn(reg, {step.code});
            EXPECT_EQ(r.exitCode, step.status) << s << " " << step.code << "\n" << r.err;
            const auto lines = registerLines(r.out);
            ASSERT_EQ(lines.size(), 1u) << r.out;
            EXPECT_EQ(lines[0].rfind(step.said, 0), 0u) << lines[0];
            // After the code's nine rows.
            EXPECT_NE(r.out.find("ARQUIVO\tARGOS210.BIN\nREGISTRO\t"), std::string::npos) << r.out;
        }
    }
    // Without --register, the same bytes as before and nothing recorded.
    const auto plain = runCli({"validate", "--dir", demo.string(), clone});
    const auto recorded = validate({clone});
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_EQ(recorded.out.substr(0, plain.out.size()), plain.out);
    EXPECT_EQ(recorded.out.substr(plain.out.size()).rfind("REGISTRO\t", 0), 0u);
}

// A retargeted code whose twin was never checked, from a printer that was: a notice, exit 0.
TEST_F(RegisterCli, APrinterSeenWithAnotherCnpjIsANotice)
{
    const std::string other = encoded("4321", "1206453909", cnpjB);
    ASSERT_EQ(validate({demoCode}).exitCode, 0);
    const auto text = validate({other});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("REGISTRO\tprimeira verificação\nIMPRESSORA\testa impressora emitiu 1 documento para o "
                            "CNPJ " + cnpjA + ", o último em 2008-03-24 14:05:09\n"),
              std::string::npos)
        << text.out;
    const auto json = validate({"--json", other});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_NE(json.out.find(R"("register":{"status":"repeat","checks":2,)"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find(R"("printerCnpjs":[{"cnpj":")" + cnpjA + R"(","documents":1,"last":"2008-03-24T14:05:09"}]})"),
              std::string::npos)
        << json.out;
}

// Each answer carries its register lines; a clone is a line that is not Valid; what is not decoded
// to a CNPJ is not recorded, a CnpjMismatch is.
TEST_F(RegisterCli, BatchTextJsonAndWhatIsRecorded)
{
    const std::string clone = twin();
    const std::string batch = demoCode + "\n" + demoCode + "\nNOT A CODE\n" + clone + "\n";
    const auto text = validate({"-"}, batch);
    EXPECT_EQ(text.exitCode, 10) << text.err;
    const auto lines = registerLines(text.out);
    ASSERT_EQ(lines.size(), 3u) << text.out;
    EXPECT_NE(text.out.find("REGISTRO\tverificado 2 vezes"), std::string::npos);
    EXPECT_NE(text.out.find("\nInvalidString\nCOO\t001234\n"), std::string::npos) << text.out;

    const auto json = validateIn((dir.path() / "json.txt").string(), {"--json", "-"}, batch);
    EXPECT_EQ(json.exitCode, 10);
    const std::vector<std::string> statuses{"new", "repeat", "", "clone"};
    std::istringstream answers(json.out);
    std::string answer;
    for (const std::string& status : statuses) {
        ASSERT_TRUE(std::getline(answers, answer));
        EXPECT_EQ(answer.find("\"register\":{\"status\":\"" + status + "\""),
                  status.empty() ? std::string::npos : answer.find("\"register\""))
            << answer;
    }
    EXPECT_NE(answer.find(R"("otherCnpjs":[")" + cnpjA + R"("],"otherChecks":[{"cnpj":")" + cnpjA), std::string::npos)
        << answer;

    // Under --expect-cnpj: a single CnpjMismatch prints only its register lines, and is recorded as such.
    const auto mismatch = validate({"--expect-cnpj", cnpjA, encoded("55", "1206367509", cnpjB)});
    EXPECT_EQ(mismatch.exitCode, 5) << mismatch.err;
    EXPECT_EQ(mismatch.out.rfind("REGISTRO\tprimeira verificação\nIMPRESSORA\t", 0), 0u) << mismatch.out;
    const auto listed = runCli({"register", "list", registerFile});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 1 + 3 + 1) << listed.out;
    EXPECT_EQ(count(listed.out, "\tCnpjMismatch\t" + cnpjB + "\t000055\t"), 1u) << listed.out;
    const auto listedJson = runCli({"register", "list", "--json", registerFile});
    EXPECT_EQ(std::count(listedJson.out.begin(), listedJson.out.end(), '\n'), 4);
    EXPECT_EQ(count(listedJson.out, R"("issued":"2008-03-24T14:05:09","checksum":"39F3")"), 4u) << listedJson.out;
}

TEST_F(RegisterCli, MergeAndClonesAcrossRegisters)
{
    const std::string deskA = (dir.path() / "a.txt").string(), deskB = (dir.path() / "b.txt").string();
    ASSERT_EQ(validateIn(deskA, {demoCode}).exitCode, 0);
    ASSERT_EQ(validateIn(deskB, {twin()}).exitCode, 0);
    ASSERT_EQ(validateIn(deskB, {encoded("4321", "1206453909", cnpjB)}).exitCode, 0);

    const struct
    {
        std::vector<std::string> args;
        int status;
        std::size_t clones, printers;
    } cases[] = {
        {{"register", "clones", deskA}, 0, 0, 0},
        {{"register", "clones", "--printers", deskB}, 0, 0, 0},
        {{"register", "clones", deskA, deskB}, 7, 2, 0},
        {{"register", "clones", "--printers", deskA, deskB}, 7, 2, 2},
        {{"register", "merge", "--into", deskA, deskB}, 7, 2, 0},
        {{"register", "merge", "--into", deskA, deskB}, 0, 0, 0}, // nothing new the second time
        {{"register", "clones", deskA}, 7, 2, 0},
        {{"register", "clones", deskA, (dir.path() / "none.txt").string()}, 66, 0, 0},
        {{"register", "list", (dir.path() / "none.txt").string()}, 66, 0, 0},
    };
    for (const auto& c : cases) {
        const auto r = runCli(c.args);
        const std::string what = ::testing::PrintToString(c.args) + "\n" + r.out + r.err;
        EXPECT_EQ(r.exitCode, c.status) << what;
        EXPECT_EQ(count(r.out, "CLONE\t39F3\t4A0B12\t001234\t2008-03-24T14:05:09\t"), c.clones) << what;
        EXPECT_EQ(count(r.out, "IMPRESSORA\t39F3\t4A0B12\t"), c.printers) << what;
    }
    EXPECT_FALSE(fs::exists(dir.path() / "none.txt")) << "a register to read is never made";
    const auto merged = runCli({"register", "list", deskA});
    EXPECT_EQ(std::count(merged.out.begin(), merged.out.end(), '\n'), 1 + 3) << merged.out;
}

// Runs the CLI as an unprivileged user, whom permissions stop; empty when that cannot be done here.
std::vector<std::string> asNobody(const fs::path& folder)
{
    if (::geteuid() != 0)
        return {};
    if (::access(setpriv, X_OK) != 0)
        return {};
    fs::permissions(folder, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    const fs::path cli = folder / "morvanex-cli";
    fs::copy_file(MORVANEX_CLI, cli, fs::copy_options::overwrite_existing);
    return {setpriv, "--reuid", nobody, "--regid", nobody, "--clear-groups", cli.string()};
}

// A tmpfs of a few pages, filled to the last byte: only where the test may mount (root on Linux).
class FullFileSystem
{
public:
    explicit FullFileSystem(const fs::path& where) : m_where(where)
    {
        fs::create_directory(where);
        m_mounted = std::system(("mount -t tmpfs -o size=16k tmpfs '" + where.string() + "' 2>/dev/null").c_str()) == 0;
        if (m_mounted)
            (void)std::system(("dd if=/dev/zero of='" + (where / "filler").string() + "' bs=1k 2>/dev/null").c_str());
    }
    ~FullFileSystem()
    {
        if (m_mounted)
            (void)std::system(("umount '" + m_where.string() + "'").c_str());
    }
    bool mounted() const { return m_mounted; }

private:
    fs::path m_where;
    bool m_mounted = false;
};

// A register that cannot be opened or written never stops a verdict: every code is answered, the
// failure is said once, and the command ends with 74.
TEST_F(RegisterCli, ARegisterThatCannotBeWrittenStillAnswers)
{
    const std::vector<std::string> user = asNobody(dir.path());
    if (user.empty())
        GTEST_SKIP() << "needs root and setpriv to run as an unprivileged user";
    const fs::path closed = dir.path() / "closed";
    fs::create_directory(closed);
    fs::permissions(closed, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    // A register of the user's own that it may no longer write.
    const fs::path readOnly = dir.path() / "readonly.txt";
    ASSERT_EQ(validateIn(readOnly.string(), {demoCode}).exitCode, 0);
    ASSERT_EQ(::chown(readOnly.c_str(), 65534, 65534), 0);
    fs::permissions(readOnly, fs::perms::owner_read);
    FullFileSystem disk(dir.path() / "full");

    const std::string batch = demoCode + "\n" + twin() + "\n" + demoCode + "\n";
    const struct
    {
        std::string location;
        std::string said;
        std::size_t registerLines;
        bool asUser = true;
    } cases[] = {
        {(closed / "registro.txt").string(), "cannot open the register", 0},
        {dir.path().string(), "cannot open the register", 0},
        {readOnly.string(), "cannot write to the register", 3},
        {(dir.path() / "full/registro.txt").string(), "cannot write", 3, false},
    };
    for (const auto& c : cases) {
        if (!c.asUser && !disk.mounted())
            continue;
        std::vector<std::string> args = c.asUser ? user : std::vector<std::string>{MORVANEX_CLI};
        args.insert(args.end(), {"validate", "--dir", demo.string(), "--register", c.location});
        for (const std::string& code : {demoCode, std::string("-")}) {
            args.push_back(code);
            const auto r = runProcess(args.front(), {args.begin() + 1, args.end()}, code == "-" ? batch : "");
            args.pop_back();
            const std::size_t answers = code == "-" ? 3 : 1;
            EXPECT_EQ(r.exitCode, 74) << c.location << " " << code << "\n" << r.err;
            EXPECT_EQ(count(r.out, "ARQUIVO\tARGOS210.BIN\n"), answers) << c.location << "\n" << r.out;
            EXPECT_EQ(registerLines(r.out).size(), std::min(answers, c.registerLines)) << c.location << "\n" << r.out;
            EXPECT_EQ(count(r.err, c.said), 1u) << c.location << " " << code << "\n" << r.err;
        }
    }
    // What was in it before is all there.
    const auto listed = runCli({"register", "list", readOnly.string()});
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 2) << listed.out;
}

// The open-firmware warning, on a copy of the demo workspace.
TEST_F(RegisterCli, ApprovedFirmwareOthersCanChangeIsWarnedOf)
{
    const auto closed = runCli({"catalogue", "--dir", demo.string()});
    const auto closedJson = runCli({"catalogue", "--json", "--dir", demo.string()});
    ASSERT_EQ(closed.exitCode, 0);
    EXPECT_EQ(closed.err, "");
    fs::permissions(demo / "Bin", fs::perms::others_write, fs::perm_options::add);
    const auto open = runCli({"catalogue", "--dir", demo.string()});
    EXPECT_EQ(open.exitCode, 0);
    EXPECT_EQ(open.out, closed.out);
    EXPECT_EQ(open.err, "morvanex-cli: warning: approved firmware can be changed by other users: " +
                            (demo / "Bin").string() + "\n");
    const auto openJson = runCli({"catalogue", "--json", "--dir", demo.string()});
    EXPECT_EQ(openJson.out, closedJson.out);
    EXPECT_EQ(openJson.err, open.err);
    // Every command that loads the catalogue says it.
    const auto checked = runCli({"validate", "--dir", demo.string(), demoCode});
    EXPECT_EQ(checked.exitCode, 0);
    EXPECT_EQ(checked.err, open.err);
}

// A password given in a connection string shows nowhere: output, messages or the process list.
TEST_F(RegisterCli, APasswordOnTheCommandLineStaysHidden)
{
    const std::string password = "hunter2-secret";
    const std::string location = "odbc:DSN=morvanex_nowhere;UID=desk;PWD={" + password + "}";
    const auto r = validateIn(location, {demoCode});
    EXPECT_EQ(r.exitCode, 74);
    EXPECT_NE(r.out.find("ARQUIVO\tARGOS210.BIN"), std::string::npos);
    EXPECT_NE(r.err.find("PWD=***"), std::string::npos) << r.err;
    const auto misused = runCli({"catalogue", "--dir", demo.string(), location});
    EXPECT_EQ(misused.exitCode, 64);
    for (const ProcessResult* result : {&r, &misused})
        EXPECT_EQ((result->out + result->err).find(password), std::string::npos) << result->out << result->err;

    // While a batch waits for its next line, what other users see of its command line.
    int in[2], out[2];
    ASSERT_EQ(::pipe(in), 0);
    ASSERT_EQ(::pipe(out), 0);
    const std::string dirArg = demo.string();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(out[1], 2);
        for (const int fd : {in[0], in[1], out[0], out[1]})
            ::close(fd);
        ::execl(MORVANEX_CLI, MORVANEX_CLI, "validate", "--dir", dirArg.c_str(), ("--register=" + location).c_str(),
                "-", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    const std::string line = demoCode + "\n";
    ASSERT_EQ(::write(in[1], line.data(), line.size()), static_cast<ssize_t>(line.size()));
    std::string answer;
    char buffer[4096];
    for (ssize_t n; answer.find("ARQUIVO") == std::string::npos && (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, static_cast<std::size_t>(n));
    const std::string shown = [&] {
        std::ifstream cmdline("/proc/" + std::to_string(child) + "/cmdline", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(cmdline), std::istreambuf_iterator<char>());
    }();
    ::close(in[1]);
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_NE(shown.find("PWD=***"), std::string::npos) << shown;
    EXPECT_EQ(shown.find(password), std::string::npos) << shown;
    EXPECT_EQ(answer.find(password), std::string::npos) << answer;
    EXPECT_EQ(WEXITSTATUS(status), 74) << answer;
}

} // namespace
} // namespace morvanex::test
