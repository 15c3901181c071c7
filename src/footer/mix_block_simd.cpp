#include "footer/mix_block_simd.h"

#ifdef MORVANEX_X86_KERNELS

#include <cstring>
#include <immintrin.h>

namespace morvanex::simd {

// The block is 128 words added to the seed's four words repeated; each word's own sum either carries
// out (generate) or is all ones and passes an incoming carry on (propagate). With G and P as 128-bit
// numbers, bit per word, the words that receive a carry are ((G << 1) + P) ^ P: a single addition does
// the rippling. The carry out of the last word falls off the top, as it must.
__attribute__((target("avx512f"))) void mixBlockAvx512(const std::uint8_t* samples, std::uint8_t* mixed,
                                                       const std::uint8_t* seed)
{
    constexpr int vectors = 16; // of eight words
    // The seed twice over, loaded whole: GCC 12's broadcast intrinsics warn inside their own header.
    std::uint8_t twice[64];
    std::memcpy(twice, seed, 32);
    std::memcpy(twice + 32, seed, 32);
    const __m512i seedWords = _mm512_loadu_si512(twice);
    const __m512i allOnes = _mm512_set1_epi64(-1);
    __m512i sums[vectors];
    std::uint64_t generate[2] = {0, 0};
    std::uint64_t propagate[2] = {0, 0};
#pragma GCC unroll 16
    for (int v = 0; v < vectors; ++v) {
        const __m512i words = _mm512_loadu_si512(samples + 64 * v);
        sums[v] = _mm512_add_epi64(words, seedWords);
        const int shift = 8 * (v % 8);
        generate[v / 8] |= std::uint64_t{_mm512_cmplt_epu64_mask(sums[v], words)} << shift;
        propagate[v / 8] |= std::uint64_t{_mm512_cmpeq_epi64_mask(sums[v], allOnes)} << shift;
    }
    const std::uint64_t shiftedLow = generate[0] << 1;
    const std::uint64_t shiftedHigh = generate[1] << 1 | generate[0] >> 63;
    const std::uint64_t low = shiftedLow + propagate[0];
    const std::uint64_t high = shiftedHigh + propagate[1] + (low < shiftedLow ? 1 : 0);
    const std::uint64_t carries[2] = {low ^ propagate[0], high ^ propagate[1]};
    const __m512i one = _mm512_set1_epi64(1);
#pragma GCC unroll 16
    for (int v = 0; v < vectors; ++v) {
        const auto in = static_cast<__mmask8>(carries[v / 8] >> (8 * (v % 8)));
        _mm512_storeu_si512(mixed + 64 * v, _mm512_mask_add_epi64(sums[v], in, sums[v], one));
    }
}

bool cpuHasAvx512()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f");
}

} // namespace morvanex::simd

#endif
