#pragma once
// The comparison's walk over both views: the difference scans run a chunk at a time, each
// chunk under the read guard of both files, checking in with a long operation's progress
// before each chunk when there is one. Past the shorter file every position differs, so
// the walk answers there without reading anything.

#include <cstdint>

#include "compare/comparison.h"
#include "compare/difference_scan.h"

namespace quillix {

struct Progress;

struct DifferenceWalk {
    DifferenceWalk(const Document& mine, const Document& theirs, std::int64_t chunk = compareChunkBytes)
        : doc(mine), other(theirs), chunkBytes(chunk) {}

    const Document& doc;
    const Document& other;
    std::int64_t chunkBytes = compareChunkBytes;
    Progress* progress = nullptr;  // checked in with before each chunk; null for none
    std::int64_t walked = 0;       // positions scanned so far, the progress's done
    CompareFault fault;            // where a page could not be read
    bool stopped = false;          // the user pressed Escape at a check-in

    // Positions both files have, and positions either has.
    std::int64_t common() const { return doc.fileSize < other.fileSize ? doc.fileSize : other.fileSize; }
    std::int64_t length() const { return doc.fileSize < other.fileSize ? other.fileSize : doc.fileSize; }
};

// Tallies positions from .. to - 1 (0 <= from <= to <= length), chaining on from
// previousDiffers as tallyDifferences does. Returns false, the tally partial, when the
// user stopped the walk or a page could not be read (walk.stopped, walk.fault).
bool walkTally(DifferenceWalk& walk, std::int64_t from, std::int64_t to, bool previousDiffers,
               DifferenceTally& tally);

// The first (forward) or last position in from .. to - 1 whose bytes differ (differing)
// or are equal, or -1 when there is none. Returns false when stopped or unreadable, as
// walkTally does.
bool walkFind(DifferenceWalk& walk, std::int64_t from, std::int64_t to, bool forward, bool differing,
              std::int64_t& found);

// Whether position at (0 <= at < length) differs. Returns false when its page cannot be read.
bool walkDiffersAt(DifferenceWalk& walk, std::int64_t at, bool& differs);

}  // namespace quillix
