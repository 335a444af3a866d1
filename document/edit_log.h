#pragma once
// The log of edited offsets and the index the painter reads it through.
//
// The log is the array of entries 0..editCount inclusive: entry editCount is the most
// recent edit, and every byte whose offset equals a logged entry is painted red while
// the document is modified. The array is reused after a save or an open (editCount goes
// back to 0, the old entries stay), so an entry left from before can count again; the
// index reproduces exactly which entries count, so the painter asks one question per
// row instead of scanning the log for every byte.

#include <array>
#include <cstdint>

#include "document/flat_table.h"

namespace quillix {

// How many times each offset is counted (log entries holding it; steps touching it).
class OffsetCounter {
public:
    // Adds delta (+1 or -1) to the key's count and returns the new count; a count that
    // reaches 0 removes the key. Taking from an absent key changes nothing and gives 0.
    std::uint32_t add(std::int64_t key, int delta);
    std::uint32_t count(std::int64_t key) const;
    void clear() { table_.clear(); }
    std::size_t size() const { return table_.size(); }
    std::size_t memoryBytes() const { return table_.memoryBytes(); }
    // Room for extra more keys; throws std::bad_alloc, changing nothing, when memory runs out.
    void reserve(std::size_t extra) { table_.reserve(extra); }

private:
    FlatTable<std::uint32_t> table_;
};

// For each row, bit k set when byte k of the row is logged. Rows are kept in blocks of
// sixteen neighbours, so the rows of one view are a handful of lookups: with a big log
// every lookup is a likely cache miss.
class RowMaskIndex {
public:
    void setBits(std::int64_t row, std::uint16_t bits, bool on);
    std::uint16_t bits(std::int64_t row) const;
    void clear() { blocks_.clear(); }
    std::size_t size() const { return blocks_.size(); }  // blocks holding a logged byte
    // Room for extra more blocks; throws std::bad_alloc, changing nothing, when memory runs out.
    void reserve(std::size_t extra) { blocks_.reserve(extra); }

    static constexpr int rowsPerBlock = 16;
    using Block = std::array<std::uint16_t, rowsPerBlock>;

private:
    FlatTable<Block> blocks_;
};

struct EditLog {
    std::int64_t* entries = nullptr;  // realloc'd array of file offsets; -1 in unused slots
    std::int64_t capacity = 0;        // entries the array has room for
    OffsetCounter offsetCounts;       // offset -> how many counted entries hold it
    RowMaskIndex rowMasks;            // row (offset / 16) -> bit k set when byte k is logged
};

}  // namespace quillix
