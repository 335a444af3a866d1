#pragma once
// What the scan driver (scan.cpp) and the vector stages (scan_x86.cpp) share: the two
// filter positions of a pattern, the plain comparison, and one table of block scanners
// per vector unit.

#include <cstdint>

#include "search/scan.h"

namespace quillix::scan {

// Start positions per vector step: one bit each in a 64-bit mask.
inline constexpr std::int64_t blockPositions = 64;
// A block with more candidates than this is handed to the plain loop: checking each
// candidate costs more than trying each position.
inline constexpr int denseCandidates = 16;
// How far the plain loop goes on after a dense block before the vector stage tries again.
inline constexpr std::int64_t densePlainPositions = 4096;

// A start position is a candidate when the byte at headOffset and the byte at tailOffset
// are accepted. A byte b is accepted at a filter position when (b | fold) ==
// value: fold holds the bits in which its two accepted values differ (0x20 between a
// letter's cases, nothing for a single value, and the bits a wildcard leaves open), so one
// compare tests both. Values that
// differ in more bits let a few more bytes through; the full comparison sorts them out.
struct Filter {
    std::int64_t headOffset = 0;
    std::int64_t tailOffset = 0;
    std::uint8_t headFold = 0, headValue = 0;
    std::uint8_t tailFold = 0, tailValue = 0;
};

// The head, the first position that decides the most bits (offset 0 but for wildcards),
// and, as the tail, the last other position that accepts other bytes than the head, so
// that a pattern whose ends are common (zeros around a one) is still filtered on a byte
// that tells it apart; failing that the last other position that decides any bit. The
// pattern has at least one position.
Filter filterFor(const ScanPattern& pattern);

// Positions k .. length - 1 of the pattern against the bytes of one start position.
inline bool acceptsFrom(const std::uint8_t* at, const ScanPattern& pattern, std::int64_t k) {
    for (; k < pattern.length; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const std::uint8_t byte = at[k] & pattern.mask[i];
        if (byte != pattern.first[i] && byte != pattern.second[i]) return false;
    }
    return true;
}

// Where a vector stage stopped: at a hit, at a dense block (next is its first position
// in the scan's direction, not yet tried), or with fewer positions left than a block.
struct BlockScan {
    std::int64_t hit = -1;
    std::int64_t next = 0;
    bool dense = false;
};

// Forward: whole blocks from pos while they end at or before last. Backward: whole
// blocks ending at pos while they start at or after first. Every byte read lies within
// the start positions' own bytes.
struct BlockScanners {
    BlockScan (*forward)(const std::uint8_t* bytes, const ScanPattern& pattern, const Filter& filter,
                         std::int64_t pos, std::int64_t last);
    BlockScan (*backward)(const std::uint8_t* bytes, const ScanPattern& pattern, const Filter& filter,
                          std::int64_t pos, std::int64_t first);
};

// The scanners of a unit, or null for the plain loop alone.
const BlockScanners* blockScannersFor(VectorUnit unit);

}  // namespace quillix::scan
