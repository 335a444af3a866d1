#pragma once
// Which bytes of the view differ from the file they will be saved into: every byte stored
// since the document was opened or last saved. Kept apart from the edit log, which is a
// record for painting and can lose an offset (a lone high-nibble digit's entry is taken
// by the next edit), while the byte is changed all the same.
//
// Bytes are kept as 64-bit masks of 64-byte lines in a hash table: nothing at all for a
// line without a change, 16 bytes (at most 64 with the table's slack) for one with any.
// A million typed bytes in one region take a few hundred KiB.

#include <cstdint>
#include <vector>

#include "document/flat_table.h"

namespace quillix {

// Bytes begin .. end - 1.
struct ByteRange {
    std::int64_t begin = 0;
    std::int64_t end = 0;
    friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

class ChangeMap {
public:
    // Marks one byte (offset >= 0). Throws std::bad_alloc, marking nothing, when the
    // table cannot grow.
    void mark(std::int64_t offset);
    // Makes room to mark every byte of begin .. end - 1 without the table growing, so that
    // marking them cannot fail. Throws std::bad_alloc, changing nothing, when memory runs out.
    void reserveRange(std::int64_t begin, std::int64_t end);
    bool marked(std::int64_t offset) const;
    bool empty() const { return lines_.size() == 0; }
    void clear() { lines_.clear(); }
    // Marked bytes in all.
    std::int64_t count() const;

    // The marked bytes as ranges in increasing order. Two runs with fewer than bridge
    // unmarked bytes between them come out as one range that covers those bytes too;
    // with bridge 0 only touching runs join. Throws std::bad_alloc when memory runs out.
    std::vector<ByteRange> ranges(std::int64_t bridge) const;

    std::size_t memoryBytes() const { return lines_.memoryBytes(); }

private:
    static constexpr std::int64_t lineBytes = 64;
    FlatTable<std::uint64_t> lines_;  // line (offset / 64) -> bit k for byte line * 64 + k
};

}  // namespace quillix
