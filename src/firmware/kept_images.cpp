#include "firmware/kept_images.h"

namespace morvanex {

ImageBytes KeptImages::find(const Key& key, const FileIdentity& identity)
{
    const std::lock_guard lock(m_mutex);
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

void KeptImages::keep(const Key& key, const FileIdentity& identity, const ImageBytes& image)
{
    const std::lock_guard lock(m_mutex);
    if (const auto it = m_entries.find(key); it != m_entries.end())
        drop(it);
    if (image->size() > m_bound)
        return;
    while (m_bytes + image->size() > m_bound)
        drop(m_entries.find(m_uses.back()));
    m_uses.push_front(key);
    m_entries.emplace(key, Entry{identity, image, m_uses.begin()});
    m_bytes += image->size();
}

std::size_t KeptImages::bytes() const
{
    const std::lock_guard lock(m_mutex);
    return m_bytes;
}

void KeptImages::drop(std::map<Key, Entry>::iterator it)
{
    m_bytes -= it->second.image->size();
    m_uses.erase(it->second.use);
    m_entries.erase(it);
}

} // namespace morvanex
