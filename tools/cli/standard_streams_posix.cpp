#include "standard_streams.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <poll.h>
#include <unistd.h>

namespace morvanex::cli {
namespace {

// A parent may leave a stream non-blocking: "not now" is waited for, not a failure.
bool waitFor(int descriptor, short event)
{
    pollfd stream{descriptor, event, 0};
    return ::poll(&stream, 1, -1) >= 0 || errno == EINTR;
}

} // namespace

void prepareStandardStreams()
{
    // Without this, a reader that goes away (| head) ends the process unasked, with no status of ours.
    std::signal(SIGPIPE, SIG_IGN);
}

std::optional<std::size_t> readStandardInput(std::span<char> buffer, std::string& error)
{
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno == EINTR)
            continue;
        if ((errno != EAGAIN && errno != EWOULDBLOCK) || !waitFor(STDIN_FILENO, POLLIN)) {
            error = std::strerror(errno);
            return std::nullopt;
        }
    }
}

bool standardInputReady()
{
    // Readable, at its end or failed: a read returns at once. A file is always ready.
    pollfd stream{STDIN_FILENO, POLLIN, 0};
    return ::poll(&stream, 1, 0) > 0;
}

bool isTerminal(int stream)
{
    return ::isatty(stream) == 1;
}

bool writeStandardStream(int stream, std::string_view bytes, std::string& error)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(stream, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(stream, POLLOUT))
            continue;
        error = n < 0 ? std::strerror(errno) : "nothing written";
        return false;
    }
    return true;
}

} // namespace morvanex::cli
