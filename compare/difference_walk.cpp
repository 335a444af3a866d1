#include "compare/difference_walk.h"

#include <algorithm>

#include "document/file/checked_view.h"
#include "host/progress.h"

namespace quillix {
namespace {

// Runs work under the guard of both views: the document's outside, the other file's
// inside. A fault in either range abandons the work and lands at its own guard.
template <class Work>
bool guardedOverBoth(DifferenceWalk& walk, Work& work) {
    bool otherRead = true;
    ReadFault otherFault;
    auto inner = [&] { otherRead = checkedRun(walk.other, work, otherFault); };
    ReadFault docFault;
    if (!checkedRun(walk.doc, inner, docFault)) {
        walk.fault = {docFault, false};
        return false;
    }
    if (otherRead) return true;
    walk.fault = {otherFault, true};
    return false;
}

// Checks in before the chunk to come; false when the user pressed Escape.
bool checkIn(DifferenceWalk& walk) {
    if (!walk.progress) return true;
    if (keepGoing(*walk.progress, std::min(walk.walked, walk.progress->total))) return true;
    walk.stopped = true;
    return false;
}

}  // namespace

bool walkTally(DifferenceWalk& walk, std::int64_t from, std::int64_t to, bool previousDiffers,
               DifferenceTally& tally) {
    tally = {0, 0, previousDiffers};
    const std::int64_t common = walk.common();
    for (std::int64_t at = from; at < std::min(to, common); at += walk.chunkBytes) {
        if (!checkIn(walk)) return false;
        const std::int64_t count = std::min({walk.chunkBytes, to - at, common - at});
        DifferenceTally chunk;
        auto scan = [&] {
            chunk = tallyDifferences(walk.doc.fileBytes + at, walk.other.fileBytes + at, count, tally.lastDiffers);
        };
        if (!guardedOverBoth(walk, scan)) return false;
        tally = {tally.bytes + chunk.bytes, tally.runs + chunk.runs, chunk.lastDiffers};
        walk.walked += count;
    }
    // The longer file's tail: one run of differing bytes, unless it goes on from the one before.
    const std::int64_t tailFrom = std::max(from, common);
    if (tailFrom < to) {
        tally.bytes += to - tailFrom;
        tally.runs += tally.lastDiffers ? 0 : 1;
        tally.lastDiffers = true;
    }
    return true;
}

bool walkFind(DifferenceWalk& walk, std::int64_t from, std::int64_t to, bool forward, bool differing,
              std::int64_t& found) {
    found = -1;
    const std::int64_t common = walk.common();
    const std::int64_t tailFrom = std::max(from, common);
    const bool tailHolds = differing && tailFrom < to;
    if (!forward && tailHolds) {
        found = to - 1;
        return true;
    }
    const std::int64_t commonTo = std::min(to, common);
    const std::int64_t chunks = commonTo > from ? (commonTo - from + walk.chunkBytes - 1) / walk.chunkBytes : 0;
    for (std::int64_t k = 0; k < chunks; ++k) {
        if (!checkIn(walk)) return false;
        // Going down, the chunks are taken from the top, the first one the short one.
        const std::int64_t at = forward ? from + k * walk.chunkBytes : std::max(from, commonTo - (k + 1) * walk.chunkBytes);
        const std::int64_t count = forward ? std::min(walk.chunkBytes, commonTo - at)
                                           : commonTo - k * walk.chunkBytes - at;
        std::int64_t hit = -1;
        auto scan = [&] {
            const std::uint8_t* a = walk.doc.fileBytes + at;
            const std::uint8_t* b = walk.other.fileBytes + at;
            hit = forward ? findFirst(a, b, count, differing) : findLast(a, b, count, differing);
        };
        if (!guardedOverBoth(walk, scan)) return false;
        walk.walked += count;
        if (hit >= 0) {
            found = at + hit;
            return true;
        }
    }
    if (forward && tailHolds) found = tailFrom;
    return true;
}

bool walkDiffersAt(DifferenceWalk& walk, std::int64_t at, bool& differs) {
    if (at >= walk.common()) {
        differs = at < walk.length();
        return true;
    }
    auto read = [&] { differs = walk.doc.fileBytes[at] != walk.other.fileBytes[at]; };
    return guardedOverBoth(walk, read);
}

}  // namespace quillix
