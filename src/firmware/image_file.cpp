#include "firmware/image_file.h"

#include "text/input_file.h"

#include <cstring>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define MORVANEX_SWAP_SSE2 1
#endif

namespace morvanex {

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path, std::string* reason)
{
    auto file = InputFile::open(path, reason);
    return file ? file->readAll(reason) : std::nullopt;
}

// Sixteen bytes at a time where SSE2 is at hand, each 16-bit lane rotated by a byte; else eight, as a
// word whose even and odd bytes trade places.
void swapBytePairs(std::span<std::uint8_t> bytes)
{
    std::size_t i = 0;
#ifdef MORVANEX_SWAP_SSE2
    for (; i + 16 <= bytes.size(); i += 16) {
        auto* p = reinterpret_cast<__m128i*>(bytes.data() + i);
        const __m128i v = _mm_loadu_si128(p);
        _mm_storeu_si128(p, _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8)));
    }
#endif
    constexpr std::uint64_t evenBytes = 0x00FF00FF00FF00FFULL;
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
