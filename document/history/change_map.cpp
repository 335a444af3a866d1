#include "document/history/change_map.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace quillix {

namespace {

// The bits of a line's mask that run covers.
std::uint64_t bitsOfLine(ByteRange run, std::int64_t line, std::int64_t lineBytes) {
    const std::int64_t base = line * lineBytes;
    const int from = static_cast<int>(std::max(run.begin, base) - base);
    const int to = static_cast<int>(std::min(run.end, base + lineBytes) - base);
    const std::uint64_t below = to == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << to) - 1;
    return below & ~((std::uint64_t{1} << from) - 1);
}

// to[k] = from[fromBase + k] for each bit k of bits: a whole line at memory speed (a line
// inside a long paste), the bytes one by one otherwise.
void copyMarked(std::uint8_t* to, const std::uint8_t* from, std::int64_t fromBase, std::uint64_t bits) {
    if (bits == ~std::uint64_t{0}) {
        std::memcpy(to, from + fromBase, 64);
        return;
    }
    for (std::uint64_t left = bits; left != 0; left &= left - 1) {
        const int k = std::countr_zero(left);
        to[k] = from[fromBase + k];
    }
}

}  // namespace

void ChangeMap::markRun(ByteRange run, const std::uint8_t* originals, const std::uint8_t* values) {
    for (std::int64_t line = run.begin / lineBytes; line * lineBytes < run.end; ++line) {
        // Only a new line may grow the table: insert makes room even for a key it holds.
        ChangedLine* found = lines_.find(line);
        ChangedLine& changed = found ? *found : lines_.insert(line);
        const std::uint64_t bits = bitsOfLine(run, line, lineBytes);
        const std::int64_t base = line * lineBytes - run.begin;  // originals' index of the line's byte 0
        const std::uint64_t fresh = bits & ~changed.mask;
        const int from = std::countr_zero(bits);
        std::memcpy(changed.mine.data() + from, values + (base + from), static_cast<std::size_t>(std::popcount(bits)));
        if (fresh == bits) {
            std::memcpy(changed.first.data() + from, originals + (base + from),
                        static_cast<std::size_t>(std::popcount(bits)));
        } else {
            // The value first read stays the original of a byte already marked.
            for (std::uint64_t left = fresh; left != 0; left &= left - 1) {
                const int k = std::countr_zero(left);
                changed.first[static_cast<std::size_t>(k)] = originals[base + k];
            }
        }
        changed.mask |= bits;
    }
}

void ChangeMap::setMine(ByteRange run, const std::uint8_t* values) {
    for (std::int64_t line = run.begin / lineBytes; line * lineBytes < run.end; ++line) {
        ChangedLine* changed = lines_.find(line);
        if (!changed) continue;
        const std::int64_t base = line * lineBytes - run.begin;  // values' index of the line's byte 0
        copyMarked(changed->mine.data(), values, base, changed->mask & bitsOfLine(run, line, lineBytes));
    }
}

void ChangeMap::setFirst(std::int64_t lineStart, const std::uint8_t* values, std::int64_t count) {
    ChangedLine* changed = lines_.find(lineStart / lineBytes);
    if (!changed || count <= 0) return;
    const std::uint64_t below = count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
    copyMarked(changed->first.data(), values, 0, changed->mask & below);
}

void ChangeMap::putMine(ByteRange run, std::uint8_t* values) const {
    for (std::int64_t line = run.begin / lineBytes; line * lineBytes < run.end; ++line) {
        const ChangedLine* changed = lines_.find(line);
        if (!changed) continue;
        const std::int64_t base = line * lineBytes - run.begin;  // values' index of the line's byte 0
        for (std::uint64_t left = changed->mask & bitsOfLine(run, line, lineBytes); left != 0;
             left &= left - 1) {
            const int k = std::countr_zero(left);
            values[base + k] = changed->mine[static_cast<std::size_t>(k)];
        }
    }
}

