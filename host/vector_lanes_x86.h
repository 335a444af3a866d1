#pragma once
// The byte-lane operations the vector stages of the search and the comparison are written
// in, for x86-64: SSE2, which every 64-bit x86 processor has, and AVX2, compiled for here
// only (the functions carry the target themselves) and used when vector_unit.cpp finds
// the processor and the system have it. A stage includes this header in the one unit that
// holds its vector code, and instantiates its blocks once for each.
//
// AVX2 code on 64-bit Windows: GCC cannot realign the stack there, so a 32-byte vector
// spilled to the stack may be stored misaligned. The stages keep their few vectors in
// registers, and the Windows build assembles their units with every aligned vector move
// made an unaligned one, should a spill ever appear (cmake/windows.cmake).

#include <cstdint>

#if defined(__x86_64__) && defined(__SSE2__)
#include <immintrin.h>

namespace quillix::lanes {

struct Sse2 {
    using Vector = __m128i;
    static constexpr std::int64_t width = 16;
    static Vector load(const std::uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
    static Vector zero() { return _mm_setzero_si128(); }
    static Vector splat(std::uint8_t value) { return _mm_set1_epi8(static_cast<char>(value)); }
    // All ones in the lanes whose bytes are equal.
    static Vector equal(Vector a, Vector b) { return _mm_cmpeq_epi8(a, b); }
    // All ones in the lanes whose byte, with the fold bits set, equals value.
    static Vector accepts(Vector bytes, Vector fold, Vector value) {
        return _mm_cmpeq_epi8(_mm_or_si128(bytes, fold), value);
    }
    static Vector both(Vector a, Vector b) { return _mm_and_si128(a, b); }
    static Vector either(Vector a, Vector b) { return _mm_or_si128(a, b); }
    // All ones in the lanes set in a and not in b.
    static Vector onlyIn(Vector a, Vector b) { return _mm_andnot_si128(b, a); }
    // One more in each lane that is all ones in mask.
    static Vector countOn(Vector counts, Vector mask) { return _mm_sub_epi8(counts, mask); }
    // The sum of all lanes' counts.
    static std::int64_t sum(Vector counts) {
        const __m128i halves = _mm_sad_epu8(counts, _mm_setzero_si128());
        return _mm_cvtsi128_si64(halves) + _mm_extract_epi16(halves, 4);
    }
    static bool any(Vector v) { return _mm_movemask_epi8(v) != 0; }
    static std::uint32_t bits(Vector v) { return static_cast<std::uint32_t>(_mm_movemask_epi8(v)); }
};

#pragma GCC push_options
#pragma GCC target("avx2,popcnt")

struct Avx2 {
    using Vector = __m256i;
    static constexpr std::int64_t width = 32;
    static Vector load(const std::uint8_t* at) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    }
    static Vector zero() { return _mm256_setzero_si256(); }
    static Vector splat(std::uint8_t value) { return _mm256_set1_epi8(static_cast<char>(value)); }
    static Vector equal(Vector a, Vector b) { return _mm256_cmpeq_epi8(a, b); }
    static Vector accepts(Vector bytes, Vector fold, Vector value) {
        return _mm256_cmpeq_epi8(_mm256_or_si256(bytes, fold), value);
    }
    static Vector both(Vector a, Vector b) { return _mm256_and_si256(a, b); }
    static Vector either(Vector a, Vector b) { return _mm256_or_si256(a, b); }
    static Vector onlyIn(Vector a, Vector b) { return _mm256_andnot_si256(b, a); }
    static Vector countOn(Vector counts, Vector mask) { return _mm256_sub_epi8(counts, mask); }
    static std::int64_t sum(Vector counts) {
        const __m256i quarters = _mm256_sad_epu8(counts, _mm256_setzero_si256());
        const __m128i halves =
            _mm_add_epi64(_mm256_castsi256_si128(quarters), _mm256_extracti128_si256(quarters, 1));
        return _mm_cvtsi128_si64(halves) + _mm_extract_epi64(halves, 1);
    }
    static bool any(Vector v) { return !_mm256_testz_si256(v, v); }
    static std::uint32_t bits(Vector v) { return static_cast<std::uint32_t>(_mm256_movemask_epi8(v)); }
};

#pragma GCC pop_options

}  // namespace quillix::lanes

#endif
