#include "register/file_register.h"

#include "register/id_table.h"
#include "register/record_index.h"
#include "register/register_file.h"
#include "register/register_format.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace morvanex {
namespace {

constexpr std::size_t readChunk = 1 << 20;
// Longer lines are no records (one is a few hundred bytes): skipped without being held.
constexpr std::size_t longestLine = 1 << 16;
// A block of records appended in one write under one taking of the lock.
constexpr std::size_t blockBytes = 1 << 16;
// A first guess of a record line's length, to size the index before a load.
constexpr std::size_t typicalLineBytes = 160;

std::uint64_t mixed(std::uint64_t seed, std::uint64_t value)
{
    return seed ^ (value + 0x9E3779B97F4A7C15ULL + (seed << 6) + (seed >> 2));
}

// The same for records equal field for field.
std::uint64_t fingerprint(const CheckRecord& record)
{
    std::uint64_t hash =
        mixed(static_cast<std::uint64_t>(record.checkedAt), static_cast<std::uint64_t>(record.verdict));
    for (const std::string* field :
         {&record.station, &record.user, &record.code, &record.document.checksum, &record.document.serial,
          &record.document.coo, &record.document.moment, &record.cnpj, &record.firmwareFile})
        hash = mixed(hash, std::hash<std::string>{}(*field));
    return hash;
}

// Whether the file can hold record: a decoded document, checked at a time its lines can state.
bool recordable(const CheckRecord& record, std::string* why)
{
    if (!isDecodedRecord(record, why))
        return false;
    if (record.checkedAt >= earliestIsoTime && record.checkedAt <= latestIsoTime)
        return true;
    if (why)
        *why = "its time lies outside the years 0000 to 9999";
    return false;
}

struct ScannedLine
{
    std::string_view text; // without its LF
    std::uint64_t offset = 0;
    std::uint64_t number = 0; // counted from 1, the header's
    bool overlong = false;    // longer than longestLine; text is then empty
};

struct ScanEnd
{
    std::uint64_t wholeEnd = 0;   // after the last whole line
    std::uint64_t nextNumber = 0; // the number of the line there
};

class FileRegister final : public CheckRegister
{
public:
    FileRegister(std::filesystem::path path, RegisterFile file, RegisterWarning warn)
        : m_path(std::move(path)), m_file(std::move(file)), m_warn(std::move(warn)),
          m_header(registerHeader())
    {
    }
    ~FileRegister() override
    {
        // The caller flushes and hears of failures; this only keeps a forgotten flush from losing records.
        std::string ignored;
        flush(&ignored);
    }

    bool start(std::string* error);

    std::optional<RegisterAnswer> check(const CheckRecord& record, std::string* error) override;
    bool flush(std::string* error) override;
    bool forEachRecord(const std::function<void(const CheckRecord&)>& visit, std::string* error) override;
    std::optional<std::size_t> appendMissing(std::span<const CheckRecord> records,
                                             std::string* error) override;
    std::string describe() const override;

private:
    // Where the records of the file go as they are read.
    enum Feed : unsigned { toIndex = 1, toFingerprints = 2 };

    // The records of the file found by fingerprint, for telling whether a record is there already.
    struct Fingerprints
    {
        bool built = false;
        std::vector<std::uint64_t> hashes;
        std::vector<std::uint64_t> offsets; // of each record's line
        IdTable table;
    };

    // A run of record lines written in one piece.
    struct Block
    {
        std::string bytes;
        std::vector<const CheckRecord*> records;
        std::vector<std::size_t> offsets;

        void add(const CheckRecord& record)
        {
            offsets.push_back(bytes.size());
            records.push_back(&record);
            bytes += recordLine(record);
        }
    };

    unsigned feeds() const
    {
        return (m_indexed ? toIndex : 0u) | (m_fingerprints.built ? toFingerprints : 0u);
    }
    std::string where() const
    {
        std::string quoted = "'";
        quoted += describe();
        return quoted += '\'';
    }
    void warn(const std::string& text) const
    {
        if (m_warn)
            m_warn(text);
    }
    void warnLine(std::uint64_t number, const std::string& why) const
    {
        warn(where() + " line " + std::to_string(number) + ": " + why + "; skipped");
    }
    bool lockFailed(std::string* error, const std::string& why) const
    {
        if (error)
            *error = "cannot lock the register " + where() + ": " + why;
        return false;
    }

