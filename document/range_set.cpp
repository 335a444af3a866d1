#include "document/range_set.h"

#include <algorithm>

namespace quillix {

void RangeSet::add(ByteRange range) {
    if (range.end <= range.begin) return;
    // The ranges the new one touches or overlaps are [first, last): their union with it
    // takes the place of the first, the others go. Only a range that touches none needs a
    // new entry, and that insertion is the one step that can fail.
    auto first = std::lower_bound(ranges_.begin(), ranges_.end(), range.begin,
                                  [](const ByteRange& r, std::int64_t begin) { return r.end < begin; });
    auto last = first;
    while (last != ranges_.end() && last->begin <= range.end) ++last;
    if (first == last) {
        ranges_.insert(first, range);
        return;
    }
    first->begin = std::min(first->begin, range.begin);
    first->end = std::max((last - 1)->end, range.end);
    ranges_.erase(first + 1, last);
}

std::uint16_t RangeSet::rowMask(std::int64_t row) const {
    const std::int64_t rowStart = row * 16;
    const std::int64_t rowEnd = rowStart + 16;
    // The first range that ends inside or after the row; the ones after it that begin
    // inside the row cover it too.
    auto it = std::upper_bound(ranges_.begin(), ranges_.end(), rowStart,
                               [](std::int64_t start, const ByteRange& r) { return start < r.end; });
    std::uint32_t mask = 0;
    for (; it != ranges_.end() && it->begin < rowEnd; ++it) {
        const std::int64_t from = std::max(it->begin, rowStart) - rowStart;
        const std::int64_t to = std::min(it->end, rowEnd) - rowStart;
        mask |= ((1u << to) - 1) & ~((1u << from) - 1);
    }
    return static_cast<std::uint16_t>(mask);
}

}  // namespace quillix
