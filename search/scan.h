#pragma once
// The byte scans behind Find: the same hits, in the same order, as trying one start
// position after another. A vector stage looks at 64 start positions at a time and keeps
// only those whose bytes at two filter positions are accepted; only there is the rest
// compared. Where that leaves too many positions to pay for itself, the plain loop runs.

#include <cstdint>
#include <limits>

#include "host/vector_unit.h"

namespace quillix {

inline constexpr int maxScanPattern = 256;

// What each position of a pattern accepts: the bytes whose bits in mask equal those of
// one value, or of two (a letter's two cases). mask is 0xFF but for wildcards: 0 for any
// byte, 0xF0 or 0x0F for a byte with one nibble given. A position that accepts no byte at
// all (a negative hex pair, a character above U+00FF) makes the pattern unmatchable.
struct ScanPattern {
    std::int64_t length = 0;                   // positions in use, 0..maxScanPattern
    bool matchable = true;                     // false when some position accepts no byte
    std::uint8_t first[maxScanPattern] = {};   // an accepted value, its bits outside mask clear
    std::uint8_t second[maxScanPattern] = {};  // the other accepted value; equals first when one
    std::uint8_t mask[maxScanPattern] = {};    // the bits compared
};

// Appends a position that accepts the bytes equal to a or to b; values outside 0..255
// equal no byte. Returns false, changing nothing, when the pattern is full.
bool addPosition(ScanPattern& pattern, std::int64_t a, std::int64_t b);
// Appends a position that accepts the bytes whose bits in mask equal value's.
bool addMaskedPosition(ScanPattern& pattern, std::uint8_t value, std::uint8_t mask);

inline constexpr std::int64_t noScanLimit = std::numeric_limits<std::int64_t>::max();

// The smallest pos in from..through with pos + length <= size at which every position
// accepts its byte, or -1. A from below 0 finds nothing. Reads no byte outside
// 0..size-1. A pattern of length 0 finds nothing.
std::int64_t scanForward(const std::uint8_t* bytes, std::int64_t size, const ScanPattern& pattern,
                         std::int64_t from, std::int64_t through = noScanLimit);
// The hits from `from` through `through` as scanForward finds them, the next looked for
// advance (at least 1) positions after each, into hits until capacity of them are there.
// Returns how many; from is then where the next call goes on (past through when the
// stretch is done).
std::int64_t scanHits(const std::uint8_t* bytes, std::int64_t size, const ScanPattern& pattern,
                      std::int64_t& from, std::int64_t through, std::int64_t advance, std::int64_t* hits,
                      std::int64_t capacity);
// The largest pos in downTo..from with pos >= 0 at which every position accepts its byte,
// or -1. A from beyond size - length finds nothing: the caller decides where an upward
// scan may start. Reads no byte outside 0..size-1. A pattern of length 0 finds nothing.
std::int64_t scanBackward(const std::uint8_t* bytes, std::int64_t size, const ScanPattern& pattern,
                          std::int64_t from, std::int64_t downTo = 0);

}  // namespace quillix
