#include "selftest/test_log.h"

#include "firmware/workspace.h"

namespace morvanex {
namespace {

constexpr std::string_view lineEnd = "\r\n";

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
    const std::string why = appendWhole(file, bytes);
    if (why.empty())
        return true;
    if (problem != nullptr)
        *problem = "cannot write '" + file.string() + "': " + why;
    return false;
}

} // namespace morvanex
