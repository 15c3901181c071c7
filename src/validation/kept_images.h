#pragma once

#include "footer/footer_decoder.h"
#include "footer/prepared_image.h"
#include "text/input_file.h"
#include "text/thread_sync.h"
#include "validation/row_images.h"

#include <chrono>
#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <variant>

namespace morvanex {

class FirmwareLookup;
class FirmwareRecord;

// Bytes of images a batch run may keep at once.
inline constexpr std::size_t keptImageBound = std::size_t{1} << 30;

// Images kept between validations, prepared (CRC-16 and sample streams), at most byteBound bytes of
// them as PreparedImage::memoryBytes() counts; the least recently used go first. A kept image counts
// only while its file has the identity it was read with. Any number of threads may share one: each
// image is read by one thread at a time, the others that want it meanwhile waiting for it.
class KeptImageStore
{
public:
    // One file as one model holds it: a file reached by other names is the same file.
    struct Key
    {
        std::uint64_t device;
        std::uint64_t inode;
        bool swapped;
        bool operator==(const Key&) const = default;
    };

    // A thread's turn to read an image the store does not have: until it keeps the image or the
    // turn ends, the others that want the same file wait.
    class Turn
    {
    public:
        Turn(Turn&& other) noexcept;
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;
        Turn& operator=(Turn&&) = delete;
        ~Turn();

        // Keeps the image read (when the file had settled: one changed within the clock tick of its
        // time could change again unseen) and ends the turn.
        void keep(const FileIdentity& identity, bool settled, const std::shared_ptr<PreparedImage>& image);

    private:
        friend class KeptImageStore;
        Turn(KeptImageStore& store, const Key& key) : m_store(&store), m_key(key) {}
        KeptImageStore* m_store;
        Key m_key;
    };

    explicit KeptImageStore(std::size_t byteBound = keptImageBound) : m_bound(byteBound) {}
    KeptImageStore(const KeptImageStore&) = delete;
    KeptImageStore& operator=(const KeptImageStore&) = delete;

    // The image kept for the file with this identity, or nothing.
    PreparedImageRef find(const Key& key, const FileIdentity& identity);
    // The same, waiting while another thread reads the file; when it is not kept, the caller's turn
    // to read it.
    std::variant<PreparedImageRef, Turn> findOrTakeTurn(const Key& key, const FileIdentity& identity);
    // Whether the image of the file with this identity is kept.
    bool holds(const Key& key, const FileIdentity& identity) const;
    // Drops the least recently used images until size more bytes fit, before an image of that size
    // is read; the largest one dropped that nobody else holds, for its memory to serve that image.
    std::shared_ptr<PreparedImage> makeRoom(std::size_t size);
    std::size_t bound() const { return m_bound; }
    // Bytes kept now, as the bound counts them.
    std::size_t bytes() const;

private:
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

    PreparedImageRef findLocked(const Key& key, const FileIdentity& identity);
    void keepLocked(const Key& key, const FileIdentity& identity, const std::shared_ptr<PreparedImage>& image);
    // The image dropped, for reuse when nobody else holds it.
    std::shared_ptr<PreparedImage> drop(Entries::iterator it);
    void endTurn(const Key& key);

    std::size_t m_bound;
    mutable Mutex m_mutex;
    ConditionVariable m_turnEnded;
    std::size_t m_bytes = 0;
    Entries m_entries;
    std::list<Key> m_uses; // most recent first
    std::unordered_set<Key, KeyHash> m_reading; // files a thread has its turn to read
};

// The kept images as a batch's decoder and its suggestion search find them: the row and the file are
// found afresh for every code, and a kept image is used while the file's identity, looked at by its
// path without opening it, is the one it was read with; the file is opened again only when it changed
// there (opening costs some systems more than the rest of a code's check). Codes that came together
// may share one look (beginGroup). Images are prepared as they
// are read, after room is made for them. An image that cannot be read or prepared for want of memory
// is not found, with the reason in the lookup's lastFailure(). For one thread, as the lookup is;
// threads that validate side by side each have their own, over one shared store.
class KeptImages : public PreparedFirmwareSource, public RowImages
{
public:
    // With a store of its own.
    explicit KeptImages(FirmwareLookup& lookup, std::size_t byteBound = keptImageBound)
        : m_lookup(lookup), m_own(std::in_place, byteBound), m_store(*m_own)
    {
    }
    KeptImages(FirmwareLookup& lookup, KeptImageStore& shared) : m_lookup(lookup), m_store(shared) {}

    // How long one look at an image file by its name may serve the codes of a group after it.
    static constexpr std::chrono::milliseconds lookSpan{10};

    // The codes from now on came together, as a batch's lines at hand at once: until the next call, a
    // look at an image file by its name serves the codes after it for lookSpan, as though they had
    // been checked that much earlier. Before the first call every code looks afresh. A look costs a
    // system call or, under Wine, several: more than the rest of a kept image's check.
    void beginGroup() { ++m_group; }

    PreparedImageRef loadPreparedImage(std::span<const std::uint8_t, 4> checksumText,
                                       int& chosenRow) override;
    // The image of a row already settled on, kept or read now; for a caller that tries rows itself.
    PreparedImageRef imageOf(const FirmwareRecord& record, std::stop_token stop = {});
    // Bytes kept now, as the bound counts them.
    std::size_t bytes() const { return m_store.bytes(); }

    std::optional<FileIdentity> identify(const FirmwareRecord& row) override;
    bool holds(const FileIdentity& identity, bool swapped) const override;
    PreparedImageRef image(const FirmwareRecord& row, std::stop_token stop) override
    {
        return imageOf(row, stop);
    }

private:
    using Clock = std::chrono::steady_clock;
    // How a row's file looked by its path just before it was opened, and what it was kept as; in which
    // group and when it was last seen so.
    struct Seen
    {
        FileIdentity before;
        FileIdentity opened;
        KeptImageStore::Key key;
        std::uint64_t group = 0;
        Clock::time_point lookedAt;
    };

    FirmwareLookup& m_lookup;
    std::optional<KeptImageStore> m_own;
    KeptImageStore& m_store;
    std::unordered_map<const FirmwareRecord*, Seen> m_seen;
    std::uint64_t m_group = 0; // none yet
    ImagePreparer m_preparer;
};

} // namespace morvanex
