#include "selftest/test_log.h"

#include "firmware/workspace.h"

#include <cstdio>
#include <string>

namespace morvanex {

namespace {
constexpr std::string_view lineEnd = "\r\n";
}

std::filesystem::path TestLog::path() const
{
    // An existing log under another letter case is the same file on the original platform.
    return findEntry(m_folder, fileName);
}

bool TestLog::appendLine(std::string_view line) const
{
    std::string bytes(line);
    bytes += lineEnd;
    // One write per line, so a line is never split by another writer's line.
    std::FILE* file = std::fopen(path().string().c_str(), "ab");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

} // namespace morvanex
