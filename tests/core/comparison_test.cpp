// The comparison against a byte-by-byte reference: random pairs of files (equal and
// unequal sizes, an empty other file, runs of differences placed at the scan's chunk
// edges and at page edges), counted once and then kept true through random typing,
// pastes, undo and redo; next and previous difference from random offsets and both ends.
// Every vector unit the machine runs is tried.

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "compare/comparison.h"
#include "cut_file.h"
#include "document/edit_log.h"
#include "document/file/checked_view.h"
#include "hexview/clipboard.h"
#include "hexview/comparison_view.h"
#include "hexview/selection.h"
#include "hexview/undo.h"
#include "host/vector_unit.h"
#include "recording_host.h"
#include "temp_files.h"

namespace quillix::test {
namespace {

// What the comparison must find, worked out byte by byte from the views.
struct Reference {
    const Document& doc;
    std::vector<std::uint8_t> theirs;

    std::int64_t length() const { return std::max<std::int64_t>(doc.fileSize, std::ssize(theirs)); }
    bool differs(std::int64_t i) const {
        if (i >= doc.fileSize || i >= std::ssize(theirs)) return i < length();
        return doc.fileBytes[i] != theirs[static_cast<std::size_t>(i)];
    }
    bool startsRun(std::int64_t i) const { return differs(i) && (i == 0 || !differs(i - 1)); }
    std::int64_t runsBefore(std::int64_t at) const {
        std::int64_t runs = 0;
        for (std::int64_t i = 0; i < at; ++i) runs += startsRun(i);
        return runs;
    }
    DifferenceCounts counts() const {
        DifferenceCounts counts;
        for (std::int64_t i = 0; i < length(); ++i) {
            counts.bytes += differs(i);
            counts.runs += startsRun(i);
        }
        return counts;
    }
    DifferenceRun runAt(std::int64_t start) const {
        if (start < 0) return {};
        std::int64_t end = start;
        while (end < length() && differs(end)) ++end;
        return {std::min(start, doc.fileSize), end - start};
    }
    DifferenceRun next(std::int64_t from) const {
        for (std::int64_t i = from + 1; i < length(); ++i)
            if (startsRun(i)) return runAt(i);
        return {};
    }
    DifferenceRun previous(std::int64_t from) const {
        for (std::int64_t i = from - 1; i >= 0; --i)
            if (startsRun(i)) return runAt(i);
        return {};
    }
};

struct Feed {
    const std::vector<std::uint8_t>* bytes;
    static void read(void* context, std::int64_t at, std::int64_t count, std::uint8_t* out) {
        const auto& source = *static_cast<Feed*>(context)->bytes;
        std::copy_n(source.begin() + at, count, out);
    }
};

class ComparisonTest : public ::testing::TestWithParam<VectorUnit> {
protected:
    void SetUp() override { ASSERT_TRUE(useVectorUnit(GetParam())); }
    void TearDown() override {
        useVectorUnit(widestVectorUnit());
        closeComparison(cmp);
        closeDocumentView(doc);
        releaseEditLog(doc);  // typing grows the log
    }
    void open(const std::vector<std::uint8_t>& mine, const std::vector<std::uint8_t>& theirs) {
        TearDown();
        ASSERT_TRUE(useVectorUnit(GetParam()));
        writeBytes(folder.file("mine.bin"), mine);
        writeBytes(folder.file("theirs.bin"), theirs);
        SystemError cause = 0;
        ASSERT_EQ(openDocument(doc, widePath(folder.file("mine.bin")).c_str(), cause), 1);
        ASSERT_EQ(openComparison(cmp, widePath(folder.file("theirs.bin")).c_str(), cause), 1);
        EXPECT_STREQ(cmp.other.fileTitle, L"theirs.bin");
        EXPECT_EQ(cmp.other.fileSize, std::ssize(theirs));
    }
    // A document change as the program makes it, the counts told before and after.
    template <class Change>
    void change(ByteRange range, Change&& apply) {
        bytesChanging(cmp, doc, range);
        apply();
        bytesChanged(cmp, doc, range);
    }

