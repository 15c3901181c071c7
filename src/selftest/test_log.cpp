#include "selftest/test_log.h"

#include "firmware/workspace.h"

#include <cerrno>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <cstdio>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace morvanex {

namespace {

constexpr std::string_view lineEnd = "\r\n";
constexpr std::string_view notRegular = "not a regular file";

std::string errorText(int error)
{
    return std::generic_category().message(error);
}

// Appends bytes to the regular file at path; empty when done, else why not.
std::string appendBytes(const std::filesystem::path& path, std::string_view bytes)
{
#ifndef _WIN32
    // Non-blocking, so a FIFO without a reader fails here instead of holding the open for ever.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == ENXIO || errno == EISDIR ? std::string(notRegular) : errorText(errno);
    struct stat status = {};
    std::string why = ::fstat(fd, &status) != 0 ? errorText(errno)
                      : S_ISREG(status.st_mode) ? std::string()
                                                : std::string(notRegular);
    // One write per line, so a line is never split by another writer's line.
    for (std::size_t written = 0; why.empty() && written < bytes.size();) {
        const ssize_t done = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (done > 0)
            written += static_cast<std::size_t>(done);
        else if (done == 0 || errno != EINTR)
            why = errorText(done == 0 ? EIO : errno);
    }
    if (::close(fd) != 0 && why.empty())
        why = errorText(errno);
    return why;
#else
    // No FIFOs here; a folder of that name fails to open.
    std::FILE* stream = std::fopen(path.string().c_str(), "ab");
    if (stream == nullptr)
        return errorText(errno);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
    if (std::fclose(stream) != 0 || !written)
        return errorText(errno);
    return {};
#endif
}

} // namespace

std::filesystem::path TestLog::path() const
{
    // An existing log under another letter case is the same file on the original platform.
    return findEntry(m_folder, fileName);
}

bool TestLog::appendLine(std::string_view line, std::string* problem) const
{
    std::string bytes(line);
    bytes += lineEnd;
    const std::filesystem::path file = path();
    const std::string why = appendBytes(file, bytes);
    if (why.empty())
        return true;
    if (problem != nullptr)
        *problem = "cannot write '" + file.string() + "': " + why;
    return false;
}

} // namespace morvanex
