// Scrolling by rows, the scroll range, the wheel and its carried remainder, the pull-back
// of the caret at the end of a scroll gesture, and where a click puts the caret.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "document/document.h"
#include "hexview/hex_view.h"
#include "recording_host.h"

namespace quillix::test {
namespace {

// The font metrics the view gets under Wine.
constexpr std::int64_t cw = 10;
constexpr std::int64_t lh = 18;

std::wstring offsetText(std::int64_t offset) {
    wchar_t text[32];
    std::swprintf(text, 32, L"Offset: %08llX", static_cast<unsigned long long>(offset));
    return text;
}

struct ScrollFixture : ::testing::Test {
    // A document of size bytes in a view of viewRows whole rows plus a sliver.
    void open(std::int64_t size, std::int64_t viewRows) {
        bytes.assign(static_cast<std::size_t>(size), 0x33);
        doc.fileBytes = bytes.data();
        doc.fileSize = size;
        doc.lineCount = lineCountFor(size);
        view.charWidth = cw;
        view.lineHeight = lh;
        resize(viewRows);
    }
    void resize(std::int64_t viewRows) {
        view.clientHeight = viewRows * lh + 7;
        onSize(hv);
    }
    // Scrolls to top without going through the handlers, then forgets what the host saw.
    void startAt(std::int64_t top) {
        view.topLine = top;
        host = RecordingHost{};
    }

    // A number below n from the generator, which each property test seeds.
    std::int64_t below(std::int64_t n) {
        return static_cast<std::int64_t>(generator() % static_cast<std::uint64_t>(n));
    }

