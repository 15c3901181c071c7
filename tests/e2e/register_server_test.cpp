// morvanex-cli against a register on a real PostgreSQL server: run through
// tests/register_odbc/with-postgres (the test e2e_register_server), skipped without it.

#include "process.h"
#include "support/temp_dir.h"
#include "test_server.h"

#include "firmware/image_file.h"
#include "footer/footer_encoder.h"
#include "register/odbc_link.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

namespace morvanex::test {
namespace {

const std::string demoCode = "DB96KACG KVFMOGRA HNHDGKN7 DB84H686 KKEKK9D36IG8";
const std::string cnpjA = "0012.345.678/0001.95";
const std::string cnpjB = "0098.765.432/0001.10";
constexpr std::uint32_t demoMoment = 1206367509;

std::size_t lines(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class RegisterServerCli : public ::testing::Test
{
protected:
    std::string database;
    std::string owner, desk;
    std::vector<std::uint8_t> image;

    void SetUp() override
    {
        if (!std::getenv("MORVANEX_TEST_ODBC_SERVER"))
            GTEST_SKIP() << "needs the server of tests/register_odbc/with-postgres (the test e2e_register_server)";
        database = TestServer::freshDatabase();
        owner = "odbc:" + TestServer::connection(database, TestServer::Role::Owner);
        desk = "odbc:" + TestServer::connection(database, TestServer::Role::Desk);
        std::string error;
        const auto bytes = readWholeFile(std::string(MORVANEX_DEMO_DIR) + "/Bin/ARGOS210.BIN", &error);
        ASSERT_TRUE(bytes) << error;
        image = *bytes;
        // The owner makes the tables, as the README's set-up does.
        const auto made = runCli({"register", "list", owner});
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }

    // A code of the demo image with the demo code's serial.
    std::string code(std::uint32_t coo, const std::string& cnpj, std::uint32_t moment = demoMoment) const
    {
        return *encodeFooter(image, coo, "4A0B12", moment, cnpj);
    }
    ProcessResult validate(const std::string& reg, std::vector<std::string> args, const std::string& input = {})
    {
        args.insert(args.begin(), {"validate", "--dir", MORVANEX_DEMO_DIR, "--register", reg});
        return runCli(args, input);
    }
    long long records() const { return TestServer::adminNumber(database, "SELECT count(*) FROM morvanex_checks"); }
};

// The desks' role inserts and reads: every command works with it, and it cannot delete a record.
TEST_F(RegisterServerCli, EveryCommandWorksWithTheDesksRole)
{
    TempDir dir;
    const std::string offline = (dir.path() / "offline.txt").string();
    const std::string revealing = (dir.path() / "revealing.txt").string();
    ASSERT_EQ(validate(offline, {code(4321, cnpjA)}).exitCode, 0);
    ASSERT_EQ(validate(revealing, {code(4321, cnpjB)}).exitCode, 0);

    const struct
    {
        std::vector<std::string> args;
        int status;
        std::string said;
        long long records;
    } steps[] = {
        {{"validate", "--dir", MORVANEX_DEMO_DIR, "--register", desk, demoCode}, 0, "REGISTRO\tprimeira verificação\n", 1},
        {{"validate", "--dir", MORVANEX_DEMO_DIR, "--register", desk, demoCode}, 0, "REGISTRO\tverificado 2 vezes", 2},
        {{"validate", "--dir", MORVANEX_DEMO_DIR, "--register", desk, code(1234, cnpjB)},
         7,
         "REGISTRO\tCLONE: o mesmo documento foi verificado com o CNPJ " + cnpjA,
         3},
        {{"register", "list", desk}, 0, "\tValid\t" + cnpjB + "\t001234\t4A0B12\t2008-03-24T14:05:09\t39F3\t", 3},
        {{"register", "clones", desk}, 7, "CLONE\t39F3\t4A0B12\t001234\t2008-03-24T14:05:09\t" + cnpjB, 3},
        {{"register", "merge", "--into", desk, offline}, 0, "", 4},
        {{"register", "merge", "--into", desk, offline}, 0, "", 4},
        {{"register", "merge", "--into", desk, revealing}, 7, "CLONE\t39F3\t4A0B12\t004321\t", 5},
        {{"register", "clones", "--printers", desk}, 7, "IMPRESSORA\t39F3\t4A0B12\t" + cnpjB + "\t2\t", 5},
    };
    for (const auto& step : steps) {
        const auto r = runCli(step.args);
        const std::string what = ::testing::PrintToString(step.args) + "\n" + r.out + r.err;
        EXPECT_EQ(r.exitCode, step.status) << what;
        EXPECT_NE(r.out.find(step.said), std::string::npos) << what;
        EXPECT_EQ(records(), step.records) << what;
    }
    const auto listed = runCli({"register", "list", "--json", desk});
    EXPECT_EQ(lines(listed.out), 5u) << listed.out;

    odbc::Failure failure;
    const auto link = odbc::Link::connect(TestServer::connection(database, TestServer::Role::Desk), &failure);
    ASSERT_TRUE(link) << failure.message;
    // Each statement on its own, so that one refused does not make the next fail for that reason.
    ASSERT_TRUE(link->setAutocommit(true, &failure)) << failure.message;
    for (const char* sql : {"DELETE FROM morvanex_checks", "UPDATE morvanex_checks SET cnpj = cnpj",
                            "TRUNCATE morvanex_checks"})
        EXPECT_FALSE(link->run(odbc::utf16FromUtf8(sql), &failure)) << sql;
    EXPECT_EQ(records(), 5);
}

// Four batches at once over the same 1,000 documents: every check recorded, each document's checks
// counted 1 to 4 across the batches, none twice and none lost.
TEST_F(RegisterServerCli, FourConcurrentBatchesLoseNothing)
{
    constexpr int documents = 1000, batches = 4;
    std::string input;
    for (int i = 0; i < documents; ++i)
        input += code(static_cast<std::uint32_t>(10000 + i), cnpjA) + "\n";
    std::vector<ProcessResult> results(batches);
    std::vector<std::thread> running;
    for (ProcessResult& result : results)
        running.emplace_back([&] { result = validate(desk, {"--json", "-"}, input); });
    for (std::thread& t : running)
        t.join();

    const std::regex checks(R"re("register":\{"status":"(new|repeat)","checks":([0-9]+),)re");
    std::vector<std::multiset<int>> counted(documents);
    for (const ProcessResult& result : results) {
        ASSERT_EQ(result.exitCode, 0) << result.err;
        std::istringstream answers(result.out);
        std::string answer;
        for (int i = 0; i < documents && std::getline(answers, answer); ++i) {
            std::smatch m;
            ASSERT_TRUE(std::regex_search(answer, m, checks)) << answer;
            counted[static_cast<std::size_t>(i)].insert(std::stoi(m[2]));
        }
    }
    for (int i = 0; i < documents; ++i)
        EXPECT_EQ(counted[static_cast<std::size_t>(i)], (std::multiset<int>{1, 2, 3, 4})) << "document " << i;
    EXPECT_EQ(records(), documents * batches);
    EXPECT_EQ(lines(runCli({"register", "list", desk}).out), 1u + documents * batches);
}

// A server that cannot be had never stops a verdict: the codes are answered, the failure is said
// once, the command ends with 74, and no password shows.
TEST_F(RegisterServerCli, AWrongPasswordOrNoServerStillAnswers)
{
    const std::string wrongPassword = "not-the-password-81b3";
    const std::string server = std::getenv("MORVANEX_TEST_ODBC_SERVER");
    const std::string wrong = "odbc:" + server + ";Database=" + database + ";UID=morvanex_desk;PWD=" + wrongPassword;
    const std::string down = "odbc:" + TestServer::down() + ";Database=" + database + ";UID=morvanex_desk;PWD=" +
                             TestServer::password(TestServer::Role::Desk);
    const std::string twoCodes = demoCode + "\n" + code(1234, cnpjB) + "\n";
    for (const std::string& location : {wrong, down}) {
        for (const std::string& operand : {demoCode, std::string("-")}) {
            const auto r = validate(location, {operand}, operand == "-" ? twoCodes : "");
            const std::string all = r.out + r.err;
            EXPECT_EQ(r.exitCode, 74) << all;
            EXPECT_EQ(static_cast<std::size_t>(std::count(r.out.begin(), r.out.end(), '\n')),
                      operand == "-" ? 18u : 9u)
                << all;
            EXPECT_EQ(lines(r.err), 1u) << r.err;
            EXPECT_NE(r.err.find("cannot connect to the register"), std::string::npos) << r.err;
            for (const std::string& secret : {wrongPassword, TestServer::password(TestServer::Role::Desk)})
                EXPECT_EQ(all.find(secret), std::string::npos) << all;
        }
    }
    EXPECT_EQ(records(), 0);
}

} // namespace
} // namespace morvanex::test
