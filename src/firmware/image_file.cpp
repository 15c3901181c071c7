#include "firmware/image_file.h"

#include <fstream>
#include <utility>

namespace morvanex {

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec)
        bytes.reserve(size);
    char chunk[65536];
    while (in) {
        in.read(chunk, sizeof chunk);
        bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    }
    if (in.bad())
        return std::nullopt;
    return bytes;
}

void swapBytePairs(std::span<std::uint8_t> bytes)
{
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        std::swap(bytes[i], bytes[i + 1]);
}

} // namespace morvanex