    std::optional<ScanEnd> scan(std::uint64_t from, std::uint64_t to, std::uint64_t firstNumber,
                                const std::function<void(const ScannedLine&)>& onLine,
                                std::string* error) const;
    // The record a line holds, into m_scratch; warns of a line that holds none when asked to.
    bool takeRecord(const ScannedLine& line, bool warnings);
    // Reads, under the lock the caller holds, what was appended since the last read into what is built.
    bool catchUp(std::string* error);
    // Builds the index, or the fingerprints, from the part of the file already read, then catches up.
    bool build(Feed feed, std::string* error);
    bool lockAndCatchUp(bool exclusive, Feed needed, std::string* error);
    // Appends block under the exclusive lock the caller holds, after catchUp.
    bool writeBlock(const Block& block, bool addToIndex, std::string* error);
    bool recordAt(std::uint64_t offset, CheckRecord& record) const;
    bool holds(const CheckRecord& record, std::uint64_t hash) const;

    std::filesystem::path m_path;
    RegisterFile m_file;
    RegisterWarning m_warn;
    std::string m_header;

    RecordIndex m_index;
    bool m_indexed = false;
    Fingerprints m_fingerprints;
    std::vector<CheckRecord> m_pending;

    // Whole lines before m_readEnd have gone into what is built: m_lines of them.
    std::uint64_t m_readEnd = 0;
    std::uint64_t m_lines = 0;
    // The file's length when last looked at; more than m_readEnd when it ends in a torn line.
    std::uint64_t m_seenEnd = 0;
    std::optional<std::uint64_t> m_tornWarnedAt;
    CheckRecord m_scratch;
};

bool FileRegister::start(std::string* error)
{
    const auto fail = [&](const std::string& why) {
        if (error)
            *error = "cannot open the register " + where() + ": " + why;
        m_file.unlock();
        return false;
    };
    std::string why;
    if (!m_file.lock(m_file.writable(), &why))
        return fail(why);
    const std::optional<std::uint64_t> size = m_file.size(&why);
    if (!size)
        return fail(why);
    std::string first(std::min<std::uint64_t>(*size, 4096), '\0');
    const std::optional<std::size_t> got = m_file.readAt(0, first, &why);
    if (!got)
        return fail(why);
    first.resize(*got);
    const std::size_t lineEnd = first.find('\n');
    if (lineEnd == std::string::npos) {
        // Empty, or a header cut short when the file was made: the header is (re)written.
        if (!std::string_view(m_header).starts_with(first))
            return fail("not a register of checked documents (its first line is no '" +
                        std::string(registerFormatName) + "' header)");
        if (m_file.writable() && !first.empty())
            (void)m_file.truncate(0, nullptr);
        if (m_file.writable())
            (void)m_file.append(0, m_header + '\n', nullptr);
    } else {
        std::string_view line(first.data(), lineEnd);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line != m_header) {
            const std::string prefix = std::string(registerFormatName) + ' ';
            if (line.starts_with(prefix))
                return fail("a register of format '" + std::string(line.substr(0, line.find('\t'))) +
                            "', which this version does not read");
            return fail("not a register of checked documents (its first line is no '" +
                        std::string(registerFormatName) + "' header)");
        }
    }
    m_file.unlock();
    return true;
}

