#pragma once
// The small hash table behind the record of changed bytes and the counts of typed steps.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/history/record_allocator.h"

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

// Fibonacci hashing: consecutive keys spread over the table.
inline std::size_t flatTableSlot(std::int64_t key, std::size_t mask) {
    return static_cast<std::size_t>((static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> 20) & mask;
}

template <class Value>
std::size_t FlatTable<Value>::slotOf(std::int64_t key) const {
    if (slots_.empty()) return 0;
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = flatTableSlot(key, mask);; i = (i + 1) & mask) {
        if (slots_[i].key == key) return i;
        if (slots_[i].key == emptyKey) return slots_.size();
    }
}

template <class Value>
void FlatTable<Value>::prefetch(std::int64_t key) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[flatTableSlot(key, slots_.size() - 1)]);
}

template <class Value>
Value* FlatTable<Value>::find(std::int64_t key) {
    std::size_t slot = slotOf(key);
    return slot == slots_.size() ? nullptr : &slots_[slot].value;
}

template <class Value>
const Value* FlatTable<Value>::find(std::int64_t key) const {
    std::size_t slot = slotOf(key);
    return slot == slots_.size() ? nullptr : &slots_[slot].value;
}

template <class Value>
void FlatTable<Value>::rehash(std::size_t capacity) {
    // The new slots are made before the old ones are touched: should that fail, the table
    // keeps every entry it had.
    std::vector<Slot, RecordAllocator<Slot>> fresh(capacity, Slot{emptyKey, Value{}});
    const std::size_t mask = capacity - 1;
    for (const Slot& slot : slots_) {
        if (slot.key == emptyKey) continue;
        std::size_t i = flatTableSlot(slot.key, mask);
        while (fresh[i].key != emptyKey) i = (i + 1) & mask;
        fresh[i] = slot;
    }
    slots_.swap(fresh);
}

template <class Value>
void FlatTable<Value>::reserve(std::size_t extra) {
    // At most half the slots in use keeps the probe chains short.
    std::size_t capacity = slots_.size();
    while ((used_ + extra) * 2 > capacity) capacity = capacity == 0 ? 64 : capacity * 2;
    if (capacity != slots_.size()) rehash(capacity);
}

template <class Value>
Value& FlatTable<Value>::insert(std::int64_t key) {
    reserve(1);
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = flatTableSlot(key, mask);; i = (i + 1) & mask) {
        if (slots_[i].key == key) return slots_[i].value;
        if (slots_[i].key == emptyKey) {
            slots_[i] = Slot{key, Value{}};
            ++used_;
            return slots_[i].value;
        }
    }
}

template <class Value>
void FlatTable<Value>::erase(std::int64_t key) {
    std::size_t slot = slotOf(key);
    if (slot != slots_.size()) eraseSlot(slot);
}

template <class Value>
void FlatTable<Value>::eraseSlot(std::size_t slot) {
    // Backward-shift deletion keeps every probe chain unbroken without tombstones.
    std::size_t mask = slots_.size() - 1;
    std::size_t hole = slot;
    for (std::size_t i = (hole + 1) & mask; slots_[i].key != emptyKey; i = (i + 1) & mask) {
        std::size_t home = flatTableSlot(slots_[i].key, mask);
        // Move the entry into the hole unless its home lies cyclically in (hole, i].
        bool homeBetween = hole <= i ? (home > hole && home <= i) : (home > hole || home <= i);
        if (!homeBetween) {
            slots_[hole] = slots_[i];
            hole = i;
        }
    }
    slots_[hole] = Slot{emptyKey, Value{}};
    --used_;
}

template <class Value>
void FlatTable<Value>::clear() {
    slots_.clear();
    slots_.shrink_to_fit();
    used_ = 0;
}

}  // namespace quillix

namespace quillix {

// A flat hash set of 64-bit slots, each a key in its high bits and a small payload in its
// low payloadBits: one machine word an entry, for records with millions of small entries
// (a changed byte: its offset, the value it first held and the user's). Keys are below
// 2^(64 - payloadBits) and never all ones. Open addressing with linear probing and
// backward-shift deletion, at most half full, as FlatTable. Keys alike but for their low
// groupBits start their probes at the same slot: a lookup of each key of a group (the bytes
// of a painted row) then reads one or two cache lines instead of one each.
template <int payloadBits, int groupBits = 0>
class PackedTable {
public:
    static constexpr std::uint64_t payloadMask = (std::uint64_t{1} << payloadBits) - 1;
    static std::int64_t keyOf(std::uint64_t slot) { return static_cast<std::int64_t>(slot >> payloadBits); }
    static std::uint64_t payloadOf(std::uint64_t slot) { return slot & payloadMask; }

