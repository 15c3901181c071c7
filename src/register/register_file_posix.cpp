#include "register/register_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace morvanex {
namespace {

constexpr mode_t ownerReadWrite = S_IRUSR | S_IWUSR;

std::string errorText(int error)
{
    return std::generic_category().message(error);
}

bool fail(std::string* error, int code)
{
    if (error)
        *error = errorText(code);
    return false;
}

int descriptor(std::intptr_t handle)
{
    return static_cast<int>(handle);
}

} // namespace

std::optional<RegisterFile> RegisterFile::open(const std::filesystem::path& path, std::string* error)
{
    // Non-blocking, so that a FIFO of that name fails below instead of holding the open.
    constexpr int common = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    std::string writeProblem;
    int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | common, ownerReadWrite);
    if (fd >= 0) {
        // The umask may take bits away, never add them; the owner keeps reading and writing.
        (void)::fchmod(fd, ownerReadWrite);
    } else if (errno == EEXIST) {
        fd = ::open(path.c_str(), O_RDWR | O_APPEND | common);
        if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS || errno == ETXTBSY)) {
            writeProblem = errorText(errno);
            fd = ::open(path.c_str(), O_RDONLY | common);
        }
    }
    if (fd < 0) {
        fail(error, errno);
        return std::nullopt;
    }
    struct stat status = {};
    const bool examined = ::fstat(fd, &status) == 0;
    if (!examined || !S_ISREG(status.st_mode)) {
        if (error)
            *error = examined ? "not an ordinary file" : errorText(errno);
        ::close(fd);
        return std::nullopt;
    }
    return RegisterFile(fd, std::move(writeProblem));
}

RegisterFile::~RegisterFile()
{
    if (m_handle != noHandle)
        ::close(descriptor(m_handle));
}

bool RegisterFile::lock(bool exclusive, std::string* error)
{
    while (::flock(descriptor(m_handle), exclusive ? LOCK_EX : LOCK_SH) != 0)
        if (errno != EINTR)
            return fail(error, errno);
    return true;
}

void RegisterFile::unlock()
{
    (void)::flock(descriptor(m_handle), LOCK_UN);
}

std::optional<std::uint64_t> RegisterFile::size(std::string* error) const
{
    struct stat status = {};
    if (::fstat(descriptor(m_handle), &status) != 0) {
        fail(error, errno);
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(status.st_size);
}

std::optional<std::size_t> RegisterFile::readAt(std::uint64_t offset, std::span<char> buffer,
                                                std::string* error) const
{
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const ssize_t got = ::pread(descriptor(m_handle), buffer.data() + filled, buffer.size() - filled,
                                    static_cast<off_t>(offset + filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            fail(error, errno);
            return std::nullopt;
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

bool RegisterFile::append(std::uint64_t end, std::string_view bytes, std::string* error)
{
    if (!writable()) {
        if (error)
            *error = m_writeProblem;
        return false;
    }
    // Opened for appending: every write lands at the end, which the lock keeps at end.
    for (std::size_t written = 0; written < bytes.size();) {
        const ssize_t done = ::write(descriptor(m_handle), bytes.data() + written, bytes.size() - written);
        if (done > 0) {
            written += static_cast<std::size_t>(done);
            continue;
        }
        if (done < 0 && errno == EINTR)
            continue;
        const int why = done == 0 ? EIO : errno;
        // A fragment would be taken for the start of the next record: it goes.
        if (written > 0)
            (void)::ftruncate(descriptor(m_handle), static_cast<off_t>(end));
        return fail(error, why);
    }
    return true;
}

bool RegisterFile::truncate(std::uint64_t length, std::string* error)
{
    if (::ftruncate(descriptor(m_handle), static_cast<off_t>(length)) != 0)
        return fail(error, errno);
    return true;
}

std::optional<bool> ownerAlone(const std::filesystem::path& path)
{
    struct stat status = {};
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

} // namespace morvanex
