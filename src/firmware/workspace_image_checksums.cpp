#include "firmware/workspace_image_checksums.h"

#include "firmware/image_file.h"
#include "firmware/workspace.h"
#include "footer/checksum.h"

#include <map>

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

WorkspaceImageChecksums::ReadBuffer::ReadBuffer() : m_bytes(std::make_unique_for_overwrite<std::uint8_t[]>(chunkSize))
{
}

std::span<std::uint8_t> WorkspaceImageChecksums::ReadBuffer::bytes() const
{
    return {m_bytes.get(), chunkSize};
}

std::optional<std::uint16_t> WorkspaceImageChecksums::checksum(std::string_view fileName, ImageChecksum which,
                                                              std::string& reason)
{
    // A value known of the file as it is now needs no open: a look at it by name, the same as the look
    // taken before it was last opened, tells. The two looks are compared, never a look with an open
    // file, which on Windows tells more.
    const std::optional<FileIdentity> before = m_workspace.imageIdentity(fileName);
    if (before) {
        std::unique_lock lock(m_mutex);
        const Slot& known = idleSlot(lock, fileName);
        if (known.known && known.known->settled && known.known->lookedAt == before &&
            known.known->values[slot(which)])
            return known.known->values[slot(which)];
    }
    auto file = m_workspace.openImage(fileName, &reason);
    if (!file)
        return std::nullopt;
    // Looked at before the file was opened: should it change in between, the next look sees it.
    const std::optional<FileIdentity> lookedAt =
        before && file->settled() && isSettled(*before) ? before : std::nullopt;
    {
        std::unique_lock lock(m_mutex);
        Slot& known = idleSlot(lock, fileName);
        if (known.known && known.known->settled && known.known->identity == file->identity() &&
            known.known->values[slot(which)]) {
            known.known->lookedAt = lookedAt;
            return known.known->values[slot(which)];
        }
        known.busy = true;
    }
    // Both checksums of a line come from one read while the file stays the same.
    Wanted wanted{};
    wanted[slot(which)] = true;
    wanted[slot(ImageChecksum::Display)] = true;
    const auto computed = reading(fileName, [&] {
        if (!m_buffer)
            m_buffer = std::make_unique<ReadBuffer>();
        auto known = compute(*file, wanted, m_buffer->bytes(), &reason);
        if (known)
            known->lookedAt = lookedAt;
        return known;
    });
    if (!computed)
        return std::nullopt;
    return computed->values[slot(which)];
}

void WorkspaceImageChecksums::computeAhead(const std::filesystem::path& descriptor, const ReadBuffer& buffer)
{
    std::map<std::string, Wanted, std::less<>> byName;
    for (const auto& [name, which] : imageChecksumRequests(descriptor))
        byName[name][slot(which)] = true;
    for (auto& [name, wanted] : byName) {
        {
            std::unique_lock lock(m_mutex);
            Slot& known = idleSlot(lock, name);
            // What another thread found, or a procedure, stands until a procedure sees the file change.
            bool missing = false;
            for (std::size_t i = 0; i < wanted.size(); ++i) {
                wanted[i] = wanted[i] && !(known.known && known.known->values[i]);
                missing = missing || wanted[i];
            }
            if (!missing)
                continue;
            known.busy = true;
        }
        // Named again: a lambda may not capture a structured binding in every compiler this builds with.
        const auto& fileName = name;
        const auto& values = wanted;
        reading(fileName, [&]() -> std::optional<Known> {
            auto file = m_workspace.openImage(fileName);
            return file ? compute(*file, values, buffer.bytes()) : std::nullopt;
        });
    }
}

WorkspaceImageChecksums::Slot& WorkspaceImageChecksums::idleSlot(std::unique_lock<Mutex>& lock,
                                                                 std::string_view fileName)
{
    auto it = m_slots.find(fileName);
    if (it == m_slots.end())
        it = m_slots.emplace(std::string(fileName), Slot{}).first;
    Slot& known = it->second;
    m_idle.wait(lock, [&known] { return !known.busy; });
    return known;
}

template <typename Read>
std::optional<WorkspaceImageChecksums::Known> WorkspaceImageChecksums::reading(std::string_view fileName, Read read)
{
    std::optional<Known> computed;
    try {
        computed = read();
    } catch (...) {
        settle(fileName, std::nullopt); // so that nobody waits for it
        throw;
    }
    settle(fileName, computed);
    return computed;
}

void WorkspaceImageChecksums::settle(std::string_view fileName, const std::optional<Known>& computed)
{
    {
        const std::lock_guard lock(m_mutex);
        Slot& known = m_slots.find(fileName)->second;
        known.busy = false;
        if (computed) {
            if (known.known && known.known->settled && computed->settled &&
                known.known->identity == computed->identity) {
                for (std::size_t i = 0; i < computed->values.size(); ++i)
                    if (computed->values[i])
                        known.known->values[i] = computed->values[i];
                if (computed->lookedAt)
                    known.known->lookedAt = computed->lookedAt;
            } else {
                known.known = computed;
            }
        }
    }
    m_idle.notify_all();
}

std::optional<WorkspaceImageChecksums::Known>
WorkspaceImageChecksums::compute(InputFile& file, const Wanted& wanted, std::span<std::uint8_t> buffer,
                                 std::string* reason)
{
    std::uint16_t plain = 0;
    std::uint16_t swapped = 0;
    std::uint16_t sum = 0;
    for (;;) {
        const auto got = file.read(buffer);
        if (!got) {
            if (reason)
                *reason = "read error: " + InputFile::lastError();
            return std::nullopt;
        }
        if (*got == 0)
            break;
        const std::span<std::uint8_t> piece = buffer.first(*got);
        const bool footer = wanted[slot(ImageChecksum::Footer)];
        const bool swappedFooter = wanted[slot(ImageChecksum::SwappedFooter)];
        if (wanted[slot(ImageChecksum::Display)] && footer != swappedFooter) {
            // A line's two procedures: both checksums from one pass over the piece.
            crc16AndByteSum16Update(footer ? plain : swapped, sum, piece, swappedFooter);
            continue;
        }
        if (footer)
            plain = crc16Update(plain, piece);
        if (wanted[slot(ImageChecksum::Display)])
            sum = byteSum16Update(sum, piece);
        if (swappedFooter) {
            swapBytePairs(piece);
            swapped = crc16Update(swapped, piece);
        }
    }
    Known known{file.identity(), file.settled(), {}, std::nullopt};
    const std::array<std::uint16_t, 3> values{plain, swapped, sum};
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (wanted[i])
            known.values[i] = values[i];
    }
    return known;
}

} // namespace morvanex
