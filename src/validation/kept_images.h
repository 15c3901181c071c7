#pragma once

#include "footer/footer_decoder.h"
#include "footer/prepared_image.h"
#include "text/input_file.h"
#include "validation/row_images.h"

#include <cstddef>
#include <filesystem>
#include <list>
#include <memory>
#include <unordered_map>

namespace morvanex {

class FirmwareLookup;
class FirmwareRecord;

// Bytes of images a batch run may keep at once.
inline constexpr std::size_t keptImageBound = std::size_t{1} << 30;

// Images a batch run keeps between validations, prepared (CRC-16 and sample streams), at most
// byteBound bytes of them as PreparedImage::memoryBytes() counts; the least recently used go first,
// and make room before an image that will be kept is read, so that it is prepared in their memory.
// The row and the file are found afresh for every code; a kept image counts only while its file has
// the identity it was read with. Its file is looked at by its path and opened again only when it
// changed there: opening costs some systems more than the rest of a code's check. An image that
// cannot be read or prepared for want of memory is not found, with the reason in the lookup's
// lastFailure(). For one thread, as the lookup is.
class KeptImages : public PreparedFirmwareSource, public RowImages
{
public:
    explicit KeptImages(FirmwareLookup& lookup, std::size_t byteBound = keptImageBound)
        : m_lookup(lookup), m_bound(byteBound)
    {
    }

    PreparedImageRef loadPreparedImage(std::span<const std::uint8_t, 4> checksumText,
                                       int& chosenRow) override;
    // The image of a row already settled on, kept or read now; for a caller that tries rows itself.
    PreparedImageRef imageOf(const FirmwareRecord& record, std::stop_token stop = {});
    // Bytes kept now, as the bound counts them.
    std::size_t bytes() const { return m_bytes; }

    std::optional<FileIdentity> identify(const FirmwareRecord& row) override;
    bool holds(const FileIdentity& identity, bool swapped) const override;
    PreparedImageRef image(const FirmwareRecord& row, std::stop_token stop) override
    {
        return imageOf(row, stop);
    }

private:
    // One file as one model holds it: a file reached by other names is the same file.
    struct Key
    {
        std::uint64_t device;
        std::uint64_t inode;
        bool swapped;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash
    {
        std::size_t operator()(const Key& key) const;
    };
    struct Entry
    {
        FileIdentity identity;
        std::shared_ptr<PreparedImage> image; // not const, so that its memory can serve the next
        std::list<Key>::iterator use;
    };
    using Entries = std::unordered_map<Key, Entry, KeyHash>;
    // Where a row's image was read, how the path stood just before, and what it was kept as.
    struct Seen
    {
        std::filesystem::path path;
        FileIdentity before;
        Key key;
    };

    PreparedImageRef find(const Key& key, const FileIdentity& identity);
    // Drops the least recently used until size more bytes fit.
    void makeRoom(std::size_t size);
    void keep(const Key& key, const FileIdentity& identity, const std::shared_ptr<PreparedImage>& image);
    void drop(Entries::iterator it);

    FirmwareLookup& m_lookup;
    std::size_t m_bound;
    std::size_t m_bytes = 0;
    Entries m_entries;
    std::list<Key> m_uses; // most recent first
    std::unordered_map<const FirmwareRecord*, Seen> m_seen;
    ImagePreparer m_preparer;
};

} // namespace morvanex
