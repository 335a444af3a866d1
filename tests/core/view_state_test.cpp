// The grid of a row, the caret's offset and the offset texts of the status bar.

#include <gtest/gtest.h>

#include "document/document.h"
#include "hexview/view_state.h"
#include "search/search.h"
#include "recording_host.h"

namespace quillix::test {
namespace {

// The layout of a row written out cell by cell, independently of the tables.
struct ByteCells {
    int high, low, character;
};
constexpr ByteCells byteCells[16] = {{10, 11, 50}, {12, 13, 51}, {15, 16, 52}, {17, 18, 53},
                                     {20, 21, 54}, {22, 23, 55}, {25, 26, 56}, {27, 28, 57},
                                     {30, 31, 58}, {32, 33, 59}, {35, 36, 60}, {37, 38, 61},
                                     {40, 41, 62}, {42, 43, 63}, {45, 46, 64}, {47, 48, 65}};

TEST(ColumnMap, EveryCellBelongsToExactlyOneSetWithTheRightByte) {
    for (int k = 0; k < 16; ++k) {
        const ByteCells& b = byteCells[k];
        EXPECT_EQ(highCellOf[k + 1], b.high);
        EXPECT_EQ(columnOfCell(b.high), k + 1);
        EXPECT_EQ(columnOfCell(b.low), k + 1);
        EXPECT_EQ(columnOfCell(b.character), k + 1);
        EXPECT_TRUE(inHexHighCells(b.high));
        EXPECT_TRUE(inHexLowCells(b.low));
        EXPECT_TRUE(inCharCells(b.character));
        EXPECT_EQ(inEvenHighCells(b.high), k % 2 == 0);
        EXPECT_EQ(inOddHighCells(b.high), k % 2 == 1);
        EXPECT_EQ(inInnerEvenHighCells(b.high), k % 2 == 0 && k > 0);
        EXPECT_EQ(inEvenLowCells(b.low), k % 2 == 0);
        EXPECT_EQ(inInnerOddLowCells(b.low), k % 2 == 1 && k < 15);
        // A low nibble before a gap cell is followed by one.
        EXPECT_EQ(inGapCells(b.low + 1), k % 2 == 1);
    }
    int counted[67] = {};
    for (int cell = 0; cell < 67; ++cell) {
        counted[cell] = inHexHighCells(cell) + inHexLowCells(cell) + inGapCells(cell) + inCharCells(cell);
        if (cell < 10 || cell == 66)
            EXPECT_EQ(counted[cell], 0) << cell;
        else
            EXPECT_EQ(counted[cell], 1) << cell;
    }
    for (int gap : {14, 19, 24, 29, 34, 39, 44, 49}) EXPECT_TRUE(inGapCells(gap)) << gap;
    EXPECT_FALSE(inHexHighCells(-1));
    EXPECT_FALSE(inCharCells(67));
}

TEST(CaretOffset, FollowsTheViewAndTheColumn) {
    ViewState view;
    EXPECT_EQ(offsetOf(view), 0);  // the start values: row 0, byte 1
    view.topLine = 3;
    view.caretRow = 2;
    view.byteColumn = 16;
    EXPECT_EQ(offsetOf(view), 5 * 16 + 15);
    view.lineHeight = 18;
    view.clientHeight = 185;
    EXPECT_EQ(rows(view), 10);
    view.clientHeight = -20;  // a minimized frame
    EXPECT_EQ(rows(view), -1);
}

TEST(CaretOffset, SearchHitsPutTheCaretInTheDialogsArea) {
    ViewState view;
    DialogButtons findHex;
    findHex.findHex = true;
    caretCellForOffset(view, 0x1F, findHex);
    EXPECT_EQ(view.byteColumn, 16);
    EXPECT_EQ(view.caretCell, 47);

    DialogButtons findText;
    findText.findAscii = true;
    caretCellForOffset(view, 0x1F, findText);
    EXPECT_EQ(view.byteColumn, 16);
    EXPECT_EQ(view.caretCell, 65);

    DialogButtons gotoDec;
    gotoDec.gotoDec = true;
    caretCellForOffset(view, 0x20, gotoDec);
    EXPECT_EQ(view.byteColumn, 1);
    EXPECT_EQ(view.caretCell, 10);

    view.caretCell = 60;
    view.byteColumn = 11;
    caretCellForOffset(view, 0x23, DialogButtons{});
    EXPECT_EQ(view.caretCell, 60);
    EXPECT_EQ(view.byteColumn, 11);
}

TEST(OffsetStatus, ShowsAtLeastEightDigitsOrEofPastTheEnd) {
    Document doc;
    doc.fileSize = 17;
    ViewState view;
    RecordingHost host;
    view.caretRow = 1;
    view.byteColumn = 1;
    showOffsetStatus(view, doc, host, EofText::substitute);
    EXPECT_EQ(host.status[1], L"Offset: 00000010");
    EXPECT_EQ(std::wstring(view.statusText), host.status[1]);

    view.byteColumn = 2;  // one past the last byte
    showOffsetStatus(view, doc, host, EofText::substitute);
    EXPECT_EQ(host.status[1], L"EOF");
    showOffsetStatus(view, doc, host, EofText::plain);
    EXPECT_EQ(host.status[1], L"Offset: 00000011");

    doc.fileSize = maxDocumentSize;
    view.topLine = maxDocumentSize / 16 - 5;
    view.caretRow = 5;
    view.byteColumn = 1;
    showOffsetStatus(view, doc, host, EofText::plain);
    EXPECT_EQ(host.status[1], L"Offset: 100000000");
    view.topLine = 0x123;
    view.caretRow = 0;
    view.byteColumn = 5;
    showOffsetStatus(view, doc, host, EofText::substitute);
    EXPECT_EQ(host.status[1], L"Offset: 00001234");
}

}  // namespace
}  // namespace quillix::test
