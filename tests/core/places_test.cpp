// Regions and places: the Copy As texts, Select Block's numbers, the fill, the back and
// forward list and the bookmarks with their store.

#include <gtest/gtest.h>

#include <bit>
#include <random>

#include "caret_fixture.h"
#include "hexview/regions.h"
#include "hexview/selection.h"
#include "places/bookmarks.h"
#include "places/jump_list.h"

namespace quillix::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The text of bytes, formatted in pieces of piece bytes (a multiple of copyAsPieceAlign).
std::u16string copyAs(CopyAsFormat format, const Bytes& bytes, std::size_t piece) {
    std::u16string text(copyAsUnits(format, bytes.size()), u'?');
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        formatCopyAsPiece(format, bytes.data() + at, at, std::min(piece, bytes.size() - at), bytes.size(),
                          text.data());
    EXPECT_EQ(text.back(), u'\0');
    text.pop_back();
    return text;
}

TEST(CopyAsTest, TextsMatchCheckedExamplesWhateverThePieces) {
    // Checked with Python's bytes.hex and base64.b64encode: every length mod 3, and a
    // C array running past one line.
    Bytes seventeen;
    for (int value = 0xF0; value <= 0xFF; ++value) seventeen.push_back(static_cast<std::uint8_t>(value));
    seventeen.push_back(1);
    const struct {
        Bytes bytes;
        std::u16string hex, base64, array;
    } examples[] = {
        {{0x4D}, u"4D", u"TQ==", u"unsigned char data[1] = {\r\n    0x4D\r\n};"},
        {{0x4D, 0x5A}, u"4D5A", u"TVo=", u"unsigned char data[2] = {\r\n    0x4D, 0x5A\r\n};"},
        {{0x4D, 0x5A, 0x90}, u"4D5A90", u"TVqQ", u"unsigned char data[3] = {\r\n    0x4D, 0x5A, 0x90\r\n};"},
        {{0x4D, 0x5A, 0x90, 0x00},
         u"4D5A9000",
         u"TVqQAA==",
         u"unsigned char data[4] = {\r\n    0x4D, 0x5A, 0x90, 0x00\r\n};"},
        {seventeen, u"F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF01", u"8PHy8/T19vf4+fr7/P3+/wE=",
         u"unsigned char data[17] = {\r\n    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, "
         u"0xFA, "
         u"0xFB, 0xFC, 0xFD, 0xFE, 0xFF,\r\n    0x01\r\n};"},
    };
    for (const auto& example : examples) {
        EXPECT_EQ(copyAs(CopyAsFormat::hexString, example.bytes, 48), example.hex);
        EXPECT_EQ(copyAs(CopyAsFormat::base64, example.bytes, 48), example.base64);
        EXPECT_EQ(copyAs(CopyAsFormat::cArray, example.bytes, 48), example.array);
    }
    // Pieces land where the whole text puts them, for every length across a few pieces.
    std::mt19937 random(7);
    Bytes bytes(300);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    for (std::size_t size = 1; size <= bytes.size(); ++size) {
        const Bytes head(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        // The C array the plain way: values joined by ", ", a line break after every 16th.
        const std::string digits = std::to_string(size);
        std::u16string array =
            u"unsigned char data[" + std::u16string(digits.begin(), digits.end()) + u"] = {\r\n    ";
        for (std::size_t i = 0; i < size; ++i) {
            const char16_t value[] = {u'0', u'x', u"0123456789ABCDEF"[head[i] >> 4],
                                      u"0123456789ABCDEF"[head[i] & 15], 0};
            array += value;
            if (i + 1 < size) array += i % 16 == 15 ? u",\r\n    " : u", ";
        }
        ASSERT_EQ(copyAs(CopyAsFormat::cArray, head, 48), array + u"\r\n};") << size;
        for (auto format : {CopyAsFormat::hexString, CopyAsFormat::cArray, CopyAsFormat::base64})
            ASSERT_EQ(copyAs(format, head, 48), copyAs(format, head, 480)) << size;
    }
}

TEST(SelectBlockTest, ABlockIsReadOnlyWhenItLiesWhollyInTheDocument) {
    const struct {
        const wchar_t *start, *length;
        bool hex, accepted;
        std::int64_t wantStart, wantLength;
    } cases[] = {
        {L"10", L"20", true, true, 16, 32},
        {L"10", L"20", false, true, 10, 20},
        {L"0", L"100", true, true, 0, 256},
        {L"FF", L"1", true, true, 255, 1},
        {L"100", L"1", true, false, 0, 0},
        {L"0", L"101", true, false, 0, 0},
        {L"FF", L"2", true, false, 0, 0},
        {L"10", L"0", true, false, 0, 0},
        {L"", L"1", true, false, 0, 0},
        {L"1A", L"1", false, false, 0, 0},
        {L"FFFFFFFFFFFFFFFFFF", L"1", true, false, 0, 0},
    };
    for (const auto& c : cases) {
        BlockRange block{-5, -5};
        EXPECT_EQ(readBlock(c.start, c.length, c.hex, 256, block), c.accepted) << c.start << L" " << c.length;
        if (c.accepted) {
            EXPECT_EQ(block.start * 1000 + block.length, c.wantStart * 1000 + c.wantLength);
        }
        if (!c.accepted) {
            EXPECT_EQ(block.start, -5);
        }
    }
}

class FillTest : public CaretViewFixture {
protected:
    std::int64_t redBytes() const {
        std::int64_t red = 0;
        for (std::int64_t row = 0; row < doc.lineCount; ++row)
            red += std::popcount(changedMaskOfRow(doc, row));
        return red;
    }
};

TEST_F(FillTest, FillsAsAPlainLoopWouldAsOneStepThatUndoes) {
    const std::int64_t size = 700;
    for (std::size_t length : {1u, 2u, 3u, 7u, 16u, 256u}) {
        FillPattern pattern;
        pattern.count = length;
        for (std::size_t i = 0; i < length; ++i)
            pattern.bytes[i] = static_cast<std::uint8_t>(0x11 * i + 0x80);
        for (auto [from, count] : {std::pair<std::int64_t, std::int64_t>{0, 1},
                                   {0, 300},
                                   {5, 256},
                                   {699, 1},
                                   {400, 300},
                                   {0, size}}) {
            open(size);
            setSelection(hv, from + count - 1, from);  // either way round
            ASSERT_EQ(fillSelection(hv, pattern, 64), 1);
            Bytes want = original;
            for (std::int64_t i = 0; i < count; ++i) want[from + i] = pattern.bytes[i % length];
            ASSERT_EQ(bytes, want) << length << " " << from << " " << count;
            EXPECT_EQ(doc.isModified, 1);
            ByteRange touched;
            ReadFault fault;
            ASSERT_EQ(undoStep(doc, touched, fault), StepOutcome::done);
            EXPECT_TRUE(bytesUnchanged());
            EXPECT_FALSE(doc.history.canUndo());
        }
    }
}

TEST_F(FillTest, EscapeKeepsWhatWasFilledAsOneStepAndReadOnlyIsRefused) {
    open(100);
    FillPattern pattern;
    ASSERT_EQ(readFillPattern(L"AB cd", pattern), PatternOutcome::ready);
    setSelection(hv, 0, 99);
    host.clockStep = 200;
    host.stopAt = 4;  // three chunks of 10 went in
    EXPECT_EQ(fillSelection(hv, pattern, 10), fillStopped);
    EXPECT_EQ(host.status[statusPartActivity], L"Fill stopped");
    EXPECT_NE(std::find(host.activity.begin(), host.activity.end(), L"Filling\u2026 20 %"),
              host.activity.end());
    EXPECT_EQ(redBytes(), 30);
    ByteRange touched;
    ReadFault fault;
    ASSERT_EQ(undoStep(doc, touched, fault), StepOutcome::done);
    EXPECT_TRUE(bytesUnchanged());
    EXPECT_FALSE(doc.history.canUndo());

    doc.readOnly = true;
    EXPECT_EQ(fillSelection(hv, pattern), 0);
    EXPECT_EQ(host.boxes.back().text, L"File [sample.bin] is read only!");
    EXPECT_TRUE(bytesUnchanged());

    const struct {
        const wchar_t* text;
        PatternOutcome outcome;
    } patterns[] = {{L"", PatternOutcome::empty},      {L"  ", PatternOutcome::empty},
                    {L"A", PatternOutcome::oddDigits}, {L"AB C", PatternOutcome::oddDigits},
                    {L"AG", PatternOutcome::notHex},   {L"0 1", PatternOutcome::ready}};
    for (const auto& p : patterns) EXPECT_EQ(readFillPattern(p.text, pattern), p.outcome) << p.text;
    EXPECT_EQ(pattern.count, 1u);
    EXPECT_EQ(readFillPattern(std::wstring(512, L'7').c_str(), pattern), PatternOutcome::ready);
    EXPECT_EQ(readFillPattern(std::wstring(514, L'7').c_str(), pattern), PatternOutcome::tooLong);
}

// The browser's own way: a list of places and the index of the current one.
TEST(JumpListTest, WalksAsABrowserHistoryOfAHundredPlaces) {
    std::mt19937 random(11);
    for (int round = 0; round < 50; ++round) {
        JumpList list;
        std::vector<std::int64_t> pages{0};
        std::size_t current = 0;
        for (int step = 0; step < 400; ++step) {
            const int what = static_cast<int>(random() % 4);
            std::int64_t place = -1;
            if (what <= 1) {  // a jump to a new place
                const std::int64_t to = static_cast<std::int64_t>(random() % 50);
                list.jumped(pages[current]);
                pages.resize(current + 1);
                if (current > 0 && pages[current - 1] == pages[current]) {  // that place is behind already
                    pages.pop_back();
                    --current;
                }
                pages.push_back(to);
                ++current;
                if (pages.size() > static_cast<std::size_t>(jumpListPlaces) + 1) {
                    pages.erase(pages.begin());
                    --current;
                }
            } else if (what == 2) {
                ASSERT_EQ(list.back(pages[current], place), current > 0);
                if (current > 0) {
                    ASSERT_EQ(place, pages[--current]);
                }
            } else {
                ASSERT_EQ(list.forward(pages[current], place), current + 1 < pages.size());
                if (current + 1 < pages.size()) {
                    ASSERT_EQ(place, pages[++current]);
                }
            }
        }
    }
}

TEST(BookmarksTest, NextAndPreviousWrapAndTheStoreReadsBackOrIsRefusedWhole) {
    std::mt19937 random(5);
    Bookmarks marks;
    std::set<std::int64_t> plain;
    for (int i = 0; i < 300; ++i) {
        const std::int64_t offset = static_cast<std::int64_t>(random() % 200);
        EXPECT_EQ(toggleBookmark(marks, offset), plain.insert(offset).second || !plain.erase(offset));
        std::int64_t from = static_cast<std::int64_t>(random() % 200), to = -1;
        auto next = plain.upper_bound(from);
        if (next == plain.end()) next = plain.begin();
        EXPECT_EQ(nextBookmark(marks, from, to), next != plain.end() && *next != from);
        if (next != plain.end() && *next != from) {
            EXPECT_EQ(to, *next);
        }
        auto previous = plain.lower_bound(from);
        if (previous == plain.begin()) previous = plain.end();
        const bool hasPrevious = previous != plain.begin() && *std::prev(previous) != from;
        EXPECT_EQ(previousBookmark(marks, from, to), hasPrevious);
        if (hasPrevious) {
            EXPECT_EQ(to, *std::prev(previous));
        }
    }
    const std::string text = bookmarkStoreText(marks);
    Bookmarks read;
    ASSERT_TRUE(readBookmarkStore(text.data(), text.size(), 200, read));
    EXPECT_EQ(read.offsets, std::vector<std::int64_t>(plain.begin(), plain.end()));
    ASSERT_TRUE(readBookmarkStore(text.data(), text.size(), 100, read));  // the file got shorter
    EXPECT_EQ(read.offsets, std::vector<std::int64_t>(plain.begin(), plain.lower_bound(100)));
    for (const char* damaged :
         {"", "Quillix-64bit bookmarks 2\r\n", "Quillix-64bit bookmarks 1\r\n10\r\nzz\r\n",
          "Quillix-64bit bookmarks 1\r\n20\r\n10\r\n", "Quillix-64bit bookmarks 1\r\n\r\n5\r\n",
          "Quillix-64bit bookmarks 1\r\n11111111111111111\r\n"}) {
        Bookmarks kept = read;
        EXPECT_FALSE(readBookmarkStore(damaged, std::strlen(damaged), 200, kept)) << damaged;
        EXPECT_EQ(kept.offsets, read.offsets);
    }
    EXPECT_EQ(bookmarkStoreName(L"C:\\Data\\a.bin"), bookmarkStoreName(L"c:\\data\\A.BIN"));
    EXPECT_NE(bookmarkStoreName(L"C:\\Data\\a.bin"), bookmarkStoreName(L"C:\\Data\\b.bin"));
}

}  // namespace
}  // namespace quillix::test
