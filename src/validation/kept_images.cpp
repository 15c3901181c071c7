#include "validation/kept_images.h"

#include "validation/firmware_lookup.h"
#include "firmware/firmware_record.h"
#include "footer/prepared_image.h"

#include <functional>
#include <string>

namespace morvanex {

std::size_t KeptImages::KeyHash::operator()(const Key& key) const
{
    const std::hash<std::uint64_t> hash;
    return hash(key.inode * 2 + key.swapped) ^ (hash(key.device) << 1);
}

PreparedImageRef KeptImages::loadPreparedImage(std::span<const std::uint8_t, 4> checksumText, int& chosenRow)
{
    const FirmwareRecord* record = m_lookup.findRow(checksumText, chosenRow);
    return record ? imageOf(*record) : nullptr;
}

PreparedImageRef KeptImages::imageOf(const FirmwareRecord& record, std::stop_token stop)
{
    // Checked at every validation: a kept image counts only while its file is unchanged.
    const auto seen = m_seen.find(&record);
    if (seen != m_seen.end() && identityOf(seen->second.path) == seen->second.before)
        if (const auto it = m_entries.find(seen->second.key); it != m_entries.end()) {
            m_uses.splice(m_uses.begin(), m_uses, it->second.use);
            return it->second.image;
        }
    // Looked at before the file is opened: should it change in between, the next look sees it.
    const auto path = m_lookup.imagePath(record);
    const auto before = path ? identityOf(*path) : std::nullopt;
    auto file = m_lookup.openImage(record);
    if (!file)
        return nullptr;
    const FileIdentity& identity = file->identity();
    const Key key{identity.device, identity.inode, record.byteSwapped != 0};
    if (before && file->settled() && isSettled(*before))
        m_seen[&record] = Seen{*path, *before, key};
    if (PreparedImageRef kept = find(key, identity))
        return kept;
    if (stop.stop_requested())
        return nullptr;

    // A file changed within the clock tick of its time could change again unseen: not kept.
    const bool keeping = file->settled();
    if (const std::size_t size = PreparedImage::memoryFor(identity.size); keeping && size <= m_bound)
        makeRoom(size);
    ++m_preparations;
    std::string reason;
    auto prepared = prepareImageFile(*file, key.swapped, m_preparer, stop, &reason);
    if (!prepared) {
        if (!reason.empty())
            m_lookup.fail(record, reason);
        return nullptr;
    }
    auto image = std::make_shared<PreparedImage>(std::move(*prepared));
    if (keeping)
        keep(key, identity, image);
    return image;
}

std::optional<FileIdentity> KeptImages::identify(const FirmwareRecord& row)
{
    const auto file = m_lookup.openImage(row);
    return file ? std::optional(file->identity()) : std::nullopt;
}

bool KeptImages::holds(const FileIdentity& identity, bool swapped) const
{
    const auto it = m_entries.find(Key{identity.device, identity.inode, swapped});
    return it != m_entries.end() && it->second.identity == identity;
}

PreparedImageRef KeptImages::find(const Key& key, const FileIdentity& identity)
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

void KeptImages::makeRoom(std::size_t size)
{
    while (!m_uses.empty() && m_bytes + size > m_bound)
        drop(m_entries.find(m_uses.back()));
}

void KeptImages::keep(const Key& key, const FileIdentity& identity,
                      const std::shared_ptr<PreparedImage>& image)
{
    if (const auto it = m_entries.find(key); it != m_entries.end())
        drop(it);
    const std::size_t size = image->memoryBytes();
    if (size > m_bound)
        return;
    makeRoom(size);
    m_uses.push_front(key);
    m_entries.emplace(key, Entry{identity, image, m_uses.begin()});
    m_bytes += size;
}

void KeptImages::drop(Entries::iterator it)
{
    m_bytes -= it->second.image->memoryBytes();
    // Unless a decode still holds it, its memory serves the next image prepared.
    if (it->second.image.use_count() == 1)
        m_preparer.recycle(std::move(*it->second.image));
    m_uses.erase(it->second.use);
    m_entries.erase(it);
}

} // namespace morvanex
