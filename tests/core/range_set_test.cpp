// The record of pasted bytes against a plain set of offsets: after random runs of any
// length are added, its ranges cover exactly the set, none touching another, and each
// row's mask names exactly the row's bytes in the set.

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "document/range_set.h"

namespace quillix::test {
namespace {

TEST(RangeSet, RangesAndRowMasksMatchAPlainSetOfOffsets) {
    std::mt19937_64 random(3);
    for (int round = 0; round < 200; ++round) {
        RangeSet ranges;
        std::set<std::int64_t> plain;
        const std::int64_t span = 1 + static_cast<std::int64_t>(random() % 600);
        for (int add = static_cast<int>(random() % 30); add > 0; --add) {
            const std::int64_t begin = static_cast<std::int64_t>(random() % span);
            const std::int64_t length = 1 + static_cast<std::int64_t>(random() % (random() % 2 ? 3 : 90));
            ranges.add({begin, begin + length});
            for (std::int64_t pos = begin; pos < begin + length; ++pos) plain.insert(pos);
        }
        std::set<std::int64_t> covered;
        std::int64_t previousEnd = -1;
        for (const ByteRange& range : ranges.ranges()) {
            ASSERT_LT(range.begin, range.end);
            ASSERT_GT(range.begin, previousEnd) << "ranges that touch were not joined";
            previousEnd = range.end;
            for (std::int64_t pos = range.begin; pos < range.end; ++pos) covered.insert(pos);
        }
        ASSERT_EQ(covered, plain) << "round " << round;
        for (std::int64_t row = 0; row * 16 < span + 100; ++row) {
            std::uint16_t mask = 0;
            for (int k = 0; k < 16; ++k)
                if (plain.count(row * 16 + k)) mask |= static_cast<std::uint16_t>(1u << k);
            ASSERT_EQ(ranges.rowMask(row), mask) << "round " << round << " row " << row;
        }
    }
}

}  // namespace
}  // namespace quillix::test
