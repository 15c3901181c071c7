#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace morvanex::test {

// A fresh folder under the temporary directory, removed with its contents at the end.
class ScratchFolder
{
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    void write(const std::filesystem::path& relative, const std::string& bytes) const;
    std::string read(const std::filesystem::path& relative) const;

private:
    std::filesystem::path m_path;
};

// The same bytes for the same seed.
std::vector<std::uint8_t> pseudoRandomImage(std::size_t size, std::uint32_t seed);

} // namespace morvanex::test
