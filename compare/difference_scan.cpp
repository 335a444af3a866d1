#include "compare/difference_scan.h"

#include "compare/difference_blocks.h"

namespace quillix {
namespace {

DifferenceTally plainTally(const std::uint8_t* a, const std::uint8_t* b, std::int64_t length,
                           bool previousDiffers) {
    DifferenceTally tally{0, 0, previousDiffers};
    for (std::int64_t i = 0; i < length; ++i) {
        const bool differs = a[i] != b[i];
        tally.bytes += differs;
        tally.runs += differs && !tally.lastDiffers;
        tally.lastDiffers = differs;
    }
    return tally;
}

const difference::BlockScanners* scannersInUse() { return difference::blockScannersFor(vectorUnitInUse()); }

}  // namespace

DifferenceTally tallyDifferences(const std::uint8_t* a, const std::uint8_t* b, std::int64_t length,
                                 bool previousDiffers) {
    const difference::BlockScanners* scanners = scannersInUse();
    if (!scanners || length < difference::blockBytes) return plainTally(a, b, length, previousDiffers);
    const std::int64_t blocks = length / difference::blockBytes;
    const std::int64_t whole = blocks * difference::blockBytes;
    const DifferenceTally head = scanners->tally(a, b, blocks, previousDiffers);
    const DifferenceTally tail = plainTally(a + whole, b + whole, length - whole, head.lastDiffers);
    return {head.bytes + tail.bytes, head.runs + tail.runs, tail.lastDiffers};
}

std::int64_t findFirst(const std::uint8_t* a, const std::uint8_t* b, std::int64_t length, bool differing) {
    std::int64_t i = 0;
    if (const difference::BlockScanners* scanners = scannersInUse()) {
        const std::int64_t blocks = length / difference::blockBytes;
        const std::int64_t found = blocks > 0 ? scanners->first(a, b, blocks, differing) : -1;
        if (found >= 0) return found;
        i = blocks * difference::blockBytes;
    }
    for (; i < length; ++i)
        if ((a[i] != b[i]) == differing) return i;
    return -1;
}

std::int64_t findLast(const std::uint8_t* a, const std::uint8_t* b, std::int64_t length, bool differing) {
    // The blocks are counted from the start, so the few positions past the last whole
    // block come first going down.
    const difference::BlockScanners* scanners = scannersInUse();
    const std::int64_t whole = scanners ? length / difference::blockBytes * difference::blockBytes : 0;
    for (std::int64_t i = length - 1; i >= whole; --i)
        if ((a[i] != b[i]) == differing) return i;
    if (whole == 0) return -1;
    return scanners->last(a, b, whole / difference::blockBytes, differing);
}

}  // namespace quillix
