#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace morvanex::cli {

// The image file read whole. Nothing, with reason set, when it cannot be opened or read or is too
// large to hold in memory; never throws.
std::optional<std::vector<std::uint8_t>> readImageFile(const std::filesystem::path& path,
                                                       std::string& reason);

} // namespace morvanex::cli
