// The comparison's vector stage for x86-64: SSE2, which every 64-bit x86 processor has,
// and AVX2, compiled for here only and used when host/vector_unit.cpp finds the processor
// and the system have it. The Windows build assembles this file with every aligned vector
// move made an unaligned one, as it does the search's (cmake/windows.cmake).

#include <bit>
#include <cstdint>

#include "compare/difference_blocks.h"

#if defined(__x86_64__) && defined(__SSE2__)
#include <immintrin.h>

namespace quillix::difference {

namespace sse2 {

struct Lanes {
    using Vector = __m128i;
    static constexpr std::int64_t width = 16;
    static Vector load(const std::uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
    static Vector zero() { return _mm_setzero_si128(); }
    // All ones in the lanes whose bytes are equal.
    static Vector equal(Vector a, Vector b) { return _mm_cmpeq_epi8(a, b); }
    // All ones in the lanes set in a and not in b.
    static Vector onlyIn(Vector a, Vector b) { return _mm_andnot_si128(b, a); }
    // One more in each lane that is all ones in mask.
    static Vector countOn(Vector counts, Vector mask) { return _mm_sub_epi8(counts, mask); }
    static std::int64_t sum(Vector counts) {
        const __m128i halves = _mm_sad_epu8(counts, _mm_setzero_si128());
        return _mm_cvtsi128_si64(halves) + _mm_extract_epi16(halves, 4);
    }
    static std::uint32_t bits(Vector v) { return static_cast<std::uint32_t>(_mm_movemask_epi8(v)); }
};

#include "compare/difference_blocks.inl"

}  // namespace sse2

#pragma GCC push_options
#pragma GCC target("avx2,popcnt")

namespace avx2 {

struct Lanes {
    using Vector = __m256i;
    static constexpr std::int64_t width = 32;
    static Vector load(const std::uint8_t* at) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    }
    static Vector zero() { return _mm256_setzero_si256(); }
    static Vector equal(Vector a, Vector b) { return _mm256_cmpeq_epi8(a, b); }
    static Vector onlyIn(Vector a, Vector b) { return _mm256_andnot_si256(b, a); }
    static Vector countOn(Vector counts, Vector mask) { return _mm256_sub_epi8(counts, mask); }
    static std::int64_t sum(Vector counts) {
        const __m256i quarters = _mm256_sad_epu8(counts, _mm256_setzero_si256());
        const __m128i halves =
            _mm_add_epi64(_mm256_castsi256_si128(quarters), _mm256_extracti128_si256(quarters, 1));
        return _mm_cvtsi128_si64(halves) + _mm_extract_epi64(halves, 1);
    }
    static std::uint32_t bits(Vector v) { return static_cast<std::uint32_t>(_mm256_movemask_epi8(v)); }
};

#include "compare/difference_blocks.inl"

}  // namespace avx2

#pragma GCC pop_options

const BlockScanners* blockScannersFor(VectorUnit unit) {
    if (unit == VectorUnit::sse2) return &sse2::scanners;
    if (unit == VectorUnit::avx2) return &avx2::scanners;
    return nullptr;
}

}  // namespace quillix::difference

#else

namespace quillix::difference {

// Other processors compare with the plain loop alone.
const BlockScanners* blockScannersFor(VectorUnit) { return nullptr; }

}  // namespace quillix::difference

#endif
