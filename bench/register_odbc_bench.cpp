// The register on a database server: a check's cost as the table grows to a million records, and
// eight desks checking 100,000 codes at once against it. Run through bench/run-register-figures,
// which starts a private PostgreSQL server for the run; without one these say so and do nothing.
#include "register/check_register.h"
#include "register/odbc_link.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

using namespace morvanex;

constexpr std::string_view kDatabase = "bench";
// The preloaded documents come from this many printers, each with a CNPJ of its own.
constexpr int kPrinters = 10000;
constexpr std::int64_t kFirstMoment = 1600000000;
constexpr int kDesks = 8;
constexpr int kConcurrentChecks = 100000;

std::string variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string connection(const char* role)
{
    // Extra driver options for a comparison, such as psqlODBC's Protocol=7.4-1.
    return variable("MORVANEX_TEST_ODBC_SERVER") + ";Database=" + std::string(kDatabase) + ";" + variable(role) + ";" +
           variable("MORVANEX_BENCH_ODBC_OPTIONS");
}

std::string hex(unsigned long long value, int width)
{
    char text[32];
    std::snprintf(text, sizeof text, "%0*llX", width, value);
    return text;
}

std::string printerCnpj(int printer)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04d", printer);
    return text + std::string(".345.678/0001.95");
}

// The preloaded document number i, as growTo's statement makes it.
CheckRecord preloaded(long long i)
{
    const int printer = static_cast<int>(i % kPrinters);
    CheckRecord record;
    record.checkedAt = 1700000000 + i;
    record.station = "desk-" + std::to_string(i % 50);
    record.user = "auditor";
    record.code = std::string(48, 'A');
    record.document = {hex(printer % 64, 4), hex(printer, 6), hex(i / kPrinters, 6), hex(kFirstMoment + i, 8)};
    record.cnpj = printerCnpj(printer);
    record.firmwareFile = "ARGOS210.BIN";
    return record;
}

// The superuser's link to the benchmark's database, each statement committed at once.
std::unique_ptr<odbc::Link> adminLink(std::string_view database, std::string* error)
{
    odbc::Failure failure;
    auto link = odbc::Link::connect(variable("MORVANEX_TEST_ODBC_SERVER") + ";Database=" + std::string(database) + ";" +
                                        variable("MORVANEX_TEST_ODBC_ADMIN"),
                                    &failure);
    if (!link || !link->setAutocommit(true, &failure)) {
        *error = failure.message;
        return nullptr;
    }
    return link;
}

long long rowsNow(odbc::Link& link)
{
    odbc::Failure failure;
    odbc::Statement count(link);
    if (!count.prepare(u"SELECT COUNT(*) FROM morvanex_checks", &failure) || !count.execute(&failure) ||
        !count.fetch(&failure))
        return -1;
    return count.integer(1, &failure).value_or(-1);
}

