// The record of changed bytes against a plain map of offsets to the values first read
// there and the user's: the runs it gives for a save, the user's values, the question
// whether someone else wrote under a change (the originals it keeps), and its size for a
// million typed bytes.

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "document/history/change_map.h"

namespace quillix::test {
namespace {

// The runs worked out the slow way: neighbours join, any gap separates.
std::vector<ByteRange> plainRuns(const std::map<std::int64_t, std::uint8_t>& marked) {
    std::vector<ByteRange> out;
    for (const auto& [offset, original] : marked) {
        if (!out.empty() && out.back().end == offset)
            out.back().end = offset + 1;
        else
            out.push_back({offset, offset + 1});
    }
    return out;
}

TEST(ChangeMapTable, RunsOriginalsAndOthersWritesMatchAPlainMap) {
    std::mt19937_64 random(11);
    for (int round = 0; round < 40; ++round) {
        ChangeMap map;
        std::map<std::int64_t, std::uint8_t> marked, mine;  // offset -> the value first read there, and now
        // Clusters around line edges, scattered bytes, and some near the top of 4 GiB;
        // many bytes are changed more than once.
        const int marks = static_cast<int>(random() % 3000);
        for (int i = 0; i < marks; ++i) {
            std::int64_t offset = static_cast<std::int64_t>(random() % 20000);
            if (i % 5 == 0)
                offset = 64 * static_cast<std::int64_t>(random() % 300) - 1 +
                         static_cast<std::int64_t>(random() % 3);
            if (i % 17 == 0) offset = 0xFFFFFFFFLL - static_cast<std::int64_t>(random() % 200);
            if (offset < 0) offset = 0;
            const auto original = static_cast<std::uint8_t>(random()), value = static_cast<std::uint8_t>(random());
            map.mark(offset, original, value);
            marked.emplace(offset, original);  // a later mark keeps the first value
            mine[offset] = value;
        }
        // New values over runs starting anywhere in a line (undo, redo, a paste over marks):
        // only the marked bytes take them.
        for (int i = 0; i < 20; ++i) {
            const auto begin = static_cast<std::int64_t>(random() % 20000), length = static_cast<std::int64_t>(random() % 300);
            std::vector<std::uint8_t> values(static_cast<std::size_t>(length));
            for (auto& value : values) value = static_cast<std::uint8_t>(random());
            map.setMine(ByteRange{begin, begin + length}, values.data());
            for (std::int64_t at = begin; at < begin + length; ++at)
                if (marked.contains(at)) mine[at] = values[static_cast<std::size_t>(at - begin)];
        }
        EXPECT_EQ(map.count(), static_cast<std::int64_t>(marked.size()));
        EXPECT_EQ(map.empty(), marked.empty());
        for (std::int64_t probe = 0; probe < 20000; probe += 7) {
            const auto found = marked.find(probe);
            ASSERT_EQ(map.marked(probe), found != marked.end());
            std::uint8_t value = static_cast<std::uint8_t>(probe);  // left alone when not marked
            map.putMine({probe, probe + 1}, &value);
            ASSERT_EQ(value, found != marked.end() ? mine.at(probe) : static_cast<std::uint8_t>(probe));
        }
        const auto runs = map.ranges();
        ASSERT_EQ(runs, plainRuns(marked)) << "round " << round;

        // Each run as the file holds it now and as the view holds it: a byte counts as
        // someone else's only when it is neither the original nor ours.
        for (const ByteRange& run : runs) {
            const auto length = static_cast<std::size_t>(run.end - run.begin);
            std::vector<std::uint8_t> current(length), ours(length);
            bool expected = false;
            for (std::size_t i = 0; i < length; ++i) {
                const std::uint8_t original = marked.at(run.begin + static_cast<std::int64_t>(i));
                ours[i] = static_cast<std::uint8_t>(random());
                const int pick = static_cast<int>(random() % 64);
                current[i] = pick == 0 ? static_cast<std::uint8_t>(random()) : pick < 32 ? original : ours[i];
                expected = expected || (current[i] != original && current[i] != ours[i]);
            }
            ASSERT_EQ(map.changedByOthers(run, current.data(), ours.data()), expected)
                << "run " << run.begin << ".." << run.end;
        }
    }
}

TEST(ChangeMapTable, AMillionTypedBytesInOneRegionTakeLittleMemory) {
    ChangeMap map;
    std::mt19937_64 random(12);
    for (int i = 0; i < 1000000; ++i)
        map.mark(0x40000000 + static_cast<std::int64_t>(random() % (1 << 20)), static_cast<std::uint8_t>(i),
                 static_cast<std::uint8_t>(~i));
    EXPECT_LT(map.memoryBytes(), std::size_t{6} << 20);
    map.clear();
    EXPECT_TRUE(map.empty());
    EXPECT_TRUE(map.ranges().empty());
}

}  // namespace
}  // namespace quillix::test
