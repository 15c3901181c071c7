#include "register/record_index.h"

#include "footer/footer_decoder.h"
#include "footer/footer_layout.h"
#include "register/id_table.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <limits>

namespace morvanex {
namespace {

constexpr std::uint32_t none = IdTable::none;
constexpr std::size_t documentKeySize = checksumDigits + serialDigits + cooDigits + timestampDigits;
constexpr std::size_t printerKeySize = checksumDigits + serialDigits;

using DocumentBytes = std::array<char, documentKeySize>;
using PrinterBytes = std::array<char, printerKeySize>;

std::uint64_t hashBytes(std::string_view bytes)
{
    return std::hash<std::string_view>{}(bytes);
}

template <std::size_t N> std::string_view view(const std::array<char, N>& bytes)
{
    return {bytes.data(), N};
}

// Texts kept once each (stations, CNPJs), known by a number.
class StringPool
{
public:
    std::uint32_t find(std::string_view text) const
    {
        return m_table.find(hashBytes(text), [&](std::uint32_t id) { return at(id) == text; });
    }

    std::uint32_t intern(std::string_view text)
    {
        const std::uint64_t hash = hashBytes(text);
        std::uint32_t id = m_table.find(hash, [&](std::uint32_t candidate) { return at(candidate) == text; });
        if (id != none)
            return id;
        id = static_cast<std::uint32_t>(m_ends.size());
        m_bytes.append(text);
        m_ends.push_back(m_bytes.size());
        m_table.insert(hash, id);
        return id;
    }

    std::string_view at(std::uint32_t id) const
    {
        const std::size_t begin = id == 0 ? 0 : m_ends[id - 1];
        return std::string_view(m_bytes).substr(begin, m_ends[id] - begin);
    }

private:
    std::string m_bytes;
    std::vector<std::size_t> m_ends;
    IdTable m_table;
};

DocumentBytes documentBytes(const DocumentKey& key)
{
    DocumentBytes bytes{};
    char* out = bytes.data();
    for (const std::string* field : {&key.checksum, &key.serial, &key.coo, &key.moment})
        out = std::copy(field->begin(), field->end(), out);
    return bytes;
}

DocumentKey documentKeyOf(const DocumentBytes& bytes)
{
    const std::string_view all = view(bytes);
    return {std::string(all.substr(0, checksumDigits)), std::string(all.substr(checksumDigits, serialDigits)),
            std::string(all.substr(checksumDigits + serialDigits, cooDigits)),
            std::string(all.substr(checksumDigits + serialDigits + cooDigits, timestampDigits))};
}

PrinterBytes printerBytes(const DocumentBytes& document)
{
    PrinterBytes bytes{};
    std::copy_n(document.begin(), printerKeySize, bytes.begin());
    return bytes;
}

} // namespace

std::int64_t momentSeconds(std::string_view moment)
{
    FooterDecoder decoder;
    std::copy_n(moment.begin(), std::min(moment.size(), timestampDigits), decoder.timestamp.begin());
    return decoder.dateValue();
}

struct RecordIndex::Tables
{
    // One document with one CNPJ: its checks. Linked from the document, one per CNPJ.
    struct DocumentCnpj
    {
        std::int64_t firstAt = 0;
        std::int64_t lastAt = 0;
        std::uint32_t cnpj = none;
        std::uint32_t next = none;
        std::uint32_t firstStation = none;
        std::uint32_t lastStation = none;
        std::uint32_t checks = 0;
        CheckVerdict firstVerdict = CheckVerdict::Valid;
        CheckVerdict lastVerdict = CheckVerdict::Valid;
    };
    struct Document
    {
        DocumentBytes key;
        std::uint32_t firstCnpj = none;
    };
    // One printer with one CNPJ: the distinct documents and the latest moment of issue.
    struct PrinterCnpjEntry
    {
        std::int64_t lastMoment = 0;
        std::uint64_t documents = 0;
        std::uint32_t cnpj = none;
        std::uint32_t next = none;
    };
    struct Printer
    {
        PrinterBytes key;
        std::uint32_t firstCnpj = none;
    };

    std::vector<Document> documents;
    IdTable documentTable;
    std::vector<DocumentCnpj> documentCnpjs;
    std::vector<Printer> printers;
    IdTable printerTable;
    std::vector<PrinterCnpjEntry> printerCnpjs;
    StringPool cnpjs;
    StringPool stations;
    std::size_t records = 0;

