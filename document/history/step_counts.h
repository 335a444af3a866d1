#pragma once
// How many of the steps between the save point and the current point of the history
// touched each byte. A byte is changed (red, and written by the next save) exactly while
// its count is above 0, so the history asks here which bytes start or stop being changed
// as a step enters or leaves that stretch, at a cost in proportion to the step's bytes.
//
// One-byte steps (a typed nibble or character) are counted per byte in a hash table; a
// longer step (a paste) is counted as runs of bytes with equal counts, so that a paste of
// many megabytes costs a few entries, not one per byte.

#include <cstdint>
#include <iterator>
#include <map>
#include <vector>

#include "document/history/change_map.h"
#include "document/history/flat_table.h"
#include "document/history/record_allocator.h"

namespace quillix {

// How many times each offset is counted (the one-byte steps touching it).
class OffsetCounter {
public:
    // Adds delta (+1 or -1) to the key's count and returns the new count; a count that
    // reaches 0 removes the key. Taking from an absent key changes nothing and gives 0.
    std::uint32_t add(std::int64_t key, int delta);
    std::uint32_t count(std::int64_t key) const;
    void clear() { table_.clear(); }
    std::size_t size() const { return table_.size(); }
    std::size_t slotCount() const { return table_.slotCount(); }
    // Calls visit(key, count) for every counted key, in no particular order.
    template <class Visit>
    void forEach(Visit visit) const {
        table_.forEach(visit);
    }
    std::size_t memoryBytes() const { return table_.memoryBytes(); }
    // Room for extra more keys; throws std::bad_alloc, changing nothing, when memory runs out.
    void reserve(std::size_t extra) { table_.reserve(extra); }

private:
    FlatTable<std::uint32_t> table_;
};

class StepCounts {
public:
    // Makes room for add over range, so that it cannot fail. Throws std::bad_alloc when
    // memory runs out; what was made by then changes no count, and tidy takes it away.
    void reserve(ByteRange range);
    // Room for add over any stretches of runs (increasing, apart or touching) that begin
    // and end at runs' ends, all of them together: reserve for each run makes room for
    // that run alone. tidyRuns takes it away as tidy does.
    void reserveRuns(const ByteRange* runs, std::int64_t count);
    void tidyRuns(const ByteRange* runs, std::int64_t count);
    // add over each of runs (increasing, apart or touching; room made by reserveRuns),
    // taking them in order with no search each and joining nothing, so that no run's key
    // goes before it is counted; the keys left between equal counts go with tidyRuns.
    template <class Changed>
    void addRuns(const ByteRange* runs, std::int64_t count, int delta, Changed changed);
    // Takes away what reserve made when no add over range follows.
    void tidy(ByteRange range);
    // Adds delta, +1 or -1, to the count of every byte of range (room made by reserve;
    // -1 only for bytes that were counted with +1). Calls changed(run, true) for runs
    // holding every byte whose count went from 0 to 1 (a byte counted already by one-byte
    // steps may be named too) and changed(run, false) for each run of bytes whose count
    // went from 1 to 0, in increasing order.
    template <class Changed>
    void add(ByteRange range, int delta, Changed changed);
    bool empty() const { return single_.size() == 0 && runs_.empty(); }
    // How many steps counted the byte at offset.
    std::uint32_t countAt(std::int64_t offset) const { return single_.count(offset) + runCount(offset); }
    void clear();
    std::size_t memoryBytes() const;

private:
    using Runs = std::map<std::int64_t, std::uint32_t, std::less<>,
                          RecordAllocator<std::pair<const std::int64_t, std::uint32_t>>>;
    std::uint32_t runCount(std::int64_t offset) const;
    // The first key at or after at, looking from from on (no key before from is at or after at).
    Runs::iterator seek(Runs::iterator from, std::int64_t at);
    // add's work over range (a one-byte range's on single_), looking for its first key from
    // from on; returns the key at range.end, or runs_.end() for a one-byte range.
    template <class Changed>
    Runs::iterator addOver(Runs::iterator from, ByteRange range, int delta, Changed& changed);
    void split(std::int64_t at);
    void join(std::int64_t at);
    // Puts the offsets in range that one-byte steps counted into singleIn_, in increasing
    // order (room made by reserve).
    void collectSingle(ByteRange range);
    // Calls visit for each stretch of run holding no byte that one-byte steps counted:
    // each byte looked up when probe, else singleIn_ walked from next on (runs come in
    // increasing order).
    template <class Visit>
    void forEachOutsideSingle(ByteRange run, bool probe, std::size_t& next, Visit visit) const;

