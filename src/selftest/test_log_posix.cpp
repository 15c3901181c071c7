#include "selftest/test_log.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace morvanex {
namespace {

std::string errorText(int error)
{
    return std::generic_category().message(error);
}

} // namespace

std::string TestLog::appendWhole(const std::filesystem::path& path, std::string_view bytes)
{
    // Non-blocking, so a FIFO without a reader fails here instead of holding the open for ever; never
    // through a link, which could lead out of the workspace.
    const int fd = ::open(path.c_str(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == ENXIO || errno == EISDIR || errno == ELOOP ? std::string(notRegular) : errorText(errno);
    struct stat status = {};
    std::string why = ::fstat(fd, &status) != 0 ? errorText(errno)
                      : S_ISREG(status.st_mode) ? std::string()
                                                : std::string(notRegular);
    const off_t start = why.empty() ? ::lseek(fd, 0, SEEK_END) : 0;
    // One write per line, so a line is never split by another writer's line.
    for (std::size_t written = 0; why.empty() && written < bytes.size();) {
        const ssize_t done = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (done > 0)
            written += static_cast<std::size_t>(done);
        else if (done == 0 || errno != EINTR)
            why = errorText(done == 0 ? EIO : errno);
        // A fragment would run into the next line: the file goes back to where the line began.
        if (!why.empty() && written > 0 && start >= 0)
            (void)::ftruncate(fd, start);
    }
    if (::close(fd) != 0 && why.empty())
        why = errorText(errno);
    return why;
}

} // namespace morvanex
