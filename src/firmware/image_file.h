#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace morvanex {

// The whole file as bytes, or nothing when it cannot be opened or read as an ordinary file.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path);

// Exchanges bytes 0 and 1, 2 and 3, ... as a byte-swapped model holds its image; an odd last byte
// has no partner and stays in place.
void swapBytePairs(std::span<std::uint8_t> bytes);

} // namespace morvanex