    OffsetCounter single_;  // offset -> one-byte steps that touched it
    // Longer steps: key k with count c means every byte from k up to the next key was
    // touched by c of them; bytes before the first key, and with no key at all, by none.
    // Neighbouring keys hold different counts, and the last holds 0.
    Runs runs_;
    // Room for every key of single_: the ones inside a long step's range, sorted.
    std::vector<std::int64_t, RecordAllocator<std::int64_t>> singleIn_;
};

template <class Visit>
void StepCounts::forEachOutsideSingle(ByteRange run, bool probe, std::size_t& next, Visit visit) const {
    if (single_.size() == 0) return visit(run);
    std::int64_t start = run.begin;
    const auto skip = [&](std::int64_t offset) {
        if (start < offset) visit(ByteRange{start, offset});
        start = offset + 1;
    };
    if (probe) {
        for (std::int64_t offset = run.begin; offset < run.end; ++offset)
            if (single_.count(offset) != 0) skip(offset);
    } else {
        for (; next < singleIn_.size() && singleIn_[next] < run.end; ++next)
            if (singleIn_[next] >= run.begin) skip(singleIn_[next]);
    }
    if (start < run.end) visit(ByteRange{start, run.end});
}

template <class Changed>
void StepCounts::add(ByteRange range, int delta, Changed changed) {
    if (addOver(runs_.begin(), range, delta, changed) == runs_.end()) return;
    join(range.begin);
    join(range.end);
}

template <class Changed>
void StepCounts::addRuns(const ByteRange* runs, std::int64_t count, int delta, Changed changed) {
    auto key = runs_.begin();
    for (std::int64_t r = 0; r < count; ++r) {
        const auto end = addOver(key, runs[r], delta, changed);
        if (end != runs_.end()) key = end;
    }
}

template <class Changed>
StepCounts::Runs::iterator StepCounts::addOver(Runs::iterator from, ByteRange range, int delta, Changed& changed) {
    const bool rising = delta > 0;
    if (range.end - range.begin == 1) {
        const std::uint32_t now = single_.add(range.begin, delta);
        if (now == (rising ? 1u : 0u) && runCount(range.begin) == 0) changed(range, rising);
        return runs_.end();
    }
    // Bytes leaving the long steps' count that one-byte steps still count stay changed.
    // They are found by looking up each byte, or, where the range is longer than the table,
    // by going over the table once: the cost follows the smaller of the two.
    const bool probe = rising || range.end - range.begin <= static_cast<std::int64_t>(single_.slotCount());
    if (!probe) collectSingle(range);
    std::size_t nextSingle = 0;
    auto key = seek(from, range.begin);  // range.begin is a key, and so is range.end
    for (; key->first < range.end;) {
        const auto next = std::next(key);
        const std::uint32_t before = key->second;
        key->second = before + static_cast<std::uint32_t>(delta);
        if (before == 0 && rising)
            changed(ByteRange{key->first, next->first}, true);
        else if (before == 1 && !rising)
            forEachOutsideSingle(ByteRange{key->first, next->first}, probe, nextSingle,
                                 [&](ByteRange run) { changed(run, false); });
        key = next;
    }
    return key;
}

}  // namespace quillix
