#pragma once

#include "firmware/firmware_record.h"
#include "text/input_file.h"
#include "text/thread_sync.h"

#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>

namespace morvanex {

class Workspace;

// Image checksums for a catalogue load from the workspace's image folder. Every procedure looks at
// its image afresh; a value computed earlier (ahead of time, or by an earlier procedure) is used only
// while the file's identity is unchanged, otherwise the file is opened and read again.
// checksum is for the one thread that runs the procedures; computeAhead may run on any number of
// others at the same time.
class WorkspaceImageChecksums : public ImageChecksumSource
{
public:
    // A buffer an image is read through, a piece at a time: one per thread.
    class ReadBuffer
    {
    public:
        ReadBuffer();
        std::span<std::uint8_t> bytes() const;

    private:
        std::unique_ptr<std::uint8_t[]> m_bytes;
    };

    explicit WorkspaceImageChecksums(const Workspace& workspace) : m_workspace(workspace) {}

    std::optional<std::uint16_t> checksum(std::string_view fileName, ImageChecksum which,
                                          std::string& reason) override;

    // Computes the checksums the procedures of the descriptor at path will ask for, from one read of
    // each image, unless they are known or being computed already. Images that cannot be opened now
    // are left for their procedures to try.
    void computeAhead(const std::filesystem::path& descriptor, const ReadBuffer& buffer);

private:
    using Wanted = std::array<bool, 3>; // by ImageChecksum
    struct Known
    {
        FileIdentity identity;
        bool settled = false; // values from a file that had not settled are not used again
        std::array<std::optional<std::uint16_t>, 3> values; // by ImageChecksum
        // The look at the file by name taken just before it was opened, when both were settled: a later
        // look that finds the same takes the values without opening the file.
        std::optional<FileIdentity> lookedAt;
    };
    struct Slot
    {
        std::optional<Known> known;
        bool busy = false; // a thread is reading the image
    };

    // The slot of fileName once no thread reads its image; created when there is none.
    Slot& idleSlot(std::unique_lock<Mutex>& lock, std::string_view fileName);
    // Runs read for the slot of fileName, which the caller has made busy, and settles it whatever
    // happens.
    template <typename Read>
    std::optional<Known> reading(std::string_view fileName, Read read);
    // Ends a read the slot was busy with: its values join what is known of the same file, or replace
    // what was known of another.
    void settle(std::string_view fileName, const std::optional<Known>& computed);
    // Reads the open image once for every wanted checksum; nothing on a read error, reason (when
    // given) saying why.
    static std::optional<Known> compute(InputFile& file, const Wanted& wanted, std::span<std::uint8_t> buffer,
                                        std::string* reason = nullptr);

    const Workspace& m_workspace;
    Mutex m_mutex;
    ConditionVariable m_idle;
    std::map<std::string, Slot, std::less<>> m_slots; // by file name as the descriptor gives it
    std::unique_ptr<ReadBuffer> m_buffer;               // for the procedures' own reads
};

} // namespace morvanex