    // The key's slot, or null when absent. Only the payload bits of it may be changed.
    std::uint64_t* find(std::int64_t key) {
        const std::size_t slot = slotOf(key);
        return slot == slots_.size() ? nullptr : &slots_[slot];
    }
    const std::uint64_t* find(std::int64_t key) const {
        const std::size_t slot = slotOf(key);
        return slot == slots_.size() ? nullptr : &slots_[slot];
    }
    // The key's slot, inserted with payload 0 when absent. Throws std::bad_alloc, changing
    // nothing, when the table must grow and cannot.
    std::uint64_t& insert(std::int64_t key) {
        reserve(1);
        const std::size_t mask = slots_.size() - 1;
        const std::uint64_t keyed = static_cast<std::uint64_t>(key) << payloadBits;
        for (std::size_t i = home(key, mask);; i = (i + 1) & mask) {
            if (slots_[i] != emptySlot && (slots_[i] & ~payloadMask) == keyed) return slots_[i];
            if (slots_[i] == emptySlot) {
                slots_[i] = keyed;
                ++used_;
                return slots_[i];
            }
        }
    }
    // Makes room for extra more keys, so that inserting them cannot fail.
    void reserve(std::size_t extra) {
        std::size_t capacity = slots_.size();
        while ((used_ + extra) * 2 > capacity) capacity = capacity == 0 ? 64 : capacity * 2;
        if (capacity != slots_.size()) rehash(capacity);
    }
    void prefetch(std::int64_t key) const {
        if (!slots_.empty()) __builtin_prefetch(&slots_[home(key, slots_.size() - 1)]);
    }
    void erase(std::int64_t key) {
        const std::size_t slot = slotOf(key);
        if (slot == slots_.size()) return;
        const std::size_t mask = slots_.size() - 1;
        std::size_t hole = slot;
        for (std::size_t i = (hole + 1) & mask; slots_[i] != emptySlot; i = (i + 1) & mask) {
            const std::size_t start = home(keyOf(slots_[i]), mask);
            const bool homeBetween = hole <= i ? (start > hole && start <= i) : (start > hole || start <= i);
            if (!homeBetween) {
                slots_[hole] = slots_[i];
                hole = i;
            }
        }
        slots_[hole] = emptySlot;
        --used_;
    }
    void clear() {
        slots_.clear();
        slots_.shrink_to_fit();
        used_ = 0;
    }
    std::size_t size() const { return used_; }
    std::size_t memoryBytes() const { return slots_.capacity() * sizeof(std::uint64_t); }
    // Calls visit(slot) for every entry, in no particular order; visit may change the
    // payload bits of the slot it is given.
    template <class Visit>
    void forEach(Visit visit) {
        for (std::uint64_t& slot : slots_)
            if (slot != emptySlot) visit(slot);
    }
    template <class Visit>
    void forEach(Visit visit) const {
        for (const std::uint64_t& slot : slots_)
            if (slot != emptySlot) visit(slot);
    }

private:
    static constexpr std::uint64_t emptySlot = ~std::uint64_t{0};
    static std::size_t home(std::int64_t key, std::size_t mask) {
        return flatTableSlot(key >> groupBits, mask);
    }
    std::size_t slotOf(std::int64_t key) const {
        if (slots_.empty()) return 0;
        const std::size_t mask = slots_.size() - 1;
        const std::uint64_t keyed = static_cast<std::uint64_t>(key) << payloadBits;
        for (std::size_t i = home(key, mask);; i = (i + 1) & mask) {
            if (slots_[i] == emptySlot) return slots_.size();
            if ((slots_[i] & ~payloadMask) == keyed) return i;
        }
    }
    void rehash(std::size_t capacity) {
        std::vector<std::uint64_t, RecordAllocator<std::uint64_t>> fresh(capacity, emptySlot);
        const std::size_t mask = capacity - 1;
        for (const std::uint64_t slot : slots_) {
            if (slot == emptySlot) continue;
            std::size_t i = home(keyOf(slot), mask);
            while (fresh[i] != emptySlot) i = (i + 1) & mask;
            fresh[i] = slot;
        }
        slots_.swap(fresh);
    }
    std::vector<std::uint64_t, RecordAllocator<std::uint64_t>> slots_;
    std::size_t used_ = 0;
};

}  // namespace quillix
