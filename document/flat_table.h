#pragma once
// The small hash table behind the record of changed bytes and the counts of typed steps.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/record_allocator.h"

namespace quillix {

// A flat hash map from 64-bit keys (never INT64_MIN) to small values, open addressing
// with linear probing and backward-shift deletion. Only what the document's indexes need.
template <class Value>
class FlatTable {
public:
    // The key's value, or null when the key is absent.
    Value* find(std::int64_t key);
    const Value* find(std::int64_t key) const;
    // The key's value, inserted value-initialised when absent. Throws std::bad_alloc,
    // changing nothing, when the table must grow and cannot.
    Value& insert(std::int64_t key);
    // Makes room for extra more keys, so that inserting them cannot fail. Throws
    // std::bad_alloc, changing nothing, when memory runs out.
    void reserve(std::size_t extra);
    // Starts bringing the key's first slot into the cache, so that a find of it soon after
    // does not wait for memory: a batch of finds prefetched first overlaps its misses.
    void prefetch(std::int64_t key) const;
    // Removes the key; nothing happens when it is absent.
    void erase(std::int64_t key);
    void clear();
    std::size_t size() const { return used_; }
    std::size_t memoryBytes() const { return slots_.capacity() * sizeof(Slot); }
    // Slots the table has (twice the keys it holds at least): what going over it all costs.
    std::size_t slotCount() const { return slots_.size(); }
    // Calls visit(key, value) for every key, in no particular order.
    template <class Visit>
    void forEach(Visit visit) const {
        for (const Slot& slot : slots_)
            if (slot.key != emptyKey) visit(slot.key, slot.value);
    }
    template <class Visit>
    void forEach(Visit visit) {
        for (Slot& slot : slots_)
            if (slot.key != emptyKey) visit(slot.key, slot.value);
    }

private:
    struct Slot {
        std::int64_t key;
        Value value;
    };
    static constexpr std::int64_t emptyKey = INT64_MIN;
    std::size_t slotOf(std::int64_t key) const;  // slot index, or capacity when absent
    void eraseSlot(std::size_t slot);
    void rehash(std::size_t capacity);
    std::vector<Slot, RecordAllocator<Slot>> slots_;
    std::size_t used_ = 0;
};

}  // namespace quillix
