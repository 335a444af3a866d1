#include "document/edit_log.h"

namespace quillix {
namespace {

std::size_t hashSlot(std::int64_t key, std::size_t mask) {
    // Fibonacci hashing: consecutive offsets spread over the table.
    return static_cast<std::size_t>((static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> 20) & mask;
}

} // namespace

std::size_t OffsetCounter::find(std::int64_t key) const {
    if (slots_.empty()) return 0;
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hashSlot(key, mask);; i = (i + 1) & mask) {
        if (slots_[i].key == key) return i;
        if (slots_[i].key == emptyKey) return slots_.size();
    }
}

void OffsetCounter::grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{emptyKey, 0});
    used_ = 0;
    for (const Slot& slot : old) {
        if (slot.key == emptyKey) continue;
        slots_[insertSlot(slot.key)].value = slot.value;
    }
}

std::size_t OffsetCounter::insertSlot(std::int64_t key) {
    if ((used_ + 1) * 2 > slots_.size()) grow();
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hashSlot(key, mask);; i = (i + 1) & mask) {
        if (slots_[i].key == key) return i;
        if (slots_[i].key == emptyKey) {
            slots_[i] = Slot{key, 0};
            ++used_;
            return i;
        }
    }
}

void OffsetCounter::erase(std::size_t slot) {
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
    slots_[hole] = Slot{emptyKey, 0};
    --used_;
}

std::uint32_t OffsetCounter::add(std::int64_t key, int delta) {
    if (delta < 0) {
        std::size_t slot = find(key);
        if (slot == slots_.size()) return 0;
        std::uint32_t value = --slots_[slot].value;
        if (value == 0) erase(slot);
        return value;
    }
    return ++slots_[insertSlot(key)].value;
}

std::uint32_t OffsetCounter::count(std::int64_t key) const {
    std::size_t slot = find(key);
    return slot == slots_.size() ? 0 : slots_[slot].value;
}

void OffsetCounter::setBits(std::int64_t key, std::uint16_t bits, bool on) {
    if (on) {
        slots_[insertSlot(key)].value |= bits;
        return;
    }
    std::size_t slot = find(key);
    if (slot == slots_.size()) return;
    slots_[slot].value &= ~static_cast<std::uint32_t>(bits);
    if (slots_[slot].value == 0) erase(slot);
}

std::uint16_t OffsetCounter::bits(std::int64_t key) const {
    return static_cast<std::uint16_t>(count(key));
}

void OffsetCounter::clear() {
    slots_.clear();
    slots_.shrink_to_fit();
    used_ = 0;
}

} // namespace quillix
