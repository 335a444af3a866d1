// Copy and Paste through the core with a recording clipboard: what each area copies,
// what each kind of clipboard content pastes, and every refusal leaving the document,
// the clipboard and the marks as they were.

#include <gtest/gtest.h>

#include <random>

#include "caret_fixture.h"
#include "document/record_allocator.h"
#include "hexview/clipboard.h"
#include "hexview/clipboard_text.h"
#include "hexview/selection.h"
#include "temp_files.h"

namespace quillix::test {
namespace {

class ClipboardTest : public CaretViewFixture {
protected:
    std::vector<std::uint8_t> clipboardBytes() const {
        const auto& block = host.clipboard.at(ClipboardFormat::bytes);
        const std::uint8_t* bytes = nullptr;
        std::size_t count = 0;
        EXPECT_TRUE(readBytesBlock(block.data(), block.size(), bytes, count));
        return std::vector<std::uint8_t>(bytes, bytes + count);
    }
    std::vector<std::uint8_t> documentBytes(std::int64_t from, std::int64_t count) const {
        return std::vector<std::uint8_t>(bytes.begin() + from, bytes.begin() + from + count);
    }
    std::int64_t redBytes() const {
        std::int64_t red = 0;
        for (std::int64_t row = 0; row < doc.lineCount; ++row)
            red += std::popcount(pastedMaskOfRow(doc, row));
        return red;
    }
    // Everything a refused paste must leave as it was.
    void expectNothingPasted() {
        EXPECT_TRUE(bytesUnchanged());
        EXPECT_TRUE(doc.changes.empty());
        EXPECT_EQ(redBytes(), 0);
        EXPECT_EQ(doc.isModified, 0);
        EXPECT_FALSE(host.clipboardReading);
    }
    void selectBytes(std::int64_t first, std::int64_t last) { setSelection(hv, first, last); }
};

TEST_F(ClipboardTest, CopyPutsTheExactBytesAndTheTextOfTheCaretsArea) {
    open(64, tenRowsHeight, 0);
    bytes[17] = 0x4D;
    bytes[18] = 0x5A;
    bytes[19] = 0x90;
    original = bytes;
    place(1, 15);
    selectBytes(17, 20);  // 4D 5A 90 00
    ASSERT_EQ(copyToClipboard(hv), 1);
    EXPECT_EQ(clipboardBytes(), (std::vector<std::uint8_t>{0x4D, 0x5A, 0x90, 0x00}));
    EXPECT_EQ(host.clipboardText(), u"4D 5A 90 00");
    EXPECT_EQ(host.status[statusPartActivity], L"Selection: 00000011-00000014, 4 bytes");

    place(1, 52);  // the character area: one code unit per byte, the NUL byte included
    selectBytes(17, 20);
    ASSERT_EQ(copyToClipboard(hv), 1);
    const auto& text = host.clipboard.at(ClipboardFormat::text);
    ASSERT_EQ(text.size(), 5 * sizeof(char16_t));
    const auto* units = reinterpret_cast<const char16_t*>(text.data());
    EXPECT_EQ(std::u16string(units, 5), std::u16string(u"MZ\u0090\0\0", 5));

    // Without a selection, the byte under the caret.
    clearSelection(hv);
    place(1, 15);
    ASSERT_EQ(copyToClipboard(hv), 1);
    EXPECT_EQ(host.clipboardText(), u"5A");
    EXPECT_TRUE(bytesUnchanged());
}

TEST_F(ClipboardTest, NothingToCopyBeepsAndTheClipboardKeepsWhatItHeld) {
    open(32);
    host.putClipboardText(u"kept");
    place(2, 10);  // the EOF position
    EXPECT_EQ(copyToClipboard(hv), 0);
    EXPECT_EQ(host.beeps, 1);
    EXPECT_EQ(host.clipboardText(), u"kept");

    // No memory for the text block: a box, no block left behind, the clipboard as it was.
    place(0, 10);
    host.refuseBlockAt = host.blockRequests + 2;
    EXPECT_EQ(copyToClipboard(hv), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, L"Not enough memory to copy 1 byte!");
    EXPECT_TRUE(host.pendingBlocks.empty());
    EXPECT_EQ(host.clipboardText(), u"kept");

    host.clipboardBusy = true;
    EXPECT_EQ(copyToClipboard(hv), 0);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].text,
              L"Could not put the copied bytes on the clipboard!\nAnother program may be holding it.");
}

