#include "firmware/image_file.h"

#include "firmware/input_file.h"

#include <cstring>
#include <utility>

namespace morvanex {

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path, std::string* reason)
{
    auto file = InputFile::open(path, reason);
    return file ? file->readAll(reason) : std::nullopt;
}

// Eight bytes at a time as a word whose even and odd bytes trade places; compilers vectorise it.
void swapBytePairs(std::span<std::uint8_t> bytes)
{
    constexpr std::uint64_t evenBytes = 0x00FF00FF00FF00FFULL;
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, bytes.data() + i, 8);
        w = (w & evenBytes) << 8 | (w >> 8 & evenBytes);
        std::memcpy(bytes.data() + i, &w, 8);
    }
    for (; i + 1 < bytes.size(); i += 2)
        std::swap(bytes[i], bytes[i + 1]);
}

} // namespace morvanex
