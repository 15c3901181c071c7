#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace morvanex {

// What tells one state of a file from another without reading it: the same device, file number,
// size, modification and change time count as the same content. The change time moves with every
// write, also one whose old modification time was put back.
struct FileIdentity
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0; // the volume's file index on Windows
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0; // since 1970-01-01 UTC
    std::int64_t changedNs = 0;  // of the file's data or attributes

    bool operator==(const FileIdentity&) const = default;
};

// Whether the identity's modification and change times lie far enough in the past that any later
// change would show in them. File systems stamp changes with a coarse clock, so a change made within the
// same tick as the last one may leave the time as it was.
bool isSettled(const FileIdentity& identity);

// Why an image of this many bytes could not be held.
std::string notEnoughMemory(std::uint64_t bytes);

// The identity of what path names, links followed, without opening it; nothing when it cannot be
// examined. Windows tells a file's volume and number only once it is open: there they are 0.
std::optional<FileIdentity> identityOf(const std::filesystem::path& path);

// An ordinary file opened for reading. Devices, FIFOs and folders are refused, without blocking.
class InputFile
{
public:
    // Nothing when the file cannot be opened; reason, when given, then says why.
    static std::optional<InputFile> open(const std::filesystem::path& path, std::string* reason = nullptr);

    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // The identity as the file was opened.
    const FileIdentity& identity() const { return m_identity; }
    // Whether that identity had settled when the file was opened, so that whatever is read from it
    // stays valid while the identity stays the same.
    bool settled() const { return m_settled; }
    // Fills buffer, with fewer bytes only at the end of the file; nothing on a read error.
    std::optional<std::size_t> read(std::span<std::uint8_t> buffer);
    // The system's text for the error of the call that failed last on this thread, such as read.
    static std::string lastError();
    // The rest of the file; nothing on a read error or when it cannot be held in memory.
    std::optional<std::vector<std::uint8_t>> readAll(std::string* reason = nullptr);

private:
    // A file descriptor, or a Windows handle; -1 is neither.
    using Handle = std::intptr_t;
    static constexpr Handle noHandle = -1;

    InputFile(Handle handle, const FileIdentity& identity)
        : m_handle(handle), m_identity(identity), m_settled(isSettled(identity))
    {
    }
    void close();

    Handle m_handle;
    FileIdentity m_identity;
    bool m_settled;
};

} // namespace morvanex
