#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace morvanex {

// The self-test's log, "TestEncript.txt" in the given folder: Windows-1252 text, CR LF line ends,
// only ever appended to. The file is opened and closed for every line and never held between lines.
class TestLog
{
public:
    static constexpr std::string_view fileName = "TestEncript.txt";

    explicit TestLog(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    // Appends every byte of line, zero bytes included, then CR LF. Only a regular file takes the log:
    // a FIFO, a device, a folder or a symbolic link of that name is refused at once, never waited on
    // or followed. A line is written whole or not at all. When the line cannot be written it is
    // dropped, false is returned and problem (if given) says why; the next line tries again.
    bool appendLine(std::string_view line, std::string* problem = nullptr) const;

    std::filesystem::path path() const;

private:
    static constexpr std::string_view notRegular = "not a regular file";
    // Appends bytes to the regular file at path, made when missing; empty when done, else why not.
    // After a short write the file is cut back to its length before.
    static std::string appendWhole(const std::filesystem::path& path, std::string_view bytes);

    std::filesystem::path m_folder;
};

} // namespace morvanex
