#pragma once
// The comparison's byte scans over two stretches of memory of the same length: how many
// bytes differ and how many runs of differing bytes start there, and where the first or
// last differing (or equal) byte lies. A vector stage looks at 64 positions at a time
// (difference_blocks.inl, compiled once per vector unit); the plain loop does what is
// left at the ends, and everything when no vector unit is in use.

#include <cstdint>

namespace quillix {

// What a stretch of positions holds of the differences.
struct DifferenceTally {
    std::int64_t bytes = 0;    // positions whose bytes differ
    std::int64_t runs = 0;     // differing positions right after an equal one (or the start)
    bool lastDiffers = false;  // the stretch's last position differs
};

// Tallies positions 0 .. length - 1 of a against b. previousDiffers says whether the
// position before the stretch differs: a run that goes on from there starts no new run
// here. An empty stretch gives no bytes, no runs and lastDiffers = previousDiffers, so
// tallies of neighbouring stretches chain.
DifferenceTally tallyDifferences(const std::uint8_t* a, const std::uint8_t* b, std::int64_t length,
                                 bool previousDiffers);

// The first position in 0 .. length - 1 whose bytes differ (differing true) or are equal
// (false), or -1 when there is none. Reads nothing past the first such block of 64.
std::int64_t findFirst(const std::uint8_t* a, const std::uint8_t* b, std::int64_t length, bool differing);
// The last such position, or -1.
std::int64_t findLast(const std::uint8_t* a, const std::uint8_t* b, std::int64_t length, bool differing);

}  // namespace quillix
