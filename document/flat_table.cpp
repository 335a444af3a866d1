#include "document/flat_table.h"

#include <array>

#include "document/change_map.h"

namespace quillix {
namespace {

std::size_t hashSlot(std::int64_t key, std::size_t mask) {
    // Fibonacci hashing: consecutive keys spread over the table.
    return static_cast<std::size_t>((static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> 20) & mask;
}

}  // namespace

template <class Value>
std::size_t FlatTable<Value>::slotOf(std::int64_t key) const {
    if (slots_.empty()) return 0;
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hashSlot(key, mask);; i = (i + 1) & mask) {
        if (slots_[i].key == key) return i;
        if (slots_[i].key == emptyKey) return slots_.size();
    }
}

template <class Value>
void FlatTable<Value>::prefetch(std::int64_t key) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[hashSlot(key, slots_.size() - 1)]);
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
        std::size_t i = hashSlot(slot.key, mask);
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
    for (std::size_t i = hashSlot(key, mask);; i = (i + 1) & mask) {
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
        std::size_t home = hashSlot(slots_[i].key, mask);
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

AllocationCheck allocationCheck = nullptr;

template class FlatTable<std::uint32_t>;
template class FlatTable<std::array<std::uint16_t, 16>>;
template class FlatTable<ChangedLine>;

}  // namespace quillix
