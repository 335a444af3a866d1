// The caret and the navigation keys, in a view of ten whole rows (185 pixels of 18-pixel
// rows) over documents whose ends fall on different view rows.

#include <gtest/gtest.h>

#include "caret_fixture.h"

namespace quillix::test {
namespace {

// 200 bytes: twelve full rows and eight bytes on row 12; 14 rows to scroll over, so the
// bottom position is topLine 4, where view row 8 shows row 12.
constexpr std::int64_t size200 = 200;
constexpr std::int64_t bottom200 = 4;
// Long enough to scroll freely in both directions.
constexpr std::int64_t size1000 = 1000;

struct CellMove {
    std::int64_t from;
    std::int64_t to;
    std::int64_t column;  // byteColumn after the move
};

class KeyboardTest : public CaretViewFixture {
protected:
    const std::wstring& statusText() const { return host.status[statusPartOffset]; }
};

TEST_F(KeyboardTest, FocusCreatesTheCaretWhereItStandsAndLosingItDestroysIt) {
    open(size200);
    place(3, 22);
    onSetFocus(hv);
    EXPECT_TRUE(host.caretExists);
    EXPECT_EQ(host.caretWidth, 2);
    EXPECT_EQ(host.caretHeight, testLineHeight);
    EXPECT_EQ(host.caretShows, 1);
    expectCaretPlaced();
    onKillFocus(hv);
    EXPECT_EQ(host.caretHides, 1);
    EXPECT_FALSE(host.caretExists);
}

TEST_F(KeyboardTest, LeftAndBackspaceStepToTheHighNibbleOfTheByteOrTheOneBefore) {
    open(size200);
    const CellMove moves[] = {{11, 10, 1}, {15, 12, 2},  {12, 10, 1},  {13, 12, 2}, {16, 15, 3},
                              {20, 17, 4}, {47, 45, 15}, {48, 47, 16}, {55, 54, 5}, {65, 64, 15}};
    for (unsigned key : {keyLeft, keyBack}) {
        for (const CellMove& move : moves) {
            SCOPED_TRACE(testing::Message() << "key " << key << " from cell " << move.from);
            place(3, move.from);
            press(key);
            expectCaret(3, move.to, move.column);
            expectCaretPlaced();
        }
    }
    EXPECT_TRUE(bytesUnchanged());
}

TEST_F(KeyboardTest, LeftFromTheFirstByteOfARowGoesToTheLastByteOfTheRowAbove) {
    open(size1000);
    place(3, 10);
    press(keyLeft);
    expectCaret(2, 47, 16);
    place(3, 50);
    press(keyLeft);
    expectCaret(2, 65, 16);

    // On the top row the row above is scrolled in under the caret.
    place(0, 10, 5);
    press(keyLeft);
    EXPECT_EQ(view.topLine, 4);
    expectCaret(0, 47, 16);
    EXPECT_EQ(statusText(), offsetText(4 * 16 + 15));
    expectCaretPlaced();
}

TEST_F(KeyboardTest, LeftOnTheFirstByteOfTheDocumentStaysThere) {
    open(size200);
    for (std::int64_t cell : {10, 50}) {
        place(0, cell);
        host.status[statusPartOffset] = L"stale";
        press(keyLeft);
        EXPECT_EQ(view.topLine, 0);
        expectCaret(0, cell, 1);
        EXPECT_EQ(statusText(), L"Offset: 00000000");
    }
}

TEST_F(KeyboardTest, RightStepsToTheHighNibbleOfTheNextByte) {
    open(size200);
    const CellMove moves[] = {{10, 12, 2},  {11, 12, 2},  {12, 15, 3}, {13, 15, 3},
                              {46, 47, 16}, {45, 47, 16}, {50, 51, 2}, {64, 65, 16}};
    for (const CellMove& move : moves) {
        SCOPED_TRACE(testing::Message() << "from cell " << move.from);
        place(3, move.from);
        press(keyRight);
        expectCaret(3, move.to, move.column);
    }
    // From the last byte of a row to the first byte of the next.
    for (std::int64_t cell : {47, 48, 65}) {
        SCOPED_TRACE(testing::Message() << "from cell " << cell);
        place(3, cell);
        press(keyRight);
        expectCaret(4, firstCellOfArea(cell), 1);
        EXPECT_EQ(view.topLine, 0);
    }
}

TEST_F(KeyboardTest, ACaretOnAGapCellIsNotMovedSideways) {
    open(size200);
    for (std::int64_t gap : {14, 29, 49}) {
        for (unsigned key : {keyLeft, keyRight}) {
            place(3, gap);
            view.byteColumn = 4;
            press(key);
            expectCaret(3, gap, 4);
        }
    }
}

TEST_F(KeyboardTest, RightOnThePartlyVisibleRowScrollsTheNextRowIn) {
    open(size1000);
    place(10, 47, 2);
    press(keyRight);
    EXPECT_EQ(view.topLine, 3);
    expectCaret(10, 10, 1);
    EXPECT_EQ(statusText(), offsetText(13 * 16));
}

TEST_F(KeyboardTest, RightIntoTheLastRowsTakesTheViewToItsEnd) {
    // Row 11 on the partly visible row; its next row is the partial last row 12.
    open(size200);
    for (std::int64_t cell : {47, 65}) {
        place(10, cell, 1);
        press(keyRight);
        EXPECT_EQ(view.topLine, bottom200);
        expectCaret(8, firstCellOfArea(cell), 1);
        EXPECT_EQ(statusText(), offsetText(12 * 16));
    }
    // 192 bytes fill twelve rows exactly; past the last byte is the extra row's EOF position.
    open(192);
    place(10, 47, 1);
    press(keyRight);
    EXPECT_EQ(view.topLine, 3);
    expectCaret(9, 10, 1);
    EXPECT_EQ(offsetOf(view), 192);
    EXPECT_EQ(statusText(), L"EOF");
}

TEST_F(KeyboardTest, RightStopsOnTheEofPosition) {
    open(32);
    place(1, 47);
    press(keyRight);
    expectCaret(2, 10, 1);
    EXPECT_EQ(statusText(), L"EOF");
    press(keyRight);
    expectCaret(2, 10, 1);
    EXPECT_EQ(statusText(), L"EOF");

    open(17);
    place(1, 10);
    press(keyRight);
    expectCaret(1, 12, 2);
    EXPECT_EQ(offsetOf(view), 17);
    EXPECT_EQ(statusText(), L"EOF");
    press(keyRight);
    expectCaret(1, 12, 2);
}

TEST_F(KeyboardTest, UpMovesOrScrollsAndStopsAtTheStartOfTheFirstRow) {
    open(size1000);
    place(4, 27);
    press(keyUp);
    expectCaret(3, 27, 8);
    place(0, 27, 3);
    press(keyUp);
    EXPECT_EQ(view.topLine, 2);
    expectCaret(0, 27, 8);

    place(0, 27);
    press(keyUp);
    expectCaret(0, 10, 1);
    place(0, 57);
    press(keyUp);
    expectCaret(0, 50, 1);
    EXPECT_EQ(statusText(), L"Offset: 00000000");
}

TEST_F(KeyboardTest, HomeGoesToTheFirstByteInTheCaretsArea) {
    open(size1000);
    place(5, 48, 3);
    press(keyHome);
    EXPECT_EQ(view.topLine, 0);
    expectCaret(0, 10, 1);
    place(5, 60, 3);
    press(keyHome);
    EXPECT_EQ(view.topLine, 0);
    expectCaret(0, 50, 1);
    EXPECT_EQ(statusText(), L"Offset: 00000000");
    expectCaretPlaced();
}

TEST_F(KeyboardTest, EndScrollsALongDocumentToItsBottomAndStopsOnTheLastByte) {
    open(size200);
    place(2, 20);
    press(keyEnd);
    EXPECT_EQ(view.topLine, bottom200);
    expectCaret(8, 27, 8);
    EXPECT_EQ(statusText(), L"Offset: 000000C7");
    expectCaretPlaced();

    place(2, 53);
    press(keyEnd);
    EXPECT_EQ(view.topLine, bottom200);
    expectCaret(8, 57, 8);
}

TEST_F(KeyboardTest, EndInADocumentThatFitsMovesOnlyTheCaret) {
    // Every size whose last byte lies on a whole row or on the partly visible row 10.
    for (std::int64_t size = 1; size <= 11 * 16; ++size) {
        open(size);
        const std::int64_t lastRow = (size - 1) / 16;
        const std::int64_t lastColumn = (size - 1) % 16 + 1;
        for (std::int64_t cell : {10, 53}) {
            SCOPED_TRACE(testing::Message() << size << " bytes, from cell " << cell);
            place(0, cell);
            press(keyEnd);
            EXPECT_EQ(view.topLine, 0);
            expectCaret(lastRow, cell < 50 ? highCellOf[lastColumn] : 49 + lastColumn, lastColumn);
            EXPECT_EQ(statusText(), offsetText(size - 1));
        }
    }
    EXPECT_EQ(host.positionSets, 0);
}

TEST_F(KeyboardTest, DownAtTheBottomOfThe200ByteFile) {
    open(size200);
    // Row 12 before its last byte: to the last byte.
    place(8, 15, bottom200);
    press(keyDown);
    EXPECT_EQ(view.topLine, bottom200);
    expectCaret(8, 27, 8);
    EXPECT_EQ(statusText(), L"Offset: 000000C7");

    // Row 11 in a column past the last byte of row 12: to the last byte as well.
    place(7, 32, bottom200);
    press(keyDown);
    EXPECT_EQ(view.topLine, bottom200);
    expectCaret(8, 27, 8);

    // Row 11 above a byte of row 12: straight down.
    place(7, 20, bottom200);
    press(keyDown);
    EXPECT_EQ(view.topLine, bottom200);
    expectCaret(8, 20, 5);

    // The EOF position of row 12 stays where it is.
    place(8, 30, bottom200);
    press(keyDown);
    EXPECT_EQ(view.topLine, bottom200);
    expectCaret(8, 30, 9);
    EXPECT_EQ(statusText(), L"EOF");

    // So does the last byte itself: down onto the blank row and pulled back.
    place(8, 27, bottom200);
    press(keyDown);
    expectCaret(8, 27, 8);
}

TEST_F(KeyboardTest, DownOnTheEofPositionOfTheExtraRowStaysThere) {
    // 192 bytes fill twelve rows; at the bottom position (topLine 3) view row 9 is the
    // extra row, whose first cell is the EOF position.
    open(192);
    for (std::int64_t cell : {10, 20}) {
        place(9, cell, 3);
        press(keyDown);
        EXPECT_EQ(view.topLine, 3);
        expectCaret(9, cell, columnOfCell(cell));
        EXPECT_EQ(statusText(), L"EOF");
    }
}

TEST_F(KeyboardTest, DownWithTheLastRowsOnThePartlyVisibleRow) {
    open(size200);
    // Row 12 on view row 10: the view goes to its bottom, the caret keeps its byte.
    place(10, 20, 2);
    press(keyDown);
    EXPECT_EQ(view.topLine, bottom200);
    expectCaret(8, 20, 5);
    EXPECT_EQ(offsetOf(view), 12 * 16 + 4);

    // Row 11 on view row 10 in a column that row 12 does not reach: End.
    place(10, 32, 1);
    press(keyDown);
    EXPECT_EQ(view.topLine, bottom200);
    expectCaret(8, 27, 8);
}

TEST_F(KeyboardTest, DownAwayFromTheEndMovesOrScrollsOneRow) {
    open(size1000);
    place(3, 20);
    press(keyDown);
    EXPECT_EQ(view.topLine, 0);
    expectCaret(4, 20, 5);
    place(10, 20);
    press(keyDown);
    EXPECT_EQ(view.topLine, 1);
    expectCaret(10, 20, 5);
    EXPECT_EQ(statusText(), offsetText(11 * 16 + 4));
}

TEST_F(KeyboardTest, RightMayStepOntoThePartlyVisibleRowWhereDownScrolls) {
    // 182 pixels: ten whole rows, and the top of view row 9 exactly 20 pixels above the
    // bottom, where Right's room test still passes and Down's no longer does.
    open(size1000, 182);
    place(9, 47);
    press(keyRight);
    EXPECT_EQ(view.topLine, 0);
    expectCaret(10, 10, 1);
    place(9, 20);
    press(keyDown);
    EXPECT_EQ(view.topLine, 1);
    expectCaret(9, 20, 5);
}

TEST_F(KeyboardTest, At144DpiTheCaretAndTheRoomTestsScaleWithTheRows) {
    // 27-pixel rows: ten whole rows and a 26-pixel sliver. Unscaled, the 20 pixels of the
    // room tests would let the caret step from the partly visible row 10 onto row 11,
    // wholly out of sight.
    open(size1000, 10 * 27 + 26);
    view.dpi = 144;
    view.lineHeight = 27;
    view.charWidth = 15;
    onSize(hv);
    onSetFocus(hv);
    EXPECT_EQ(host.caretWidth, 3);
    EXPECT_EQ(host.caretHeight, 27);
    place(9, 20);
    press(keyDown);
    EXPECT_EQ(view.topLine, 0);
    expectCaret(10, 20, 5);
    press(keyDown);
    EXPECT_EQ(view.topLine, 1);
    expectCaret(10, 20, 5);
    place(10, 47, 1);
    press(keyRight);
    EXPECT_EQ(view.topLine, 2);
    expectCaret(10, 10, 1);
    EXPECT_EQ(host.caretX, 10 * 15);
    EXPECT_EQ(host.caretY, 10 * 27);
    EXPECT_EQ(statusText(), offsetText(12 * 16));
}

TEST_F(KeyboardTest, DownInADocumentShorterThanTheView) {
    open(40);
    place(1, 20);
    press(keyDown);
    expectCaret(2, 27, 8);  // End
    place(2, 20);
    press(keyDown);
    expectCaret(2, 20, 5);
    EXPECT_EQ(view.topLine, 0);
}

TEST_F(KeyboardTest, PageUpMovesTheViewAndGoesHomeAtTheTop) {
    open(size1000);
    place(4, 20, 27);
    press(keyPageUp);
    EXPECT_EQ(view.topLine, 17);
    expectCaret(4, 20, 5);
    EXPECT_EQ(statusText(), offsetText((17 + 4) * 16 + 4));

    place(4, 20, 7);
    press(keyPageUp);
    EXPECT_EQ(view.topLine, 0);
    expectCaret(0, 10, 1);
    EXPECT_EQ(statusText(), L"Offset: 00000000");
}

TEST_F(KeyboardTest, PageDownInADocumentThatFitsGoesToTheLastByte) {
    open(40);
    place(0, 10);
    press(keyPageDown);
    EXPECT_EQ(view.topLine, 0);
    expectCaret(2, 27, 8);
    EXPECT_EQ(statusText(), L"Offset: 00000027");

    open(size1000);
    place(4, 20);
    press(keyPageDown);
    EXPECT_EQ(view.topLine, 10);
    expectCaret(4, 20, 5);
}

TEST_F(KeyboardTest, OtherKeysOnlyPlaceTheCaretAndRewriteTheStatus) {
    open(size200);
    for (unsigned key : {0x41u, 0x70u}) {  // the letter A, F1
        place(3, 22, 2);
        host.status[statusPartOffset] = L"stale";
        host.caretX = host.caretY = -1;
        press(key);
        EXPECT_EQ(view.topLine, 2);
        expectCaret(3, 22, 6);
        expectCaretPlaced();
        EXPECT_EQ(statusText(), offsetText((2 + 3) * 16 + 5));
    }
    EXPECT_TRUE(bytesUnchanged());
}

TEST_F(KeyboardTest, WithoutADocumentNoKeyDoesAnything) {
    view.lineHeight = testLineHeight;
    view.charWidth = testCharWidth;
    view.clientHeight = tenRowsHeight;
    for (unsigned key :
         {unsigned(keyBack), unsigned(keyPageUp), unsigned(keyPageDown), unsigned(keyEnd), unsigned(keyHome),
          unsigned(keyLeft), unsigned(keyUp), unsigned(keyRight), unsigned(keyDown), 0x41u}) {
        press(key);
    }
    expectCaret(0, 10, 1);
    EXPECT_EQ(view.topLine, 0);
    EXPECT_EQ(host.caretMoves, 0);
    EXPECT_EQ(host.statusWrites, 0);
    EXPECT_EQ(host.positionSets, 0);
    EXPECT_TRUE(host.invalidates.empty());
}

TEST_F(KeyboardTest, EndInAViewUnderThreeRowsKeepsTheCaretOnTheTopRow) {
    // One whole row, then none: End names a row above the view there.
    for (std::int64_t height : {30, 10, -20}) {
        SCOPED_TRACE(testing::Message() << "height " << height);
        open(size200, height);
        place(0, 20);
        press(keyEnd);
        EXPECT_EQ(view.caretRow, 0);
        EXPECT_EQ(view.topLine, 12);
        EXPECT_EQ(offsetOf(view), size200 - 1);
        EXPECT_EQ(statusText(), L"Offset: 000000C7");
        expectCaretPlaced();
    }
}

}  // namespace
}  // namespace quillix::test
