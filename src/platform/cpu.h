// Processor-specific help for the hot loops of the track search: a cache
// prefetch hint and a vector comparison of one 16-row index node. Each uses
// the compiler's intrinsics where it has them and plain C++ elsewhere, with
// the same results. Any thread; nothing here has state.
#pragma once

#include <cstdint>

#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
#define PLATFORM_CPU_SSE2 1
#include <emmintrin.h>
#endif

// Starts loading the cache line holding `address` for reading. Never faults,
// whatever `address` is; changes nothing the program can observe.
inline void platform_prefetch(const void* address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

// Number of the 16 values at `values` that are at or below `limit`. The values
// must not decrease, so those values are a prefix of the 16.
inline int platform_count_at_or_below_16(const int32_t* values, int32_t limit)
{
#if defined(PLATFORM_CPU_SSE2)
    // Four compares, packed to one bit per value; the first value above
    // `limit` is the lowest set bit (bit 16 stands for "none above").
    const __m128i* p = reinterpret_cast<const __m128i*>(values);
    const __m128i r = _mm_set1_epi32(limit);
    const __m128i a = _mm_cmpgt_epi32(_mm_loadu_si128(p), r);
    const __m128i b = _mm_cmpgt_epi32(_mm_loadu_si128(p + 1), r);
    const __m128i c = _mm_cmpgt_epi32(_mm_loadu_si128(p + 2), r);
    const __m128i d = _mm_cmpgt_epi32(_mm_loadu_si128(p + 3), r);
    const int above = _mm_movemask_epi8(_mm_packs_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d)));
    return __builtin_ctz(static_cast<unsigned>(above) | 1u << 16);
#else
    int count = 0;
    for (int k = 0; k < 16; ++k)
        count += values[k] <= limit ? 1 : 0;
    return count;
#endif
}
