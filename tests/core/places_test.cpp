// Copy As, Select Block, the fill, the back and forward list, the bookmarks and their store.

#include <gtest/gtest.h>

#include <bit>
#include <cwchar>
#include <random>

#include "caret_fixture.h"
#include "hexview/regions.h"
#include "hexview/selection.h"
#include "hexview/undo.h"
#include "places/bookmarks.h"
#include "places/jump_list.h"

namespace quillix::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The text of bytes, formatted in pieces of piece bytes (a multiple of copyAsPieceAlign).
std::string copyAs(CopyAsFormat format, const Bytes& bytes, std::size_t piece) {
    std::string text(copyAsUnits(format, bytes.size()), '?');
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        formatCopyAsPiece(format, bytes.data() + at, at, std::min(piece, bytes.size() - at), bytes.size(),
                          text.data());
    EXPECT_EQ(text.back(), '\0');
    text.pop_back();
    return text;
}

TEST(CopyAsTest, TextsMatchAPlainReferenceWhateverThePieces) {
    // Base64 checked with Python's base64.b64encode: every length mod 3.
    const std::pair<Bytes, std::string> base64[] = {{{0x4D}, "TQ=="},
                                                    {{0x4D, 0x5A}, "TVo="},
                                                    {{0x4D, 0x5A, 0x90}, "TVqQ"},
                                                    {{0x4D, 0x5A, 0x90, 0}, "TVqQAA=="}};
    for (const auto& [bytes, text] : base64) EXPECT_EQ(copyAs(CopyAsFormat::base64, bytes, 48), text);
    // Hex and the C array the plain way, whatever the pieces, for every length.
    std::mt19937 random(7);
    Bytes bytes(700);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    for (std::size_t size = 1; size <= bytes.size(); ++size) {
        const Bytes head(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        const std::string digits = std::to_string(size);
        std::string hex, array = "unsigned char data[" + digits + "] = {\r\n    ";
        for (std::size_t i = 0; i < size; ++i) {
            const char value[] = {"0123456789ABCDEF"[head[i] >> 4], "0123456789ABCDEF"[head[i] & 15], 0};
            hex += value;
            array += "0x" + std::string(value);
            if (i + 1 < size) array += i % 16 == 15 ? ",\r\n    " : ", ";
        }
        ASSERT_EQ(copyAs(CopyAsFormat::hexString, head, 48), hex) << size;
        ASSERT_EQ(copyAs(CopyAsFormat::cArray, head, 48), array + "\r\n};") << size;
        for (auto format : {CopyAsFormat::hexString, CopyAsFormat::cArray, CopyAsFormat::base64})
            ASSERT_EQ(copyAs(format, head, 48), copyAs(format, head, 4800)) << size;
    }
}

// Against the plain rule, in hex and in decimal, around the document's end.
TEST(SelectBlockTest, ABlockIsReadOnlyWhenItLiesWhollyInTheDocument) {
    std::mt19937 random(3);
    BlockRange block{-5, -5};
    for (int i = 0; i < 3000; ++i) {
        const std::int64_t start = random() % 300, length = random() % 300;
        const bool hex = random() % 2, fits = start < 256 && length > 0 && start + length <= 256;
        wchar_t startText[24], lengthText[24];
        std::swprintf(startText, 24, hex ? L"%llX" : L"%lld", static_cast<long long>(start));
        std::swprintf(lengthText, 24, hex ? L"%llx" : L"%lld", static_cast<long long>(length));
        block = {-5, -5};
        EXPECT_EQ(readBlock(startText, lengthText, hex, 256, block), fits) << startText << L" " << lengthText;
        EXPECT_EQ(block.start * 1000 + block.length, fits ? start * 1000 + length : -5005);
    }
    for (const wchar_t* start : {L"", L"1A", L"FFFFFFFFFFFFFFFFFF"})  // no number, hex in decimal, too long
        EXPECT_FALSE(readBlock(start, L"1", start[0] != L'1', 256, block)) << start;
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
        using Range = std::pair<std::int64_t, std::int64_t>;  // from, count
        for (auto [from, count] : {Range{0, 1}, {0, 300}, {5, 256}, {699, 1}, {400, 300}, {0, size}}) {
            open(size);
            setSelection(hv, from + count - 1, from);  // either way round
            ASSERT_EQ(fillSelection(hv, pattern, 64), 1);
            Bytes want = original;
            for (std::int64_t i = 0; i < count; ++i) want[from + i] = pattern.bytes[i % length];
            ASSERT_EQ(bytes, want) << length << " " << from << " " << count;
            EXPECT_EQ(doc.isModified, 1);
            ASSERT_EQ(undoEdit(hv), 1);
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
    ASSERT_EQ(undoEdit(hv), 1);
    EXPECT_TRUE(bytesUnchanged());
    EXPECT_FALSE(doc.history.canUndo());

    doc.readOnly = true;
    EXPECT_EQ(fillSelection(hv, pattern), 0);
    EXPECT_EQ(host.boxes.back().text, L"File [sample.bin] is read only!");
    EXPECT_TRUE(bytesUnchanged());

    using P = PatternOutcome;
    const std::pair<const wchar_t*, P> patterns[] = {{L"", P::empty},      {L"  ", P::empty},
                                                     {L"A", P::oddDigits}, {L"AB C", P::oddDigits},
                                                     {L"AG", P::notHex},   {L"0 1", P::ready}};
    for (const auto& [text, outcome] : patterns) EXPECT_EQ(readFillPattern(text, pattern), outcome) << text;
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
                if (current > 0 && pages[current - 1] == pages[current]) pages.pop_back();  // behind already
                pages.push_back(to);
                if (pages.size() > static_cast<std::size_t>(jumpListPlaces) + 1) pages.erase(pages.begin());
                current = pages.size() - 1;
            } else if (what == 2) {
                ASSERT_EQ(list.back(pages[current], place), current > 0);
                ASSERT_TRUE(current == 0 || place == pages[--current]);
            } else {
                ASSERT_EQ(list.forward(pages[current], place), current + 1 < pages.size());
                ASSERT_TRUE(current + 1 == pages.size() || place == pages[++current]);
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
        const bool hasNext = next != plain.end() && *next != from;
        EXPECT_TRUE(nextBookmark(marks, from, to) == hasNext && (!hasNext || to == *next));
        auto previous = plain.lower_bound(from);
        if (previous == plain.begin()) previous = plain.end();
        const bool hasPrevious = previous != plain.begin() && *std::prev(previous) != from;
        EXPECT_TRUE(previousBookmark(marks, from, to) == hasPrevious &&
                    (!hasPrevious || to == *std::prev(previous)));
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
