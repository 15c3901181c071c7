#include "register/register_merge.h"

#include <set>

namespace morvanex {
namespace {

// Records handed to appendMissing at a time, so a large source is never held whole.
constexpr std::size_t mergeBatch = 4096;

} // namespace

bool indexRecords(CheckRegister& source, RecordIndex& index, std::string* error)
{
    return source.forEachRecord([&](const CheckRecord& record) { index.add(record); }, error);
}

std::optional<RecordIndex> indexRegisters(std::span<const std::string> locations, const RegisterWarning& warn,
                                          std::string* error)
{
    RecordIndex index;
    for (const std::string& location : locations) {
        const std::unique_ptr<CheckRegister> source = openCheckRegister(location, warn, error);
        if (!source || !indexRecords(*source, index, error))
            return std::nullopt;
    }
    return index;
}

std::optional<MergeResult> mergeRegisters(CheckRegister& target, std::span<CheckRegister* const> sources,
                                          std::string* error)
{
    RecordIndex together;
    if (!indexRecords(target, together, error))
        return std::nullopt;
    MergeResult result;
    // Few: only documents that turn into clones.
    std::set<DocumentKey> gainedCnpj;
    std::vector<CheckRecord> batch;
    bool appending = true;
    const auto appendBatch = [&] {
        if (!appending || batch.empty())
            return;
        const std::optional<std::size_t> appended = target.appendMissing(batch, error);
        appending = appended.has_value();
        result.appended += appended.value_or(0);
        batch.clear();
    };
    for (CheckRegister* source : sources) {
        const bool read = source->forEachRecord(
            [&](const CheckRecord& record) {
                if (together.add(record) == RecordIndex::Addition::AnotherCnpj)
                    gainedCnpj.insert(record.document);
                batch.push_back(record);
                if (batch.size() == mergeBatch)
                    appendBatch();
            },
            error);
        appendBatch();
        if (!read || !appending)
            return std::nullopt;
    }
    for (const DocumentKey& document : gainedCnpj)
        if (std::optional<ClonedDocument> clone = together.clone(document))
            result.revealed.push_back(std::move(*clone));
    return result;
}

} // namespace morvanex
