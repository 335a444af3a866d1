// The counting table behind the marks of typed steps, against an ordered map, with enough
// keys that probe chains collide, wrap around the table and are repaired after deletions.

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "document/history/step_counts.h"

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

}  // namespace
}  // namespace quillix::test
