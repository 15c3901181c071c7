#pragma once

// x86-64 kernels behind the checksum routines; each is compiled for its own instruction set and only
// called after the CPU has been asked whether it has it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define MORVANEX_CHECKSUM_X86 1
#endif

namespace morvanex::simd {

#ifdef MORVANEX_CHECKSUM_X86

// Sixteen bytes whose CRC-16/KERMIT from register 0 equals that of all the bytes folded into them.
using FoldedBlock = std::array<std::uint8_t, 16>;

// Shortest inputs each fold kernel takes: eight 16-byte lanes, resp. four 64-byte lanes.
inline constexpr std::size_t crc16FoldMinimum = 128;
inline constexpr std::size_t crc16WideFoldMinimum = 256;

// Fold the whole 16-byte blocks at the front of data, starting from register previous, into folded;
// returns the bytes consumed, a multiple of 16 that leaves fewer than 16. The caller finishes folded
// and the rest with the table.
std::size_t crc16FoldPclmul(std::uint16_t previous, std::span<const std::uint8_t> data, FoldedBlock& folded);
std::size_t crc16FoldVpclmul(std::uint16_t previous, std::span<const std::uint8_t> data, FoldedBlock& folded);

std::uint16_t byteSum16Sse2(std::uint16_t previous, std::span<const std::uint8_t> data);
std::uint16_t byteSum16Avx2(std::uint16_t previous, std::span<const std::uint8_t> data);

bool cpuHasPclmul();
bool cpuHasVpclmul(); // 512-bit carry-less multiplication, with the AVX-512 state enabled by the OS
bool cpuHasAvx2();

#endif

} // namespace morvanex::simd
