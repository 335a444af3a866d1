// Copy and Paste through the core with a recording clipboard: what each area copies, what
// each kind of clipboard content pastes, and every refusal leaving the document, the
// clipboard and the marks as they were.

#include <gtest/gtest.h>

#include "caret_fixture.h"
#include "document/history/record_allocator.h"
#include "hexview/clipboard.h"
#include "hexview/clipboard_text.h"
#include "hexview/paint_layout.h"
#include "hexview/selection.h"
#include "temp_files.h"

namespace quillix::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class ClipboardTest : public CaretViewFixture {
protected:
    Bytes clipboardBytes() const {
        const auto& block = host.clipboard.at(ClipboardFormat::bytes);
        const std::uint8_t* data = nullptr;
        std::size_t count = 0;
        EXPECT_TRUE(readBytesBlock(block.data(), block.size(), data, count));
        return Bytes(data, data + count);
    }
    Bytes at(std::int64_t from, std::int64_t count) const {
        return Bytes(bytes.begin() + from, bytes.begin() + from + count);
    }
    std::int64_t redBytes() const {
        std::int64_t red = 0;
        for (std::int64_t row = 0; row < doc.lineCount; ++row) red += std::popcount(changedMaskOfRow(doc, row));
        return red;
    }
    // Everything a refused paste must leave as it was, and the box it gave.
    void expectRefused(const std::wstring& box) {
        ASSERT_FALSE(host.boxes.empty());
        EXPECT_EQ(host.boxes.back().text, box);
        EXPECT_TRUE(bytesUnchanged());
        EXPECT_TRUE(doc.changes.empty());
        EXPECT_EQ(redBytes(), 0);
        EXPECT_EQ(doc.isModified, 0);
        EXPECT_FALSE(host.clipboardReading);
    }
};

TEST_F(ClipboardTest, CopyPutsTheExactBytesAndTheTextOfTheCaretsArea) {
    open(64, tenRowsHeight, 0);
    bytes[17] = 0x4D;
    bytes[18] = 0x5A;
    bytes[19] = 0x90;
    place(1, 15);
    setSelection(hv, 20, 17);
    ASSERT_EQ(copyToClipboard(hv), 1);
    EXPECT_EQ(clipboardBytes(), (Bytes{0x4D, 0x5A, 0x90, 0x00}));
    EXPECT_EQ(host.clipboardText(), u"4D 5A 90 00");
    EXPECT_EQ(host.status[statusPartActivity], L"Selection: 00000011-00000014, 4 bytes");

    place(1, 52);  // the character area: a code unit per byte, the NUL byte included
    setSelection(hv, 17, 20);
    ASSERT_EQ(copyToClipboard(hv), 1);
    const auto& text = host.clipboard.at(ClipboardFormat::text);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size() / 2),
              std::u16string(u"MZ\u0090\0\0", 5));

    clearSelection(hv);  // no selection: the byte under the caret
    place(1, 15);
    ASSERT_EQ(copyToClipboard(hv), 1);
    EXPECT_EQ(host.clipboardText(), u"5A");
}

