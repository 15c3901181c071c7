#pragma once

// x86-64 kernels behind the checksum routines; each is compiled for its own instruction set and only
// called after the CPU has been asked whether it has it.

#include "footer/x86_kernels.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace morvanex::simd {

#ifdef MORVANEX_X86_KERNELS

// The reflected CRCs the fold kernels serve; each folds with its own generator's constants.
enum class FoldedCrc { Crc16, Crc32 };

// Sixteen bytes whose CRC from register 0 equals that of all the bytes folded into them.
using FoldedBlock = std::array<std::uint8_t, 16>;

// Shortest inputs each fold kernel takes: eight 16-byte lanes (four 32-byte ones for the 256-bit
// kernel), resp. four 64-byte lanes.
inline constexpr std::size_t foldMinimum = 128;
inline constexpr std::size_t wideFoldMinimum = 256;

// Fold the whole 16-byte blocks at the front of data, starting from the reflected register reg (for
// CRC-32 the complement of the chained value), into folded; returns the bytes consumed, a multiple of
// 16 that leaves fewer than 16. The caller finishes folded, from register 0, and the rest with the table.
std::size_t foldPclmul(FoldedCrc crc, std::uint32_t reg, std::span<const std::uint8_t> data,
                       FoldedBlock& folded);
std::size_t foldVpclmul256(FoldedCrc crc, std::uint32_t reg, std::span<const std::uint8_t> data,
                           FoldedBlock& folded);
// foldVpclmul256 over data with the bytes of every pair swapped when swapPairs is set, adding up the
// bytes of the blocks consumed, as they are, into sum.
std::size_t foldVpclmul256Summed(FoldedCrc crc, std::uint32_t reg, std::span<const std::uint8_t> data,
                                 bool swapPairs, FoldedBlock& folded, std::uint64_t& sum);
std::size_t foldVpclmul(FoldedCrc crc, std::uint32_t reg, std::span<const std::uint8_t> data,
                        FoldedBlock& folded);

// Blocks of 1024 samples, each added to the 32-byte seed repeated as one little-endian number (the key
// derivation's mixing, the carry out of the block dropped) and folded for CRC-32 from register 0 into
// folded[b]; the next block is mixed while one is folded, so that the adder and the carry-less
// multiplier work side by side. samples holds blocks * 1024 bytes.
void mixAndFoldVpclmul256(const std::uint8_t* samples, std::size_t blocks, const std::uint8_t* seed,
                          FoldedBlock* folded);

std::uint16_t byteSum16Sse2(std::uint16_t previous, std::span<const std::uint8_t> data);
std::uint16_t byteSum16Avx2(std::uint16_t previous, std::span<const std::uint8_t> data);

bool cpuHasPclmul();
bool cpuHasVpclmul256(); // 256-bit carry-less multiplication, with the AVX state enabled by the OS
bool cpuHasVpclmul(); // 512-bit carry-less multiplication, with the AVX-512 state enabled by the OS
bool cpuHasAvx2();

#endif

} // namespace morvanex::simd
