// The scans' vector stage for x86-64: SSE2, which every 64-bit x86 processor has, and
// AVX2, compiled for here only and used when host/vector_unit.cpp finds the processor
// and the system have it. The program as a whole is built for the baseline and runs
// anywhere.
//
// AVX2 code on 64-bit Windows: GCC cannot realign the stack there, so a 32-byte vector
// spilled to the stack may be stored misaligned. The stage keeps its few vectors in
// registers, and the Windows build assembles this file with every aligned vector move
// made an unaligned one, should a spill ever appear.

#include <bit>
#include <cstdint>

#include "search/scan_blocks.h"

#if defined(__x86_64__) && defined(__SSE2__)
#include <immintrin.h>

namespace quillix::scan {

namespace sse2 {

struct Lanes {
    using Vector = __m128i;
    static constexpr std::int64_t width = 16;
    static Vector load(const std::uint8_t* at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    }
    static Vector splat(std::uint8_t value) { return _mm_set1_epi8(static_cast<char>(value)); }
    // All ones in the lanes whose byte, with the fold bits set, equals value.
    static Vector accepts(Vector bytes, Vector fold, Vector value) {
        return _mm_cmpeq_epi8(_mm_or_si128(bytes, fold), value);
    }
    static Vector both(Vector a, Vector b) { return _mm_and_si128(a, b); }
    static Vector either(Vector a, Vector b) { return _mm_or_si128(a, b); }
    static bool any(Vector v) { return _mm_movemask_epi8(v) != 0; }
    static std::uint32_t bits(Vector v) { return static_cast<std::uint32_t>(_mm_movemask_epi8(v)); }
};

#include "search/scan_blocks.inl"

}  // namespace sse2

#pragma GCC push_options
#pragma GCC target("avx2")

namespace avx2 {

struct Lanes {
    using Vector = __m256i;
    static constexpr std::int64_t width = 32;
    static Vector load(const std::uint8_t* at) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    }
    static Vector splat(std::uint8_t value) { return _mm256_set1_epi8(static_cast<char>(value)); }
    static Vector accepts(Vector bytes, Vector fold, Vector value) {
        return _mm256_cmpeq_epi8(_mm256_or_si256(bytes, fold), value);
    }
    static Vector both(Vector a, Vector b) { return _mm256_and_si256(a, b); }
    static Vector either(Vector a, Vector b) { return _mm256_or_si256(a, b); }
    static bool any(Vector v) { return !_mm256_testz_si256(v, v); }
    static std::uint32_t bits(Vector v) { return static_cast<std::uint32_t>(_mm256_movemask_epi8(v)); }
};

#include "search/scan_blocks.inl"

}  // namespace avx2

#pragma GCC pop_options

const BlockScanners* blockScannersFor(VectorUnit unit) {
    if (unit == VectorUnit::sse2) return &sse2::scanners;
    if (unit == VectorUnit::avx2) return &avx2::scanners;
    return nullptr;
}

}  // namespace quillix::scan

#else

namespace quillix::scan {

// Other processors scan with the plain loop alone.
const BlockScanners* blockScannersFor(VectorUnit) { return nullptr; }

}  // namespace quillix::scan

#endif