    std::uint32_t findDocument(const DocumentBytes& key) const
    {
        return documentTable.find(hashBytes(view(key)),
                                  [&](std::uint32_t id) { return documents[id].key == key; });
    }
    std::uint32_t findPrinter(const PrinterBytes& key) const
    {
        return printerTable.find(hashBytes(view(key)),
                                 [&](std::uint32_t id) { return printers[id].key == key; });
    }

    EarlierCheck latest(const DocumentCnpj& entry) const
    {
        return {entry.lastAt, std::string(stations.at(entry.lastStation)), std::string(cnpjs.at(entry.cnpj)),
                entry.lastVerdict};
    }
    EarlierCheck earliest(const DocumentCnpj& entry) const
    {
        return {entry.firstAt, std::string(stations.at(entry.firstStation)),
                std::string(cnpjs.at(entry.cnpj)), entry.firstVerdict};
    }

    std::vector<PrinterCnpj> printerCnpjsOf(std::uint32_t printer, std::uint32_t leftOut) const
    {
        std::vector<PrinterCnpj> found;
        for (std::uint32_t e = printers[printer].firstCnpj; e != none; e = printerCnpjs[e].next)
            if (printerCnpjs[e].cnpj != leftOut)
                found.push_back({std::string(cnpjs.at(printerCnpjs[e].cnpj)), printerCnpjs[e].documents,
                                 printerCnpjs[e].lastMoment});
        std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.cnpj < b.cnpj; });
        return found;
    }

    std::vector<EarlierCheck> latestChecks(std::uint32_t document) const
    {
        std::vector<EarlierCheck> found;
        for (std::uint32_t e = documents[document].firstCnpj; e != none; e = documentCnpjs[e].next)
            found.push_back(latest(documentCnpjs[e]));
        std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.cnpj < b.cnpj; });
        return found;
    }

    bool severalCnpjs(std::uint32_t document) const
    {
        const std::uint32_t first = documents[document].firstCnpj;
        return first != none && documentCnpjs[first].next != none;
    }
};

RecordIndex::RecordIndex() : m_tables(std::make_unique<Tables>()) {}
RecordIndex::~RecordIndex() = default;
RecordIndex::RecordIndex(RecordIndex&&) noexcept = default;
RecordIndex& RecordIndex::operator=(RecordIndex&&) noexcept = default;

std::size_t RecordIndex::records() const
{
    return m_tables->records;
}

void RecordIndex::reserve(std::size_t records)
{
    Tables& t = *m_tables;
    t.documents.reserve(records);
    t.documentCnpjs.reserve(records);
    t.documentTable.reserve(records);
}

RegisterAnswer RecordIndex::answer(const CheckRecord& record) const
{
    const Tables& t = *m_tables;
    RegisterAnswer answer;
    if (!isDecodedRecord(record))
        return answer;
    const DocumentBytes key = documentBytes(record.document);
    const std::uint32_t cnpj = t.cnpjs.find(record.cnpj);
    const std::uint32_t printer = t.findPrinter(printerBytes(key));
    if (printer != none)
        answer.printerCnpjs = t.printerCnpjsOf(printer, cnpj);
    const std::uint32_t document = t.findDocument(key);
    if (document == none)
        return answer;
    answer.status = DocumentStatus::Repeat;
    for (std::uint32_t e = t.documents[document].firstCnpj; e != none; e = t.documentCnpjs[e].next) {
        const Tables::DocumentCnpj& entry = t.documentCnpjs[e];
        if (entry.cnpj == cnpj) {
            answer.checks += entry.checks;
            answer.first = t.earliest(entry);
            answer.last = t.latest(entry);
        } else {
            answer.status = DocumentStatus::Clone;
            answer.otherCnpjs.push_back(t.latest(entry));
        }
    }
    std::sort(answer.otherCnpjs.begin(), answer.otherCnpjs.end(),
              [](const auto& a, const auto& b) { return a.cnpj < b.cnpj; });
    return answer;
}

