#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace morvanex {

// The file under a file register: read at any offset, appended to under the platform's whole-file
// lock (flock, LockFileEx), which every process of the register takes before it reads the end or
// writes. The platform halves are register_file_posix.cpp and register_file_win32.cpp.
class RegisterFile
{
public:
    // Opens path for reading and appending, made when absent, readable and writable by its owner
    // alone (mode 600, an owner-only access list on Windows). A file that cannot be written is opened
    // for reading alone, writeProblem then saying why. Nothing, with error set, when it cannot be read
    // or is not an ordinary file.
    static std::optional<RegisterFile> open(const std::filesystem::path& path, std::string* error);

    // The file moved from keeps what this one had, closed with it.
    RegisterFile(RegisterFile&& other) noexcept
        : m_handle(std::exchange(other.m_handle, noHandle)), m_writeProblem(std::move(other.m_writeProblem))
    {
    }
    RegisterFile& operator=(RegisterFile&& other) noexcept
    {
        std::swap(m_handle, other.m_handle);
        std::swap(m_writeProblem, other.m_writeProblem);
        return *this;
    }
    RegisterFile(const RegisterFile&) = delete;
    RegisterFile& operator=(const RegisterFile&) = delete;
    ~RegisterFile();

    bool writable() const { return m_writeProblem.empty(); }
    const std::string& writeProblem() const { return m_writeProblem; }

    // Waits for the lock: shared to read, exclusive to write.
    bool lock(bool exclusive, std::string* error);
    void unlock();

    std::optional<std::uint64_t> size(std::string* error) const;
    // Fills buffer from offset, with fewer bytes only at the end of the file.
    std::optional<std::size_t> readAt(std::uint64_t offset, std::span<char> buffer, std::string* error) const;
    // Appends bytes to the file, whose length under the exclusive lock is end. When not every byte
    // could be written the file is cut back to end, and error says why.
    bool append(std::uint64_t end, std::string_view bytes, std::string* error);
    // Cuts the file to length.
    bool truncate(std::uint64_t length, std::string* error);

private:
    // A file descriptor, or a Windows handle; -1 is neither.
    using Handle = std::intptr_t;
    static constexpr Handle noHandle = -1;

    RegisterFile(Handle handle, std::string writeProblem)
        : m_handle(handle), m_writeProblem(std::move(writeProblem))
    {
    }

    Handle m_handle = noHandle;
    std::string m_writeProblem;
};

// Whether no one but the file's owner may read or write it: no group or other permission bits, or on
// Windows an access list that grants nobody but its owner and the system itself (which Wine adds to
// every list it reports). Nothing when it cannot be examined.
std::optional<bool> ownerAlone(const std::filesystem::path& path);

} // namespace morvanex