    std::vector<std::uint8_t> bytes;
    Document doc;
    ViewState view;
    RecordingHost host;
    HexView hv{doc, view, host};
    std::mt19937_64 generator;
};

// --- Scroll range -------------------------------------------------------------------

TEST_F(ScrollFixture, SizeSetsTheRangeAndPullsTheTopBackIntoIt) {
    open(200, 5);  // rows 0..12 hold bytes: lineCount 14
    EXPECT_EQ(view.scrollMax, 14 - 5);
    EXPECT_EQ(host.scrollMax, 9);
    EXPECT_EQ(host.scrollPos, 0);

    view.topLine = 9;
    resize(8);
    EXPECT_EQ(view.scrollMax, 6);
    EXPECT_EQ(view.topLine, 6);
    EXPECT_EQ(host.scrollPos, 6);
    // A taller view only widens what is allowed; the top stays.
    resize(6);
    EXPECT_EQ(view.topLine, 6);
    EXPECT_EQ(view.scrollMax, 8);

    // Nothing is repainted and the caret stays where it is.
    EXPECT_TRUE(host.invalidates.empty());
    EXPECT_EQ(host.caretMoves, 0);

    // Opening sets lineCount to 0 first: that brings the view back to the top.
    doc.lineCount = 0;
    onSize(hv);
    EXPECT_EQ(view.scrollMax, 0);
    EXPECT_EQ(view.topLine, 0);
    EXPECT_EQ(host.scrollMax, 0);
}

TEST_F(ScrollFixture, WhenEveryRowFitsNoRequestMovesButEachRewritesTheStatus) {
    open(100, 10);  // lineCount 8
    EXPECT_EQ(view.scrollMax, 0);
    EXPECT_EQ(host.rangeSets, 1);
    view.caretRow = 2;
    view.byteColumn = 3;
    for (int request = scrollLineUp; request <= scrollBottom; ++request) {
        host.trackPos = 4;
        int writes = host.statusWrites;
        onVScroll(hv, request);
        EXPECT_EQ(view.topLine, 0) << request;
        EXPECT_EQ(host.statusWrites, writes + 1) << request;
        EXPECT_EQ(host.status[1], offsetText(2 * 16 + 2)) << request;
    }
    EXPECT_TRUE(host.invalidates.empty());
    EXPECT_EQ(host.positionSets, 0);
}

// --- Scroll requests ----------------------------------------------------------------

TEST_F(ScrollFixture, EachRequestMovesByItsAmountWithinTheRange) {
    open(1000, 10);  // lineCount 64, scrollMax 54
    ASSERT_EQ(view.scrollMax, 54);
    struct Case {
        int request;
        std::int64_t from;
        int track;
        std::int64_t to;
    } cases[] = {
        {scrollLineUp, 20, 0, 19},         {scrollLineDown, 20, 0, 21},
        {scrollPageUp, 20, 0, 10},         {scrollPageDown, 20, 0, 30},
        {scrollThumbPosition, 20, 33, 20},  // only tracking moves the view
        {scrollThumbTrack, 20, 33, 33},    {scrollTop, 20, 0, 0},
        {scrollBottom, 20, 0, 54},         {9, 20, 0, 20},
        {scrollLineUp, 0, 0, 0},           {scrollPageUp, 3, 0, 0},
        {scrollLineDown, 54, 0, 54},       {scrollPageDown, 50, 0, 54},
        {scrollThumbTrack, 20, 100, 54},   {scrollThumbTrack, 20, -5, 0},
    };
    for (const Case& c : cases) {
        startAt(c.from);
        host.trackPos = c.track;
        onVScroll(hv, c.request);
        EXPECT_EQ(view.topLine, c.to) << "request " << c.request << " from " << c.from;
        if (c.to == c.from) {
            EXPECT_TRUE(host.invalidates.empty());
            EXPECT_EQ(host.positionSets, 0);
            continue;
        }
        // The view is drawn again at once, in full, without erasing.
        EXPECT_EQ(host.scrollPos, c.to);
        ASSERT_GE(host.invalidates.size(), 1u);
        EXPECT_TRUE(host.invalidates[0].whole);
        EXPECT_FALSE(host.invalidates[0].erase);
        EXPECT_GE(host.updates, 1);
    }
}

TEST_F(ScrollFixture, ViewShorterThanARowPagesByOneRow) {
    open(1000, 0);
    ASSERT_EQ(rows(view), 0);
    startAt(20);
    onVScroll(hv, scrollPageDown);
    EXPECT_EQ(view.topLine, 21);
    onVScroll(hv, scrollPageUp);
    onVScroll(hv, scrollPageUp);
    EXPECT_EQ(view.topLine, 19);
}

TEST_F(ScrollFixture, TheLastTwoPositionsAlsoEraseTheBottomStrip) {
    open(1000, 10);  // lineCount 64: the strip goes with topLine 53 and 54
    const PixelRect strip{0, static_cast<int>(view.clientHeight - 3 * lh), static_cast<int>(66 * cw),
                          static_cast<int>(view.clientHeight)};
    for (std::int64_t from : {51, 52, 53, 54}) {
        for (int request : {scrollLineDown, scrollLineUp}) {
            startAt(from);
            onVScroll(hv, request);
            if (view.topLine == from) continue;
            bool nearEnd = view.topLine >= 53;
            ASSERT_EQ(host.invalidates.size(), nearEnd ? 2u : 1u) << from << " -> " << view.topLine;
            EXPECT_EQ(host.updates, nearEnd ? 2 : 1);
            if (!nearEnd) continue;
            EXPECT_FALSE(host.invalidates[1].whole);
            EXPECT_EQ(host.invalidates[1].rect, strip);
            EXPECT_TRUE(host.invalidates[1].erase);
        }
    }
}

TEST_F(ScrollFixture, ScrollingMovesTheTextUnderAStillCaret) {
    open(1000, 10);
    startAt(4);
    view.caretRow = 2;
    view.caretCell = 22;
    view.byteColumn = 6;
    onVScroll(hv, scrollLineDown);
    EXPECT_EQ(offsetOf(view), (5 + 2) * 16 + 5);
    EXPECT_EQ(host.status[1], offsetText((5 + 2) * 16 + 5));
    onVScroll(hv, scrollLineUp);
    EXPECT_EQ(host.status[1], offsetText((4 + 2) * 16 + 5));
    EXPECT_EQ(view.caretRow, 2);
    EXPECT_EQ(view.caretCell, 22);
    EXPECT_EQ(host.caretMoves, 0);
}

TEST_F(ScrollFixture, AfterAScrollTheStatusShowsOffsetsPastTheEndRatherThanEof) {
    open(17, 5);
    view.caretRow = 1;
    view.byteColumn = 2;  // one past the last byte
    onVScroll(hv, scrollLineUp);
    EXPECT_EQ(host.status[1], L"Offset: 00000011");
    view.caretRow = 5;
    onVScroll(hv, scrollThumbPosition);
    EXPECT_EQ(host.status[1], L"Offset: 00000051");
}

// --- End of a scroll gesture --------------------------------------------------------

TEST_F(ScrollFixture, EndOfScrollPullsACaretBelowTheDataOntoTheLastBytes) {
    open(200, 5);  // last data row 12 holds 192..199; bottom position topLine 9
    struct Case {
        std::int64_t row, column, expectRow;
    } cases[] = {
        {4, 5, 3},  {5, 5, 3},   // under a byte of the partial last row: onto it
        {4, 12, 2}, {5, 12, 2},  // right of its last byte: the full row above
        {4, 8, 3},  {4, 9, 2},   // the edge: byte 8 is the last one
        {0, 12, 0}, {3, 8, 3},  {2, 5, 2},
    };
    for (const Case& c : cases) {
        startAt(9);
        view.caretRow = c.row;
        view.byteColumn = c.column;
        view.caretCell = highCellOf[static_cast<std::size_t>(c.column)];
        onVScroll(hv, scrollEnd);
        EXPECT_EQ(view.caretRow, c.expectRow) << c.row << "/" << c.column;
        EXPECT_EQ(view.topLine, 9);
        EXPECT_LT(offsetOf(view), doc.fileSize);
        EXPECT_EQ(host.status[1], offsetText(offsetOf(view)));
        EXPECT_TRUE(host.invalidates.empty());
        if (c.row != c.expectRow) {
            EXPECT_EQ(host.caretX, view.caretCell * cw);
            EXPECT_EQ(host.caretY, c.expectRow * lh);
        }
    }
    startAt(9);
    view.caretRow = 4;
    view.byteColumn = 5;
    onVScroll(hv, scrollEnd);
    EXPECT_EQ(offsetOf(view), 196);
    view.caretRow = 4;
    view.byteColumn = 12;
    onVScroll(hv, scrollEnd);
    EXPECT_EQ(offsetOf(view), 187);

    // Not at the bottom position: nothing moves, the status is still written.
    startAt(8);
    view.caretRow = 4;
    view.byteColumn = 5;
    onVScroll(hv, scrollEnd);
    EXPECT_EQ(view.caretRow, 4);
    EXPECT_EQ(host.caretMoves, 0);
    EXPECT_EQ(host.status[1], offsetText(12 * 16 + 4));
}

TEST_F(ScrollFixture, EndOfScrollWithFullLastRowUsesItForEveryColumn) {
    open(192, 5);  // rows 0..11 full, lineCount 13, bottom position 8
    startAt(8);
    view.caretRow = 5;
    view.byteColumn = 16;
    onVScroll(hv, scrollEnd);
    EXPECT_EQ(view.caretRow, 3);
    EXPECT_EQ(offsetOf(view), 191);
}

TEST_F(ScrollFixture, EndOfScrollInShortViewsReachesTheSameBytesWithoutLeavingTheView) {
    for (std::int64_t viewRows = 0; viewRows <= 6; ++viewRows) {
        for (std::int64_t column : {5, 12}) {
            for (std::int64_t below : {1, 0}) {  // the blank row, or the partly visible one
                open(200, viewRows);
                startAt(doc.lineCount - viewRows);
                view.caretRow = viewRows - below;
                if (view.caretRow < 0) continue;
                view.byteColumn = column;
                onVScroll(hv, scrollEnd);
                SCOPED_TRACE(::testing::Message() << viewRows << " rows, column " << column);
                EXPECT_EQ(offsetOf(view), column == 5 ? 196 : 187);
                EXPECT_GE(view.caretRow, 0);
                EXPECT_LE(view.caretRow, std::max<std::int64_t>(viewRows - 1, 0));
                EXPECT_GE(view.topLine, 0);
                if (host.positionSets > 0) {
                    EXPECT_EQ(host.scrollPos, view.topLine);
                }
                EXPECT_EQ(host.caretY, view.caretRow * lh);
            }
        }
    }
}

TEST_F(ScrollFixture, EndOfScrollNeverSendsTheCaretAboveTheFirstRow) {
    // One partial row in a view two rows tall: the full row above it does not exist.
    open(5, 2);
    ASSERT_EQ(view.scrollMax, 0);
    view.caretRow = 1;
    view.byteColumn = 9;
    view.caretCell = highCellOf[9];
    onVScroll(hv, scrollEnd);
    EXPECT_EQ(view.topLine, 0);
    EXPECT_EQ(view.caretRow, 0);
    EXPECT_EQ(offsetOf(view), 8);
    EXPECT_EQ(host.status[1], offsetText(8));
}

// --- Wheel --------------------------------------------------------------------------

TEST_F(ScrollFixture, WheelTurnsWholeStepsIntoRowsAndCarriesTheRest) {
    open(1000, 10);
    updateWheelStep(view, 3);
    ASSERT_EQ(view.wheelStep, 40u);
    struct Turn {
        int delta;
        std::int64_t rowsDown;  // negative: up
        std::int32_t remainder;
    } turns[] = {
        {120, -3, 0}, {60, -1, 20},   {60, -2, 0}, {-30, 0, -30}, {-30, 1, -20}, {40, 0, 20},
        {-60, 1, 0},  {-119, 2, -39}, {-1, 1, 0},  {39, 0, 39},   {-39, 0, 0},
    };
    startAt(30);
    for (const Turn& t : turns) {
        std::int64_t top = view.topLine;
        int requests = host.statusWrites;
        EXPECT_TRUE(onMouseWheel(hv, t.delta));
        EXPECT_EQ(view.topLine - top, t.rowsDown) << t.delta;
        EXPECT_EQ(host.statusWrites - requests, std::abs(t.rowsDown)) << t.delta;
        EXPECT_EQ(view.wheelRemainder, t.remainder) << t.delta;
    }
}

TEST_F(ScrollFixture, WheelUsesUpItsDeltaEvenWhenTheViewCannotMove) {
    open(1000, 10);
    updateWheelStep(view, 7);
    ASSERT_EQ(view.wheelStep, 17u);
    startAt(0);
    EXPECT_TRUE(onMouseWheel(hv, 120));
    EXPECT_EQ(view.topLine, 0);
    EXPECT_EQ(host.statusWrites, 7);  // seven clamped SB_LINEUP requests
    EXPECT_EQ(view.wheelRemainder, 1);
    EXPECT_TRUE(host.invalidates.empty());
}

TEST_F(ScrollFixture, WheelOffLeavesTheMessageToTheSystem) {
    open(1000, 10);
    for (std::uint32_t lines : {0u, 121u, 0xFFFFFFFFu}) {
        updateWheelStep(view, lines);
        EXPECT_EQ(view.wheelStep, 0u) << lines;
        startAt(30);
        view.wheelRemainder = 25;
        EXPECT_FALSE(onMouseWheel(hv, -120));
        EXPECT_EQ(view.wheelRemainder, 25);
        EXPECT_EQ(view.topLine, 30);
        EXPECT_EQ(host.statusWrites, 0);
    }
}

// --- Click --------------------------------------------------------------------------

TEST_F(ScrollFixture, ClickPixelsMapToTheHighNibbleOfTheirByte) {
    open(64, 5);
    // Cell ranges that select a byte, written out from the row layout.
    struct Range {
        int from, to;  // cells, to exclusive
        int cell, column;
    };
    const Range hexRanges[] = {
        {10, 12, 10, 1},  {12, 14, 12, 2},  {15, 17, 15, 3},  {17, 19, 17, 4},
        {20, 22, 20, 5},  {22, 24, 22, 6},  {25, 27, 25, 7},  {27, 29, 27, 8},
        {30, 32, 30, 9},  {32, 34, 32, 10}, {35, 37, 35, 11}, {37, 39, 37, 12},
        {40, 42, 40, 13}, {42, 44, 42, 14}, {45, 47, 45, 15}, {47, 49, 47, 16},
    };
    const std::int64_t keptCell = 60, keptColumn = 11;
    for (unsigned x = 0; x <= 66 * cw + 3; ++x) {
        view.caretRow = 3;
        view.caretCell = keptCell;
        view.byteColumn = keptColumn;
        view.matchVisible = 1;
        host = RecordingHost{};
        bool handled = onLButtonDown(hv, x, 2 * lh + 5);
        EXPECT_TRUE(handled) << x;
        std::int64_t wantCell = keptCell, wantColumn = keptColumn;
        bool ignored = x <= 10 * cw || x >= 66 * cw;
        for (const Range& r : hexRanges) {
            if (x >= r.from * cw && x < r.to * cw) {
                wantCell = r.cell;
                wantColumn = r.column;
            }
        }
        if (x >= 50 * cw && x < 66 * cw) {
            wantCell = x / cw;
            wantColumn = x / cw - 49;
        }
        if (ignored) {
            EXPECT_EQ(view.caretRow, 3) << x;
            EXPECT_EQ(view.caretCell, keptCell) << x;
            EXPECT_EQ(view.matchVisible, 1) << x;
            EXPECT_EQ(host.statusWrites, 0) << x;
            EXPECT_TRUE(host.invalidates.empty()) << x;
            continue;
        }
        // A gap click keeps the column and only changes the row.
        EXPECT_EQ(view.caretRow, 2) << x;
        EXPECT_EQ(view.caretCell, wantCell) << x;
        EXPECT_EQ(view.byteColumn, wantColumn) << x;
        EXPECT_EQ(view.matchVisible, 0) << x;
        EXPECT_EQ(host.caretX, wantCell * cw) << x;
        EXPECT_EQ(host.caretY, 2 * lh) << x;
        EXPECT_EQ(host.status[1], offsetText(2 * 16 + wantColumn - 1)) << x;
        ASSERT_EQ(host.invalidates.size(), 1u) << x;
        EXPECT_TRUE(host.invalidates[0].whole);
        EXPECT_FALSE(host.invalidates[0].erase);
        EXPECT_EQ(host.updates, 0) << "the repaint waits for the next paint";
    }
}

TEST_F(ScrollFixture, ClickRowsCountFromTheTopLine) {
    open(1000, 10);
    startAt(7);
    EXPECT_TRUE(onLButtonDown(hv, 65 * cw, 4 * lh + lh - 1));
    EXPECT_EQ(view.caretRow, 4);
    EXPECT_EQ(view.caretCell, 65);
    EXPECT_EQ(view.byteColumn, 16);
    EXPECT_EQ(offsetOf(view), (7 + 4) * 16 + 15);
    EXPECT_TRUE(onLButtonDown(hv, 13 * cw + 9, 5 * lh));
    EXPECT_EQ(view.caretRow, 5);
    EXPECT_EQ(view.caretCell, 12);
}

TEST_F(ScrollFixture, ClickPastTheLastByteChangesNothing) {
    open(17, 5);  // row 1 holds one byte
    struct Click {
        unsigned x, y;
        std::int64_t columnBefore;
        bool accepted;
    } clicks[] = {
        {10 * cw + 1, 1 * lh, 1, true},   // the last byte
        {12 * cw, 1 * lh, 1, false},      // right of it, hex area
        {51 * cw, 1 * lh, 1, false},      // right of it, characters
        {10 * cw + 1, 2 * lh, 1, false},  // the row under it
        {14 * cw, 1 * lh, 1, true},       // gap: keeps column 1, which row 1 has
        {14 * cw, 1 * lh, 2, false},      // gap: keeps column 2, which row 1 lacks
        {49 * cw + 5, 0, 16, true},
    };
    for (const Click& c : clicks) {
        view.caretRow = 0;
        view.byteColumn = c.columnBefore;
        view.caretCell = highCellOf[static_cast<std::size_t>(c.columnBefore)];
        view.matchVisible = 1;
        host = RecordingHost{};
        EXPECT_EQ(onLButtonDown(hv, c.x, c.y), c.accepted) << c.x << "," << c.y;
        if (c.accepted) {
            EXPECT_LT(offsetOf(view), doc.fileSize);
            continue;
        }
        EXPECT_EQ(view.caretRow, 0);
        EXPECT_EQ(view.byteColumn, c.columnBefore);
        EXPECT_EQ(view.matchVisible, 1);
        EXPECT_EQ(host.caretMoves, 0);
        EXPECT_EQ(host.statusWrites, 0);
        EXPECT_TRUE(host.invalidates.empty());
    }
}

TEST_F(ScrollFixture, WithoutADocumentScrollsAndClicksChangeNothing) {
    view.charWidth = cw;
    view.lineHeight = lh;
    view.clientHeight = 10 * lh;
    onSize(hv);
    host = RecordingHost{};
    for (int request = scrollLineUp; request <= scrollEnd; ++request) onVScroll(hv, request);
    updateWheelStep(view, 3);
    onMouseWheel(hv, -240);
    EXPECT_FALSE(onLButtonDown(hv, 10 * cw + 1, 0));
    EXPECT_EQ(view.topLine, 0);
    EXPECT_EQ(view.caretRow, 0);
    EXPECT_EQ(view.byteColumn, 1);
    EXPECT_TRUE(host.invalidates.empty());
    EXPECT_EQ(host.caretMoves, 0);
    EXPECT_EQ(host.statusWrites, 0);
}

// --- A DPI change ------------------------------------------------------------------

// The cell size and the view height a DPI change brings: the font measured again and the
// window resized, then keepViewAnchor.
void changeMetrics(ScrollFixture& f, std::int64_t charWidth, std::int64_t lineHeight, std::int64_t height) {
    f.view.charWidth = charWidth;
    f.view.lineHeight = lineHeight;
    f.view.clientHeight = height;
}

TEST_F(ScrollFixture, ADpiChangeKeepsTheTopRowAndTheCaretsByte) {
    open(2000, 10);  // 126 rows
    startAt(40);
    view.caretRow = 6;
    view.caretCell = 27;
    view.byteColumn = 8;
    view.matchVisible = 1;
    const std::int64_t offset = offsetOf(view);
    const ViewAnchor anchor = viewAnchor(view);
    // The frame's sizes pass through the view on their way: a tall one clamps it to the top.
    changeMetrics(*this, 15, 27, 4000);
    onSize(hv);
    ASSERT_EQ(view.topLine, 0);
    changeMetrics(*this, 15, 27, 10 * 27 + 10);
    keepViewAnchor(hv, anchor);
    EXPECT_EQ(view.topLine, 40);
    EXPECT_EQ(view.caretRow, 6);
    EXPECT_EQ(view.caretCell, 27);
    EXPECT_EQ(view.byteColumn, 8);
    EXPECT_EQ(offsetOf(view), offset);
    EXPECT_EQ(view.matchVisible, 1);
    EXPECT_EQ(host.scrollMax, 126 - 10);
    EXPECT_EQ(host.scrollPos, 40);
    EXPECT_EQ(host.caretX, 27 * 15);
    EXPECT_EQ(host.caretY, 6 * 27);
    ASSERT_FALSE(host.invalidates.empty());
    EXPECT_TRUE(host.invalidates.back().whole);
    EXPECT_TRUE(host.invalidates.back().erase);
    EXPECT_GE(host.updates, 1);
}

TEST_F(ScrollFixture, RandomDpiChangesKeepTheCaretsByteInSight) {
    generator.seed(96144);
    for (int trial = 0; trial < 3000; ++trial) {
        view = ViewState{};
        host = RecordingHost{};
        open(1 + below(3000), below(41));
        startAt(below(view.scrollMax + 1));
        // Anywhere on the view's rows that show the document, its blank last row included.
        view.caretRow = below(std::clamp<std::int64_t>(doc.lineCount - 1 - view.topLine, 0, rows(view)) + 1);
        const std::int64_t offset = offsetOf(view);
        const std::int64_t cell = view.caretCell;
        const ViewAnchor anchor = viewAnchor(view);
        const std::int64_t lineHeight = 6 + below(60);
        changeMetrics(*this, 3 + below(40), lineHeight, below(60) * lineHeight + below(lineHeight));
        keepViewAnchor(hv, anchor);
        const std::int64_t r = rows(view);
        SCOPED_TRACE(::testing::Message() << "trial " << trial << " size " << doc.fileSize << " anchor "
                                          << anchor.topLine << "/" << anchor.caretLine << " rows " << r);
        ASSERT_EQ(offsetOf(view), offset);
        ASSERT_EQ(view.caretCell, cell);
        ASSERT_GE(view.topLine, 0);
        ASSERT_LE(view.topLine, view.scrollMax);
        ASSERT_EQ(view.scrollMax, std::max<std::int64_t>(0, doc.lineCount - r));
        ASSERT_GE(view.caretRow, 0);
        ASSERT_LE(view.caretRow, r);
        const std::int64_t kept = std::min<std::int64_t>(anchor.topLine, view.scrollMax);
        // The view scrolls only for a caret below the partly visible row, and then only as
        // far as the last whole row or the end of the range.
        if (anchor.caretLine - kept <= r)
            ASSERT_EQ(view.topLine, kept);
        else
            ASSERT_TRUE(view.caretRow == std::max<std::int64_t>(r - 1, 0) || view.topLine == view.scrollMax);
        ASSERT_EQ(host.scrollPos, view.topLine);
        ASSERT_EQ(host.caretY, view.caretRow * view.lineHeight);
    }
}

// --- Properties ---------------------------------------------------------------------

TEST_F(ScrollFixture, RandomScrollsWheelsAndClicksKeepTheCaretAndViewSound) {
    std::mt19937_64 random(777);
    auto below = [&](std::int64_t n) {
        return static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(n));
    };
    for (int trial = 0; trial < 400; ++trial) {
        view = ViewState{};
        host = RecordingHost{};
        open(1 + below(300), below(41));
        updateWheelStep(view, static_cast<std::uint32_t>(below(8)));
        for (int step = 0; step < 200; ++step) {
            int action = static_cast<int>(below(100));
            SCOPED_TRACE(::testing::Message() << "trial " << trial << " step " << step << " action " << action
                                              << " size " << doc.fileSize << " rows " << rows(view));
            bool scrolled = false;
            if (action < 45) {
                host.trackPos = static_cast<int>(below(view.scrollMax + 5)) - 2;
                onVScroll(hv, static_cast<int>(below(10)));
                scrolled = true;
            } else if (action < 65) {
                int writes = host.statusWrites;
                onMouseWheel(hv, static_cast<int>(below(721)) - 360);
                scrolled = host.statusWrites != writes;
            } else if (action < 95) {
                unsigned x = static_cast<unsigned>(below(700));
                unsigned y = static_cast<unsigned>(below(std::max<std::int64_t>(view.clientHeight, 1)));
                if (onLButtonDown(hv, x, y) && x > 10 * cw && x < 66 * cw) {
                    EXPECT_LT(offsetOf(view), doc.fileSize);
                    EXPECT_EQ(host.status[1], offsetText(offsetOf(view)));
                }
            } else {
                resize(below(41));
            }
            ASSERT_TRUE(inHexHighCells(view.caretCell) || inCharCells(view.caretCell)) << view.caretCell;
            EXPECT_EQ(view.byteColumn, columnOfCell(view.caretCell));
            ASSERT_GE(offsetOf(view), 0);
            ASSERT_GE(view.topLine, 0);
            ASSERT_LE(view.topLine, view.scrollMax);
            EXPECT_EQ(view.scrollMax, std::max<std::int64_t>(0, doc.lineCount - rows(view)));
            EXPECT_EQ(host.scrollPos, view.topLine);  // the bar was set when the document opened
            if (scrolled) {
                EXPECT_EQ(host.status[1], offsetText(offsetOf(view)));
            }
        }
    }
}

TEST_F(ScrollFixture, EndOfScrollAtTheBottomAlwaysLandsOnAByte) {
    std::mt19937_64 random(4242);
    auto below = [&](std::int64_t n) {
        return static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(n));
    };
    for (int trial = 0; trial < 3000; ++trial) {
        view = ViewState{};
        host = RecordingHost{};
        open(1 + below(300), below(41));
        std::int64_t r = rows(view);
        if (doc.lineCount - r < 0) continue;  // every row fits: no bottom position to be at
        // Put the caret on a byte by a click, then scroll to the bottom and end the gesture.
        onLButtonDown(hv, static_cast<unsigned>(10 * cw + 1 + below(56 * cw - 1)),
                      static_cast<unsigned>(below(std::max<std::int64_t>(view.clientHeight, 1))));
        onVScroll(hv, scrollBottom);
        bool belowData = view.caretRow == r - 1 || view.caretRow == r;
        std::int64_t column = view.byteColumn;
        onVScroll(hv, scrollEnd);
        SCOPED_TRACE(::testing::Message()
                     << "size " << doc.fileSize << " rows " << r << " column " << column);
        ASSERT_GE(offsetOf(view), 0);
        if (belowData) {
            EXPECT_LT(offsetOf(view), doc.fileSize);
            EXPECT_EQ(view.byteColumn, column);
            EXPECT_GE(view.caretRow, 0);
        }
        EXPECT_EQ(host.status[1], offsetText(offsetOf(view)));
    }
}

}  // namespace
}  // namespace quillix::test
