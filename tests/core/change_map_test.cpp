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

// Every operation, over runs long enough to give pages blocks of their own and single
// bytes beside them, against a plain map of offset -> {first, mine, kept}.
TEST(ChangeMapTable, EveryOperationMatchesAPlainMapAcrossLoneBytesAndBlocks) {
    struct Byte {
        std::uint8_t first, mine;
        bool kept;
    };
    std::mt19937_64 random(13);
    const auto byte = [&] { return static_cast<std::uint8_t>(random()); };
    for (int round = 0; round < 30; ++round) {
        ChangeMap map;
        std::map<std::int64_t, Byte> plain;
        // Odd rounds spread short runs thin: pages of lone bytes only.
        const std::int64_t span = (round % 2 ? 64 : 5) * ChangeMap::pageBytes,
                           longest = round % 2 ? 100 : 3000;
        for (int op = 0; op < 300; ++op) {
            const auto begin = static_cast<std::int64_t>(random() % span);
            const std::int64_t length = std::min<std::int64_t>(
                span - begin, random() % 4 == 0 ? 1 + static_cast<std::int64_t>(random() % longest) : 1);
            const ByteRange run{begin, begin + length};
            std::vector<std::uint8_t> a(static_cast<std::size_t>(length)), b(a.size());
            for (std::size_t i = 0; i < a.size(); ++i) a[i] = byte(), b[i] = byte();
            const int kind = static_cast<int>(random() % 10);
            if (kind < 5) {
                if (random() % 2) map.reserveRange(run.begin, run.end);
                map.markRun(run, a.data(), b.data());
                for (std::int64_t at = begin; at < run.end; ++at) {
                    const auto i = static_cast<std::size_t>(at - begin);
                    plain.try_emplace(at, Byte{a[i], 0, false}).first->second.mine = b[i];
                }
            } else if (kind < 7) {
                map.unmarkRun(run);
                for (std::int64_t at = begin; at < run.end; ++at)
                    if (plain.contains(at) && !plain[at].kept) plain.erase(at);
            } else if (kind == 7) {
                map.setFirst(begin, a.data(), length);
                for (auto [at, i] = std::pair{begin, std::size_t{0}}; at < run.end; ++at, ++i)
                    if (plain.contains(at)) plain[at].first = a[i];
            } else if (kind == 8) {
                const std::uint8_t bits = random() % 2 ? 0xFF : 0x0F;
                std::vector<std::uint8_t> expected = a;
                for (auto [at, i] = std::pair{begin, std::size_t{0}}; at < run.end; ++at, ++i)
                    if (plain.contains(at)) {
                        expected[i] = plain[at].mine;
                        plain[at].mine = static_cast<std::uint8_t>((plain[at].mine & ~bits) | (a[i] & bits));
                    }
                map.exchangeMine(run, a.data(), bits);
                ASSERT_EQ(a, expected);
            } else if (random() % 8 == 0) {
                const auto end = static_cast<std::int64_t>(random() % span);
                const auto fileByte = [](std::int64_t at) { return static_cast<std::uint8_t>(at * 31 + 7); };
                map.keepWritten(end, [&](std::int64_t lineStart, std::uint8_t* values) {
                    for (int k = 0; k < 64; ++k) values[k] = fileByte(lineStart + k);
                    return true;
                });
                for (auto& [at, value] : plain)
                    if (at < end) value = Byte{fileByte(at), value.mine, true};
            }
        }
        ASSERT_EQ(map.count(), static_cast<std::int64_t>(plain.size())) << "round " << round;
        std::map<std::int64_t, std::uint8_t> firsts;
        std::vector<std::int64_t> lines;
        for (const auto& [at, value] : plain) {
            firsts.emplace(at, value.first);
            if (lines.empty() || lines.back() != at / 64 * 64) lines.push_back(at / 64 * 64);
        }
        ASSERT_EQ(map.ranges(), plainRuns(firsts));
        ASSERT_EQ(map.changedLines(), lines);
        std::vector<std::uint8_t> mine(static_cast<std::size_t>(span), 0xA5), firstValues = mine;
        map.putMine({0, span}, mine.data());
        map.firstAsMine([&](std::int64_t at) { return at % 3 == 0; });
        map.putMine({0, span}, firstValues.data());
        for (std::int64_t at = 0; at < span; ++at) {
            const auto found = plain.find(at);
            const bool isMarked = found != plain.end();
            ASSERT_EQ(map.marked(at), isMarked) << at;
            ASSERT_EQ(map.rowMask(at / 16) >> (at % 16) & 1, isMarked ? 1 : 0) << at;
            const auto i = static_cast<std::size_t>(at);
            ASSERT_EQ(mine[i], isMarked ? found->second.mine : 0xA5) << at;
            ASSERT_EQ(firstValues[i], !isMarked ? 0xA5
                                      : at % 3  ? found->second.first
                                                : found->second.mine)
                << at;
        }
        // The file as first read or as ours, a few hundred bytes at a time, but for one byte
        // of someone else's.
        std::vector<std::uint8_t> current(static_cast<std::size_t>(span)), ours(current.size());
        for (std::int64_t at = 0; at < span; ++at) {
            const auto i = static_cast<std::size_t>(at);
            ours[i] = byte();
            current[i] = !plain.contains(at) ? byte() : at / 256 % 2 ? plain[at].first : ours[i];
        }
        const auto other = static_cast<std::int64_t>(random() % span);
        const bool othersWrote = random() % 2 && plain.contains(other);
        if (othersWrote)
            for (std::uint8_t v = 0;
                 current[static_cast<std::size_t>(other)] == plain[other].first ||
                 current[static_cast<std::size_t>(other)] == ours[static_cast<std::size_t>(other)];)
                current[static_cast<std::size_t>(other)] = v++;
        ASSERT_EQ(map.changedByOthers({0, span}, current.data(), ours.data()), othersWrote);
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