TEST_F(ClipboardTest, ALongCopyShowsItsProgressAndEscapeLeavesTheClipboardAlone) {
    open(3 * copyChunkBytes + 5, tenRowsHeight, 0x41);
    host.putClipboardText(u"kept");
    selectAll(hv);
    host.clockStep = 200;
    host.stopAt = 4;  // at the fourth check-in, 0.6 s into the copy
    EXPECT_EQ(copyToClipboard(hv), copyStopped);
    EXPECT_EQ(host.activity[host.activity.size() - 2], L"Copying\u2026 66 %");
    EXPECT_EQ(host.status[statusPartActivity], L"Copy stopped");
    EXPECT_EQ(host.clipboardText(), u"kept");
    EXPECT_TRUE(host.pendingBlocks.empty());
    EXPECT_EQ(host.waitCursorDepth, 0);

    host.stopAt = 0;
    EXPECT_EQ(copyToClipboard(hv), 1);
    EXPECT_EQ(clipboardBytes(), documentBytes(0, doc.fileSize));
    EXPECT_EQ(host.status[statusPartActivity], L"Selection: 00000000-00C00004, 12582917 bytes");
}

TEST_F(ClipboardTest, ACopyPastTheLimitIsRefusedWithABoxThatNamesIt) {
    // A sparse file: the refusal comes before anything of it is read.
    TempFolder folder;
    const auto path = folder.file("large.bin");
    makeSparse(path, static_cast<std::uintmax_t>(copyLimitBytes + 1));
    SystemError cause = 0;
    ASSERT_EQ(openDocument(doc, view, host, path.wstring().c_str(), cause), 1);
    selectAll(hv);
    EXPECT_EQ(copyToClipboard(hv), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text,
              L"The selection holds 268435457 bytes: too many to copy.\n"
              L"At most 268435456 bytes (256 MiB) can be copied at once.");
    EXPECT_EQ(host.blockRequests, 0);
    // One byte less is taken: it gets as far as asking for memory (refused here, to spare
    // the test 1.75 GiB of copying).
    setSelection(hv, 1, copyLimitBytes);
    host.refuseBlockAt = 1;
    EXPECT_EQ(copyToClipboard(hv), 0);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].text, L"Not enough memory to copy 268435456 bytes!");
    closeDocumentView(doc);
}

TEST_F(ClipboardTest, CopiedBytesPasteBackExactlyAndShowRedWithTheCaretAfterThem) {
    open(200);
    std::mt19937 random(8);
    for (std::int64_t i = 0; i < 40; ++i) bytes[i] = random() % 2 ? 0 : static_cast<std::uint8_t>(random());
    original = bytes;
    place(0, 50);
    selectBytes(3, 36);
    ASSERT_EQ(copyToClipboard(hv), 1);
    // Into the hex area now: the binary block wins over the text of the other area.
    place(6, 10);
    selectBytes(100, 150);
    view.matchVisible = 1;
    ASSERT_EQ(pasteFromClipboard(hv), 1);
    EXPECT_EQ(documentBytes(100, 34), documentBytes(3, 34));
    EXPECT_EQ(bytes[134], original[134]);
    EXPECT_EQ(offsetOf(view), 134);
    EXPECT_EQ(view.caretCell, highCellOf[134 % 16 + 1]);
    EXPECT_EQ(host.status[statusPartOffset], L"Offset: 00000086");
    EXPECT_EQ(host.status[statusPartActivity], L"Ready");
    ByteRange range;
    EXPECT_FALSE(selectedRange(view, doc, range));
    EXPECT_EQ(view.matchVisible, 0);
    EXPECT_EQ(doc.isModified, 1);
    EXPECT_EQ(doc.changes.count(), 34);
    EXPECT_EQ(redBytes(), 34);
    EXPECT_EQ(pastedMaskOfRow(doc, 6), 0xFFF0);
    EXPECT_FALSE(host.clipboardReading);
}

