#include "progress_line.h"

#include "command_help.h"

namespace morvanex::cli {

ProgressLine::ProgressLine(std::string_view command, Clock::time_point start)
    : m_prefix(std::string(programName) + " " + std::string(command) + ": "), m_start(start), m_shown(start)
{
}

std::optional<std::string> ProgressLine::update(std::uint64_t lines, Clock::time_point now)
{
    if (now - m_shown < interval)
        return std::nullopt;
    m_shown = now;
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    const auto rate = static_cast<std::uint64_t>(static_cast<double>(lines) / seconds + 0.5);
    return m_prefix + std::to_string(lines) + " lines, " + std::to_string(rate) + " lines/s";
}

} // namespace morvanex::cli
