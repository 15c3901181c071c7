#pragma once

#include "firmware/input_file.h"
#include "footer/footer_decoder.h"

#include <cstddef>
#include <filesystem>
#include <list>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace morvanex {

// Images a batch run keeps between validations, at most byteBound bytes of them; the least
// recently used go first. An image counts only while its file has the identity it was read with.
class KeptImages
{
public:
    using Key = std::pair<std::filesystem::path, bool>; // the file, byte pairs swapped

    explicit KeptImages(std::size_t byteBound) : m_bound(byteBound) {}

    // The image kept for key, if its file still has this identity.
    ImageBytes find(const Key& key, const FileIdentity& identity);
    void keep(const Key& key, const FileIdentity& identity, const ImageBytes& image);
    std::size_t bytes() const;

private:
    struct Entry
    {
        FileIdentity identity;
        ImageBytes image;
        std::list<Key>::iterator use;
    };
    void drop(std::map<Key, Entry>::iterator it);

    std::size_t m_bound;
    std::size_t m_bytes = 0;
    mutable std::mutex m_mutex;
    std::map<Key, Entry> m_entries;
    std::list<Key> m_uses; // most recent first
};

} // namespace morvanex
