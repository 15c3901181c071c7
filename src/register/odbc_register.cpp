#include "register/odbc_register.h"

#include "footer/alphabet.h"
#include "register/connection_secrets.h"
#include "register/odbc_link.h"

#include <algorithm>
#include <array>
#include <map>
#include <tuple>

namespace morvanex {
namespace {

using odbc::Failure;
using odbc::Link;
using odbc::Statement;

// Transactions of one check or one block tried again when another desk won a race for the same
// document: each lost race means another check was recorded, so this bound is never reached in use.
constexpr int kRaceAttempts = 50;
// Records appended in one transaction by appendMissing.
constexpr std::size_t kAppendBlock = 200;
// Records read at a time by forEachRecord.
constexpr std::int64_t kPageRows = 10000;

// The checks: one row per check, in the order the server numbered them (entry). A document's checks
// are numbered 1, 2, ... (document_check): a check inserts the number after the highest it read, so
// two desks that read the same checks of a document at once cannot both insert, and the one that
// loses reads again and sees the winner's. This needs INSERT and SELECT only. A verdict this version
// does not know cannot be stored: a new one comes with a new version.
std::u16string createChecks()
{
    std::u16string verdicts;
    for (const CheckVerdict verdict : {CheckVerdict::Valid, CheckVerdict::CnpjMismatch, CheckVerdict::Rejected})
        verdicts += (verdicts.empty() ? u"'" : u", '") + odbc::utf16FromUtf8(verdictName(verdict)) + u"'";
    return u"CREATE TABLE morvanex_checks ("
           u"entry BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY, "
           u"checksum VARCHAR(16) NOT NULL, serial_excerpt VARCHAR(16) NOT NULL, coo VARCHAR(16) NOT NULL, "
           u"issue_moment VARCHAR(16) NOT NULL, document_check INTEGER NOT NULL, issued_at BIGINT NOT NULL, "
           u"cnpj VARCHAR(40) NOT NULL, checked_at BIGINT NOT NULL, station VARCHAR(1000) NOT NULL, "
           u"user_name VARCHAR(1000) NOT NULL, verdict VARCHAR(20) NOT NULL CHECK (verdict IN (" + verdicts + u")), "
           u"code VARCHAR(200) NOT NULL, firmware_file VARCHAR(4000) NOT NULL, "
           u"CONSTRAINT morvanex_checks_document UNIQUE (checksum, serial_excerpt, coo, issue_moment, "
           u"document_check))";
}
// The printer's other CNPJs are read through this one.
const std::u16string kCreatePrinterIndex =
    u"CREATE INDEX morvanex_checks_printer ON morvanex_checks (checksum, serial_excerpt, cnpj)";
// One row at most (its key can only be 1), which only the owner may change.
const std::u16string kCreateVersion =
    u"CREATE TABLE morvanex_register (singleton INTEGER NOT NULL PRIMARY KEY CHECK (singleton = 1), "
    u"version INTEGER NOT NULL)";
const std::u16string kInsertVersion = u"INSERT INTO morvanex_register (singleton, version) VALUES (1, ?)";
const std::u16string kReadVersion = u"SELECT version FROM morvanex_register";
// Whether the schema the tables would go in belongs to this role or a role it is a member of.
const std::u16string kOwnsSchema =
    u"SELECT COUNT(*) FROM information_schema.schemata s, information_schema.enabled_roles r "
    u"WHERE s.schema_name = CURRENT_SCHEMA AND s.schema_owner = r.role_name";

const std::u16string kDocumentChecks =
    u"SELECT document_check, checked_at, station, user_name, verdict, code, cnpj, firmware_file "
    u"FROM morvanex_checks WHERE checksum = ? AND serial_excerpt = ? AND coo = ? AND issue_moment = ? "
    u"ORDER BY document_check";
// Two ranges rather than "<>" or an OR, so that the index bounds each branch and a printer's
// documents of this CNPJ are never read. The branches hold different CNPJs, so each one's distinct
// documents are the whole's.
const std::u16string kPrinterCnpjs =
    u"SELECT cnpj, COUNT(*), MAX(issued_at) FROM ("
    u"SELECT DISTINCT cnpj, coo, issue_moment, issued_at FROM morvanex_checks "
    u"WHERE checksum = ? AND serial_excerpt = ? AND cnpj < ? UNION ALL "
    u"SELECT DISTINCT cnpj, coo, issue_moment, issued_at FROM morvanex_checks "
    u"WHERE checksum = ? AND serial_excerpt = ? AND cnpj > ?) documents GROUP BY cnpj";
const std::u16string kInsertCheck =
    u"INSERT INTO morvanex_checks (checksum, serial_excerpt, coo, issue_moment, document_check, issued_at, "
    u"cnpj, checked_at, station, user_name, verdict, code, firmware_file) "
    u"VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
const std::u16string kPage =
    u"SELECT entry, checked_at, station, user_name, verdict, code, checksum, serial_excerpt, coo, issue_moment, "
    u"cnpj, firmware_file FROM morvanex_checks WHERE entry > ? ORDER BY entry FETCH FIRST " +
    odbc::utf16FromUtf8(std::to_string(kPageRows)) + u" ROWS ONLY";

// The moment of issue in seconds since 1970, read as the decoder reads its eight characters.
std::int64_t issueSeconds(std::string_view moment)
{
    std::array<std::uint8_t, 8> digits{};
    const std::size_t count = std::min(moment.size(), digits.size());
    std::copy_n(moment.begin(), count, digits.begin());
    const auto used = std::span(digits).first(count);
    hexTextToDigits(used);
    std::uint32_t value = 0;
    for (const std::uint8_t digit : used)
        value = value * 16 + digit;
    return value;
}

// A check the register holds of a document, with its number among the document's checks.
struct StoredCheck
{
    std::int64_t number = 0;
    CheckRecord record;
};

EarlierCheck earlierCheck(const CheckRecord& record)
{
    return {record.checkedAt, record.station, record.cnpj, record.verdict};
}

// The later of two checks: by when they were made, and by the register's order when that ties.
bool laterThan(const StoredCheck& a, const StoredCheck& b)
{
    return std::tie(a.record.checkedAt, a.number) > std::tie(b.record.checkedAt, b.number);
}

// What the document's earlier checks say of a check with record's CNPJ.
RegisterAnswer answerFrom(const CheckRecord& record, const std::vector<StoredCheck>& earlier)
{
    RegisterAnswer answer;
    const StoredCheck* first = nullptr;
    const StoredCheck* last = nullptr;
    std::map<std::string, const StoredCheck*> others;
    for (const StoredCheck& check : earlier) {
        if (check.record.cnpj == record.cnpj) {
            ++answer.checks;
            if (!first || laterThan(*first, check))
                first = &check;
            if (!last || laterThan(check, *last))
                last = &check;
        } else {
            const StoredCheck*& latest = others[check.record.cnpj];
            if (!latest || laterThan(check, *latest))
                latest = &check;
        }
    }
    answer.status = earlier.empty() ? DocumentStatus::New
                    : others.empty() ? DocumentStatus::Repeat
                                     : DocumentStatus::Clone;
    if (first)
        answer.first = earlierCheck(first->record);
    if (last)
        answer.last = earlierCheck(last->record);
    for (const auto& [cnpj, check] : others)
        answer.otherCnpjs.push_back(earlierCheck(check->record));
    return answer;
}

class OdbcRegister final : public CheckRegister
{
public:
    enum class Reach { Connected, Unreachable, Refused };