// The benchmark's database with its tables, made once, and grown by the server itself to at least
// rows documents of one check each. Fails, with error set, without a server.
bool growTo(long long rows, std::string* error)
{
    if (variable("MORVANEX_TEST_ODBC_SERVER").empty()) {
        *error = "no server: run bench/run-register-figures";
        return false;
    }
    static bool made = false;
    if (!made) {
        auto postgres = adminLink("postgres", error);
        odbc::Failure failure;
        if (!postgres)
            return false;
        postgres->run(u"CREATE DATABASE bench OWNER morvanex_owner", &failure);
        auto bench = adminLink(kDatabase, error);
        if (!bench || !bench->run(u"ALTER DEFAULT PRIVILEGES FOR ROLE morvanex_owner IN SCHEMA public "
                                  u"GRANT SELECT, INSERT ON TABLES TO morvanex_desk",
                                  &failure))
            return false;
        auto owner = openCheckRegister("odbc:" + connection("MORVANEX_TEST_ODBC_OWNER"), {}, error);
        if (!owner)
            return false;
        made = true;
    }
    auto link = adminLink(kDatabase, error);
    if (!link)
        return false;
    const long long now = rowsNow(*link);
    if (now < 0 || now >= rows)
        return now >= 0;
    const std::string insert =
        "INSERT INTO morvanex_checks (checksum, serial_excerpt, coo, issue_moment, document_check, issued_at, cnpj, "
        "checked_at, station, user_name, verdict, code, firmware_file) "
        "SELECT upper(lpad(to_hex(i % " + std::to_string(kPrinters) + " % 64), 4, '0')), "
        "upper(lpad(to_hex(i % " + std::to_string(kPrinters) + "), 6, '0')), "
        "upper(lpad(to_hex(i / " + std::to_string(kPrinters) + "), 6, '0')), "
        "upper(lpad(to_hex(" + std::to_string(kFirstMoment) + " + i), 8, '0')), 1, " + std::to_string(kFirstMoment) +
        " + i, lpad((i % " + std::to_string(kPrinters) + ")::text, 4, '0') || '.345.678/0001.95', 1700000000 + i, "
        "'desk-' || (i % 50), 'auditor', 'Valid', repeat('A', 48), 'ARGOS210.BIN' "
        "FROM generate_series(" + std::to_string(now) + ", " + std::to_string(rows - 1) + ") AS i";
    odbc::Failure failure;
    if (!link->run(odbc::utf16FromUtf8(insert), &failure) || !link->run(u"VACUUM ANALYZE morvanex_checks", &failure)) {
        *error = failure.message;
        return false;
    }
    return true;
}

// The codes desks check: mostly documents not seen before, from the preloaded printers; one in seven
// a repeat of a preloaded document, one in twenty a clone of one.
class CodeSource
{
public:
    CodeSource(int desk, long long preloadedRows) : m_random(static_cast<unsigned>(desk) * 7919u + 1), m_rows(preloadedRows), m_desk(desk) {}

    CheckRecord next()
    {
        const auto pick = std::uniform_int_distribution<long long>(0, m_rows - 1)(m_random);
        CheckRecord record = preloaded(pick);
        const int kind = static_cast<int>(m_made++ % 140);
        if (kind % 7 == 0)
            return record;
        if (kind % 20 == 1) {
            record.cnpj = printerCnpj((static_cast<int>(pick % kPrinters) + 1) % kPrinters);
            return record;
        }
        // A new COO beyond the preloaded ones, unique to this desk.
        record.document.coo = hex(0x800000 + static_cast<unsigned long long>(m_desk) * 0x100000 + m_made, 6);
        return record;
    }

private:
    std::mt19937_64 m_random;
    long long m_rows;
    int m_desk;
    unsigned long long m_made = 0;
};

// One desk checking as the table holds range(0) records: the lookups of the document and its printer,
// the insert and the commit.
void OdbcCheckAsTheTableGrows(benchmark::State& state)
{
    std::string error;
    if (!growTo(state.range(0), &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    auto desk = openCheckRegister("odbc:" + connection("MORVANEX_TEST_ODBC_DESK"), {}, &error);
    if (!desk) {
        state.SkipWithError(error.c_str());
        return;
    }
    CodeSource codes(static_cast<int>(state.range(0) % 7), state.range(0));
    for (auto _ : state) {
        if (!desk->check(codes.next(), &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(OdbcCheckAsTheTableGrows)->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(2000)->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// Eight desks, each its own connection, checking 100,000 codes in all against a million records.
void OdbcEightDesksAtOnce(benchmark::State& state)
{
    std::string error;
    if (state.thread_index() == 0 && !growTo(1000000, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    auto desk = openCheckRegister("odbc:" + connection("MORVANEX_TEST_ODBC_DESK"), {}, &error);
    if (!desk) {
        state.SkipWithError(error.c_str());
        return;
    }
    CodeSource codes(8 + state.thread_index(), 1000000);
    for (auto _ : state) {
        if (!desk->check(codes.next(), &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(OdbcEightDesksAtOnce)->Threads(kDesks)->Iterations(kConcurrentChecks / kDesks)->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace
