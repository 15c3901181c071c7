#include "line_reader.h"

#include <cerrno>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <io.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

namespace morvanex::cli {
namespace {

constexpr std::size_t blockSize = 65536;
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

#ifdef _WIN32
long readInput(char* buffer, std::size_t size)
{
    return _read(0, buffer, static_cast<unsigned>(size));
}
#else
// A parent may leave standard input non-blocking: "nothing yet" is then waited for, not a failure.
long readInput(char* buffer, std::size_t size)
{
    for (;;) {
        const auto n = static_cast<long>(::read(STDIN_FILENO, buffer, size));
        if (n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            return n;
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (::poll(&input, 1, -1) < 0 && errno != EINTR)
            return -1;
    }
}
#endif

} // namespace

LineReader::Result LineReader::next(std::string& line)
{
    for (;;) {
        if (auto next = m_lines.next()) {
            line = std::move(*next);
            // Editors on Windows start UTF-8 text with a byte-order mark; it is not part of the code.
            if (m_firstLine && line.starts_with(byteOrderMark))
                line.erase(0, byteOrderMark.size());
            m_firstLine = false;
            return Result::Line;
        }
        if (m_lines.closed())
            return Result::End;
        if (!fill())
            return Result::Failed;
    }
}

bool LineReader::fill()
{
    char block[blockSize];
    for (;;) {
        const long n = readInput(block, sizeof block);
        if (n > 0) {
            m_lines.append(std::string_view(block, static_cast<std::size_t>(n)));
            return true;
        }
        if (n == 0) {
            m_lines.close();
            return true;
        }
        if (errno != EINTR) {
            m_error = std::strerror(errno);
            return false;
        }
    }
}

} // namespace morvanex::cli
