#include "validation/kept_images.h"

#include "validation/firmware_lookup.h"
#include "firmware/firmware_record.h"
#include "footer/prepared_image.h"

#include <functional>
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

void KeptImageStore::Turn::keep(const FileIdentity& identity, bool settled, const PreparedImageRef& image)
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

void KeptImageStore::keepLocked(const Key& key, const FileIdentity& identity, const PreparedImageRef& image)
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

void KeptImageStore::drop(Entries::iterator it)
{
    m_bytes -= it->second.image->memoryBytes();
    m_uses.erase(it->second.use);
    m_entries.erase(it);
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

PreparedImageRef KeptImages::imageOf(const FirmwareRecord& record)
{
    // Checked at every validation: a kept image counts only while its file is unchanged. Looking costs
    // one call to the system; opening, which tells why a file cannot be read, is for files not kept.
    if (const auto identity = m_lookup.imageIdentity(record))
        if (PreparedImageRef kept = m_store.find(keyOf(*identity, record), *identity))
            return kept;

    auto file = m_lookup.openImage(record);
    if (!file)
        return nullptr;
    const FileIdentity& identity = file->identity();
    auto found = m_store.findOrTakeTurn(keyOf(identity, record), identity);
    if (auto* kept = std::get_if<PreparedImageRef>(&found))
        return std::move(*kept);
    KeptImageStore::Turn& turn = std::get<KeptImageStore::Turn>(found);

    const auto bytes = m_lookup.readImage(record, *file);
    if (!bytes)
        return nullptr;
    auto prepared = PreparedImage::prepare(*bytes);
    if (!prepared) {
        m_lookup.fail(record, notEnoughMemory(bytes->size()));
        return nullptr;
    }
    auto image = std::make_shared<const PreparedImage>(std::move(*prepared));
    turn.keep(identity, file->settled(), image);
    return image;
}

} // namespace morvanex
