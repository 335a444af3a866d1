#pragma once
// The log of edited offsets and the index the painter reads it through.
//
// The log is the array of entries 0..editCount inclusive: entry editCount is the most
// recent edit, and every byte whose offset equals a logged entry is painted red while
// the document is modified. The array is reused after a save or an open (editCount goes
// back to 0, the old entries stay), so an entry left from before can count again; the
// index reproduces exactly which entries count, so the painter asks one question per
// row instead of scanning the log for every byte.

#include <cstdint>
#include <vector>

namespace quillix {

// A flat hash map from 64-bit keys to small counters, open addressing with linear
// probing and backward-shift deletion. Only what the index needs.
class OffsetCounter {
public:
    // Adds delta (+1 or -1) to the key's count and returns the new count; a count that
    // reaches 0 removes the key.
    std::uint32_t add(std::int64_t key, int delta);
    std::uint32_t count(std::int64_t key) const;
    // For the row masks: sets or clears bits of the 16-bit value stored for key.
    void setBits(std::int64_t key, std::uint16_t bits, bool on);
    std::uint16_t bits(std::int64_t key) const;
    void clear();
    std::size_t size() const { return used_; }

private:
    struct Slot {
        std::int64_t key;
        std::uint32_t value;
    };
    static constexpr std::int64_t emptyKey = INT64_MIN;
    std::size_t find(std::int64_t key) const;  // slot index, or capacity when absent
    std::size_t insertSlot(std::int64_t key);  // slot of key, inserting it with value 0
    void erase(std::size_t slot);
    void grow();
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

struct EditLog {
    std::int64_t* entries = nullptr;  // realloc'd array of file offsets; -1 in unused slots
    std::int64_t capacity = 0;        // entries the array has room for
    OffsetCounter offsetCounts;       // offset -> how many counted entries hold it
    OffsetCounter rowMasks;           // row (offset / 16) -> bit k set when byte k is logged
};

} // namespace quillix