    TempFolder folder;
    Document doc;
    Comparison cmp;
    RecordingHost host;
};

std::vector<VectorUnit> runnableUnits() {
    std::vector<VectorUnit> units;
    for (VectorUnit unit : {VectorUnit::none, VectorUnit::sse2, VectorUnit::avx2})
        if (unit <= widestVectorUnit()) units.push_back(unit);
    return units;
}

std::string unitName(const ::testing::TestParamInfo<VectorUnit>& info) {
    constexpr const char* names[] = {"PlainLoop", "Sse2", "Avx2"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryUnit, ComparisonTest, ::testing::ValuesIn(runnableUnits()), unitName);

TEST_P(ComparisonTest, CountsAndRunsMatchAByteByByteReferenceThroughEditsPastesUndoAndRedo) {
    std::mt19937 random(20240717);
    auto below = [&](std::int64_t n) { return static_cast<std::int64_t>(random() % static_cast<unsigned>(n)); };
    for (int pair = 0; pair < 24; ++pair) {
        const std::int64_t chunk = std::vector<std::int64_t>{64, 100, 333, 4096, compareChunkBytes}[pair % 5];
        const std::int64_t size = 1 + below(3 * viewPageBytes);
        std::vector<std::uint8_t> mine(static_cast<std::size_t>(size));
        for (auto& b : mine) b = static_cast<std::uint8_t>(below(4));
        // The other file: the same bytes with runs of others around chunk and page edges
        // and anywhere, or empty, or shorter or longer.
        std::vector<std::uint8_t> theirs = mine;
        const int shape = pair % 6;
        if (shape == 1) theirs.clear();
        if (shape == 2) theirs.resize(static_cast<std::size_t>(below(size)));
        if (shape == 3) theirs.resize(static_cast<std::size_t>(size + 1 + below(200)), 7);
        for (int k = 0; k < 12 && !theirs.empty(); ++k) {
            const std::int64_t edge = k % 3 == 0 ? chunk * (1 + below(8)) : k % 3 == 1 ? viewPageBytes : below(size);
            const std::int64_t from = std::clamp<std::int64_t>(edge - below(3), 0, std::ssize(theirs) - 1);
            for (std::int64_t i = from; i < std::min(from + below(70), std::ssize(theirs)); ++i) theirs[i] ^= 0x10;
        }
        open(mine, theirs);
        Reference ref{doc, theirs};

        host.stopAt = pair % 7 == 6 ? 1 + static_cast<int>(below(3)) : 0;
        host.checkpoints = 0;
        CompareFault fault;
        const CompareOutcome counted = countDifferences(cmp, doc, host, fault, chunk);
        if (host.stopAt > 0 && host.checkpoints >= host.stopAt) {
            // Escape: no counts, and edits then tally nothing until the next count.
            ASSERT_EQ(counted, CompareOutcome::stopped);
            EXPECT_FALSE(cmp.counted);
            EXPECT_EQ(host.status[statusPartActivity], L"Comparison stopped");
            change({0, 1}, [&] { storeByte(doc, 0, 0x55); });
            EXPECT_FALSE(cmp.counted);
            host.stopAt = 0;
            ASSERT_EQ(countDifferences(cmp, doc, host, fault, chunk), CompareOutcome::done);
        }
        host.stopAt = 0;
        ASSERT_EQ(cmp.counts, ref.counts()) << "pair " << pair << " as counted";

        for (int action = 0; action < 120; ++action) {
            const std::int64_t at = below(size);
            const int kind = static_cast<int>(below(10));
            if (kind < 4) {
                // Typed: often the other file's value, which makes the byte equal again.
                const bool equalise = kind < 2 && at < std::ssize(theirs);
                const auto value = static_cast<std::uint8_t>(equalise ? theirs[at] : below(4));
                change({at, at + 1}, [&] { ASSERT_TRUE(storeByte(doc, at, value)); });
            } else if (kind < 7) {
                std::vector<std::uint8_t> pasted(static_cast<std::size_t>(1 + below(std::min<std::int64_t>(size - at, 300))));
                for (std::size_t i = 0; i < pasted.size(); ++i) {
                    const std::int64_t o = at + static_cast<std::int64_t>(i);
                    pasted[i] = o < std::ssize(theirs) && below(3) > 0 ? theirs[o] : static_cast<std::uint8_t>(below(4));
                }
                Feed feed{&pasted};
                const std::int64_t count = std::ssize(pasted);
                change({at, at + count},
                       [&] { ASSERT_EQ(storeBytes(doc, at, count, ByteFeed{Feed::read, &feed}), count); });
            } else {
                // Told only the step's bytes, as the history names them before it moves.
                ByteRange touched;
                ReadFault readFault;
                change(doc.history.stepRange(kind < 9), [&] {
                    if (kind < 9) undoStep(doc, touched, readFault);
                    else redoStep(doc, touched, readFault);
                });
            }
            ASSERT_TRUE(cmp.counted);
            ASSERT_EQ(cmp.counts, ref.counts()) << "pair " << pair << ", action " << action;

            // Next and previous from anywhere, the ends included.
            const std::int64_t from = action % 3 == 0 ? 0 : action % 3 == 1 ? size : below(size + 1);
            for (const bool forward : {true, false}) {
                DifferenceRun run;
                ASSERT_EQ(findDifference(cmp, doc, from, forward, host, run, fault, chunk), CompareOutcome::done);
                const DifferenceRun want = forward ? ref.next(from) : ref.previous(from);
                ASSERT_EQ(std::make_pair(run.start, run.length), std::make_pair(want.start, want.length))
                    << "pair " << pair << ", action " << action << (forward ? ", next from " : ", previous from ")
                    << from;
                // Its number, found from the run numbered last, in whichever direction.
                std::int64_t number = 0;
                if (!run.found()) continue;
                ASSERT_EQ(numberOfRun(cmp, doc, run.start, host, number, fault, chunk), CompareOutcome::done);
                ASSERT_EQ(number, ref.runsBefore(run.start) + 1) << "pair " << pair << ", action " << action;
            }
        }
    }
}

TEST_P(ComparisonTest, AnOtherFileCutShorterIsReportedAndLeavesTheCountsUnknown) {
    const std::int64_t size = 4 * viewPageBytes;
    open(patternBytes(static_cast<std::size_t>(size), 1), patternBytes(static_cast<std::size_t>(size), 2));
    CompareFault fault;
    ASSERT_EQ(countDifferences(cmp, doc, host, fault, 1000), CompareOutcome::done);
    ASSERT_TRUE(cutFileShort(folder.file("theirs.bin"), static_cast<std::uintmax_t>(2 * viewPageBytes + 5)));

    DifferenceRun run;
    for (const bool forward : {true, false}) {
        fault = CompareFault{};
        ASSERT_EQ(findDifference(cmp, doc, forward ? 3 * viewPageBytes - 1 : size, forward, host, run, fault, 1000),
                  CompareOutcome::unreadable);
        EXPECT_TRUE(fault.inOther);
        EXPECT_EQ(fault.read.offset / viewPageBytes, 3);  // the first page gone, wherever the scan touched it
        EXPECT_FALSE(run.found());
    }
    // A typed byte beside the lost page: the counts go unknown, the user hears which file's
    // page it was, and part 0 no longer names counts.
    ViewState view;
    view.comparison = &cmp;
    const HexView hv{doc, view, host};
    const ByteRange typed{3 * viewPageBytes, 3 * viewPageBytes + 1};
    CompareFault uncounted;
    comparedBytesChanging(hv, typed, uncounted);
    ASSERT_TRUE(storeByte(doc, typed.begin, 0x77));
    comparedBytesChanged(hv, typed, uncounted);
    reportChangeFault(hv, ReadFault{}, uncounted);
    EXPECT_FALSE(cmp.counted);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text.rfind(L"Could not read theirs.bin", 0), 0u);
    EXPECT_EQ(host.status[statusPartActivity], L"Ready");
    fault = CompareFault{};
    EXPECT_EQ(countDifferences(cmp, doc, host, fault, 1000), CompareOutcome::unreadable);
    EXPECT_TRUE(fault.inOther);
    EXPECT_EQ(fault.read.offset / viewPageBytes, 3);
    EXPECT_FALSE(cmp.counted);
}

// Typing and pastes across a page edge, undone and redone, keep the counts named in part 0;
// over a page the system can no longer read, one fault gives one box.
TEST_P(ComparisonTest, EditsThroughTheViewKeepTheCountsNamedAndGiveOneBoxPerFault) {
    const std::int64_t size = 4 * viewPageBytes, edge = 2 * viewPageBytes;
    const struct {
        std::int64_t at, pasted;  // pasted 0: a typed byte
        bool cut;
    } cases[] = {{edge + 5, 0, false}, {edge, 1, false},       {edge - 1, 2, false}, {edge - 255, 511, false},
                 {edge - 256, 512, false}, {edge + 5, 0, true}, {edge + 5, 1, true}, {edge - 1, 2, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.pasted) + " pasted at " + std::to_string(c.at) + (c.cut ? ", cut" : ""));
        std::vector<std::uint8_t> mine = patternBytes(static_cast<std::size_t>(size), 1), theirs = mine;
        for (std::size_t i = 0; i < theirs.size(); i += 3) theirs[i] ^= 0x77;
        open(mine, theirs);
        std::wcscpy(doc.fileTitle, L"mine.bin");
        ViewState view;
        view.comparison = &cmp;
        view.lineHeight = view.charWidth = 10;
        view.clientHeight = 185;
        const HexView hv{doc, view, host};
        ASSERT_EQ(countComparison(hv), CompareOutcome::done);
        revealOffset(hv, c.at, CaretArea::character);
        if (c.cut) ASSERT_TRUE(cutFileShort(folder.file("mine.bin"), static_cast<std::uintmax_t>(edge)));
        host.boxes.clear();
        host.putClipboardText(std::u16string(static_cast<std::size_t>(c.pasted), u'x'));
        const int edited = c.pasted == 0 ? onChar(hv, L'z') : pasteFromClipboard(hv);
        if (c.cut) {
            EXPECT_TRUE(!cmp.counted && host.boxes.size() == 1u) << host.boxes.size() << " boxes";
            if (!host.boxes.empty()) EXPECT_EQ(host.boxes[0].text.rfind(L"Could not read mine.bin\n", 0), 0u);
            continue;
        }
        ASSERT_EQ(edited, 1);
        const Reference ref{doc, theirs};
        for (const auto& step : {+[](const HexView&) { return 1; }, undoEdit, redoEdit}) {
            ASSERT_EQ(step(hv), 1);
            ASSERT_TRUE(cmp.counted);
            EXPECT_EQ(cmp.counts, ref.counts());
            EXPECT_EQ(host.status[statusPartActivity], comparedText(ref.counts(), L"theirs.bin"));
        }
        EXPECT_TRUE(host.boxes.empty());
    }
}

TEST(ComparisonTexts, NameTheOtherFileAndSayHowManyBytesDifferInHowManyRuns) {
    EXPECT_EQ(comparedText({0, 0}, L"b.bin"), L"Compared with b.bin: the files are identical");
    EXPECT_EQ(comparedText({1, 1}, L"b.bin"), L"Compared with b.bin: 1 byte differs in 1 run");
    EXPECT_EQ(comparedText({5, 1}, L"b.bin"), L"Compared with b.bin: 5 bytes differ in 1 run");
    EXPECT_EQ(comparedText({4294967296, 3}, L"b.bin"), L"Compared with b.bin: 4294967296 bytes differ in 3 runs");
    EXPECT_EQ(differenceText({0x1A2B, 1}), L"Difference at 00001A2B: 1 byte");
    EXPECT_EQ(differenceText({0x100000000, 16}), L"Difference at 100000000: 16 bytes");
    EXPECT_EQ(differenceText({0x20, 2}, 3, 7), L"Difference 3 of 7 at 00000020: 2 bytes");
}

}  // namespace
}  // namespace quillix::test
