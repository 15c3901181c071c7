#pragma once

// Little-endian words from and to byte buffers of any alignment; compilers turn these into plain moves.

#include <bit>
#include <cstdint>
#include <cstring>

namespace morvanex {

inline std::uint32_t loadLittle32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

inline std::uint64_t loadLittle64(const std::uint8_t* p)
{
    return std::uint64_t{loadLittle32(p)} | std::uint64_t{loadLittle32(p + 4)} << 32;
}

inline void storeLittle64(std::uint8_t* p, std::uint64_t v)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &v, sizeof v);
    } else {
        for (int i = 0; i < 8; ++i)
            p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

} // namespace morvanex
