#include "document/change_map.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace quillix {

void ChangeMap::mark(std::int64_t offset) {
    lines_.insert(offset / lineBytes) |= std::uint64_t{1} << (offset % lineBytes);
}

void ChangeMap::reserveRange(std::int64_t begin, std::int64_t end) {
    if (end <= begin) return;
    lines_.reserve(static_cast<std::size_t>((end - 1) / lineBytes - begin / lineBytes + 1));
}

bool ChangeMap::marked(std::int64_t offset) const {
    const std::uint64_t* mask = lines_.find(offset / lineBytes);
    return mask && (*mask >> (offset % lineBytes) & 1) != 0;
}

std::int64_t ChangeMap::count() const {
    std::int64_t total = 0;
    lines_.forEach([&](std::int64_t, std::uint64_t mask) { total += std::popcount(mask); });
    return total;
}

std::vector<ByteRange> ChangeMap::ranges(std::int64_t bridge) const {
    std::vector<std::pair<std::int64_t, std::uint64_t>> lines;
    lines.reserve(lines_.size());
    lines_.forEach([&](std::int64_t line, std::uint64_t mask) { lines.emplace_back(line, mask); });
    std::sort(lines.begin(), lines.end());

    std::vector<ByteRange> out;
    for (const auto& [line, lineMask] : lines) {
        const std::int64_t base = line * lineBytes;
        // Each run of set bits is one run of changed bytes.
        for (std::uint64_t mask = lineMask; mask != 0;) {
            const int first = std::countr_zero(mask);
            const int length = std::countr_one(mask >> first);
            const std::int64_t begin = base + first;
            const std::int64_t end = begin + length;
            const std::int64_t gap = out.empty() ? -1 : begin - out.back().end;
            if (gap == 0 || (gap > 0 && gap < bridge))
                out.back().end = end;
            else
                out.push_back({begin, end});
            mask = first + length >= 64 ? 0 : mask & ~((std::uint64_t{1} << (first + length)) - 1);
        }
    }
    return out;
}

}  // namespace quillix
