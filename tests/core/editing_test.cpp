// Typing over bytes: nibbles in the hex area, whole bytes in the character area, the edit
// log, the refusals, the repaint and where the caret goes next.

#include <gtest/gtest.h>

#include <cstdlib>

#include "caret_fixture.h"
#include "hexview/undo.h"

namespace quillix::test {
namespace {

constexpr unsigned backspace = 8;

void* failingAllocator(void*, std::size_t) { return nullptr; }

class EditingTest : public CaretViewFixture {
protected:
    void TearDown() override {
        editLogAllocator = savedAllocator;
        CaretViewFixture::TearDown();
    }
    const std::wstring& statusText() const { return host.status[statusPartOffset]; }
    std::int64_t logEntry(std::int64_t index) const { return doc.editLog.entries[index]; }
    // Nothing about the document or the caret moved.
    void expectUntouched(std::int64_t row, std::int64_t cell, std::int64_t column) {
        EXPECT_TRUE(bytesUnchanged());
        EXPECT_EQ(doc.isModified, 0);
        EXPECT_EQ(doc.editCount, 0);
        expectCaret(row, cell, column);
    }

    EditLogAllocator savedAllocator = editLogAllocator;
};

TEST_F(EditingTest, TwoDigitsOverwriteAByteNibbleByNibble) {
    open(64, tenRowsHeight, 0x00);
    type('4');
    EXPECT_EQ(bytes[0], 0x40);
    expectCaret(0, 11, 1);
    EXPECT_EQ(doc.isModified, 1);
    EXPECT_EQ(doc.editCount, 0);
    EXPECT_EQ(logEntry(0), 0);
    EXPECT_EQ(statusText(), L"Offset: 00000000");

    type('1');
    EXPECT_EQ(bytes[0], 0x41);
    expectCaret(0, 12, 2);
    expectCaretPlaced();
    EXPECT_EQ(doc.editCount, 1);
    EXPECT_EQ(logEntry(0), 0);
    EXPECT_EQ(logEntry(1), 0);
    EXPECT_EQ(statusText(), L"Offset: 00000001");
    EXPECT_EQ(changedMaskOfRow(doc, 0), 1u);
}

TEST_F(EditingTest, HexLettersCountInBothCasesAndKeepTheOtherNibble) {
    open(64, tenRowsHeight, 0x37);
    type('a');  // high nibble of byte 0
    type('F');  // its low nibble
    type('A');  // high nibble of byte 1
    type('f');
    EXPECT_EQ(bytes[0], 0xAF);
    EXPECT_EQ(bytes[1], 0xAF);
    place(0, 16);  // low nibble of byte 2
    type('c');
    EXPECT_EQ(bytes[2], 0x3C);
    // From a low nibble before a gap cell the caret crosses the gap.
    place(0, 18);
    type('0');
    EXPECT_EQ(bytes[3], 0x30);
    expectCaret(0, 20, 5);
}

TEST_F(EditingTest, OtherCharactersInTheHexAreaBeepAndChangeNothing) {
    open(64);
    for (unsigned c : {unsigned('g'), unsigned(' '), unsigned('G'), 0x0Du, 0xE9u}) {
        type(c);
    }
    EXPECT_EQ(host.beeps, 5);
    expectUntouched(0, 10, 1);
    EXPECT_EQ(doc.editLog.entries, nullptr);
    EXPECT_TRUE(host.invalidates.empty());
}

TEST_F(EditingTest, ACharacterEditStoresTheLowByteOfTheCodeUnit) {
    open(64);
    place(0, 50);
    const std::pair<unsigned, std::uint8_t> cases[] = {{'A', 0x41},  {0x00E9, 0xE9}, {0x20AC, 0xAC},
                                                       {0x0D, 0x0D}, {0x09, 0x09},   {'4', 0x34}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        type(cases[i].first);
        EXPECT_EQ(bytes[i], cases[i].second) << i;
    }
    expectCaret(0, 50 + static_cast<std::int64_t>(std::size(cases)), 7);
    EXPECT_EQ(host.beeps, 0);
}

TEST_F(EditingTest, AFirstCharacterEditIsRecordedInEntriesZeroAndOne) {
    open(64);
    place(2, 51);
    type('x');
    EXPECT_EQ(bytes[33], 'x');
    EXPECT_EQ(doc.editCount, 1);
    EXPECT_EQ(logEntry(0), 33);
    EXPECT_EQ(logEntry(1), 33);
    expectCaret(2, 52, 3);
}

TEST_F(EditingTest, AThousandCharacterEditsKeepEveryOffsetInTheLog) {
    // The caret runs over rows and scrolls the view as the text is typed.
    constexpr std::int64_t edits = 1000;
    open(2000);
    place(0, 50);
    for (std::int64_t i = 0; i < edits; ++i) type('z');
    EXPECT_EQ(doc.editCount, edits);
    for (std::int64_t i = 0; i < edits; ++i) ASSERT_EQ(logEntry(i), i) << i;
    EXPECT_EQ(logEntry(edits), edits - 1);
    for (std::int64_t i = 0; i < 2000; ++i)
        ASSERT_EQ(bytes[static_cast<std::size_t>(i)], i < edits ? 'z' : original[static_cast<std::size_t>(i)])
            << i;
    EXPECT_EQ(offsetOf(view), edits);
    EXPECT_EQ(statusText(), offsetText(edits));
}

TEST_F(EditingTest, BackspaceAsACharacterChangesNothingAtAll) {
    open(64);
    place(1, 22);
    host.status[statusPartOffset] = L"stale";
    EXPECT_TRUE(type(backspace));
    place(1, 55);
    EXPECT_TRUE(type(backspace));
    expectUntouched(1, 55, 6);
    EXPECT_EQ(statusText(), L"stale");
    EXPECT_EQ(host.statusWrites, 0);
    EXPECT_EQ(host.caretMoves, 0);
    EXPECT_EQ(host.beeps, 0);
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(EditingTest, AReadOnlyOrMissingFileRefusesEveryCharacter) {
    open(64);
    place(1, 22);
    for (std::uint32_t attributes : {attributeReadOnly | 0x20u, invalidAttributes}) {
        host.attributes = attributes;
        for (unsigned c : {unsigned('4'), backspace, 0x0Du, 0x1Bu}) {
            EXPECT_FALSE(type(c));
        }
    }
    host.attributes = 0x80;
    doc.readOnly = true;  // opened for viewing alone, whatever the attribute says now; Undo too
    EXPECT_FALSE(type('4'));
    EXPECT_EQ(undoEdit(hv), 0);
    ASSERT_EQ(host.boxes.size(), 10u);
    for (const RecordedBox& box : host.boxes) {
        EXPECT_EQ(box.owner, BoxOwner::hexView);
        EXPECT_EQ(box.text, L"File [sample.bin] is read only!");
        EXPECT_EQ(box.caption, L"Quillix-64bit");
        EXPECT_EQ(box.style, boxWarning);
    }
    expectUntouched(1, 22, 6);
    EXPECT_EQ(host.statusWrites, 0);

    // The Backspace key itself still moves the caret.
    press(keyBack);
    expectCaret(1, 20, 5);
}

TEST_F(EditingTest, WithoutADocumentTheBoxNamesNoFile) {
    view.lineHeight = testLineHeight;
    view.charWidth = testCharWidth;
    view.clientHeight = tenRowsHeight;
    host.attributes = invalidAttributes;  // an empty path names no file
    EXPECT_FALSE(type('4'));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, L"File [(untitled)] is read only!");
    EXPECT_EQ(host.boxes[0].owner, BoxOwner::hexView);

    host.attributes = 0x80;
    EXPECT_TRUE(type('4'));
    EXPECT_TRUE(type('g'));
    EXPECT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.beeps, 0);
    EXPECT_EQ(host.statusWrites, 0);
    EXPECT_EQ(doc.isModified, 0);
    expectCaret(0, 10, 1);
}

TEST_F(EditingTest, AnEditRepaintsTheBytesHexPairAndCharacterWithoutErasing) {
    open(128);
    constexpr int top = 3 * testLineHeight, bottom = 4 * testLineHeight, cw = testCharWidth;
    view.matchVisible = 1;
    place(3, 20);
    type('1');
    EXPECT_EQ(view.matchVisible, 0);
    ASSERT_EQ(host.invalidates.size(), 2u);
    EXPECT_EQ(host.invalidates[0].rect, (PixelRect{10 * cw, top, 49 * cw, bottom}));
    EXPECT_EQ(host.invalidates[1].rect, (PixelRect{50 * cw, top, 66 * cw, bottom}));

    host.invalidates.clear();
    place(3, 57);
    type('q');
    ASSERT_EQ(host.invalidates.size(), 2u);
    EXPECT_EQ(host.invalidates[0].rect, (PixelRect{17 * cw, top, 49 * cw, bottom}));
    EXPECT_EQ(host.invalidates[1].rect, (PixelRect{57 * cw, top, 58 * cw, bottom}));
    for (const RecordedInvalidate& repaint : host.invalidates) {
        EXPECT_FALSE(repaint.whole);
        EXPECT_FALSE(repaint.erase);
    }
    EXPECT_EQ(host.updates, 0);
}

TEST_F(EditingTest, AfterTheLastByteOfARowTheCaretGoesToTheNextRow) {
    open(1000);
    place(3, 65);
    type('k');
    expectCaret(4, 50, 1);
    place(3, 48);
    type('7');
    expectCaret(4, 10, 1);
    EXPECT_EQ(view.topLine, 0);
    expectCaretPlaced();

    // On the partly visible row the view scrolls instead.
    for (std::int64_t cell : {48, 65}) {
        place(10, cell, 2);
        type('7');
        EXPECT_EQ(view.topLine, 3);
        expectCaret(10, firstCellOfArea(cell), 1);
        EXPECT_EQ(statusText(), offsetText(13 * 16));
    }
}

TEST_F(EditingTest, CompletingTheRowBeforeThePartialLastRowGoesToItsFirstByte) {
    // 200 bytes: row 11 on the partly visible row, row 12 holds eight bytes.
    // In the hex area End takes the view straight to its bottom; in the character area
    // the view first scrolls one row and End follows.
    open(200);
    for (std::int64_t cell : {48, 65}) {
        host.positionSets = 0;
        place(10, cell, 1);
        type('5');
        EXPECT_EQ(view.topLine, 4);
        expectCaret(8, firstCellOfArea(cell), 1);
        EXPECT_EQ(statusText(), L"Offset: 000000C0");
        EXPECT_EQ(host.positionSets, cell < 50 ? 1 : 2);
    }
}

TEST_F(EditingTest, TypingTheLastByteLeavesTheCaretOnTheEofPosition) {
    open(32);
    place(1, 47);
    type('1');
    type('2');
    EXPECT_EQ(bytes[31], 0x12);
    expectCaret(2, 10, 1);
    EXPECT_EQ(statusText(), L"EOF");
    host.invalidates.clear();
    type('3');
    EXPECT_EQ(bytes[31], 0x12);
    EXPECT_EQ(doc.editCount, 1);
    EXPECT_EQ(host.beeps, 0);
    EXPECT_TRUE(host.invalidates.empty());
    EXPECT_EQ(bytes[32], canaryValue);

    open(17);
    place(1, 10);
    type('a');
    type('b');
    EXPECT_EQ(bytes[16], 0xAB);
    expectCaret(1, 12, 2);
    EXPECT_EQ(statusText(), L"EOF");
    type('c');
    EXPECT_EQ(bytes[17], canaryValue);

    // Twelve full rows, the last one on the partly visible row: End, then the EOF position.
    open(192);
    place(10, 48, 1);
    type('9');
    EXPECT_EQ(view.topLine, 3);
    expectCaret(9, 10, 1);
    EXPECT_EQ(statusText(), L"EOF");
}

TEST_F(EditingTest, ACaretOnAGapCellOrPastTheEndTypesNothing) {
    open(64);
    for (std::int64_t gap : {14, 49}) {
        place(1, gap);
        view.byteColumn = 4;
        EXPECT_TRUE(type('4'));
        EXPECT_TRUE(type('g'));
        expectUntouched(1, gap, 4);
    }
    // The blank row under the last data row.
    place(4, 20);
    type('4');
    type('g');
    expectUntouched(4, 20, 5);
    EXPECT_EQ(host.beeps, 0);
    EXPECT_EQ(host.statusWrites, 0);
}

TEST_F(EditingTest, AnEditThatCannotBeLoggedIsNotMade) {
    open(400);
    editLogAllocator = failingAllocator;
    place(0, 12);
    EXPECT_TRUE(type('4'));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, L"Not enough memory to record this edit!");
    EXPECT_EQ(host.boxes[0].caption, L"Quillix-64bit");
    EXPECT_EQ(host.boxes[0].owner, BoxOwner::hexView);
    EXPECT_EQ(host.boxes[0].style, boxWarning);
    expectUntouched(0, 12, 2);

    // When growing the log fails later on, the earlier edits and their entries stay.
    editLogAllocator = savedAllocator;
    place(0, 50);
    for (int i = 0; i < 99; ++i) type('w');
    ASSERT_EQ(doc.editCount, 99);
    editLogAllocator = failingAllocator;
    view.matchVisible = 1;
    type('v');
    EXPECT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(bytes[99], original[99]);
    EXPECT_EQ(doc.editCount, 99);
    EXPECT_EQ(logEntry(98), 98);
    EXPECT_EQ(view.matchVisible, 1);
    EXPECT_EQ(offsetOf(view), 99);

    editLogAllocator = savedAllocator;
    type('v');
    EXPECT_EQ(bytes[99], 'v');
    EXPECT_EQ(doc.editCount, 100);
}

}  // namespace
}  // namespace quillix::test
