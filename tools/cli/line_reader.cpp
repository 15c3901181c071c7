#include "line_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

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

bool LineReader::lineReady() const
{
    return m_ended || m_buffer.find('\n', m_start) != std::string::npos;
}

LineReader::Result LineReader::next(std::string& line)
{
    line.clear();
    bool started = false;
    for (;;) {
        if (m_start < m_buffer.size()) {
            started = true;
            const auto newline = m_buffer.find('\n', m_start);
            const std::size_t end = newline == std::string::npos ? m_buffer.size() : newline;
            const std::size_t room = maxKeptLength - std::min(line.size(), maxKeptLength);
            line.append(m_buffer, m_start, std::min(end - m_start, room));
            if (newline != std::string::npos) {
                m_start = newline + 1;
                return Result::Line;
            }
            m_start = m_buffer.size();
        }
        if (m_ended)
            return started ? Result::Line : Result::End;
        if (!fill())
            return Result::Failed;
    }
}

bool LineReader::fill()
{
    m_buffer.resize(blockSize);
    m_start = 0;
    for (;;) {
        const long n = readInput(m_buffer.data(), m_buffer.size());
        if (n >= 0) {
            m_buffer.resize(static_cast<std::size_t>(n));
            m_ended = n == 0;
            return true;
        }
        if (errno != EINTR) {
            m_error = std::strerror(errno);
            m_buffer.clear();
            return false;
        }
    }
}

} // namespace morvanex::cli