TEST_F(ClipboardTest, ACopyThatCannotBeMadeLeavesTheClipboardAsItWas) {
    open(32);
    host.putClipboardText(u"kept");
    place(2, 10);  // the EOF position: nothing to copy
    EXPECT_EQ(copyToClipboard(hv), 0);
    EXPECT_EQ(host.beeps, 1);
    place(0, 10);
    host.refuseBlockAt = host.blockRequests + 2;  // no memory for the text
    EXPECT_EQ(copyToClipboard(hv), 0);
    EXPECT_EQ(host.boxes.back().text, L"Not enough memory to copy 1 byte!");
    host.clipboardBusy = true;
    EXPECT_EQ(copyToClipboard(hv), 0);
    EXPECT_EQ(host.boxes.back().text,
              L"Could not put the copied bytes on the clipboard!\nAnother program may be holding it.");
    EXPECT_EQ(host.boxes.size(), 2u);
    EXPECT_TRUE(host.pendingBlocks.empty());
    host.clipboardBusy = false;
    EXPECT_EQ(host.clipboardText(), u"kept");

    // Past the limit, a box that names it, before any memory is asked for (a sparse file).
    TempFolder folder;
    makeSparse(folder.file("large.bin"), static_cast<std::uintmax_t>(copyLimitBytes + 1));
    SystemError cause = 0;
    ASSERT_EQ(openDocument(doc, view, host, folder.file("large.bin").wstring().c_str(), cause), 1);
    selectAll(hv);
    const int requests = host.blockRequests;
    EXPECT_EQ(copyToClipboard(hv), 0);
    EXPECT_EQ(host.boxes.back().text,
              L"The selection holds 268435457 bytes: too many to copy.\n"
              L"At most 268435456 bytes (256 MiB) can be copied at once.");
    EXPECT_EQ(host.blockRequests, requests);
    // One byte less gets as far as asking for memory (refused, to spare 1.75 GiB of work).
    setSelection(hv, 1, copyLimitBytes);
    host.refuseBlockAt = host.blockRequests + 1;
    EXPECT_EQ(copyToClipboard(hv), 0);
    EXPECT_EQ(host.boxes.back().text, L"Not enough memory to copy 268435456 bytes!");
    closeDocumentView(doc);
}

TEST_F(ClipboardTest, ALongCopyShowsItsProgressAndEscapeLeavesTheClipboardAlone) {
    open(3 * copyChunkBytes + 5, tenRowsHeight, 0x41);
    host.putClipboardText(u"kept");
    selectAll(hv);
    host.clockStep = 200;
    host.stopAt = 4;  // 0.6 s into the copy
    EXPECT_EQ(copyToClipboard(hv), copyStopped);
    EXPECT_EQ(host.activity[host.activity.size() - 2], L"Copying\u2026 66 %");
    EXPECT_EQ(host.status[statusPartActivity], L"Copy stopped");
    EXPECT_EQ(host.clipboardText(), u"kept");
    EXPECT_EQ(host.waitCursorDepth, 0);
    host.stopAt = 0;
    EXPECT_EQ(copyToClipboard(hv), 1);
    EXPECT_EQ(clipboardBytes(), at(0, doc.fileSize));
    EXPECT_EQ(host.status[statusPartActivity], L"Selection: 00000000-00C00004, 12582917 bytes");
}