    OdbcRegister(std::string connection, RegisterWarning warn)
        : m_connection(std::move(connection)),
          m_secrets(connectionSecrets(m_connection)),
          m_described("odbc:" + connectionWithoutSecrets(m_connection)),
          m_warn(std::move(warn))
    {
    }
    ~OdbcRegister() override { drop(); }

    // Connects and makes sure of the tables.
    Reach reach(std::string* error);

    std::optional<RegisterAnswer> check(const CheckRecord& record, std::string* error) override;
    bool flush(std::string*) override { return true; } // every check is committed before it is answered
    bool forEachRecord(const std::function<void(const CheckRecord&)>& visit, std::string* error) override;
    std::optional<std::size_t> appendMissing(std::span<const CheckRecord> records, std::string* error) override;
    std::string describe() const override { return m_described; }

private:
    enum class Outcome { Done, LinkLost, Failed };

    // Runs work on the link, connecting first when there is none; a link lost on the way is opened
    // again once, and work runs again.
    template <typename Work>
    bool withLink(Work work, std::string* error);
    void drop();
    // The message of a failure: what failed, where, and the driver's words, with no secret in them.
    std::string message(std::string_view what, const Failure& failure) const;
    // Sets error, ends the transaction and says whether the link was lost.
    Outcome failed(std::string_view what, const Failure& failure, std::string* error);

