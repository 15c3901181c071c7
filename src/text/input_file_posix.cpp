#include "text/input_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace morvanex {
namespace {

FileIdentity identityOfStat(const struct stat& st)
{
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}

} // namespace

std::string InputFile::lastError()
{
    return std::generic_category().message(errno);
}

std::optional<FileIdentity> identityOf(const std::filesystem::path& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return identityOfStat(st);
}

std::optional<InputFile> InputFile::open(const std::filesystem::path& path, std::string* reason)
{
    // Non-blocking, so that opening a FIFO does not wait for a writer; reads of an ordinary file
    // block as usual.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (reason)
            *reason = lastError();
        return std::nullopt;
    }
    struct stat st;
    const bool examined = ::fstat(fd, &st) == 0;
    if (!examined || !S_ISREG(st.st_mode)) {
        if (reason)
            *reason = examined ? "not an ordinary file" : lastError();
        ::close(fd);
        return std::nullopt;
    }
    return InputFile(fd, identityOfStat(st));
}

void InputFile::close()
{
    if (m_handle == noHandle)
        return;
    ::close(static_cast<int>(m_handle));
    m_handle = noHandle;
}

std::optional<std::size_t> InputFile::read(std::span<std::uint8_t> buffer)
{
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const ssize_t got = ::read(static_cast<int>(m_handle), buffer.data() + filled, buffer.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

} // namespace morvanex