TEST_F(ClipboardTest, PastedBytesAreExactRedAndSavedAndTheCaretEndsAfterThem) {
    open(200);
    for (std::int64_t i = 0; i < 40; i += 3) bytes[i] = 0;
    original = bytes;
    place(0, 50);
    setSelection(hv, 3, 36);
    ASSERT_EQ(copyToClipboard(hv), 1);
    place(6, 10);  // the hex area: the binary block wins over the other area's text
    setSelection(hv, 100, 150);
    view.matchVisible = 1;
    ASSERT_EQ(pasteFromClipboard(hv), 1);
    EXPECT_EQ(at(100, 34), at(3, 34));
    EXPECT_EQ(bytes[134], original[134]);
    EXPECT_EQ(view.caretCell, highCellOf[134 % 16 + 1]);
    EXPECT_EQ(host.caretX, view.caretCell * view.charWidth);  // the system caret went along
    EXPECT_EQ(host.caretY, view.caretRow * view.lineHeight);
    EXPECT_EQ(host.status[statusPartOffset], L"Offset: 00000086");
    EXPECT_EQ(host.status[statusPartActivity], L"Ready");  // the selection is gone
    EXPECT_EQ(view.matchVisible, 0);
    EXPECT_EQ(doc.isModified, 1);
    EXPECT_EQ(doc.changes.count(), 34);
    EXPECT_EQ(changedMaskOfRow(doc, 6), 0xFFF0);
    EXPECT_EQ(redBytes(), 34);
    EXPECT_FALSE(host.clipboardReading);

    // Text from elsewhere is read by the caret's area; a paste may end on the last byte.
    open(100);
    host.putClipboardText(u"de ad\r\nBEEF");
    place(0, 12);
    ASSERT_EQ(pasteFromClipboard(hv), 1);
    EXPECT_EQ(at(1, 4), (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
    host.putClipboardText(u"A\u00E9\r");
    place(6, 51);  // offset 97
    ASSERT_EQ(pasteFromClipboard(hv), 1);
    EXPECT_EQ(at(97, 3), (Bytes{0x41, 0xE9, 0x0D}));
    EXPECT_EQ(host.status[statusPartOffset], L"EOF");
    EXPECT_EQ(bytes[100], canaryValue);
}

TEST_F(ClipboardTest, RefusedPastesChangeNothing) {
    open(100);
    place(0, 10);
    host.putClipboardText(u"4D 5G");
    EXPECT_EQ(pasteFromClipboard(hv), 0);
    expectRefused(L"Hexadecimal numbers have to be between a-f or 0-9!");
    EXPECT_EQ(host.boxes.back().caption, L"Quillix");
    EXPECT_EQ(host.boxes.back().owner, BoxOwner::none);

    host.putClipboardText(u"00112233 44");
    place(6, 13);  // offset 97: three bytes left
    EXPECT_EQ(pasteFromClipboard(hv), 0);
    expectRefused(
        L"The clipboard holds 5 bytes, but only 3 fit from offset 00000061 to the end of the file.\n"
        L"Nothing was pasted.");

    host.attributes = 0x21;  // read-only: the box of typing, before the clipboard is read
    host.clipboardBusy = true;
    EXPECT_EQ(pasteFromClipboard(hv), 0);
    expectRefused(L"File [sample.bin] is read only!");
    EXPECT_EQ(host.boxes.back().owner, BoxOwner::hexView);

    host.attributes = 0x80;
    host.clipboardBusy = false;
    host.clipboard.clear();
    EXPECT_EQ(pasteFromClipboard(hv), 0);
    EXPECT_EQ(host.beeps, 1);
    EXPECT_EQ(host.boxes.size(), 3u);
    // A binary block from elsewhere claiming more bytes than it holds is nothing usable.
    host.clipboard[ClipboardFormat::bytes] = {6, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5};
    EXPECT_EQ(pasteFromClipboard(hv), 0);
    EXPECT_EQ(host.beeps, 2);

    place(0, 50);  // the character area: no character above U+00FF, the first one named
    for (const auto& [text, named] : {std::pair<std::u16string, std::wstring>{u"a \u00E9 \u20AC b\U0001F600",
                                                                            L"5 of the clipboard's text is \"\u20AC\" (U+20AC)"},
                                      {u"\u00FF\U0001F600", L"2 of the clipboard's text is \"\U0001F600\" (U+1F600)"},
                                      {u"ab\xDC00", L"3 of the clipboard's text is U+DC00"}}) {
        host.putClipboardText(text);
        EXPECT_EQ(pasteFromClipboard(hv), 0);
        expectRefused(L"Character " + named +
                      L", which does not fit in one byte: only characters up to U+00FF can be pasted into the "
                      L"character area.\nNothing was pasted.");
        EXPECT_EQ(host.boxes.back().caption, L"Quillix-64bit");
    }
}

TEST_F(ClipboardTest, ALongPasteShowsItsProgressAndEscapeKeepsWhatWentInAsOneStep) {
    open(100);
    host.putClipboardText(std::u16string(90, u'B'));
    place(0, 50);
    setSelection(hv, 5, 20);
    host.clockStep = 200;
    host.stopAt = 4;  // the text's check-in, then one before each chunk of 10: two went in
    EXPECT_EQ(pasteFromClipboard(hv, 10), pasteStopped);
    EXPECT_NE(std::find(host.activity.begin(), host.activity.end(), L"Pasting\u2026 11 %"), host.activity.end());
    EXPECT_EQ(host.status[statusPartActivity], L"Paste stopped");
    EXPECT_EQ(at(5, 20), Bytes(20, 'B'));
    EXPECT_EQ(bytes[25], original[25]);
    EXPECT_EQ(redBytes(), 20);
    EXPECT_EQ(doc.isModified, 1);
    EXPECT_EQ(offsetOf(view), 25);
    ByteRange touched;
    ReadFault fault;
    ASSERT_EQ(undoStep(doc, touched, fault), StepOutcome::done);
    EXPECT_TRUE(bytesUnchanged());
    EXPECT_FALSE(doc.history.canUndo());
}

// Refuses the request for record memory numbered refuseAt (from 1).
struct RefuseOne {
    static inline int requests = 0;
    static inline int refuseAt = 0;
    static bool check(std::size_t) { return ++requests != refuseAt; }
};

TEST_F(ClipboardTest, APasteThatRunsOutOfMemoryAnywhereIsRefusedWhole) {
    open(4096);
    place(0, 10);
    std::u16string text;
    for (int i = 0; i < 3000; ++i) text += u"A5 ";
    host.putClipboardText(text);
    allocationCheck = RefuseOne::check;
    int refusals = 0;
    for (RefuseOne::refuseAt = 1;; ++RefuseOne::refuseAt, ++refusals) {
        RefuseOne::requests = 0;
        const int pasted = pasteFromClipboard(hv);
        if (RefuseOne::requests < RefuseOne::refuseAt) break;
        SCOPED_TRACE(RefuseOne::refuseAt);
        EXPECT_EQ(pasted, 0);
        expectRefused(L"Not enough memory to record this edit!");
        EXPECT_EQ(offsetOf(view), 0);
    }
    allocationCheck = nullptr;
    EXPECT_GE(refusals, 3);  // the decoded bytes, the change record, the pasted record
    EXPECT_EQ(at(0, 3000), Bytes(3000, 0xA5));
    EXPECT_EQ(doc.changes.count(), 3000);
    EXPECT_EQ(redBytes(), 3000);
}

// The character area through each set: what typing stores, Copy writes, Paste reads and
// the view paints; a character the set has no byte for beeps or is refused.
TEST_F(ClipboardTest, TheCharacterAreaTypesCopiesPastesAndPaintsThroughItsSet) {
    open(64, tenRowsHeight, 0);
    bytes[16] = 0x82;
    bytes[17] = 0xB0;
    original = bytes;
    view.characterSet = CharacterSet::oem437;
    place(2, 50);
    host.putClipboardText(u"a\u00A4");  // the currency sign is not in OEM 437
    EXPECT_EQ(pasteFromClipboard(hv), 0);
    expectRefused(
        L"Character 2 of the clipboard's text is \"\u00A4\" (U+00A4), which the view's character set "
        L"has no byte for.\nNothing was pasted.");
    place(1, 50);
    setSelection(hv, 16, 18);
    ASSERT_EQ(copyToClipboard(hv), 1);
    EXPECT_EQ(host.clipboardText(), u"\u00E9\u2591");
    clearSelection(hv);
    host.putClipboardText(u"\u2591\u00E9");
    place(2, 50);
    ASSERT_EQ(pasteFromClipboard(hv), 1);
    EXPECT_EQ(at(32, 2), (Bytes{0xB0, 0x82}));

    view.characterSet = CharacterSet::ebcdic037;
    place(0, 50);
    type(L'A');
    type(L'\u20AC');  // no byte in EBCDIC: a beep, the caret stays
    EXPECT_EQ(at(0, 2), (Bytes{0xC1, 0x00}));
    EXPECT_EQ(host.beeps, 1);
    expectCaret(0, 51, 2);
    PaintRuns runs;
    layoutPaint(doc, view, PixelRect{0, 0, 660, 17}, runs);
    const std::wstring painted(runs.text.begin(), runs.text.end());
    EXPECT_EQ(painted.substr(painted.size() - 16, 2), L"A.");
}

}  // namespace
}  // namespace quillix::test
