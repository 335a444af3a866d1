#pragma once
// A set of byte offsets kept as ranges: one entry for a run of any length, so that a paste
// of many megabytes costs one entry, not a mark per byte. Neighbouring and overlapping
// ranges are joined as they are added.

#include <cstdint>
#include <vector>

#include "document/change_map.h"
#include "document/record_allocator.h"

namespace quillix {

class RangeSet {
public:
    // Adds the bytes of range (begin < end). Throws std::bad_alloc, changing nothing, when
    // memory runs out.
    void add(ByteRange range);
    // Bit k set when byte row * 16 + k is in the set.
    std::uint16_t rowMask(std::int64_t row) const;
    bool empty() const { return ranges_.empty(); }
    void clear() {
        ranges_.clear();
        ranges_.shrink_to_fit();
    }
    // The ranges in increasing order, none touching another.
    const std::vector<ByteRange, RecordAllocator<ByteRange>>& ranges() const { return ranges_; }

private:
    std::vector<ByteRange, RecordAllocator<ByteRange>> ranges_;
};

}  // namespace quillix