std::optional<ScanEnd> FileRegister::scan(std::uint64_t from, std::uint64_t to, std::uint64_t firstNumber,
                                          const std::function<void(const ScannedLine&)>& onLine,
                                          std::string* error) const
{
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(to - from, readChunk)));
    std::string carry; // a line begun in an earlier chunk
    bool overlong = false;
    ScannedLine line;
    line.offset = from;
    line.number = firstNumber;
    ScanEnd end{from, firstNumber};
    for (std::uint64_t at = from; at < to;) {
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), to - at));
        std::string why;
        const std::optional<std::size_t> got = m_file.readAt(at, std::span(buffer.data(), wanted), &why);
        if (!got) {
            if (error)
                *error = "cannot read the register " + where() + ": " + why;
            return std::nullopt;
        }
        if (*got == 0)
            break; // cut short meanwhile
        const std::string_view chunk(buffer.data(), *got);
        for (std::size_t start = 0;;) {
            const std::size_t lf = chunk.find('\n', start);
            const std::string_view piece =
                chunk.substr(start, lf == std::string_view::npos ? lf : lf - start);
            if (!overlong && carry.size() + piece.size() > longestLine) {
                overlong = true;
                carry.clear();
            }
            if (lf == std::string_view::npos) {
                if (!overlong)
                    carry.append(piece);
                break;
            }
            if (overlong) {
                line.text = {};
            } else if (carry.empty()) {
                line.text = piece;
            } else {
                carry.append(piece);
                line.text = carry;
            }
            line.overlong = overlong;
            onLine(line);
            carry.clear();
            overlong = false;
            start = lf + 1;
            end = {at + start, line.number + 1};
            line.offset = end.wholeEnd;
            line.number = end.nextNumber;
        }
        at += *got;
    }
    return end;
}

bool FileRegister::takeRecord(const ScannedLine& line, bool warnings)
{
    if (line.overlong) {
        if (warnings)
            warnLine(line.number, "longer than " + std::to_string(longestLine) + " bytes, no record");
        return false;
    }
    std::string_view text = line.text;
    if (text.ends_with('\r')) // an editor's line end
        text.remove_suffix(1);
    // The first line, or that of a register appended whole to this one.
    if (text == m_header)
        return false;
    std::string why;
    if (parseRecordLine(text, m_scratch, &why))
        return true;
    if (warnings)
        warnLine(line.number, text.starts_with(std::string(registerFormatName) + ' ')
                                  ? "the header of another format version"
                                  : "not a record: " + why);
    return false;
}

bool FileRegister::catchUp(std::string* error)
{
    const unsigned feed = feeds();
    if (feed == 0)
        return true;
    std::string why;
    const std::optional<std::uint64_t> size = m_file.size(&why);
    if (!size) {
        if (error)
            *error = "cannot read the register " + where() + ": " + why;
        return false;
    }
    if (*size < m_seenEnd) {
        // Someone cut the file: what was read no longer stands. Everything is read afresh.
        warn(where() + " is shorter than when it was read: reading it again");
        m_index = RecordIndex();
        m_fingerprints = Fingerprints();
        m_fingerprints.built = (feed & toFingerprints) != 0;
        m_readEnd = m_seenEnd = m_lines = 0;
        m_tornWarnedAt.reset();
        for (const CheckRecord& record : m_pending)
            m_index.add(record);
    }
    if (*size == m_seenEnd)
        return true;
    const std::optional<ScanEnd> end = scan(
        m_readEnd, *size, m_lines + 1,
        [&](const ScannedLine& line) {
            if (!takeRecord(line, true))
                return;
            if (feed & toIndex)
                m_index.add(m_scratch);
            if (feed & toFingerprints) {
                const std::uint64_t hash = fingerprint(m_scratch);
                m_fingerprints.table.insert(hash, static_cast<std::uint32_t>(m_fingerprints.hashes.size()));
                m_fingerprints.hashes.push_back(hash);
                m_fingerprints.offsets.push_back(line.offset);
            }
        },
        error);
    if (!end)
        return false;
    m_readEnd = end->wholeEnd;
    m_lines = end->nextNumber - 1;
    m_seenEnd = *size;
    if (m_readEnd < *size && m_tornWarnedAt != m_readEnd) {
        m_tornWarnedAt = m_readEnd;
        warnLine(end->nextNumber, "torn (it has no line end: a write was cut short)");
    }
    return true;
}

bool FileRegister::build(Feed feed, std::string* error)
{
    if (m_readEnd > 0) {
        // Warned of already when it was read.
        const std::optional<ScanEnd> end = scan(
            0, m_readEnd, 1,
            [&](const ScannedLine& line) {
                if (!takeRecord(line, false))
                    return;
                if (feed == toIndex) {
                    m_index.add(m_scratch);
                } else {
                    const std::uint64_t hash = fingerprint(m_scratch);
                    m_fingerprints.table.insert(hash,
                                                static_cast<std::uint32_t>(m_fingerprints.hashes.size()));
                    m_fingerprints.hashes.push_back(hash);
                    m_fingerprints.offsets.push_back(line.offset);
                }
            },
            error);
        if (!end)
            return false;
    } else if (feed == toIndex) {
        if (const std::optional<std::uint64_t> size = m_file.size(nullptr))
            m_index.reserve(static_cast<std::size_t>(*size / typicalLineBytes));
    }
    (feed == toIndex ? m_indexed : m_fingerprints.built) = true;
    return catchUp(error);
}

