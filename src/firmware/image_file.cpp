#include "firmware/image_file.h"

#include "firmware/input_file.h"

#include <utility>

namespace morvanex {

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path, std::string* reason)
{
    auto file = InputFile::open(path, reason);
    return file ? file->readAll(reason) : std::nullopt;
}

void swapBytePairs(std::span<std::uint8_t> bytes)
{
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        std::swap(bytes[i], bytes[i + 1]);
}

} // namespace morvanex