RecordIndex::Addition RecordIndex::add(const CheckRecord& record)
{
    if (!isDecodedRecord(record))
        return Addition::LeftOut;
    Tables& t = *m_tables;
    ++t.records;
    const DocumentBytes key = documentBytes(record.document);
    const std::uint32_t cnpj = t.cnpjs.intern(record.cnpj);
    const std::uint32_t station = t.stations.intern(record.station);

    std::uint32_t document = t.findDocument(key);
    if (document == none) {
        document = static_cast<std::uint32_t>(t.documents.size());
        t.documents.push_back({key, none});
        t.documentTable.insert(hashBytes(view(key)), document);
    }
    std::uint32_t e = t.documents[document].firstCnpj;
    while (e != none && t.documentCnpjs[e].cnpj != cnpj)
        e = t.documentCnpjs[e].next;
    const bool newCnpj = e == none;
    if (newCnpj) {
        e = static_cast<std::uint32_t>(t.documentCnpjs.size());
        t.documentCnpjs.push_back({});
        t.documentCnpjs[e].cnpj = cnpj;
        t.documentCnpjs[e].next = t.documents[document].firstCnpj;
        t.documents[document].firstCnpj = e;
    }
    Tables::DocumentCnpj& entry = t.documentCnpjs[e];
    // Registers merged from several desks need not be in time order: earliest and latest go by the
    // time of the check, a tie to the record read later.
    if (entry.checks == 0 || record.checkedAt < entry.firstAt) {
        entry.firstAt = record.checkedAt;
        entry.firstStation = station;
        entry.firstVerdict = record.verdict;
    }
    if (entry.checks == 0 || record.checkedAt >= entry.lastAt) {
        entry.lastAt = record.checkedAt;
        entry.lastStation = station;
        entry.lastVerdict = record.verdict;
    }
    ++entry.checks;
    if (!newCnpj)
        return Addition::Again;
    const Addition addition = t.documents[document].firstCnpj == e && entry.next == none
                                  ? Addition::NewDocument
                                  : Addition::AnotherCnpj;

    const PrinterBytes printerKey = printerBytes(key);
    std::uint32_t printer = t.findPrinter(printerKey);
    if (printer == none) {
        printer = static_cast<std::uint32_t>(t.printers.size());
        t.printers.push_back({printerKey, none});
        t.printerTable.insert(hashBytes(view(printerKey)), printer);
    }
    std::uint32_t p = t.printers[printer].firstCnpj;
    while (p != none && t.printerCnpjs[p].cnpj != cnpj)
        p = t.printerCnpjs[p].next;
    const std::int64_t moment = momentSeconds(record.document.moment);
    if (p == none) {
        p = static_cast<std::uint32_t>(t.printerCnpjs.size());
        t.printerCnpjs.push_back({moment, 0, cnpj, t.printers[printer].firstCnpj});
        t.printers[printer].firstCnpj = p;
    }
    ++t.printerCnpjs[p].documents;
    t.printerCnpjs[p].lastMoment = std::max(t.printerCnpjs[p].lastMoment, moment);
    return addition;
}

RegisterAnswer RecordIndex::check(const CheckRecord& record)
{
    RegisterAnswer answer = this->answer(record);
    add(record);
    return answer;
}

std::vector<ClonedDocument> RecordIndex::clones() const
{
    const Tables& t = *m_tables;
    std::vector<std::uint32_t> found;
    for (std::uint32_t d = 0; d < t.documents.size(); ++d)
        if (t.severalCnpjs(d))
            found.push_back(d);
    std::sort(found.begin(), found.end(), [&](std::uint32_t a, std::uint32_t b) {
        return view(t.documents[a].key) < view(t.documents[b].key);
    });
    std::vector<ClonedDocument> clones;
    for (const std::uint32_t d : found)
        clones.push_back({documentKeyOf(t.documents[d].key), t.latestChecks(d)});
    return clones;
}

std::optional<ClonedDocument> RecordIndex::clone(const DocumentKey& document) const
{
    const Tables& t = *m_tables;
    if (document.checksum.size() != checksumDigits || document.serial.size() != serialDigits ||
        document.coo.size() != cooDigits || document.moment.size() != timestampDigits)
        return std::nullopt;
    const std::uint32_t d = t.findDocument(documentBytes(document));
    if (d == none || !t.severalCnpjs(d))
        return std::nullopt;
    return ClonedDocument{document, t.latestChecks(d)};
}

std::vector<SharedPrinter> RecordIndex::sharedPrinters() const
{
    const Tables& t = *m_tables;
    std::vector<std::uint32_t> found;
    for (std::uint32_t p = 0; p < t.printers.size(); ++p) {
        const std::uint32_t first = t.printers[p].firstCnpj;
        if (first != none && t.printerCnpjs[first].next != none)
            found.push_back(p);
    }
    std::sort(found.begin(), found.end(), [&](std::uint32_t a, std::uint32_t b) {
        return view(t.printers[a].key) < view(t.printers[b].key);
    });
    std::vector<SharedPrinter> shared;
    for (const std::uint32_t p : found) {
        const std::string_view key = view(t.printers[p].key);
        shared.push_back(
            {{std::string(key.substr(0, checksumDigits)), std::string(key.substr(checksumDigits))},
             t.printerCnpjsOf(p, none)});
    }
    return shared;
}

} // namespace morvanex
