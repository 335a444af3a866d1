#pragma once
// What Find Next, Find All and the replaces share: the dialog's text made into the bytes
// to look for, the stretch of the document searched, and the plain comparison of a hit.

#include <cstdint>
#include <functional>

#include "document/file/view_bytes.h"
#include "host/progress.h"
#include "search/scan.h"
#include "search/search.h"

namespace quillix {

// The search of one dialog text in one mode.
struct Query {
    ScanPattern pattern;
    // UTF-16 text: each code unit and its other case, which the pattern's positions take one
    // byte at a time. A unit whose cases differ in both bytes lets the pattern through a
    // mixture of the two (unitsToConfirm); confirms then compares unit by unit.
    bool utf16 = false;
    bool unitsToConfirm = false;
    std::int64_t units = 0;
    std::uint16_t lower[searchTextUnits] = {};
    std::uint16_t upper[searchTextUnits] = {};
};

// Code units of a dialog text before its terminator; a text that lost it is cut at the
// buffer's last unit.
std::int64_t boundedLength(const wchar_t (&text)[searchTextUnits]);

enum class QueryMade {
    ready,    // something to look for
    empty,    // nothing: no digits, no text
    refused,  // a box said why (odd digits, every byte "??")
};
// Makes findWhat into the bytes to look for by the buttons' mode. Hex: pairs of digits as
// wcstol reads them (a negative value matches no byte), "??" any byte and "?" any nibble.
// ASCII: each character as the view's character set stores it (byteOf), folded unless
// Match case. UTF-16: code
// units little-endian, folded likewise. Writes findUpper and findLower for a text.
QueryMade makeQuery(const HexView& hv, SearchState& state, const DialogButtons& buttons, Query& query);

// True when the bytes at `at` (pattern.length of them, already accepted by the pattern)
// are a hit: the unit-by-unit check of a UTF-16 text.
bool confirms(const Query& query, const std::uint8_t* at);

// +1 for Down, -1 for Up; the last direction when neither is checked, Down at first.
std::int64_t directionOf(const SearchState& state, const DialogButtons& buttons);

// The stretch searched: the selection with In selection and bytes selected, else the
// whole document.
ByteRange searchedRange(const HexView& hv, const DialogButtons& buttons);

// The bytes a replacement puts in: each the matched byte's bits outside mask and value's
// inside it.
struct Replacement {
    std::int64_t length = 0;
    std::uint8_t value[maxScanPattern] = {};
    std::uint8_t mask[maxScanPattern] = {};
    void apply(const std::uint8_t* matched, std::uint8_t* out) const {
        for (std::int64_t k = 0; k < length; ++k)
            out[k] = static_cast<std::uint8_t>((matched[k] & ~mask[k]) | value[k]);
    }
};

// Makes replaceWhat into a replacement by the buttons' mode ("??" and "?" keep what they
// stand on; the ASCII mode's characters as the view's character set stores them). Returns
// false when the replacement cannot be made (odd digits, a hex value out of range, a
// character the set has no byte for: noByteAt is then its index, else -1).
bool makeReplacement(const SearchState& state, const DialogButtons& buttons, CharacterSet set,
                     Replacement& replacement, std::int64_t& noByteAt);

}  // namespace quillix

namespace quillix {

// Where a sweep over a stretch ended.
enum class SweepEnd { done, stopped, unreadable };

// Every hit of the query in range, from its start on, the next looked for `advance` bytes
// after each (1: overlapping hits too; the pattern's length: none overlapping). The hits
// come to take in batches, increasing, with (when withBytes) their matched bytes, each
// hit's pattern.length of them in turn; take returns false to end the sweep there (done).
// A chunk at a time with the host checked in with before each (texts: the running and
// stopped texts of status part 0); a page that cannot be read ends it with fault set.
SweepEnd sweepHits(
    const HexView& hv, const Query& query, ByteRange range, std::int64_t advance, const ProgressTexts& texts,
    bool withBytes,
    const std::function<bool(const std::int64_t* hits, const std::uint8_t* bytes, std::int64_t count)>& take,
    ReadFault& fault);

}  // namespace quillix