bool FileRegister::lockAndCatchUp(bool exclusive, Feed needed, std::string* error)
{
    std::string why;
    if (!m_file.lock(exclusive, &why))
        return lockFailed(error, why);
    const bool built = (feeds() & needed) != 0;
    if (built ? catchUp(error) : build(needed, error))
        return true;
    m_file.unlock();
    return false;
}

std::optional<RegisterAnswer> FileRegister::check(const CheckRecord& record, std::string* error)
{
    std::string why;
    if (!recordable(record, &why)) {
        if (error)
            *error = "a check the register cannot hold: " + why;
        return std::nullopt;
    }
    // A file no longer than when it was last read holds nothing new whole: a block being appended
    // meanwhile is another process's check that comes after this one. Only a longer file is read,
    // under the lock, so a batch's checks cost no locking while nobody else writes.
    const std::optional<std::uint64_t> size = m_indexed ? m_file.size(nullptr) : std::nullopt;
    if (!size || *size != m_seenEnd) {
        if (!lockAndCatchUp(false, toIndex, error))
            return std::nullopt;
        m_file.unlock();
    }
    RegisterAnswer answer = m_index.check(record);
    m_pending.push_back(record);
    return answer;
}

bool FileRegister::writeBlock(const Block& block, bool addToIndex, std::string* error)
{
    std::string why;
    const std::optional<std::uint64_t> size = m_file.size(&why);
    char last = '\n';
    if (!size || (*size > 0 && !m_file.readAt(*size - 1, std::span(&last, 1), &why))) {
        if (error)
            *error = "cannot read the register " + where() + ": " + why;
        return false;
    }
    // A register emptied since it was opened gets its header again; a torn last line its line end,
    // so that the block starts on a line of its own.
    std::string prefix = *size == 0 ? m_header + '\n' : last != '\n' ? "\n" : "";
    const bool written = prefix.empty() ? m_file.append(*size, block.bytes, &why)
                                        : m_file.append(*size, prefix + block.bytes, &why);
    if (!written) {
        if (error)
            *error = "cannot write to the register " + where() + ": " + why;
        return false;
    }
    if (feeds() == 0)
        return true;
    const std::uint64_t start = *size + prefix.size();
    for (std::size_t i = 0; i < block.records.size(); ++i) {
        if (addToIndex && m_indexed)
            m_index.add(*block.records[i]);
        if (m_fingerprints.built) {
            const std::uint64_t hash = fingerprint(*block.records[i]);
            m_fingerprints.table.insert(hash, static_cast<std::uint32_t>(m_fingerprints.hashes.size()));
            m_fingerprints.hashes.push_back(hash);
            m_fingerprints.offsets.push_back(start + block.offsets[i]);
        }
    }
    m_lines += (prefix.empty() ? 0 : 1) + block.records.size();
    m_readEnd = m_seenEnd = start + block.bytes.size();
    return true;
}

bool FileRegister::flush(std::string* error)
{
    std::size_t done = 0;
    bool written = true;
    while (written && done < m_pending.size()) {
        if (!m_file.writable()) {
            if (error)
                *error = "cannot write to the register " + where() + ": " + m_file.writeProblem();
            written = false;
            break;
        }
        std::string why;
        if (!m_file.lock(true, &why)) {
            written = lockFailed(error, why);
            break;
        }
        // Others' records first, so the block's lines are counted where they land.
        written = catchUp(error);
        Block block;
        for (std::size_t i = done; written && i < m_pending.size() && block.bytes.size() < blockBytes; ++i)
            block.add(m_pending[i]);
        written = written && writeBlock(block, false, error);
        m_file.unlock();
        if (written)
            done += block.records.size();
    }
    // Records that could not be written wait for the next flush.
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(done));
    return written;
}

