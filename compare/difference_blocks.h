#pragma once
// What the scan driver (difference_scan.cpp) and the vector stages (difference_x86.cpp)
// share: one table of block scanners per vector unit.

#include <cstdint>

#include "compare/difference_scan.h"
#include "host/vector_unit.h"

namespace quillix::difference {

// Positions per vector step: one bit each in a 64-bit mask.
inline constexpr std::int64_t blockBytes = 64;

// Each works on whole blocks only: blocks = length / 64, the driver does the rest.
// tally chains as tallyDifferences does; first and last give the position within the
// blocks, or -1.
struct BlockScanners {
    DifferenceTally (*tally)(const std::uint8_t* a, const std::uint8_t* b, std::int64_t blocks,
                             bool previousDiffers);
    std::int64_t (*first)(const std::uint8_t* a, const std::uint8_t* b, std::int64_t blocks, bool differing);
    std::int64_t (*last)(const std::uint8_t* a, const std::uint8_t* b, std::int64_t blocks, bool differing);
};

// The scanners of a unit, or null for the plain loop alone.
const BlockScanners* blockScannersFor(VectorUnit unit);

}  // namespace quillix::difference
