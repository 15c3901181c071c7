#pragma once

#include "firmware/firmware_record.h"
#include "text/input_file.h"

#include <array>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace morvanex {

class Workspace;

// Image checksums for a catalogue load from the workspace's image folder. Every procedure opens
// its image afresh; a value computed earlier (ahead of time, or by the previous procedure of the
// same line) is used only while the file's identity is unchanged, otherwise the file is read again.
class WorkspaceImageChecksums : public ImageChecksumSource
{
public:
    explicit WorkspaceImageChecksums(const Workspace& workspace) : m_workspace(workspace) {}

    std::optional<std::uint16_t> checksum(std::string_view fileName, ImageChecksum which,
                                          std::string& reason) override;

    // Computes the asked-for checksums of many images on up to `threads` threads (fewer when the
    // system refuses one, down to the calling thread alone). Images that cannot be opened now are
    // left for their procedures to try.
    void computeAhead(std::span<const std::pair<std::string, ImageChecksum>> requests, unsigned threads);

private:
    struct Known
    {
        FileIdentity identity;
        bool settled = false; // values from a file that had not settled are not used again
        std::array<std::optional<std::uint16_t>, 3> values; // by ImageChecksum
    };
    using Wanted = std::array<bool, 3>;

    // A buffer the image is read through, a piece at a time.
    using Chunk = std::unique_ptr<std::uint8_t[]>;
    static Chunk makeChunk();

    // Reads the open image once for every wanted checksum; nothing on a read error, reason (when
    // given) saying why.
    static std::optional<Known> compute(InputFile& file, const Wanted& wanted, std::uint8_t* chunk,
                                        std::string* reason = nullptr);
    std::optional<Known> open(std::string_view fileName, const Wanted& wanted, std::uint8_t* chunk) const;

    const Workspace& m_workspace;
    std::map<std::string, Known, std::less<>> m_known; // by file name as the descriptor gives it
    Chunk m_chunk;                                     // for the procedures' own reads
};

} // namespace morvanex
