#include "validation/kept_images.h"

#include "validation/firmware_lookup.h"
#include "firmware/firmware_record.h"
#include "footer/prepared_image.h"

#include <functional>
#include <string>
#include <utility>

namespace morvanex {
namespace {

KeptImageStore::Key keyOf(const FileIdentity& identity, const FirmwareRecord& record)
{
    return {identity.device, identity.inode, record.byteSwapped != 0};
}

} // namespace

std::size_t KeptImageStore::KeyHash::operator()(const Key& key) const
{
    const std::hash<std::uint64_t> hash;
    return hash(key.inode * 2 + key.swapped) ^ (hash(key.device) << 1);
}

KeptImageStore::Turn::Turn(Turn&& other) noexcept
    : m_store(std::exchange(other.m_store, nullptr)), m_key(other.m_key)
{
}

KeptImageStore::Turn::~Turn()
{
    if (m_store)
        m_store->endTurn(m_key);
}

void KeptImageStore::Turn::keep(const FileIdentity& identity, bool settled,
                                const std::shared_ptr<PreparedImage>& image)
{
    KeptImageStore* store = std::exchange(m_store, nullptr);
    {
        const std::lock_guard lock(store->m_mutex);
        if (settled)
            store->keepLocked(m_key, identity, image);
        store->m_reading.erase(m_key);
    }
    store->m_turnEnded.notify_all();
}

PreparedImageRef KeptImageStore::find(const Key& key, const FileIdentity& identity)
{
    const std::lock_guard lock(m_mutex);
    return findLocked(key, identity);
}

std::variant<PreparedImageRef, KeptImageStore::Turn> KeptImageStore::findOrTakeTurn(const Key& key,
                                                                                   const FileIdentity& identity)
{
    std::unique_lock lock(m_mutex);
    m_turnEnded.wait(lock, [&] { return !m_reading.contains(key); });
    if (PreparedImageRef kept = findLocked(key, identity))
        return kept;
    m_reading.insert(key);
    return Turn(*this, key);
}

bool KeptImageStore::holds(const Key& key, const FileIdentity& identity) const
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(key);
    return it != m_entries.end() && it->second.identity == identity;
}

std::shared_ptr<PreparedImage> KeptImageStore::makeRoom(std::size_t size)
{
    const std::lock_guard lock(m_mutex);
    std::shared_ptr<PreparedImage> reusable;
    while (!m_uses.empty() && m_bytes + size > m_bound)
        if (auto dropped = drop(m_entries.find(m_uses.back()));
            dropped && (!reusable || dropped->memoryBytes() > reusable->memoryBytes()))
            reusable = std::move(dropped);
    return reusable;
}

std::size_t KeptImageStore::bytes() const
{
    const std::lock_guard lock(m_mutex);
    return m_bytes;
}

PreparedImageRef KeptImageStore::findLocked(const Key& key, const FileIdentity& identity)
{
    const auto it = m_entries.find(key);
    if (it == m_entries.end())
        return nullptr;
    if (!(it->second.identity == identity)) {
        drop(it);
        return nullptr;
    }
    m_uses.splice(m_uses.begin(), m_uses, it->second.use);
    return it->second.image;
}

void KeptImageStore::keepLocked(const Key& key, const FileIdentity& identity,
                                const std::shared_ptr<PreparedImage>& image)
{
    if (const auto it = m_entries.find(key); it != m_entries.end())
        drop(it);
    const std::size_t size = image->memoryBytes();
    if (size > m_bound)
        return;
    while (m_bytes + size > m_bound)
        drop(m_entries.find(m_uses.back()));
    m_uses.push_front(key);
    m_entries.emplace(key, Entry{identity, image, m_uses.begin()});
    m_bytes += size;
}

std::shared_ptr<PreparedImage> KeptImageStore::drop(Entries::iterator it)
{
    m_bytes -= it->second.image->memoryBytes();
    std::shared_ptr<PreparedImage> image = std::move(it->second.image);
    m_uses.erase(it->second.use);
    m_entries.erase(it);
    // A decode that still holds it keeps it to itself.
    return image.use_count() == 1 ? image : nullptr;
}

void KeptImageStore::endTurn(const Key& key)
{
    {
        const std::lock_guard lock(m_mutex);
        m_reading.erase(key);
    }
    m_turnEnded.notify_all();
}

PreparedImageRef KeptImages::loadPreparedImage(std::span<const std::uint8_t, 4> checksumText, int& chosenRow)
{
    const FirmwareRecord* record = m_lookup.findRow(checksumText, chosenRow);
    return record ? imageOf(*record) : nullptr;
}

PreparedImageRef KeptImages::imageOf(const FirmwareRecord& record, std::stop_token stop)
{
    // Checked at every validation: a kept image counts only while its file is unchanged. Looking costs
    // one call to the system; opening, which tells why a file cannot be read, is for files not kept.
    // Within a group, a look taken moments ago still holds.
    const auto seen = m_seen.find(&record);
    const Clock::time_point now = m_group ? Clock::now() : Clock::time_point{};
    if (seen != m_seen.end() && m_group && seen->second.group == m_group &&
        now - seen->second.lookedAt < lookSpan)
        if (PreparedImageRef kept = m_store.find(seen->second.key, seen->second.opened))
            return kept;
    const auto before = m_lookup.imageIdentity(record);
    if (before && seen != m_seen.end() && seen->second.before == *before)
        if (PreparedImageRef kept = m_store.find(seen->second.key, seen->second.opened)) {
            seen->second.group = m_group;
            seen->second.lookedAt = now;
            return kept;
        }

    auto file = m_lookup.openImage(record);
    if (!file)
        return nullptr;
    const FileIdentity& identity = file->identity();
    const KeptImageStore::Key key = keyOf(identity, record);
    // Looked at before the file was opened: should it change in between, the next look sees it.
    if (before && file->settled() && isSettled(*before))
        m_seen[&record] = Seen{*before, identity, key, m_group, now};
    auto found = m_store.findOrTakeTurn(key, identity);
    if (auto* kept = std::get_if<PreparedImageRef>(&found))
        return std::move(*kept);
    KeptImageStore::Turn& turn = std::get<KeptImageStore::Turn>(found);
    if (stop.stop_requested())
        return nullptr;

    const bool keeping = file->settled();
    if (const std::size_t size = PreparedImage::memoryFor(identity.size); keeping && size <= m_store.bound())
        if (auto reusable = m_store.makeRoom(size))
            m_preparer.recycle(std::move(*reusable));
    ++m_preparations;
    std::string reason;
    auto prepared = prepareImageFile(*file, key.swapped, m_preparer, stop, &reason);
    if (!prepared) {
        if (!reason.empty())
            m_lookup.fail(record, reason);
        return nullptr;
    }
    auto image = std::make_shared<PreparedImage>(std::move(*prepared));
    turn.keep(identity, keeping, image);
    return image;
}

std::optional<FileIdentity> KeptImages::identify(const FirmwareRecord& row)
{
    const auto file = m_lookup.openImage(row);
    return file ? std::optional(file->identity()) : std::nullopt;
}

bool KeptImages::holds(const FileIdentity& identity, bool swapped) const
{
    return m_store.holds(KeptImageStore::Key{identity.device, identity.inode, swapped}, identity);
}

} // namespace morvanex
