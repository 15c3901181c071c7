#pragma once

#include "register/check_register.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

namespace morvanex {

// A document seen with more than one CNPJ: the latest check with each, by CNPJ.
struct ClonedDocument
{
    DocumentKey document;
    std::vector<EarlierCheck> checks;
};

// A printer seen issuing documents for more than one CNPJ: each, by CNPJ.
struct SharedPrinter
{
    PrinterKey printer;
    std::vector<PrinterCnpj> cnpjs;
};

// What a register knows of its records, in memory, for answering checks: per document and CNPJ the
// number of checks and the earliest and latest, per printer and CNPJ the documents and the latest
// moment of issue. The records themselves are not kept, so a million of them take tens of megabytes.
// Only decoded records (isDecodedRecord) are taken.
class RecordIndex
{
public:
    RecordIndex();
    ~RecordIndex();
    RecordIndex(RecordIndex&&) noexcept;
    RecordIndex& operator=(RecordIndex&&) noexcept;

    // The answer for a check of record as the index stands, the check itself left out.
    RegisterAnswer answer(const CheckRecord& record) const;
    // What a record taken in brought.
    enum class Addition {
        LeftOut,     // not a decoded record
        Again,       // a document already seen with this CNPJ
        NewDocument, // a document not seen before
        AnotherCnpj, // a document seen before with other CNPJs only: now a clone
    };
    Addition add(const CheckRecord& record);
    // Both: the answer, then the record taken in.
    RegisterAnswer check(const CheckRecord& record);

    std::size_t records() const;
    // Room for about this many records, so a load grows its tables once.
    void reserve(std::size_t records);

    // The documents seen with more than one CNPJ, by document.
    std::vector<ClonedDocument> clones() const;
    // The one document, when it was seen with more than one CNPJ.
    std::optional<ClonedDocument> clone(const DocumentKey& document) const;
    // The printers seen with more than one CNPJ, by printer.
    std::vector<SharedPrinter> sharedPrinters() const;

private:
    struct Tables;
    std::unique_ptr<Tables> m_tables;
};

// The moment of issue (8 characters) as the decoder's dateValue reads it: seconds since 1970.
std::int64_t momentSeconds(std::string_view moment);

} // namespace morvanex
