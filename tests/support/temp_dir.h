#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex::test {

// A fresh folder, removed with everything in it when the object goes.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path write(const std::filesystem::path& relative, std::string_view content) const;
    std::filesystem::path write(const std::filesystem::path& relative, const std::vector<std::uint8_t>& bytes) const;
    // The whole file, empty when it cannot be read.
    std::string read(const std::filesystem::path& relative) const;

private:
    std::filesystem::path m_path;
};

std::vector<std::uint8_t> randomBytes(std::size_t n, unsigned seed);

} // namespace morvanex::test
