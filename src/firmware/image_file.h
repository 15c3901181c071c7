#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace morvanex {

// The whole file as bytes, or nothing when it cannot be opened as an ordinary file, read, or held
// in memory; reason, when given, then says why.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path,
                                                       std::string* reason = nullptr);

// Exchanges bytes 0 and 1, 2 and 3, ... as a byte-swapped model holds its image; an odd last byte
// has no partner and stays in place.
void swapBytePairs(std::span<std::uint8_t> bytes);

} // namespace morvanex