    Reach prepareTables(std::string* error);
    std::optional<std::int64_t> readVersion(bool* present, Failure* failure);
    bool ownsSchema();
    bool makeTables(Failure* failure);

    Outcome checkOnce(const CheckRecord& record, RegisterAnswer& answer, std::string* error);
    Outcome appendFrom(std::span<const CheckRecord> records, std::size_t& done, std::size_t& appended,
                       std::string* error);
    Outcome visitAll(const std::function<void(const CheckRecord&)>& visit, std::string* error);

    bool documentChecks(const DocumentKey& document, std::vector<StoredCheck>& checks, Failure* failure);
    bool printerCnpjs(const CheckRecord& record, std::vector<PrinterCnpj>& cnpjs, Failure* failure);
    bool insert(const CheckRecord& record, std::int64_t number, Failure* failure);
    // Station, user, verdict and code, from column first on, as the two queries name them.
    bool readRecordColumns(Statement& statement, int first, CheckRecord& record, Failure* failure);

    const std::string m_connection;
    const std::vector<std::string> m_secrets;
    const std::string m_described;
    const RegisterWarning m_warn;
    std::unique_ptr<Link> m_link;
    std::unique_ptr<Statement> m_documentChecks;
    std::unique_ptr<Statement> m_printerCnpjs;
    std::unique_ptr<Statement> m_insert;
    std::unique_ptr<Statement> m_page;
};

std::string OdbcRegister::message(std::string_view what, const Failure& failure) const
{
    return withoutSecrets(std::string(what) + " (" + m_described + "): " + failure.message, m_secrets);
}

OdbcRegister::Outcome OdbcRegister::failed(std::string_view what, const Failure& failure, std::string* error)
{
    *error = message(what, failure);
    const bool lost = failure.linkLost() || m_link->dead();
    m_link->rollback();
    return lost ? Outcome::LinkLost : Outcome::Failed;
}

void OdbcRegister::drop()
{
    m_documentChecks.reset();
    m_printerCnpjs.reset();
    m_insert.reset();
    m_page.reset();
    m_link.reset();
}

OdbcRegister::Reach OdbcRegister::reach(std::string* error)
{
    drop();
    Failure failure;
    m_link = Link::connect(m_connection, &failure);
    if (!m_link) {
        *error = message("cannot connect to the register", failure);
        return Reach::Unreachable;
    }
    if (const Reach tables = prepareTables(error); tables != Reach::Connected) {
        drop();
        return tables;
    }
    const std::pair<std::unique_ptr<Statement>*, const std::u16string*> statements[] = {
        {&m_documentChecks, &kDocumentChecks}, {&m_printerCnpjs, &kPrinterCnpjs}, {&m_insert, &kInsertCheck},
        {&m_page, &kPage}};
    for (const auto& [statement, sql] : statements) {
        *statement = std::make_unique<Statement>(*m_link);
        if (!(*statement)->prepare(*sql, &failure)) {
            *error = message("cannot prepare the register's statements", failure);
            const bool lost = failure.linkLost() || m_link->dead();
            drop();
            return lost ? Reach::Unreachable : Reach::Refused;
        }
    }
    return Reach::Connected;
}

std::optional<std::int64_t> OdbcRegister::readVersion(bool* present, Failure* failure)
{
    *present = false;
    Statement statement(*m_link);
    if (!statement.prepare(kReadVersion, failure) || !statement.execute(failure))
        return std::nullopt;
    *present = true;
    if (!statement.fetch(failure)) {
        if (failure->message.empty())
            *failure = {"HY000", "the register has no version row"};
        return std::nullopt;
    }
    return statement.integer(1, failure);
}

bool OdbcRegister::ownsSchema()
{
    Failure failure;
    Statement statement(*m_link);
    const bool owns = statement.prepare(kOwnsSchema, &failure) && statement.execute(&failure) &&
                      statement.fetch(&failure) && statement.integer(1, &failure).value_or(0) > 0;
    statement.close();
    m_link->rollback();
    return owns;
}

bool OdbcRegister::makeTables(Failure* failure)
{
    // The version row last: where the server commits each definition on its own, a register with a
    // version row has its tables whole.
    if (!m_link->run(createChecks(), failure) || !m_link->run(kCreatePrinterIndex, failure) ||
        !m_link->run(kCreateVersion, failure))
        return false;
    Statement insert(*m_link);
    insert.setInteger(1, kOdbcRegisterVersion);
    return insert.prepare(kInsertVersion, failure) && insert.execute(failure) && m_link->commit(failure);
}

OdbcRegister::Reach OdbcRegister::prepareTables(std::string* error)
{
    Failure failure;
    bool present = false;
    std::optional<std::int64_t> version = readVersion(&present, &failure);
    m_link->rollback();
    if (!version && !present) {
        if (failure.linkLost() || m_link->dead()) {
            *error = message("cannot read the register", failure);
            return Reach::Unreachable;
        }
        if (!ownsSchema()) {
            *error = message("cannot read the register's tables, and only the owner of their schema makes them",
                             failure);
            return Reach::Refused;
        }
        Failure making;
        if (makeTables(&making)) {
            version = kOdbcRegisterVersion;
        } else {
            m_link->rollback();
            // Another of the owner's programs may have made them meanwhile.
            version = readVersion(&present, &failure);
            m_link->rollback();
            if (!version) {
                *error = message("cannot make the register's tables", making);
                return making.linkLost() ? Reach::Unreachable : Reach::Refused;
            }
        }
    }
    if (!version) {
        *error = message("cannot read the register's version", failure);
        return failure.linkLost() ? Reach::Unreachable : Reach::Refused;
    }
    if (*version > kOdbcRegisterVersion) {
        *error = withoutSecrets("the register (" + m_described + ") was made by a newer Morvanex: its version is " +
                                    std::to_string(*version) + ", this one reads version " +
                                    std::to_string(kOdbcRegisterVersion) + " only",
                                m_secrets);
        return Reach::Refused;
    }
    if (*version < 1) {
        *error = withoutSecrets("the register (" + m_described + ") has an unknown version " + std::to_string(*version),
                                m_secrets);
        return Reach::Refused;
    }
    return Reach::Connected;
}

template <typename Work>
bool OdbcRegister::withLink(Work work, std::string* error)
{
    bool reopened = false;
    if (!m_link) {
        if (reach(error) != Reach::Connected)
            return false;
        reopened = true;
    }
    for (;;) {
        // Said only if the work fails for good: a link lost and opened again leaves no error behind.
        std::string said;
        const Outcome outcome = work(&said);
        if (outcome == Outcome::Done)
            return true;
        if (outcome == Outcome::LinkLost)
            drop();
        if (outcome == Outcome::Failed || reopened || reach(&said) != Reach::Connected) {
            *error = said;
            return false;
        }
        reopened = true;
    }
}

bool OdbcRegister::readRecordColumns(Statement& statement, int first, CheckRecord& record, Failure* failure)
{
    std::optional<std::string> texts[4];
    for (int i = 0; i < 4; ++i) {
        texts[i] = statement.text(first + i, failure);
        if (!texts[i])
            return false;
    }
    const std::optional<CheckVerdict> verdict = verdictNamed(*texts[2]);
    if (!verdict) {
        *failure = {"22000", "a record has the unknown verdict '" + *texts[2] + "'"};
        return false;
    }
    record.station = std::move(*texts[0]);
    record.user = std::move(*texts[1]);
    record.verdict = *verdict;
    record.code = std::move(*texts[3]);
    return true;
}

bool OdbcRegister::documentChecks(const DocumentKey& document, std::vector<StoredCheck>& checks, Failure* failure)
{
    checks.clear();
    Statement& query = *m_documentChecks;
    query.setText(1, document.checksum);
    query.setText(2, document.serial);
    query.setText(3, document.coo);
    query.setText(4, document.moment);
    if (!query.execute(failure))
        return false;
    while (query.fetch(failure)) {
        StoredCheck check;
        check.record.document = document;
        const std::optional<std::int64_t> number = query.integer(1, failure);
        const std::optional<std::int64_t> checkedAt = number ? query.integer(2, failure) : std::nullopt;
        if (!checkedAt || !readRecordColumns(query, 3, check.record, failure))
            return false;
        std::optional<std::string> cnpj = query.text(7, failure);
        std::optional<std::string> firmwareFile = cnpj ? query.text(8, failure) : std::nullopt;
        if (!firmwareFile)
            return false;
        check.number = *number;
        check.record.checkedAt = *checkedAt;
        check.record.cnpj = std::move(*cnpj);
        check.record.firmwareFile = std::move(*firmwareFile);
        checks.push_back(std::move(check));
    }
    query.close();
    return failure->message.empty();
}

bool OdbcRegister::printerCnpjs(const CheckRecord& record, std::vector<PrinterCnpj>& cnpjs, Failure* failure)
{
    cnpjs.clear();
    Statement& query = *m_printerCnpjs;
    for (const int first : {1, 4}) {
        query.setText(first, record.document.checksum);
        query.setText(first + 1, record.document.serial);
        query.setText(first + 2, record.cnpj);
    }
    if (!query.execute(failure))
        return false;
    while (query.fetch(failure)) {
        std::optional<std::string> cnpj = query.text(1, failure);
        const std::optional<std::int64_t> documents = cnpj ? query.integer(2, failure) : std::nullopt;
        const std::optional<std::int64_t> last = documents ? query.integer(3, failure) : std::nullopt;
        if (!last)
            return false;
        cnpjs.push_back({std::move(*cnpj), static_cast<std::uint64_t>(*documents), *last});
    }
    query.close();
    // By the CNPJ's characters, whatever order the server's collation would give.
    std::sort(cnpjs.begin(), cnpjs.end(), [](const PrinterCnpj& a, const PrinterCnpj& b) { return a.cnpj < b.cnpj; });
    return failure->message.empty();
}

bool OdbcRegister::insert(const CheckRecord& record, std::int64_t number, Failure* failure)
{
    Statement& statement = *m_insert;
    statement.setText(1, record.document.checksum);
    statement.setText(2, record.document.serial);
    statement.setText(3, record.document.coo);
    statement.setText(4, record.document.moment);
    statement.setInteger(5, number);
    statement.setInteger(6, issueSeconds(record.document.moment));
    statement.setText(7, record.cnpj);
    statement.setInteger(8, record.checkedAt);
    statement.setText(9, record.station);
    statement.setText(10, record.user);
    statement.setText(11, verdictName(record.verdict));
    statement.setText(12, record.code);
    statement.setText(13, record.firmwareFile);
    return statement.execute(failure);
}

std::int64_t nextNumber(const std::vector<StoredCheck>& checks)
{
    std::int64_t highest = 0;
    for (const StoredCheck& check : checks)
        highest = std::max(highest, check.number);
    return highest + 1;
}

OdbcRegister::Outcome OdbcRegister::checkOnce(const CheckRecord& record, RegisterAnswer& answer, std::string* error)
{
    std::vector<StoredCheck> earlier;
    std::vector<PrinterCnpj> printer;
    for (int attempt = 1;; ++attempt) {
        Failure failure;
        if (documentChecks(record.document, earlier, &failure) && printerCnpjs(record, printer, &failure) &&
            insert(record, nextNumber(earlier), &failure) && m_link->commit(&failure)) {
            answer = answerFrom(record, earlier);
            answer.printerCnpjs = std::move(printer);
            return Outcome::Done;
        }
        if (!failure.lostRace() || attempt == kRaceAttempts)
            return failed("cannot record the check", failure, error);
        m_link->rollback();
    }
}

std::optional<RegisterAnswer> OdbcRegister::check(const CheckRecord& record, std::string* error)
{
    RegisterAnswer answer;
    if (!withLink([&](std::string* e) { return checkOnce(record, answer, e); }, error))
        return std::nullopt;
    return answer;
}

OdbcRegister::Outcome OdbcRegister::appendFrom(std::span<const CheckRecord> records, std::size_t& done,
                                               std::size_t& appended, std::string* error)
{
    std::vector<StoredCheck> held;
    while (done < records.size()) {
        const auto block = records.subspan(done, std::min(kAppendBlock, records.size() - done));
        for (int attempt = 1;; ++attempt) {
            Failure failure;
            std::size_t added = 0;
            bool written = true;
            for (const CheckRecord& record : block) {
                // Checks appended earlier in this block are read too: the transaction sees its own.
                written = documentChecks(record.document, held, &failure);
                if (!written)
                    break;
                if (std::any_of(held.begin(), held.end(), [&](const StoredCheck& c) { return c.record == record; }))
                    continue;
                written = insert(record, nextNumber(held), &failure);
                if (!written)
                    break;
                ++added;
            }
            if (written && m_link->commit(&failure)) {
                appended += added;
                done += block.size();
                break;
            }
            if (!failure.lostRace() || attempt == kRaceAttempts)
                return failed("cannot append to the register", failure, error);
            m_link->rollback();
        }
    }
    return Outcome::Done;
}

std::optional<std::size_t> OdbcRegister::appendMissing(std::span<const CheckRecord> records, std::string* error)
{
    std::size_t done = 0;
    std::size_t appended = 0;
    if (!withLink([&](std::string* e) { return appendFrom(records, done, appended, e); }, error))
        return std::nullopt;
    return appended;
}

OdbcRegister::Outcome OdbcRegister::visitAll(const std::function<void(const CheckRecord&)>& visit, std::string* error)
{
    Failure failure;
    // One snapshot for every page, so that a check recorded meanwhile is neither half seen nor skipped.
    if (!m_link->setSnapshotReads(true, &failure))
        return failed("cannot read the register", failure, error);
    std::int64_t after = 0;
    bool visited = false;
    bool read = true;
    for (std::int64_t rows = kPageRows; read && rows == kPageRows;) {
        rows = 0;
        Statement& page = *m_page;
        page.setInteger(1, after);
        read = page.execute(&failure);
        while (read && page.fetch(&failure)) {
            CheckRecord record;
            const std::optional<std::int64_t> entry = page.integer(1, &failure);
            const std::optional<std::int64_t> checkedAt = entry ? page.integer(2, &failure) : std::nullopt;
            std::optional<std::string> texts[6];
            read = checkedAt && readRecordColumns(page, 3, record, &failure);
            for (int i = 0; read && i < 6; ++i)
                read = (texts[i] = page.text(7 + i, &failure)).has_value();
            if (!read) {
                if (!entry || failure.linkLost())
                    break;
                // A row this version cannot take is said and passed over, as a file's corrupt line is.
                m_warn(message("record " + std::to_string(*entry) + " skipped", failure));
                failure = {};
                read = true;
                after = *entry;
                ++rows;
                continue;
            }
            record.checkedAt = *checkedAt;
            record.document = {std::move(*texts[0]), std::move(*texts[1]), std::move(*texts[2]), std::move(*texts[3])};
            record.cnpj = std::move(*texts[4]);
            record.firmwareFile = std::move(*texts[5]);
            after = *entry;
            ++rows;
            visited = true;
            visit(record);
        }
        read = read && failure.message.empty();
        page.close();
    }
    if (!read || !m_link->commit(&failure)) {
        Outcome outcome = failed("cannot read the register", failure, error);
        Failure ignored;
        m_link->setSnapshotReads(false, &ignored);
        // Records already visited must not be visited twice on a new link.
        return visited ? Outcome::Failed : outcome;
    }
    if (!m_link->setSnapshotReads(false, &failure))
        return failed("cannot read the register", failure, error);
    return Outcome::Done;
}

bool OdbcRegister::forEachRecord(const std::function<void(const CheckRecord&)>& visit, std::string* error)
{
    return withLink([&](std::string* e) { return visitAll(visit, e); }, error);
}

} // namespace

std::unique_ptr<CheckRegister> openOdbcRegister(const std::string& connection, const RegisterWarning& warn,
                                                std::string* error)
{
    if (connection.find_first_not_of(" \t;") == std::string::npos) {
        *error = "a database register needs a connection after odbc:, such as odbc:DSN=morvanex";
        return nullptr;
    }
    auto store = std::make_unique<OdbcRegister>(connection, warn ? warn : RegisterWarning([](const std::string&) {}));
    std::string why;
    if (store->reach(&why) == OdbcRegister::Reach::Refused) {
        *error = why;
        return nullptr;
    }
    return store;
}

} // namespace morvanex
