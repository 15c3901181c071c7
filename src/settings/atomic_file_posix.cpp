#include "settings/atomic_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvanex {
namespace {

namespace fs = std::filesystem;

constexpr int kTemporaryNameAttempts = 100;

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const auto written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Makes the rename itself durable; the new contents are already on disk, so a failure here is no loss.
void syncFolder(const fs::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    (void)::fsync(fd);
    ::close(fd);
}

} // namespace

bool replaceFileAtomically(const fs::path& target, std::string_view bytes,
                           std::optional<fs::perms> permissions)
{
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    fs::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && fd < 0; ++attempt) {
        temporary = folder / temporaryNameFor(target);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    bool done = writeAll(fd, bytes);
    // The replacement keeps the old file's mode; where the file system refuses, the default mode will do.
    if (done && permissions)
        (void)::fchmod(fd, static_cast<mode_t>(*permissions & fs::perms::mask));
    done = done && ::fsync(fd) == 0;
    done = ::close(fd) == 0 && done;
    done = done && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!done) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolder(folder);
    return true;
}

unsigned long long writerTag()
{
    return static_cast<unsigned long long>(::getpid());
}

bool isWritableFile(const fs::path& file, fs::perms)
{
    return ::access(file.c_str(), W_OK) == 0;
}

} // namespace morvanex
