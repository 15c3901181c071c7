#pragma once

// Set where the x86-64 kernels are built: the carry-less CRC folds, the SIMD byte sums and the
// AVX-512 block mixing of key derivation. Each kernel is compiled for its own instruction set and only
// called after the CPU has been asked whether it has it.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define MORVANEX_X86_KERNELS 1
#endif