void ChangeMap::exchangeMine(ByteRange run, std::uint8_t* values, std::uint8_t bits) {
    for (std::int64_t line = run.begin / lineBytes; line * lineBytes < run.end; ++line) {
        ChangedLine* changed = lines_.find(line);
        if (!changed) continue;
        const std::int64_t base = line * lineBytes - run.begin;  // values' index of the line's byte 0
        for (std::uint64_t left = changed->mask & bitsOfLine(run, line, lineBytes); left != 0;
             left &= left - 1) {
            const int k = std::countr_zero(left);
            std::uint8_t& mine = changed->mine[static_cast<std::size_t>(k)];
            const std::uint8_t held = mine;
            mine = static_cast<std::uint8_t>((held & ~bits) | (values[base + k] & bits));
            values[base + k] = held;
        }
    }
}

void ChangeMap::unmarkRun(ByteRange run) {
    for (std::int64_t line = run.begin / lineBytes; line * lineBytes < run.end; ++line) {
        ChangedLine* changed = lines_.find(line);
        if (!changed) continue;
        changed->mask &= ~(bitsOfLine(run, line, lineBytes) & ~changed->kept);
        if (changed->mask == 0) lines_.erase(line);
    }
}

bool ChangeMap::keepWritten(std::int64_t end, const std::function<bool(std::int64_t, std::uint8_t*)>& read) {
    bool kept = false;
    lines_.forEach([&](std::int64_t line, ChangedLine& changed) {
        const std::int64_t base = line * lineBytes;
        if (base >= end) return;
        const std::uint64_t bits = changed.mask & bitsOfLine({base, end}, line, lineBytes);
        if (bits == 0) return;
        // A line whose bytes cannot be read keeps its first values: they may be the file's still.
        std::array<std::uint8_t, lineBytes> values;
        if (read(base, values.data())) copyMarked(changed.first.data(), values.data(), 0, bits);
        changed.kept |= bits;
        kept = true;
    });
    return kept;
}

std::uint16_t ChangeMap::rowMask(std::int64_t row) const {
    const ChangedLine* line = lines_.find(row * 16 / lineBytes);
    return line ? static_cast<std::uint16_t>(line->mask >> (row * 16 % lineBytes)) : 0;
}

void ChangeMap::prefetchRows(std::int64_t first, std::int64_t end) const {
    for (std::int64_t line = first * 16 / lineBytes; line * lineBytes < end * 16; ++line) lines_.prefetch(line);
}

void ChangeMap::reserveRange(std::int64_t begin, std::int64_t end) {
    if (end <= begin) return;
    // Only lines not in the table yet take room: a run marked again (a redo, a paste over
    // pasted bytes) must not make the table grow for lines it holds.
    std::size_t absent = 0;
    for (std::int64_t line = begin / lineBytes; line <= (end - 1) / lineBytes; ++line)
        absent += lines_.find(line) == nullptr;
    lines_.reserve(absent);
}

bool ChangeMap::marked(std::int64_t offset) const {
    const ChangedLine* line = lines_.find(offset / lineBytes);
    return line && (line->mask >> (offset % lineBytes) & 1) != 0;
}

std::int64_t ChangeMap::count() const {
    std::int64_t total = 0;
    lines_.forEach([&](std::int64_t, const ChangedLine& line) { total += std::popcount(line.mask); });
    return total;
}

std::vector<ByteRange> ChangeMap::ranges() const {
    std::vector<std::pair<std::int64_t, std::uint64_t>> lines;
    lines.reserve(lines_.size());
    lines_.forEach(
        [&](std::int64_t line, const ChangedLine& changed) { lines.emplace_back(line, changed.mask); });
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
            if (!out.empty() && out.back().end == begin)
                out.back().end = end;  // a run that goes on over the line's edge
            else
                out.push_back({begin, end});
            mask = first + length >= 64 ? 0 : mask & ~((std::uint64_t{1} << (first + length)) - 1);
        }
    }
    return out;
}

bool ChangeMap::changedByOthers(ByteRange run, const std::uint8_t* current, const std::uint8_t* ours) const {
    for (std::int64_t offset = run.begin; offset < run.end;) {
        const std::int64_t lineEnd = std::min(run.end, (offset / lineBytes + 1) * lineBytes);
        const ChangedLine* line = lines_.find(offset / lineBytes);
        for (; offset < lineEnd; ++offset) {
            if (!line) continue;
            const auto k = static_cast<std::size_t>(offset % lineBytes);
            const auto i = static_cast<std::size_t>(offset - run.begin);
            if ((line->mask >> k & 1) && current[i] != line->first[k] && current[i] != ours[i]) return true;
        }
    }
    return false;
}

}  // namespace quillix