TEST_F(ClipboardTest, TextFromElsewhereIsReadByTheCaretsArea) {
    open(100);
    host.putClipboardText(u"de ad\r\nBEEF");
    place(0, 12);
    ASSERT_EQ(pasteFromClipboard(hv), 1);
    EXPECT_EQ(documentBytes(1, 4), (std::vector<std::uint8_t>{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_EQ(offsetOf(view), 5);

    host.putClipboardText(u"A\u20AC");
    place(1, 50);
    ASSERT_EQ(pasteFromClipboard(hv), 1);
    EXPECT_EQ(documentBytes(16, 2), (std::vector<std::uint8_t>{0x41, 0xAC}));
    EXPECT_EQ(view.caretCell, 52);

    // Up to the very last byte: the caret ends on the EOF position.
    host.putClipboardText(u"112233");
    place(6, 13);  // offset 97
    ASSERT_EQ(pasteFromClipboard(hv), 1);
    EXPECT_EQ(documentBytes(97, 3), (std::vector<std::uint8_t>{0x11, 0x22, 0x33}));
    EXPECT_EQ(offsetOf(view), 100);
    EXPECT_EQ(host.status[statusPartOffset], L"EOF");
    EXPECT_EQ(bytes[100], canaryValue);
}

TEST_F(ClipboardTest, RefusedPastesChangeNothing) {
    open(100);
    place(0, 10);
    host.putClipboardText(u"4D 5G");
    EXPECT_EQ(pasteFromClipboard(hv), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, L"Hexadecimal numbers have to be between a-f or 0-9!");
    EXPECT_EQ(host.boxes[0].caption, L"Quillix");
    EXPECT_EQ(host.boxes[0].owner, BoxOwner::none);
    expectNothingPasted();

    // Past the end: how many the clipboard holds and how many fit.
    host.putClipboardText(u"00112233 44");
    place(6, 13);  // offset 97: three bytes left
    EXPECT_EQ(pasteFromClipboard(hv), 0);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].text,
              L"The clipboard holds 5 bytes, but only 3 fit from offset 00000061 to the end of the file.\n"
              L"Nothing was pasted.");
    EXPECT_EQ(host.boxes[1].caption, L"Quillix-64bit");
    expectNothingPasted();

    // A read-only file: the box of typing, before the clipboard is even looked at.
    host.attributes = 0x21;
    place(0, 10);
    EXPECT_EQ(pasteFromClipboard(hv), 0);
    ASSERT_EQ(host.boxes.size(), 3u);
    EXPECT_EQ(host.boxes[2].text, L"File [sample.bin] is read only!");
    EXPECT_EQ(host.boxes[2].owner, BoxOwner::hexView);
    expectNothingPasted();

    host.attributes = 0x80;
    host.clipboard.clear();
    EXPECT_EQ(pasteFromClipboard(hv), 0);
    EXPECT_EQ(host.beeps, 1);
    EXPECT_EQ(host.boxes.size(), 3u);
    expectNothingPasted();
}

// Counts the requests for record memory and refuses the one numbered refuseAt (from 1).
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
    for (int refuseAt = 1;; ++refuseAt) {
        RefuseOne::requests = 0;
        RefuseOne::refuseAt = refuseAt;
        const std::size_t boxes = host.boxes.size();
        const int pasted = pasteFromClipboard(hv);
        if (RefuseOne::requests < refuseAt) {
            EXPECT_EQ(pasted, 1);
            break;
        }
        ++refusals;
        SCOPED_TRACE(refuseAt);
        EXPECT_EQ(pasted, 0);
        ASSERT_EQ(host.boxes.size(), boxes + 1);
        EXPECT_EQ(host.boxes.back().text, L"Not enough memory to record this edit!");
        expectNothingPasted();
        EXPECT_EQ(offsetOf(view), 0);
    }
    allocationCheck = nullptr;
    EXPECT_GE(refusals, 3);  // the decoded bytes, the change record, the pasted record
    EXPECT_EQ(documentBytes(0, 3000), std::vector<std::uint8_t>(3000, 0xA5));
    EXPECT_EQ(doc.changes.count(), 3000);
    EXPECT_EQ(redBytes(), 3000);
}

}  // namespace
}  // namespace quillix::test
