#pragma once

// The kernels behind mixBlock: the AVX-512 one, compiled for its instruction set and only called after
// the CPU has been asked whether it has it, and the add with carry every x86-64 CPU has.

#include "footer/x86_kernels.h"

#include <cstdint>

namespace morvanex::simd {

#ifdef MORVANEX_X86_KERNELS

// mixBlock over 1024 bytes of samples into mixed (which may be samples) with the 32-byte seed.
void mixBlockAvx512(const std::uint8_t* samples, std::uint8_t* mixed, const std::uint8_t* seed);

bool cpuHasAvx512(); // the foundation instructions, with their state enabled by the OS

// 128 bytes of samples added to the seed (four words, repeated), with the carry coming in and going out
// in carry (0 or 1). The carry runs from word to word in the flag: add with carry, nothing in between
// that touches it (GCC's _addcarry_u64 also stores every sum on the stack, doubling the stores that
// bound this loop). Each word is read before it is written, so to may be from.
inline void mixPiece(const std::uint8_t* from, std::uint8_t* to, const std::uint64_t* seed,
                     unsigned char& carry)
{
    std::uint64_t sum;
#define MORVANEX_MIX_WORD(offset, word)                                                                     \
    "movq " #offset "(%[from]), %[sum]\n\t"                                                                 \
    "adcq %[w" #word "], %[sum]\n\t"                                                                        \
    "movq %[sum], " #offset "(%[to])\n\t"
    asm volatile("addb $0xff, %[carry]\n\t" // sets the flag from the carry
                 MORVANEX_MIX_WORD(0, 0) MORVANEX_MIX_WORD(8, 1) MORVANEX_MIX_WORD(16, 2) MORVANEX_MIX_WORD(24, 3)
                 MORVANEX_MIX_WORD(32, 0) MORVANEX_MIX_WORD(40, 1) MORVANEX_MIX_WORD(48, 2) MORVANEX_MIX_WORD(56, 3)
                 MORVANEX_MIX_WORD(64, 0) MORVANEX_MIX_WORD(72, 1) MORVANEX_MIX_WORD(80, 2) MORVANEX_MIX_WORD(88, 3)
                 MORVANEX_MIX_WORD(96, 0) MORVANEX_MIX_WORD(104, 1) MORVANEX_MIX_WORD(112, 2) MORVANEX_MIX_WORD(120, 3)
                 "setc %[carry]"
                 : [carry] "+q"(carry), [sum] "=&r"(sum), "=m"(*reinterpret_cast<std::uint8_t(*)[128]>(to))
                 : [from] "r"(from), [to] "r"(to), [w0] "r"(seed[0]), [w1] "r"(seed[1]), [w2] "r"(seed[2]),
                   [w3] "r"(seed[3]), "m"(*reinterpret_cast<const std::uint8_t(*)[128]>(from))
                 : "cc");
#undef MORVANEX_MIX_WORD
}

#endif

} // namespace morvanex::simd
