// Next and previous difference: the run after or before a caret offset, its length, and
// its number among the runs.

#include <algorithm>

#include "compare/comparison.h"
#include "compare/difference_walk.h"
#include "host/progress.h"

namespace quillix {
namespace {

// The run starting at start: as long as it goes on without an equal byte.
bool runFrom(DifferenceWalk& walk, std::int64_t start, DifferenceRun& run) {
    std::int64_t end = -1;
    if (!walkFind(walk, start + 1, walk.length(), true, false, end)) return false;
    run = {start, (end < 0 ? walk.length() : end) - start};
    return true;
}

bool nextRun(DifferenceWalk& walk, std::int64_t from, DifferenceRun& run) {
    const std::int64_t length = walk.length();
    if (from >= length) return true;
    // A run that holds from is not after it: the next one starts past its end.
    std::int64_t searchFrom = from + 1;
    bool differs = false;
    if (!walkDiffersAt(walk, from, differs)) return false;
    if (differs) {
        std::int64_t end = -1;
        if (!walkFind(walk, from + 1, length, true, false, end)) return false;
        if (end < 0) return true;
        searchFrom = end + 1;
    }
    std::int64_t start = -1;
    if (!walkFind(walk, searchFrom, length, true, true, start)) return false;
    return start < 0 || runFrom(walk, start, run);
}

bool previousRun(DifferenceWalk& walk, std::int64_t from, DifferenceRun& run) {
    std::int64_t last = -1;
    if (!walkFind(walk, 0, from, false, true, last)) return false;
    if (last < 0) return true;
    std::int64_t before = -1;
    if (!walkFind(walk, 0, last, false, false, before)) return false;
    return runFrom(walk, before + 1, run);
}

}  // namespace

CompareOutcome findDifference(const Comparison& cmp, const Document& doc, std::int64_t from, bool forward,
                              ViewHost& host, DifferenceRun& run, CompareFault& fault, std::int64_t chunkBytes) {
    run = {};
    DifferenceWalk walk{doc, cmp.other, chunkBytes};
    Progress progress{host, searchProgressTexts, walk.length()};
    walk.progress = &progress;
    from = std::clamp<std::int64_t>(from, 0, doc.fileSize);
    const bool done = forward ? nextRun(walk, from, run) : previousRun(walk, from, run);
    finishProgress(progress);
    if (walk.stopped) {
        run = {};
        return CompareOutcome::stopped;
    }
    if (!done) {
        run = {};
        fault = walk.fault;
        return CompareOutcome::unreadable;
    }
    // The other file's tail beyond the document is reached where the document ends.
    if (run.found() && run.start > doc.fileSize) run.start = doc.fileSize;
    return CompareOutcome::done;
}

CompareOutcome numberOfRun(Comparison& cmp, const Document& doc, std::int64_t start, ViewHost& host,
                           std::int64_t& number, CompareFault& fault, std::int64_t chunkBytes) {
    RunPlace& place = cmp.place;
    if (!place.known || place.byteChanges != doc.byteChanges) place = {true, 0, 0, doc.byteChanges};
    // The runs starting between the last place and start, counted the way towards it.
    const std::int64_t from = std::min(place.at, start), to = std::max(place.at, start);
    DifferenceWalk walk{doc, cmp.other, chunkBytes};
    Progress progress{host, searchProgressTexts, to - from};
    walk.progress = &progress;
    DifferenceTally between;
    bool previousDiffers = false;
    const bool done = (from == 0 || walkDiffersAt(walk, from - 1, previousDiffers)) &&
                      walkTally(walk, from, to, previousDiffers, between);
    finishProgress(progress);
    if (walk.stopped) return CompareOutcome::stopped;
    if (!done) {
        fault = walk.fault;
        return CompareOutcome::unreadable;
    }
    place.runsBefore += start >= place.at ? between.runs : -between.runs;
    place.at = start;
    number = place.runsBefore + 1;
    return CompareOutcome::done;
}

}  // namespace quillix
