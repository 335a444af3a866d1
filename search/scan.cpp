#include "search/scan.h"

#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillix {

bool addPosition(ScanPattern& pattern, std::int64_t a, std::int64_t b) {
    if (pattern.length >= maxScanPattern) return false;
    const bool aIsByte = a >= 0 && a <= 255;
    const bool bIsByte = b >= 0 && b <= 255;
    if (!aIsByte && !bIsByte) {
        pattern.matchable = false;
        a = b = 0;
    } else if (!aIsByte) {
        a = b;
    } else if (!bIsByte) {
        b = a;
    }
    const auto k = static_cast<std::size_t>(pattern.length++);
    pattern.first[k] = static_cast<std::uint8_t>(a);
    pattern.second[k] = static_cast<std::uint8_t>(b);
    return true;
}

namespace {

inline bool accepts(const ScanPattern& pattern, std::int64_t k, std::uint8_t byte) {
    const auto i = static_cast<std::size_t>(k);
    return byte == pattern.first[i] || byte == pattern.second[i];
}

// Positions begin .. end - 1 of the pattern against the bytes of a start position.
inline bool acceptsRange(const std::uint8_t* at, const ScanPattern& pattern, std::int64_t begin,
                         std::int64_t end) {
    for (std::int64_t k = begin; k < end; ++k) {
        if (!accepts(pattern, k, at[k])) return false;
    }
    return true;
}

inline bool matchesAt(const std::uint8_t* at, const ScanPattern& pattern) {
    return acceptsRange(at, pattern, 0, pattern.length);
}

// The vector stage has already checked the first and the last position.
inline bool middleMatches(const std::uint8_t* at, const ScanPattern& pattern) {
    return acceptsRange(at, pattern, 1, pattern.length - 1);
}

#if defined(__SSE2__)

// Finds, among 64 consecutive start positions, those whose first and last bytes are
// accepted. Most blocks have none, and that case costs a handful of instructions.
class CandidateFilter {
public:
    explicit CandidateFilter(const ScanPattern& pattern)
        : lastOffset_(pattern.length - 1),
          first1_(splat(pattern.first[0])),
          first2_(splat(pattern.second[0])),
          last1_(splat(pattern.first[pattern.length - 1])),
          last2_(splat(pattern.second[pattern.length - 1])) {}

    // Bit i is set when start position block + i is a candidate. Reads block[0 .. 63]
    // and block[lastOffset .. lastOffset + 63].
    std::uint64_t mask(const std::uint8_t* block) const {
        const __m128i c0 = candidates(block);
        const __m128i c1 = candidates(block + 16);
        const __m128i c2 = candidates(block + 32);
        const __m128i c3 = candidates(block + 48);
        const __m128i any = _mm_or_si128(_mm_or_si128(c0, c1), _mm_or_si128(c2, c3));
        if (_mm_movemask_epi8(any) == 0) return 0;
        return bits(c0) | bits(c1) << 16 | bits(c2) << 32 | bits(c3) << 48;
    }

private:
    static __m128i splat(std::uint8_t value) { return _mm_set1_epi8(static_cast<char>(value)); }
    static std::uint64_t bits(__m128i v) { return static_cast<std::uint32_t>(_mm_movemask_epi8(v)); }
    __m128i candidates(const std::uint8_t* at) const {
        const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + lastOffset_));
        const __m128i headOk = _mm_or_si128(_mm_cmpeq_epi8(head, first1_), _mm_cmpeq_epi8(head, first2_));
        const __m128i tailOk = _mm_or_si128(_mm_cmpeq_epi8(tail, last1_), _mm_cmpeq_epi8(tail, last2_));
        return _mm_and_si128(headOk, tailOk);
    }

    std::int64_t lastOffset_;
    __m128i first1_, first2_, last1_, last2_;
};

inline constexpr std::int64_t blockPositions = 64;

#endif

bool scannable(const std::uint8_t* bytes, std::int64_t size, const ScanPattern& pattern, std::int64_t from) {
    return bytes != nullptr && pattern.matchable && pattern.length > 0 && from >= 0 &&
           from <= size - pattern.length;
}

}  // namespace

std::int64_t scanForward(const std::uint8_t* bytes, std::int64_t size, const ScanPattern& pattern,
                         std::int64_t from) {
    if (!scannable(bytes, size, pattern, from)) return -1;
    const std::int64_t last = size - pattern.length;
    std::int64_t pos = from;
#if defined(__SSE2__)
    const CandidateFilter filter(pattern);
    for (; last - pos >= blockPositions - 1; pos += blockPositions) {
        for (std::uint64_t found = filter.mask(bytes + pos); found != 0; found &= found - 1) {
            const std::int64_t at = pos + std::countr_zero(found);
            if (middleMatches(bytes + at, pattern)) return at;
        }
    }
#endif
    for (; pos <= last; ++pos) {
        if (matchesAt(bytes + pos, pattern)) return pos;
    }
    return -1;
}

std::int64_t scanBackward(const std::uint8_t* bytes, std::int64_t size, const ScanPattern& pattern,
                          std::int64_t from) {
    if (!scannable(bytes, size, pattern, from)) return -1;
    std::int64_t pos = from;
#if defined(__SSE2__)
    const CandidateFilter filter(pattern);
    for (; pos >= blockPositions - 1; pos -= blockPositions) {
        const std::int64_t base = pos - (blockPositions - 1);
        for (std::uint64_t found = filter.mask(bytes + base); found != 0;) {
            const int bit = 63 - std::countl_zero(found);
            if (middleMatches(bytes + base + bit, pattern)) return base + bit;
            found &= ~(std::uint64_t{1} << bit);
        }
    }
#endif
    for (; pos >= 0; --pos) {
        if (matchesAt(bytes + pos, pattern)) return pos;
    }
    return -1;
}

}  // namespace quillix
