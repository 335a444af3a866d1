#include "search/scan.h"

#include <algorithm>
#include <bit>

#include "search/scan_blocks.h"

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
    pattern.mask[k] = 0xFF;
    return true;
}

bool addMaskedPosition(ScanPattern& pattern, std::uint8_t value, std::uint8_t mask) {
    if (!addPosition(pattern, value & mask, value & mask)) return false;
    pattern.mask[pattern.length - 1] = mask;
    return true;
}

namespace scan {

Filter filterFor(const ScanPattern& pattern) {
    // The bits a position decides: those compared on which both accepted values agree.
    auto fold = [&](std::int64_t k) {
        const auto i = static_cast<std::size_t>(k);
        return static_cast<std::uint8_t>((pattern.first[i] ^ pattern.second[i]) | ~pattern.mask[i]);
    };
    auto known = [&](std::int64_t k) { return std::popcount(static_cast<unsigned>(~fold(k) & 0xFF)); };
    // The head: the first position deciding the most bits (offset 0 but for wildcards).
    std::int64_t head = 0;
    for (std::int64_t k = 1; k < pattern.length; ++k)
        if (known(k) > known(head)) head = k;
    auto sameBytes = [&](std::int64_t k) {
        const auto i = static_cast<std::size_t>(k), h = static_cast<std::size_t>(head);
        return pattern.mask[i] == pattern.mask[h] &&
               ((pattern.first[i] == pattern.first[h] && pattern.second[i] == pattern.second[h]) ||
                (pattern.first[i] == pattern.second[h] && pattern.second[i] == pattern.first[h]));
    };
    std::int64_t tail = -1;
    for (std::int64_t k = pattern.length - 1; k >= 0 && tail < 0; --k)
        if (k != head && known(k) > 0 && !sameBytes(k)) tail = k;
    for (std::int64_t k = pattern.length - 1; k >= 0 && tail < 0; --k)
        if (k != head && known(k) > 0) tail = k;
    if (tail < 0) tail = head;

    // Both accepted values agree outside the fold bits, so value is the same from either.
    const auto h = static_cast<std::size_t>(head), t = static_cast<std::size_t>(tail);
    Filter filter;
    filter.headOffset = head;
    filter.tailOffset = tail;
    filter.headFold = fold(head);
    filter.headValue = pattern.first[h] | filter.headFold;
    filter.tailFold = fold(tail);
    filter.tailValue = pattern.first[t] | filter.tailFold;
    return filter;
}

}  // namespace scan

namespace {

bool scannable(const std::uint8_t* bytes, std::int64_t size, const ScanPattern& pattern, std::int64_t from) {
    return bytes != nullptr && pattern.matchable && pattern.length > 0 && from >= 0 &&
           from <= size - pattern.length;
}

}  // namespace

namespace {

// The first hit in pos..last, or -1: the vector stage where it can, the plain loop for
// what it leaves.
std::int64_t forwardFrom(const std::uint8_t* bytes, const ScanPattern& pattern, const scan::Filter& filter,
                         const scan::BlockScanners* scanners, std::int64_t pos, std::int64_t last) {
    while (pos <= last) {
        // What the vector stage leaves, a dense stretch or the few positions short of a
        // block, the plain loop tries one by one.
        std::int64_t plainLast = last;
        if (scanners) {
            const scan::BlockScan blocks = scanners->forward(bytes, pattern, filter, pos, last);
            if (blocks.hit >= 0) return blocks.hit;
            pos = blocks.next;
            if (blocks.dense) plainLast = std::min(last, pos + scan::densePlainPositions - 1);
        }
        for (; pos <= plainLast; ++pos) {
            if (scan::acceptsFrom(bytes + pos, pattern, 0)) return pos;
        }
    }
    return -1;
}

}  // namespace

std::int64_t scanForward(const std::uint8_t* bytes, std::int64_t size, const ScanPattern& pattern,
                         std::int64_t from, std::int64_t through) {
    if (!scannable(bytes, size, pattern, from)) return -1;
    return forwardFrom(bytes, pattern, scan::filterFor(pattern), scan::blockScannersFor(vectorUnitInUse()),
                       from, std::min(through, size - pattern.length));
}

std::int64_t scanHits(const std::uint8_t* bytes, std::int64_t size, const ScanPattern& pattern,
                      std::int64_t& from, std::int64_t through, std::int64_t advance, std::int64_t* hits,
                      std::int64_t capacity) {
    const std::int64_t last = std::min(through, size - pattern.length);
    if (!scannable(bytes, size, pattern, from) || from > last) {
        from = std::max(from, through + 1);
        return 0;
    }
    const scan::Filter filter = scan::filterFor(pattern);
    const scan::BlockScanners* scanners = scan::blockScannersFor(vectorUnitInUse());
    std::int64_t count = 0;
    while (count < capacity) {
        const std::int64_t hit = forwardFrom(bytes, pattern, filter, scanners, from, last);
        if (hit < 0) {
            from = through + 1;
            break;
        }
        hits[count++] = hit;
        from = hit + advance;
    }
    return count;
}

std::int64_t scanBackward(const std::uint8_t* bytes, std::int64_t size, const ScanPattern& pattern,
                          std::int64_t from, std::int64_t downTo) {
    if (!scannable(bytes, size, pattern, from)) return -1;
    const std::int64_t first = std::max<std::int64_t>(downTo, 0);
    const scan::Filter filter = scan::filterFor(pattern);
    const scan::BlockScanners* scanners = scan::blockScannersFor(vectorUnitInUse());
    std::int64_t pos = from;
    while (pos >= first) {
        std::int64_t plainFirst = first;
        if (scanners) {
            const scan::BlockScan blocks = scanners->backward(bytes, pattern, filter, pos, first);
            if (blocks.hit >= 0) return blocks.hit;
            pos = blocks.next;
            if (blocks.dense) plainFirst = std::max(first, pos - (scan::densePlainPositions - 1));
        }
        for (; pos >= plainFirst; --pos) {
            if (scan::acceptsFrom(bytes + pos, pattern, 0)) return pos;
        }
    }
    return -1;
}

}  // namespace quillix
