#include "line_reader.h"

#include <cerrno>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace morvanex::cli {
namespace {

constexpr std::size_t blockSize = 65536;

long readInput(char* buffer, std::size_t size)
{
#ifdef _WIN32
    return _read(0, buffer, static_cast<unsigned>(size));
#else
    return static_cast<long>(::read(STDIN_FILENO, buffer, size));
#endif
}

} // namespace

LineReader::Result LineReader::next(std::string& line)
{
    for (;;) {
        if (auto next = m_lines.next()) {
            line = std::move(*next);
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
