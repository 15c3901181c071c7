#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex {

// What a recorded check concluded. The command line records Valid and, under --expect-cnpj,
// CnpjMismatch; the desktop records the operator's SIM as Valid and NÃO as Rejected.
enum class CheckVerdict { Valid, CnpjMismatch, Rejected };

// "Valid", "CnpjMismatch", "Rejected": the words stored and printed.
std::string_view verdictName(CheckVerdict verdict);
std::optional<CheckVerdict> verdictNamed(std::string_view name);

// A fiscal document: two genuine documents never share all four. Texts as the decoder leaves them
// (ASCII): checksum 4, serial excerpt 6, COO 6 and moment of issue 8 characters.
struct DocumentKey
{
    std::string checksum;
    std::string serial;
    std::string coo;
    std::string moment;

    auto operator<=>(const DocumentKey&) const = default;
};

// A printer: its serial excerpt and the checksum of the firmware it runs.
struct PrinterKey
{
    std::string checksum;
    std::string serial;

    auto operator<=>(const PrinterKey&) const = default;
};

// One check of a code that decoded to a CNPJ. Texts are UTF-8.
struct CheckRecord
{
    std::int64_t checkedAt = 0; // seconds since 1970-01-01 UTC
    std::string station;        // the host name
    std::string user;
    CheckVerdict verdict = CheckVerdict::Valid;
    std::string code;           // the 48 characters as checked
    DocumentKey document;
    std::string cnpj;           // 20 characters, as decoded
    std::string firmwareFile;   // as the descriptor names it

    PrinterKey printer() const { return {document.checksum, document.serial}; }
    bool operator==(const CheckRecord&) const = default;
};

// Whether record holds a document as the decoder leaves it: checksum, serial, COO, moment and CNPJ of
// the widths above. A register records nothing else; why, when given, says what is wrong.
bool isDecodedRecord(const CheckRecord& record, std::string* why = nullptr);

// An earlier check, as an answer names it.
struct EarlierCheck
{
    std::int64_t checkedAt = 0;
    std::string station;
    std::string cnpj;
    CheckVerdict verdict = CheckVerdict::Valid;
};

// Another CNPJ a printer has issued documents for.
struct PrinterCnpj
{
    std::string cnpj;
    std::uint64_t documents = 0; // distinct documents
    std::int64_t last = 0;       // the latest moment of issue among them, seconds since 1970
};

enum class DocumentStatus {
    New,    // never checked before
    Repeat, // checked before, always with this CNPJ
    Clone,  // checked before with another CNPJ: one of the documents is forged
};

// What the register knew of a document when a check of it came, this check left out.
struct RegisterAnswer
{
    DocumentStatus status = DocumentStatus::New;
    std::uint64_t checks = 1;           // checks of the document with this CNPJ, this one included
    std::optional<EarlierCheck> first;  // the earliest and the latest earlier check with this CNPJ
    std::optional<EarlierCheck> last;
    // For a clone: the latest check with each other CNPJ, by CNPJ.
    std::vector<EarlierCheck> otherCnpjs;
    // The other CNPJs the document's printer has issued documents for, by CNPJ.
    std::vector<PrinterCnpj> printerCnpjs;
};

// Said of a register while it is read: a line skipped, and why, naming where it stands. Never a
// password.
using RegisterWarning = std::function<void(const std::string& warning)>;

// A memory of checked documents, shared by whoever points at the same place: a file of one desk or
// a database server of a team. For one thread.
class CheckRegister
{
public:
    virtual ~CheckRegister() = default;

    // Answers the check as the register stands (with the checks of other processes read so far and
    // every check of this one), and records it. The record may wait in memory until flush, which
    // the caller calls before it waits for more work and at its end. Nothing, with error set, when
    // the register cannot answer; the caller's verdict stands regardless.
    virtual std::optional<RegisterAnswer> check(const CheckRecord& record, std::string* error) = 0;
    // Writes every record still waiting, each one whole; false, with error set, when some could not
    // be written. What was in the register before is never lost.
    virtual bool flush(std::string* error) = 0;

    // Every record, in the register's order; skipped lines are warned of.
    virtual bool forEachRecord(const std::function<void(const CheckRecord&)>& visit, std::string* error) = 0;
    // Appends, in order, each of records the register does not hold yet (the same record, field for
    // field); how many it appended.
    virtual std::optional<std::size_t> appendMissing(std::span<const CheckRecord> records,
                                                     std::string* error) = 0;

    // Where it is, for messages: a file's path, or a server's connection without its secrets.
    virtual std::string describe() const = 0;
};

// Opens the register at location: "odbc:CONNECTION" for a database server, anything else a file's
// path, the file made when absent. Nothing, with error set, when it cannot be opened. A server that
// cannot be reached at the moment still gives a register: each check tries it again.
std::unique_ptr<CheckRegister> openCheckRegister(const std::string& location, const RegisterWarning& warn,
                                                 std::string* error);

} // namespace morvanex
