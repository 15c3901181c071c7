#include "firmware/workspace_image_checksums.h"

#include "firmware/image_file.h"
#include "firmware/workspace.h"
#include "footer/checksum.h"

#include <atomic>
#include <system_error>
#include <thread>

namespace morvanex {
namespace {

// Small enough that a piece is still in the core's own cache when the checksums go over it, large enough
// that system calls cost little; even, so byte pairs never straddle two pieces.
constexpr std::size_t chunkSize = std::size_t{256} << 10;

std::size_t slot(ImageChecksum which)
{
    return static_cast<std::size_t>(which);
}

} // namespace

std::optional<std::uint16_t> WorkspaceImageChecksums::checksum(std::string_view fileName, ImageChecksum which,
                                                              std::string& reason)
{
    auto file = m_workspace.openImage(fileName, &reason);
    if (!file)
        return std::nullopt;
    auto known = m_known.find(fileName);
    const bool same =
        known != m_known.end() && known->second.settled && known->second.identity == file->identity();
    if (same && known->second.values[slot(which)])
        return known->second.values[slot(which)];
    // Both checksums of a line come from one read while the file stays the same.
    Wanted wanted{};
    wanted[slot(which)] = true;
    wanted[slot(ImageChecksum::Display)] = true;
    if (!m_chunk)
        m_chunk = makeChunk();
    auto computed = compute(*file, wanted, m_chunk.get(), &reason);
    if (!computed)
        return std::nullopt;
    if (!same)
        known =
            m_known.insert_or_assign(std::string(fileName), Known{computed->identity, computed->settled, {}})
                .first;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (wanted[i])
            known->second.values[i] = computed->values[i];
    }
    return computed->values[slot(which)];
}

void WorkspaceImageChecksums::computeAhead(std::span<const std::pair<std::string, ImageChecksum>> requests,
                                           unsigned threads)
{
    std::map<std::string_view, Wanted> byName;
    for (const auto& [name, which] : requests)
        byName[name][slot(which)] = true;
    const std::vector<std::pair<std::string_view, Wanted>> work(byName.begin(), byName.end());
    std::vector<std::optional<Known>> results(work.size());
    std::atomic<std::size_t> next{0};
    auto run = [&] {
        const Chunk chunk = makeChunk();
        for (std::size_t i; (i = next++) < work.size();)
            results[i] = open(work[i].first, work[i].second, chunk.get());
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) {
        try {
            pool.emplace_back(run);
        } catch (const std::system_error&) {
            break; // the system gives no more threads: those started, and this one, do the rest
        }
    }
    run();
    for (auto& thread : pool)
        thread.join();
    for (std::size_t i = 0; i < work.size(); ++i) {
        if (results[i])
            m_known.insert_or_assign(std::string(work[i].first), std::move(*results[i]));
    }
}

WorkspaceImageChecksums::Chunk WorkspaceImageChecksums::makeChunk()
{
    return std::make_unique_for_overwrite<std::uint8_t[]>(chunkSize);
}

std::optional<WorkspaceImageChecksums::Known>
WorkspaceImageChecksums::open(std::string_view fileName, const Wanted& wanted, std::uint8_t* chunk) const
{
    auto file = m_workspace.openImage(fileName);
    return file ? compute(*file, wanted, chunk) : std::nullopt;
}

std::optional<WorkspaceImageChecksums::Known>
WorkspaceImageChecksums::compute(InputFile& file, const Wanted& wanted, std::uint8_t* chunk, std::string* reason)
{
    std::uint16_t plain = 0;
    std::uint16_t swapped = 0;
    std::uint16_t sum = 0;
    for (;;) {
        const auto got = file.read({chunk, chunkSize});
        if (!got) {
            if (reason)
                *reason = "read error: " + InputFile::lastError();
            return std::nullopt;
        }
        if (*got == 0)
            break;
        const std::span<std::uint8_t> piece(chunk, *got);
        if (wanted[slot(ImageChecksum::Footer)])
            plain = crc16Update(plain, piece);
        if (wanted[slot(ImageChecksum::Display)])
            sum = byteSum16Update(sum, piece);
        if (wanted[slot(ImageChecksum::SwappedFooter)]) {
            swapBytePairs(piece);
            swapped = crc16Update(swapped, piece);
        }
    }
    Known known{file.identity(), file.settled(), {}};
    const std::array<std::uint16_t, 3> values{plain, swapped, sum};
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (wanted[i])
            known.values[i] = values[i];
    }
    return known;
}

} // namespace morvanex
