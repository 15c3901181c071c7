#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex::bench {

inline constexpr std::size_t imageSize = 4u << 20;

// A workspace of random 4 MiB images, one descriptor each, made in a temporary folder and removed with
// the object. Every tenth image is of a model the catalogue swaps byte pairs for.
class SyntheticWorkspace
{
public:
    SyntheticWorkspace(std::string_view name, int imageCount);
    ~SyntheticWorkspace();
    SyntheticWorkspace(const SyntheticWorkspace&) = delete;
    SyntheticWorkspace& operator=(const SyntheticWorkspace&) = delete;

    const std::filesystem::path& root() const { return m_root; }
    int imageCount() const { return m_imageCount; }
    std::filesystem::path imagePath(int i) const;

    // count distinct valid codes (distinct COO), made with the encoder; code n names image n mod the
    // image count, so consecutive codes go to different images.
    std::vector<std::string> validCodes(int count) const;

private:
    std::filesystem::path m_root;
    int m_imageCount;
};

} // namespace morvanex::bench
