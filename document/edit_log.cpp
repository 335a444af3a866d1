#include "document/edit_log.h"

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

void RowMaskIndex::setBits(std::int64_t row, std::uint16_t bits, bool on) {
    const std::int64_t blockKey = row / rowsPerBlock;
    const std::size_t place = static_cast<std::size_t>(row % rowsPerBlock);
    if (on) {
        blocks_.insert(blockKey)[place] |= bits;
        return;
    }
    Block* block = blocks_.find(blockKey);
    if (!block) return;
    (*block)[place] &= static_cast<std::uint16_t>(~bits);
    for (std::uint16_t mask : *block)
        if (mask != 0) return;
    blocks_.erase(blockKey);
}

std::uint16_t RowMaskIndex::bits(std::int64_t row) const {
    const Block* block = blocks_.find(row / rowsPerBlock);
    return block ? (*block)[static_cast<std::size_t>(row % rowsPerBlock)] : 0;
}

}  // namespace quillix