bool FileRegister::forEachRecord(const std::function<void(const CheckRecord&)>& visit, std::string* error)
{
    std::string why;
    if (!m_file.lock(false, &why))
        return lockFailed(error, why);
    const std::optional<std::uint64_t> size = m_file.size(&why);
    m_file.unlock();
    if (!size) {
        if (error)
            *error = "cannot read the register " + where() + ": " + why;
        return false;
    }
    // Lines before the length seen under the lock are whole and never change: read without it.
    const std::optional<ScanEnd> end = scan(
        0, *size, 1,
        [&](const ScannedLine& line) {
            if (takeRecord(line, true))
                visit(m_scratch);
        },
        error);
    if (!end)
        return false;
    if (end->wholeEnd < *size)
        warnLine(end->nextNumber, "torn (it has no line end: a write was cut short)");
    for (const CheckRecord& record : m_pending)
        visit(record);
    return true;
}

bool FileRegister::recordAt(std::uint64_t offset, CheckRecord& record) const
{
    std::string text(1024, '\0');
    for (;;) {
        const std::optional<std::size_t> got = m_file.readAt(offset, text, nullptr);
        if (!got)
            return false;
        const std::size_t lf = std::string_view(text).substr(0, *got).find('\n');
        if (lf != std::string::npos) {
            std::string_view line(text.data(), lf);
            if (line.ends_with('\r'))
                line.remove_suffix(1);
            return parseRecordLine(line, record, nullptr);
        }
        if (*got < text.size() || text.size() >= longestLine)
            return false;
        text.resize(2 * text.size());
    }
}

bool FileRegister::holds(const CheckRecord& record, std::uint64_t hash) const
{
    CheckRecord stored;
    return m_fingerprints.table.find(hash, [&](std::uint32_t id) {
        return m_fingerprints.hashes[id] == hash && recordAt(m_fingerprints.offsets[id], stored) &&
               stored == record;
    }) != IdTable::none;
}

std::optional<std::size_t> FileRegister::appendMissing(std::span<const CheckRecord> records,
                                                       std::string* error)
{
    for (std::size_t i = 0; i < records.size(); ++i) {
        std::string why;
        if (!recordable(records[i], &why)) {
            if (error)
                *error =
                    "record " + std::to_string(i + 1) + " to append is one the register cannot hold: " + why;
            return std::nullopt;
        }
    }
    if (!flush(error))
        return std::nullopt;
    if (!m_file.writable()) {
        if (error)
            *error = "cannot write to the register " + where() + ": " + m_file.writeProblem();
        return std::nullopt;
    }
    std::size_t appended = 0;
    for (std::size_t next = 0; next < records.size();) {
        if (!lockAndCatchUp(true, toFingerprints, error))
            return std::nullopt;
        Block block;
        // Records of this block, by fingerprint: a record given twice goes in once.
        std::unordered_multimap<std::uint64_t, const CheckRecord*> inBlock;
        for (; next < records.size() && block.bytes.size() < blockBytes; ++next) {
            const CheckRecord& record = records[next];
            const std::uint64_t hash = fingerprint(record);
            const auto [first, last] = inBlock.equal_range(hash);
            if (holds(record, hash) ||
                std::any_of(first, last, [&](const auto& entry) { return *entry.second == record; }))
                continue;
            inBlock.emplace(hash, &record);
            block.add(record);
        }
        const bool written = block.records.empty() || writeBlock(block, true, error);
        m_file.unlock();
        if (!written)
            return std::nullopt;
        appended += block.records.size();
    }
    return appended;
}

std::string FileRegister::describe() const
{
    const std::u8string name = m_path.u8string();
    return std::string(name.begin(), name.end());
}

} // namespace

std::unique_ptr<CheckRegister> openFileRegister(const std::filesystem::path& path,
                                                const RegisterWarning& warn, std::string* error)
{
    std::string why;
    std::optional<RegisterFile> file = RegisterFile::open(path, &why);
    if (!file) {
        if (error) {
            const std::u8string name = path.u8string();
            *error = "cannot open the register '" + std::string(name.begin(), name.end()) + "': " + why;
        }
        return nullptr;
    }
    auto opened = std::make_unique<FileRegister>(path, std::move(*file), warn);
    if (!opened->start(error))
        return nullptr;
    return opened;
}

} // namespace morvanex
