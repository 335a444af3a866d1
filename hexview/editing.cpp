// Typing over the byte under the caret: a hex digit replaces one nibble, a character in
// the character area the whole byte. Bytes are only overwritten, never inserted, so the
// document keeps its size; the change lives in the private view until it is saved.

#include "document/file/checked_view.h"
#include "host/text_format.h"
#include "hexview/comparison_view.h"
#include "hexview/hex_view.h"
#include "hexview/selection.h"

namespace quillix {

namespace {

constexpr unsigned backspaceChar = 8;

// Value 0..15 of a hexadecimal digit, or -1 for any other code unit.
int hexDigitValue(unsigned codeUnit) {
    if (codeUnit >= '0' && codeUnit <= '9') return static_cast<int>(codeUnit - '0');
    if (codeUnit >= 'A' && codeUnit <= 'F') return static_cast<int>(codeUnit - 'A' + 10);
    if (codeUnit >= 'a' && codeUnit <= 'f') return static_cast<int>(codeUnit - 'a' + 10);
    return -1;
}

bool refuseUnreadable(const HexView& hv, const ReadFault& fault) {
    reportUnreadable(hv.host, BoxOwner::hexView, hv.doc.fileTitle, fault.error);
    return true;
}

PixelRect cellsOfRow(const ViewState& view, std::int64_t firstCell, std::int64_t endCell) {
    return {static_cast<int>(firstCell * view.charWidth), static_cast<int>(view.caretRow * view.lineHeight),
            static_cast<int>(endCell * view.charWidth),
            static_cast<int>((view.caretRow + 1) * view.lineHeight)};
}

// Repaints the edited byte's hex pair and its character, without erasing: the row is
// drawn over in full, so there is nothing to clear first.
void repaintEditedRow(const HexView& hv) {
    const ViewState& view = hv.view;
    const RowLayout& layout = view.layout;
    PixelRect first{}, second{};
    if (layout.inCharArea(view.caretCell)) {
        first = cellsOfRow(view, view.caretCell - (layout.firstChar - layout.firstHex), layout.areaGap);
        second = cellsOfRow(view, view.caretCell, view.caretCell + 1);
    } else {
        first = cellsOfRow(view, layout.firstHex, layout.areaGap);
        second = cellsOfRow(view, layout.firstChar, layout.cells);
    }
    hv.host.invalidate(&first, false);
    hv.host.invalidate(&second, false);
}

// After the last byte of a row on the partly visible view row, the three checks below
// take the caret to the first byte of the next row by scrolling, or, when that row is
// the document's last, by End. Each runs only while the caret is still on that row and
// reads what the one before left.
struct EndOfRowChecks {
    const HexView& hv;
    std::int64_t firstCell;
    std::int64_t r;
    std::int64_t fullRows;
    std::int64_t tailBytes;

    bool onPartlyVisibleRow() const { return hv.view.caretRow == r; }

    void lastRow() const {
        ViewState& view = hv.view;
        if (!onPartlyVisibleRow()) return;
        if (tailBytes == 0 || offsetOf(view) < fullRows * rowBytes(view) - 1) return;
        applyKeyRule(hv, keyEnd);
        view.caretCell = firstCell;
        view.byteColumn = 1;
    }

    void scroll() const {
        ViewState& view = hv.view;
        if (!onPartlyVisibleRow()) return;
        const std::int64_t n = rowBytes(view);
        if (view.byteColumn != n || (view.topLine + view.caretRow) * n + n - 1 >= hv.doc.fileSize - 1) return;
        view.caretCell = firstCell;
        view.byteColumn = 1;
        hv.host.setCaretPos(static_cast<int>(firstCell * view.charWidth),
                            static_cast<int>(view.caretRow * view.lineHeight));
        onVScroll(hv, scrollLineDown);
    }

