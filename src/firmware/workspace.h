#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex {

// The working directory holding the folders TXT and Bin. Names are matched without regard to ASCII
// letter case, also on file systems that distinguish it: an exact name first, otherwise the first
// entry that matches ignoring case.
class Workspace
{
public:
    explicit Workspace(std::filesystem::path root) : m_root(std::move(root)) {}

    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path descriptorFolder() const;
    std::filesystem::path imageFolder() const;
    // The path of an image named by a descriptor, or nothing for a name that would leave the image
    // folder ("/", "\", "." or "..").
    std::optional<std::filesystem::path> imagePath(std::string_view fileName) const;

private:
    std::filesystem::path m_root;
};

// The entry of folder called name, exactly or else ignoring ASCII letter case; folder / name when none.
std::filesystem::path findEntry(const std::filesystem::path& folder, std::string_view name);

// The listing of "*<extension>" in folder: ordinary files and sub-folders whose names end in the
// extension (ASCII letter case ignored), a sub-folder as its name in square brackets; sorted with
// letter case ignored, ties by byte order. Empty when the folder cannot be read.
std::vector<std::string> listFolder(const std::filesystem::path& folder, std::string_view extension);

// ASCII case-insensitive ordering, ties broken by byte order.
bool listingLess(std::string_view a, std::string_view b);

} // namespace morvanex
