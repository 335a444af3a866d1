// The tables behind the edit log's index, against ordered maps, with enough keys that
// probe chains collide, wrap around the table and are repaired after deletions.

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "document/edit_log.h"

namespace quillix::test {
namespace {

TEST(OffsetCounterTable, CountsMatchAPlainMapThroughGrowthAndDeletion) {
    OffsetCounter counter;
    std::map<std::int64_t, std::uint32_t> expected;
    std::mt19937_64 random(9);
    for (int step = 0; step < 200000; ++step) {
        // Mostly neighbouring keys, with some far away ones and some near the top.
        std::int64_t key = static_cast<std::int64_t>(random() % 5000);
        if (step % 7 == 0) key = static_cast<std::int64_t>(random() % (std::uint64_t{1} << 32));
        if (step % 101 == 0) key = INT64_MAX - static_cast<std::int64_t>(random() % 3);
        bool remove = random() % 2 == 0 && expected.count(key);
        std::uint32_t now = counter.add(key, remove ? -1 : +1);
        std::uint32_t& want = expected[key];
        want += remove ? -1 : 1;
        ASSERT_EQ(now, want) << step;
        if (want == 0) expected.erase(key);
        if (step % 1000 == 0) {
            ASSERT_EQ(counter.size(), expected.size());
            for (const auto& [k, c] : expected) ASSERT_EQ(counter.count(k), c) << k;
        }
    }
    EXPECT_EQ(counter.add(123456789012, -1), 0u);  // removing an absent key changes nothing
    EXPECT_EQ(counter.size(), expected.size());
}

TEST(RowMaskIndexTable, MasksMatchAPlainMapAcrossBlockEdges) {
    RowMaskIndex index;
    std::map<std::int64_t, std::uint16_t> expected;
    std::mt19937_64 random(10);
    auto check = [&](std::int64_t row) {
        auto found = expected.find(row);
        ASSERT_EQ(index.bits(row), found == expected.end() ? 0 : found->second) << row;
    };
    for (int step = 0; step < 200000; ++step) {
        std::int64_t row = static_cast<std::int64_t>(random() % 3000);
        if (step % 5 == 0) row = static_cast<std::int64_t>(random() % (std::uint64_t{1} << 26));
        std::uint16_t bits = static_cast<std::uint16_t>(1u << (random() % 16));
        bool on = random() % 3 != 0;
        index.setBits(row, bits, on);
        std::uint16_t& want = expected[row];
        want = on ? static_cast<std::uint16_t>(want | bits) : static_cast<std::uint16_t>(want & ~bits);
        if (want == 0) expected.erase(row);
        check(row);
        check(row ^ 15);  // the far end of the same block of rows
        check(row + 16);  // the next block
        if (step % 2000 == 0) {
            for (const auto& [r, m] : expected) ASSERT_EQ(index.bits(r), m) << r;
        }
    }
    // A block whose last mask is cleared is dropped.
    index.clear();
    index.setBits(35, 0x8001, true);
    index.setBits(40, 0x0002, true);
    EXPECT_EQ(index.size(), 1u);
    index.setBits(35, 0x8001, false);
    EXPECT_EQ(index.size(), 1u);
    index.setBits(40, 0x0002, false);
    EXPECT_EQ(index.size(), 0u);
    EXPECT_EQ(index.bits(40), 0u);
}

}  // namespace
}  // namespace quillix::test
