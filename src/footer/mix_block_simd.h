#pragma once

// The AVX-512 kernel behind mixBlock, compiled for its instruction set and only called after the CPU
// has been asked whether it has it.

#include "footer/x86_kernels.h"

#include <cstdint>

namespace morvanex::simd {

#ifdef MORVANEX_X86_KERNELS

// mixBlock over 1024 bytes of samples into mixed (which may be samples) with the 32-byte seed.
void mixBlockAvx512(const std::uint8_t* samples, std::uint8_t* mixed, const std::uint8_t* seed);

bool cpuHasAvx512(); // the foundation instructions, with their state enabled by the OS

#endif

} // namespace morvanex::simd
