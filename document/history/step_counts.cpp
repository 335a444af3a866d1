#include "document/history/step_counts.h"

#include <algorithm>

namespace quillix {

std::uint32_t OffsetCounter::add(std::int64_t key, int delta) {
    if (delta >= 0) return ++table_.insert(key);
    std::uint32_t* count = table_.find(key);
    if (!count) return 0;
    std::uint32_t now = --*count;
    if (now == 0) table_.erase(key);
    return now;
}

std::uint32_t OffsetCounter::count(std::int64_t key) const {
    const std::uint32_t* count = table_.find(key);
    return count ? *count : 0;
}


std::uint32_t StepCounts::runCount(std::int64_t offset) const {
    auto after = runs_.upper_bound(offset);
    return after == runs_.begin() ? 0 : std::prev(after)->second;
}

void StepCounts::split(std::int64_t at) {
    if (runs_.find(at) == runs_.end()) runs_.emplace(at, runCount(at));
}

void StepCounts::join(std::int64_t at) {
    auto key = runs_.find(at);
    if (key == runs_.end()) return;
    const std::uint32_t before = key == runs_.begin() ? 0 : std::prev(key)->second;
    if (key->second == before) runs_.erase(key);
}

void StepCounts::reserve(ByteRange range) {
    if (range.end - range.begin == 1) {
        single_.reserve(1);
        return;
    }
    // The keys a count needs at the range's ends, made now while running out still
    // changes nothing: each holds the count already there.
    split(range.begin);
    split(range.end);
    singleIn_.reserve(single_.size());
}

StepCounts::Runs::iterator StepCounts::seek(Runs::iterator from, std::int64_t at) {
    // Runs come in increasing order, mostly with no key or a few between two ends: a few
    // steps forward, else a search.
    for (int steps = 0; from != runs_.end() && from->first < at; ++from)
        if (++steps == 8) return runs_.lower_bound(at);
    return from;
}

void StepCounts::reserveRuns(const ByteRange* runs, std::int64_t count) {
    std::size_t singles = 0;
    auto next = runs_.begin();
    for (std::int64_t r = 0; r < count; ++r) {
        for (const std::int64_t at : {runs[r].begin, runs[r].end}) {
            next = seek(next, at);
            if (next == runs_.end() || next->first != at)
                next = runs_.emplace_hint(next, at, next == runs_.begin() ? 0 : std::prev(next)->second);
        }
        singles += runs[r].end - runs[r].begin == 1;
    }
    single_.reserve(singles);
    singleIn_.reserve(single_.size());
}

void StepCounts::tidyRuns(const ByteRange* runs, std::int64_t count) {
    auto next = runs_.begin();
    for (std::int64_t r = 0; r < count; ++r)
        for (const std::int64_t at : {runs[r].begin, runs[r].end}) {
            next = seek(next, at);
            if (next == runs_.end() || next->first != at) continue;
            const std::uint32_t before = next == runs_.begin() ? 0 : std::prev(next)->second;
            if (next->second == before) next = runs_.erase(next);
        }
}

void StepCounts::collectSingle(ByteRange range) {
    singleIn_.clear();
    single_.forEach([&](std::int64_t offset, std::uint32_t) {
        if (offset >= range.begin && offset < range.end) singleIn_.push_back(offset);
    });
    std::sort(singleIn_.begin(), singleIn_.end());
}

void StepCounts::tidy(ByteRange range) {
    if (range.end - range.begin == 1) return;
    join(range.begin);
    join(range.end);
}

void StepCounts::clear() {
    single_.clear();
    runs_.clear();
    decltype(singleIn_)().swap(singleIn_);
}

std::size_t StepCounts::memoryBytes() const {
    // A map node holds the key, the count and three links with a colour.
    return single_.memoryBytes() + runs_.size() * (sizeof(Runs::value_type) + 4 * sizeof(void*)) +
           singleIn_.capacity() * sizeof(std::int64_t);
}

}  // namespace quillix