    void endOfFile() const {
        ViewState& view = hv.view;
        if (!onPartlyVisibleRow()) return;
        if (tailBytes != 0 || offsetOf(view) < hv.doc.fileSize - 1) return;
        applyKeyRule(hv, keyEnd);
        view.caretCell = firstCell;
        ++view.caretRow;  // from the last byte to the EOF position on the extra row
        view.byteColumn = 1;
    }
};

// Moves the caret past the byte or nibble just typed: a high nibble to its low nibble, a
// low nibble or a character to the next byte, wrapping at the end of a row.
void advanceCaret(const HexView& hv) {
    ViewState& view = hv.view;
    const RowLayout& layout = view.layout;
    const std::int64_t column = layout.columnOf(view.caretCell);
    if (layout.isHigh(view.caretCell) || column < layout.bytesPerRow) {
        view.caretCell = layout.isHigh(view.caretCell)  ? view.caretCell + 1
                         : layout.isLow(view.caretCell) ? layout.highCell(column + 1)
                                                        : view.caretCell + 1;
        return;
    }
    const std::int64_t firstCell = layout.firstCellOfArea(view.caretCell);
    const std::int64_t r = rows(view);
    if (view.caretRow < r) {
        ++view.caretRow;
        view.caretCell = firstCell;
        view.byteColumn = 1;
    }
    const EndOfRowChecks checks{hv, firstCell, r, hv.doc.fileSize / rowBytes(view),
                                hv.doc.fileSize % rowBytes(view)};
    if (layout.inCharArea(firstCell)) {
        checks.scroll();
        checks.lastRow();
    } else {
        checks.lastRow();
        checks.scroll();
    }
    checks.endOfFile();
}

}  // namespace

void warnInView(const HexView& hv, const wchar_t* text) {
    hv.host.messageBox(BoxOwner::hexView, text, programCaption, boxWarning);
}

bool refuseReadOnlyFile(const HexView& hv) {
    // A document opened for viewing alone takes no edits, whatever its file says now.
    if (!(hv.host.fileAttributes(hv.doc.filePath) & attributeReadOnly) && !isReadOnly(hv.doc)) return false;
    wchar_t text[fileTitleChars + 32];
    formatWithName(text, sizeof text / sizeof text[0], L"File [", nameOrUntitled(hv.doc.fileTitle),
                   L"] is read only!");
    warnInView(hv, text);
    return true;
}

namespace {

// What typing makes of the byte under the caret.
struct TypedByte {
    std::uint8_t value = 0;
    EditKind kind = EditKind::character;
};
enum class Typing { edit, nothing, unreadable };

// The byte typing codeUnit in the caret's cell makes of the byte at offset: a character
// replaces it, a hex digit one of its nibbles. nothing when the unit changes no byte (a
// beep for a hex area's non-digit); unreadable, fault set, when the nibble's byte cannot
// be read.
Typing typedByte(const HexView& hv, unsigned codeUnit, std::int64_t offset, TypedByte& typed, ReadFault& fault) {
    const std::int64_t cell = hv.view.caretCell;
    const RowLayout& layout = hv.view.layout;
    if (layout.isChar(cell)) {
        // In ASCII a character stores the low byte of its code unit; in another set a
        // character the set has no byte for changes nothing.
        const int byte = hv.view.characterSet == CharacterSet::ascii
                             ? static_cast<int>(codeUnit & 0xFF)
                             : byteOf(hv.view.characterSet, static_cast<wchar_t>(codeUnit));
        if (byte < 0) {
            hv.host.beep();
            return Typing::nothing;
        }
        typed = {static_cast<std::uint8_t>(byte), EditKind::character};
        return Typing::edit;
    }
    // A gap cell or the cell between the areas holds no byte; nothing puts the caret there.
    if (!layout.isHigh(cell) && !layout.isLow(cell)) return Typing::nothing;
    const int digit = hexDigitValue(codeUnit);
    if (digit < 0) {
        hv.host.beep();
        return Typing::nothing;
    }
    // A byte whose page can no longer be read takes no edit: a nibble needs its old value,
    // and storing makes a private copy of the page from the file's.
    std::uint8_t old = 0;
    if (!checkedCopy(hv.doc, offset, 1, &old, fault)) return Typing::unreadable;
    if (layout.isHigh(cell))
        typed = {static_cast<std::uint8_t>(digit * 16 + (old & 0x0F)), EditKind::highNibble};
    else
        typed = {static_cast<std::uint8_t>((old & 0xF0) + digit), EditKind::lowNibble};
    return Typing::edit;
}

// The bits of its byte a typed key changes.
std::uint8_t bitsTyped(EditKind kind) {
    return kind == EditKind::highNibble ? 0xF0 : kind == EditKind::lowNibble ? 0x0F : 0xFF;
}

// Stores the typed byte at offset, logs and marks it, and repaints its row. Returns false
// after the box that says why when it cannot, nothing changed.
bool storeTyped(const HexView& hv, std::int64_t offset, const TypedByte& typed) {
    Document& doc = hv.doc;
    ReadFault fault;
    // Without a log entry the edit would not show as edited, and without its mark it would
    // not be saved: refuse it whole.
    if (!reserveEdit(doc, typed.kind)) {
        warnInView(hv, noMemoryForEditText);
        return false;
    }
    CompareFault uncounted;
    comparedBytesChanging(hv, {offset, offset + 1}, uncounted);
    const bool stored = storeByte(doc, offset, typed.value, &fault, bitsTyped(typed.kind));
    comparedBytesChanged(hv, {offset, offset + 1}, uncounted);
    reportChangeFault(hv, fault, uncounted);
    if (!stored) {
        if (!fault.happened()) warnInView(hv, noMemoryForEditText);
        return false;
    }
    hv.view.matchVisible = 0;
    doc.isModified = 1;
    recordEdit(doc, typed.kind, offset);
    clearSelection(hv);
    repaintEditedRow(hv);
    return true;
}

// The caret moves on past what was typed, as the key rules move it.
void caretAfterTyping(const HexView& hv) {
    ViewState& view = hv.view;
    advanceCaret(hv);
    view.byteColumn = view.layout.columnOf(view.caretCell);
    // As after a key: a view under three rows tall must not keep the caret above its
    // top row (End, sent by the checks, names rows above it there).
    keepCaretInShortView(hv);
    placeCaret(view, hv.host);
    showOffsetStatus(view, hv.doc, hv.host, EofText::substitute);
}

}  // namespace

bool onChar(const HexView& hv, unsigned codeUnit) {
    // Tested on every character, even those that change nothing.
    if (refuseReadOnlyFile(hv)) return false;
    // The Backspace key has already moved the caret; its character changes nothing.
    if (codeUnit == backspaceChar) return true;
    if (!hasDocument(hv.doc)) return true;
    // At or past the end (and below 0, which only a view under three rows tall could
    // reach) there is no byte to overwrite.
    const std::int64_t offset = offsetOf(hv.view);
    if (offset < 0 || offset >= hv.doc.fileSize) return true;
    TypedByte typed;
    ReadFault fault;
    switch (typedByte(hv, codeUnit, offset, typed, fault)) {
        case Typing::nothing: return true;
        case Typing::unreadable: return refuseUnreadable(hv, fault);
        case Typing::edit: break;
    }
    if (storeTyped(hv, offset, typed)) caretAfterTyping(hv);
    return true;
}

}  // namespace quillix
