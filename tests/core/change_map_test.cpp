// The record of changed bytes against a plain set of offsets: the ranges it gives for a
// save, with and without joining nearby changes, and its size for a million typed bytes.

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "document/change_map.h"

namespace quillix::test {
namespace {

// The ranges worked out the slow way from the set.
std::vector<ByteRange> plainRanges(const std::set<std::int64_t>& marked, std::int64_t bridge) {
    std::vector<ByteRange> out;
    for (std::int64_t offset : marked) {
        const std::int64_t gap = out.empty() ? -1 : offset - out.back().end;
        if (gap == 0 || (gap > 0 && gap < bridge))
            out.back().end = offset + 1;
        else
            out.push_back({offset, offset + 1});
    }
    return out;
}

TEST(ChangeMapTable, RangesMatchAPlainSetOfOffsets) {
    std::mt19937_64 random(11);
    for (int round = 0; round < 40; ++round) {
        ChangeMap map;
        std::set<std::int64_t> marked;
        // Clusters around line edges, scattered bytes, and some near the top of 4 GiB.
        const int marks = static_cast<int>(random() % 3000);
        for (int i = 0; i < marks; ++i) {
            std::int64_t offset = static_cast<std::int64_t>(random() % 20000);
            if (i % 5 == 0)
                offset = 64 * static_cast<std::int64_t>(random() % 300) - 1 +
                         static_cast<std::int64_t>(random() % 3);
            if (i % 17 == 0) offset = 0xFFFFFFFFLL - static_cast<std::int64_t>(random() % 200);
            if (offset < 0) offset = 0;
            map.mark(offset);
            marked.insert(offset);
        }
        EXPECT_EQ(map.count(), static_cast<std::int64_t>(marked.size()));
        EXPECT_EQ(map.empty(), marked.empty());
        for (std::int64_t probe = 0; probe < 20000; probe += 7)
            ASSERT_EQ(map.marked(probe), marked.count(probe) == 1);
        for (std::int64_t bridge : {0, 1, 2, 63, 64, 65, 4096})
            ASSERT_EQ(map.ranges(bridge), plainRanges(marked, bridge))
                << "round " << round << " bridge " << bridge;
    }
}

TEST(ChangeMapTable, AMillionTypedBytesInOneRegionTakeLittleMemory) {
    ChangeMap map;
    std::mt19937_64 random(12);
    for (int i = 0; i < 1000000; ++i) map.mark(0x40000000 + static_cast<std::int64_t>(random() % (1 << 20)));
    EXPECT_LT(map.memoryBytes(), std::size_t{4} << 20);
    map.clear();
    EXPECT_TRUE(map.empty());
    EXPECT_TRUE(map.ranges(4096).empty());
}

}  // namespace
}  // namespace quillix::test
