#include "register/check_register.h"
#include "register/connection_secrets.h"
#include "register/odbc_link.h"
#include "test_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <thread>

namespace morvanex::test {
namespace {

using Role = TestServer::Role;

constexpr std::string_view kChecksum = "1A2B";
constexpr std::string_view kSerial = "4A0B12";
constexpr std::string_view kMoment1 = "5F3C0A10";
constexpr std::string_view kMoment2 = "5F3C0B20";
constexpr std::string_view kMoment3 = "6A000000";
// In the order of their characters: Y, Z, X.
constexpr std::string_view kX = "0098.765.432/0001.10";
constexpr std::string_view kY = "0012.345.678/0001.95";
constexpr std::string_view kZ = "0055.555.555/0001.55";

std::unique_ptr<CheckRegister> openAt(const std::string& connection, std::string* error,
                                      std::vector<std::string>* warnings = nullptr)
{
    return openCheckRegister("odbc:" + connection,
                             [warnings](const std::string& w) { if (warnings) warnings->push_back(w); }, error);
}

// A database whose tables the owner has made, and a register on it for the desks' role.
std::unique_ptr<CheckRegister> deskRegister(std::string* database)
{
    *database = TestServer::freshDatabase();
    std::string error;
    EXPECT_TRUE(openAt(TestServer::connection(*database, Role::Owner), &error)) << error;
    auto desk = openAt(TestServer::connection(*database, Role::Desk), &error);
    EXPECT_TRUE(desk) << error;
    return desk;
}

std::vector<CheckRecord> recordsOf(CheckRegister& store)
{
    std::vector<CheckRecord> records;
    std::string error;
    EXPECT_TRUE(store.forEachRecord([&](const CheckRecord& r) { records.push_back(r); }, &error)) << error;
    return records;
}

std::string seconds(std::string_view moment)
{
    return std::to_string(std::stoull(std::string(moment), nullptr, 16));
}

std::string shown(const std::optional<EarlierCheck>& check)
{
    return check ? check->station + "@" + std::to_string(check->checkedAt) + " " +
                       std::string(verdictName(check->verdict))
                 : "-";
}

// An answer in one line, to compare with a table's.
std::string shown(const RegisterAnswer& answer)
{
    static const char* const statuses[] = {"New", "Repeat", "Clone"};
    std::string text = std::string(statuses[static_cast<int>(answer.status)]) + " " + std::to_string(answer.checks) +
                       " first " + shown(answer.first) + " last " + shown(answer.last) + " others";
    for (const EarlierCheck& other : answer.otherCnpjs)
        text += " [" + other.cnpj + " " + shown(std::optional(other)) + "]";
    text += " printer";
    for (const PrinterCnpj& cnpj : answer.printerCnpjs)
        text += " [" + cnpj.cnpj + " " + std::to_string(cnpj.documents) + " " + std::to_string(cnpj.last) + "]";
    return text;
}

TEST(OdbcRegister, AnswersAsTheRegisterStoodBefore)
{
    const std::string x(kX), y(kY), z(kZ);
    const std::string m1 = seconds(kMoment1), m2 = seconds(kMoment2);
    struct Step
    {
        std::string_view checksum, coo, moment, cnpj;
        std::int64_t at;
        std::string_view station;
        CheckVerdict verdict;
        std::string answer;
    };
    const Step steps[] = {
        {kChecksum, "000101", kMoment1, kX, 100, "s1", CheckVerdict::Valid, "New 1 first - last - others printer"},
        {kChecksum, "000101", kMoment1, kX, 200, "s2", CheckVerdict::Rejected,
         "Repeat 2 first s1@100 Valid last s1@100 Valid others printer"},
        // A desk whose clock is behind: first and last go by when the checks were made.
        {kChecksum, "000101", kMoment1, kX, 150, "s3", CheckVerdict::Valid,
         "Repeat 3 first s1@100 Valid last s2@200 Rejected others printer"},
        {kChecksum, "000101", kMoment1, kY, 300, "s4", CheckVerdict::Valid,
         "Clone 1 first - last - others [" + x + " s2@200 Rejected] printer [" + x + " 1 " + m1 + "]"},
        {kChecksum, "000101", kMoment1, kZ, 90, "s5", CheckVerdict::Valid,
         "Clone 1 first - last - others [" + y + " s4@300 Valid] [" + x + " s2@200 Rejected] printer [" + y + " 1 " +
             m1 + "] [" + x + " 1 " + m1 + "]"},
        {kChecksum, "000102", kMoment2, kY, 400, "s6", CheckVerdict::CnpjMismatch,
         "New 1 first - last - others printer [" + z + " 1 " + m1 + "] [" + x + " 1 " + m1 + "]"},
        // The printer's documents for Y: two, the later issued last.
        {kChecksum, "000103", kMoment3, kX, 500, "s7", CheckVerdict::Valid,
         "New 1 first - last - others printer [" + y + " 2 " + m2 + "] [" + z + " 1 " + m1 + "]"},
        // The same excerpt, COO and moment under another firmware: another document, another printer.
        {"FFFF", "000101", kMoment1, kX, 600, "s8", CheckVerdict::Valid, "New 1 first - last - others printer"},
        {kChecksum, "000101", kMoment1, kX, 700, "s9", CheckVerdict::Valid,
         "Clone 4 first s1@100 Valid last s2@200 Rejected others [" + y + " s4@300 Valid] [" + z +
             " s5@90 Valid] printer [" + y + " 2 " + m2 + "] [" + z + " 1 " + m1 + "]"},
        {kChecksum, "000102", kMoment2, kX, 800, "s10", CheckVerdict::Valid,
         "Clone 1 first - last - others [" + y + " s6@400 CnpjMismatch] printer [" + y + " 2 " + m2 + "] [" + z +
             " 1 " + m1 + "]"},
    };
    std::string database;
    auto desk = deskRegister(&database);
    ASSERT_TRUE(desk);
    std::vector<CheckRecord> checked;
    for (const Step& step : steps) {
        CheckRecord record = checkOf(step.checksum, kSerial, step.coo, step.moment, step.cnpj, step.at, step.station);
        record.verdict = step.verdict;
        std::string error;
        const std::optional<RegisterAnswer> answer = desk->check(record, &error);
        ASSERT_TRUE(answer) << step.station << ": " << error;
        EXPECT_EQ(shown(*answer), step.answer) << step.station;
        checked.push_back(record);
    }
    EXPECT_EQ(recordsOf(*desk), checked);
}

TEST(OdbcRegister, RecordsComeBackFieldForFieldAndMergeOnce)
{
    std::string database;
    auto desk = deskRegister(&database);
    ASSERT_TRUE(desk);
    // Texts that would break SQL spliced together, and characters beyond one byte and beyond UTF-16's plane.
    CheckRecord first = checkOf(kChecksum, kSerial, "000101", kMoment1, kX, 1'765'000'000, "Caixa 3 — São Paulo");
    first.user = "O'Brien \"x\"; DROP TABLE morvanex_checks; --";
    first.firmwareFile = "Bin\\ARGOS 2.1 ÀÉ 😀.BIN";
    first.code = "?";
    CheckRecord second = checkOf(kChecksum, kSerial, "000102", kMoment2, kY, 1'765'000'100, std::string(600, 'e'));
    second.verdict = CheckVerdict::CnpjMismatch;
    std::string error;
    ASSERT_TRUE(desk->check(first, &error)) << error;
    ASSERT_TRUE(desk->check(second, &error)) << error;
    ASSERT_EQ(recordsOf(*desk), (std::vector{first, second}));

    CheckRecord other = first;
    other.user = "O'Brien";
    CheckRecord third = checkOf(kChecksum, kSerial, "000101", kMoment1, kY, 1'765'000'200, "s3");
    third.verdict = CheckVerdict::Rejected;
    const std::vector<CheckRecord> merged{second, other, third, third, first};
    std::optional<std::size_t> appended = desk->appendMissing(merged, &error);
    ASSERT_TRUE(appended) << error;
    EXPECT_EQ(*appended, 2u);
    EXPECT_EQ(recordsOf(*desk), (std::vector{first, second, other, third}));
    appended = desk->appendMissing(merged, &error);
    ASSERT_TRUE(appended) << error;
    EXPECT_EQ(*appended, 0u);
    // Merged checks count as any other.
    const std::optional<RegisterAnswer> answer = desk->check(first, &error);
    ASSERT_TRUE(answer) << error;
    EXPECT_EQ(answer->status, DocumentStatus::Clone);
    EXPECT_EQ(answer->checks, 3u);
}

TEST(OdbcRegister, OnlyTheOwnerMakesTheTablesAndTheDesksCannotRewriteThem)
{
    const std::string empty = TestServer::freshDatabase();
    const std::string tables = "SELECT COUNT(*) FROM information_schema.tables WHERE table_name LIKE 'morvanex%'";
    std::string error;
    EXPECT_FALSE(openAt(TestServer::connection(empty, Role::Desk), &error));
    EXPECT_NE(error.find("only the owner"), std::string::npos) << error;
    EXPECT_EQ(TestServer::adminNumber(empty, tables), 0);

    std::string database;
    auto desk = deskRegister(&database);
    ASSERT_TRUE(desk);
    EXPECT_EQ(TestServer::adminNumber(database, tables), 2);
    ASSERT_TRUE(desk->check(checkOf(kChecksum, kSerial, "000101", kMoment1, kX, 1, "s1"), &error)) << error;
    const char* const rewrites[] = {
        "DELETE FROM morvanex_checks",
        "UPDATE morvanex_checks SET cnpj = 'x'",
        "TRUNCATE morvanex_checks",
        "DROP TABLE morvanex_checks",
        "ALTER TABLE morvanex_checks ADD COLUMN note INTEGER",
        "CREATE TABLE morvanex_notes (note INTEGER)",
        "UPDATE morvanex_register SET version = 9",
        "DELETE FROM morvanex_register",
        "INSERT INTO morvanex_register (singleton, version) VALUES (2, 9)",
        "INSERT INTO morvanex_checks (checksum, serial_excerpt, coo, issue_moment, document_check, issued_at, cnpj, "
        "checked_at, station, user_name, verdict, code, firmware_file) "
        "VALUES ('a', 'b', 'c', 'd', 1, 0, 'e', 0, 'f', 'g', 'Approved', 'h', 'i')",
    };
    for (const char* sql : rewrites) {
        odbc::Failure failure;
        auto link = odbc::Link::connect(TestServer::connection(database, Role::Desk), &failure);
        ASSERT_TRUE(link) << failure.message;
        EXPECT_FALSE(link->run(odbc::utf16FromUtf8(sql), &failure) && link->commit(&failure)) << sql;
    }
    EXPECT_EQ(TestServer::adminNumber(database, "SELECT COUNT(*) FROM morvanex_checks"), 1);
    EXPECT_EQ(TestServer::adminNumber(database, "SELECT MAX(version) * COUNT(*) FROM morvanex_register"), 1);
    EXPECT_EQ(TestServer::adminNumber(database, tables), 2);
}

TEST(OdbcRegister, ADataSourceNameHoldsTheCredentials)
{
    std::string error;
    ASSERT_TRUE(openAt(TestServer::connection("dsn", Role::Owner), &error)) << error;
    auto desk = openAt("DSN=morvanex_test", &error);
    ASSERT_TRUE(desk) << error;
    EXPECT_EQ(desk->describe(), "odbc:DSN=morvanex_test");
    const std::optional<RegisterAnswer> answer =
        desk->check(checkOf(kChecksum, kSerial, "000101", kMoment1, kX, 1, "s1"), &error);
    ASSERT_TRUE(answer) << error;
    EXPECT_EQ(answer->status, DocumentStatus::New);
}

TEST(OdbcRegister, SecretsAreNeverShown)
{
    struct Case
    {
        std::string connection, shown;
        std::vector<std::string> secrets;
    };
    const Case cases[] = {
        {"DSN=m;UID=u;PWD=s3cr3t", "DSN=m;UID=u;PWD=***", {"s3cr3t"}},
        {"dsn=m;pwd=s3cr3t;", "dsn=m;pwd=***;", {"s3cr3t"}},
        {" PaSsWoRd = two words ;UID=pwd", " PaSsWoRd =***;UID=pwd", {"two words"}},
        {"Driver={PostgreSQL Unicode};Password={se;cr}}et};Port=5", "Driver={PostgreSQL Unicode};Password=***;Port=5",
         {"{se;cr}}et}", "se;cr}et"}},
        {"PWD={unclosed;UID=u", "PWD=***", {"{unclosed;UID=u", "unclosed;UID=u"}},
        {"XPWD=abc;PWDX=def;UID=u", "XPWD=abc;PWDX=def;UID=u", {}},
        {"PWD=;UID=u;PWD=second", "PWD=***;UID=u;PWD=***", {"second"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(connectionWithoutSecrets(c.connection), c.shown) << c.connection;
        EXPECT_EQ(connectionSecrets(c.connection), c.secrets) << c.connection;
        std::string error;
        auto store = openAt(c.connection, &error);
        const std::string said = (store ? store->describe() : "") + error;
        for (const std::string& secret : c.secrets)
            EXPECT_EQ(said.find(secret), std::string::npos) << said;
    }
    EXPECT_EQ(withoutSecrets("user 'a' password 'se;cr}et' or {se;cr}}et}", connectionSecrets(cases[3].connection)),
              "user 'a' password '***' or ***");
}

TEST(OdbcRegister, FaultsNeverLoseARecordNorShowAPassword)
{
    constexpr int kBatch = 3;
    struct Fault
    {
        const char* name;
        std::function<std::string(const std::string& database)> connection;
        std::function<void(const std::string& database)> before, between;
        bool opens, firstAnswered, secondAnswered;
        std::string said;
        std::string secret;
    };
    const auto nothing = [](const std::string&) {};
    const Fault faults[] = {
        {"server down", [](const std::string& db) { return TestServer::down() + ";Database=" + db + ";UID=morvanex_desk;PWD=down-7731"; },
         nothing, nothing, true, false, false, "cannot connect", "down-7731"},
        {"wrong password",
         [](const std::string& db) {
             return TestServer::connection(db, Role::Admin).substr(0, TestServer::connection(db, Role::Admin).find("UID=")) +
                    "UID=morvanex_desk;PWD=wrong-4417";
         },
         nothing, nothing, true, false, false, "password authentication failed", "wrong-4417"},
        {"password put right between checks",
         [](const std::string& db) {
             const std::string admin = TestServer::connection(db, Role::Admin);
             return admin.substr(0, admin.find("UID=")) + "UID=late_desk;PWD={late;5521}";
         },
         [](const std::string& db) {
             EXPECT_EQ(TestServer::admin(db, "CREATE ROLE late_desk LOGIN PASSWORD 'early-1'"), "");
             EXPECT_EQ(TestServer::admin(db, "GRANT SELECT, INSERT ON morvanex_checks, morvanex_register TO late_desk"), "");
         },
         [](const std::string& db) { EXPECT_EQ(TestServer::admin(db, "ALTER ROLE late_desk PASSWORD 'late;5521'"), ""); },
         true, false, true, "password authentication failed", "late;5521"},
        {"connection killed mid-batch", [](const std::string& db) { return TestServer::connection(db, Role::Desk); },
         nothing,
         [](const std::string& db) {
             EXPECT_EQ(TestServer::adminNumber(db, "SELECT COUNT(pg_terminate_backend(pid)) FROM pg_stat_activity "
                                                   "WHERE usename = 'morvanex_desk' AND datname = '" + db + "'"),
                       1);
         },
         true, true, true, "", TestServer::password(Role::Desk)},
        {"register of a newer version", [](const std::string& db) { return TestServer::connection(db, Role::Desk); },
         [](const std::string& db) { EXPECT_EQ(TestServer::admin(db, "UPDATE morvanex_register SET version = 2"), ""); },
         nothing, false, false, false, "made by a newer Morvanex: its version is 2", TestServer::password(Role::Desk)},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        const std::string database = TestServer::freshDatabase();
        std::string error;
        auto owner = openAt(TestServer::connection(database, Role::Owner), &error);
        ASSERT_TRUE(owner) << error;
        fault.before(database);
        std::string said;
        auto store = openAt(fault.connection(database), &error);
        said += error;
        ASSERT_EQ(store != nullptr, fault.opens) << error;
        if (!store) {
            EXPECT_NE(error.find(fault.said), std::string::npos) << error;
            EXPECT_EQ(error.find(fault.secret), std::string::npos) << error;
            continue;
        }
        said += store->describe();
        std::size_t answered = 0;
        for (int i = 0; i < 2 * kBatch; ++i) {
            if (i == kBatch)
                fault.between(database);
            error.clear();
            const auto answer = store->check(checkOf(kChecksum, kSerial, "00010" + std::to_string(i), kMoment1, kX, i, "s"), &error);
            EXPECT_EQ(answer.has_value(), i < kBatch ? fault.firstAnswered : fault.secondAnswered) << i << ": " << error;
            answered += answer.has_value();
            EXPECT_EQ(answer.has_value(), error.empty()) << error;
            if (!answer) {
                EXPECT_NE(error.find(fault.said), std::string::npos) << error;
            }
            said += error;
        }
        EXPECT_EQ(said.find(fault.secret), std::string::npos) << said;
        EXPECT_EQ(recordsOf(*owner).size(), answered);
    }
}

TEST(OdbcRegisterConcurrency, AClonePairCheckedAtOnceIsCaught)
{
    std::string database;
    auto first = deskRegister(&database);
    std::string error;
    auto second = openAt(TestServer::connection(database, Role::Desk), &error);
    ASSERT_TRUE(first && second) << error;
    for (int round = 0; round < 40; ++round) {
        const std::string coo = std::to_string(100000 + round);
        std::optional<RegisterAnswer> answers[2];
        std::string errors[2];
        // Both start at once. Not a std::latch: the Windows build's C++ library can lose its wake-up.
        std::atomic<int> arrived = 0;
        const auto desk = [&](int i, CheckRegister* store, std::string_view cnpj) {
            return std::thread([&, i, store, cnpj] {
                ++arrived;
                while (arrived.load() < 2)
                    std::this_thread::yield();
                answers[i] = store->check(checkOf(kChecksum, kSerial, coo, kMoment1, cnpj, round, "s"), &errors[i]);
            });
        };
        std::thread a = desk(0, first.get(), kX), b = desk(1, second.get(), kY);
        a.join();
        b.join();
        ASSERT_TRUE(answers[0] && answers[1]) << errors[0] << errors[1];
        // One of them came first and saw nothing; the other saw it.
        EXPECT_NE(answers[0]->status, answers[1]->status) << round;
        for (const auto& answer : answers)
            EXPECT_NE(answer->status, DocumentStatus::Repeat) << round;
    }
}

TEST(OdbcRegisterConcurrency, FourClientsOfAThousandChecksLoseNone)
{
    constexpr int kClients = 4;
    constexpr int kChecks = 1000;
    constexpr int kDocuments = 25;
    std::string database;
    auto reader = deskRegister(&database);
    ASSERT_TRUE(reader);
    // For each client, the count each check of a document was told.
    std::vector<std::map<int, std::vector<std::uint64_t>>> told(kClients);
    std::vector<std::string> errors(kClients);
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            auto store = openAt(TestServer::connection(database, Role::Desk), &errors[c]);
            for (int i = 0; store && i < kChecks; ++i) {
                const int document = (i * (c + 1) + c) % kDocuments;
                const auto answer = store->check(
                    checkOf(kChecksum, kSerial, std::to_string(100000 + document), kMoment1, kX, i, "s"), &errors[c]);
                if (!answer)
                    return;
                told[c][document].push_back(answer->checks);
            }
        });
    }
    for (std::thread& client : clients)
        client.join();
    std::map<int, std::vector<std::uint64_t>> all;
    for (int c = 0; c < kClients; ++c) {
        ASSERT_EQ(errors[c], "") << c;
        for (const auto& [document, counts] : told[c])
            all[document].insert(all[document].end(), counts.begin(), counts.end());
    }
    std::size_t total = 0;
    for (auto& [document, counts] : all) {
        // Each check of a document was told a count of its own, none twice and none skipped.
        std::sort(counts.begin(), counts.end());
        for (std::size_t k = 0; k < counts.size(); ++k)
            ASSERT_EQ(counts[k], k + 1) << "document " << document;
        total += counts.size();
    }
    EXPECT_EQ(total, std::size_t{kClients * kChecks});
    EXPECT_EQ(recordsOf(*reader).size(), std::size_t{kClients * kChecks});
}

} // namespace
} // namespace morvanex::test

namespace morvanex::test {
namespace {

// One register for the Linux and the Windows build, run by shared-server: the Linux tests record a
// check (MORVANEX_TEST_SHARED_STEP=write), then the Windows tests under Wine see it (read).
TEST(OdbcRegisterShared, OneRegisterForBothBuilds)
{
    const char* step = std::getenv("MORVANEX_TEST_SHARED_STEP");
    const std::string_view name = step ? step : "";
    ASSERT_TRUE(name == "write" || name == "read") << "run through tests/register_odbc/shared-server";
    const CheckRecord genuine = checkOf(kChecksum, kSerial, "000101", kMoment1, kY, 1765000000, "Estação Recife — caixa 2");
    std::string error;
    if (name == "write") {
        ASSERT_TRUE(openAt(TestServer::connection("shared", Role::Owner), &error)) << error;
    }
    auto desk = openAt(TestServer::connection("shared", Role::Desk), &error);
    ASSERT_TRUE(desk) << error;
    if (name == "write") {
        const auto answer = desk->check(genuine, &error);
        ASSERT_TRUE(answer) << error;
        EXPECT_EQ(answer->status, DocumentStatus::New);
        return;
    }
    CheckRecord again = genuine;
    again.checkedAt += 60;
    again.station = "Caixa 7 — São José";
    auto answer = desk->check(again, &error);
    ASSERT_TRUE(answer) << error;
    EXPECT_EQ(shown(*answer), "Repeat 2 first Estação Recife — caixa 2@1765000000 Valid last Estação Recife — caixa "
                              "2@1765000000 Valid others printer");
    CheckRecord clone = genuine;
    clone.cnpj = kX;
    answer = desk->check(clone, &error);
    ASSERT_TRUE(answer) << error;
    EXPECT_EQ(answer->status, DocumentStatus::Clone);
    ASSERT_EQ(answer->otherCnpjs.size(), 1u);
    EXPECT_EQ(answer->otherCnpjs[0].cnpj, kY);
    EXPECT_EQ(answer->otherCnpjs[0].station, again.station);
    EXPECT_EQ(recordsOf(*desk), (std::vector{genuine, again, clone}));
}

} // namespace
} // namespace morvanex::test
