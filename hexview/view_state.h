#pragma once
// The hex view's state and its grid. A row is a line of character cells laid out by the
// view's RowLayout from the bytes a row shows, the bytes in a group and the offset's
// digits; at its default (16 bytes, pairs, eight digits) a row is 66 cells:
//   cells 0-9    the row's offset, eight hex digits, a colon and a blank
//   cells 10-48  16 bytes as hex pairs, a blank (gap) cell after every second byte
//   cell 49      blank
//   cells 50-65  the same 16 bytes as characters
// Everything that paints, moves the caret, edits, scrolls, hit-tests or reveals a match
// works in (view row, cell). The constants below name the default layout's cells.

#include <array>
#include <cstddef>
#include <cstdint>

#include "hexview/character_set.h"

namespace quillix {

class ViewHost;
struct Document;
struct Comparison;

// Find All's hits as the view colours them: offsets in increasing order, each the start
// of length bytes. The list's owner keeps the offsets alive while the view points at it.
struct HitList {
    const std::int64_t* offsets = nullptr;
    std::size_t count = 0;
    std::int64_t length = 0;
};

enum CellKind : std::uint8_t {
    cellOther = 0,
    cellHexHigh = 1,
    cellHexLow = 2,
    cellGap = 4,
    cellChar = 8,
    cellEvenHigh = 16,  // high nibble of bytes 0, 2, ..., 14
    cellOddLow = 32,    // low nibble of bytes 1, 3, ..., 15
};

struct CellInfo {
    std::uint8_t kind;        // CellKind bits
    std::uint8_t byteColumn;  // 1..bytesPerRow for nibble and character cells, 0 otherwise
};

// The widest row: 64 bytes one to a group behind a 20-digit offset.
inline constexpr int maxRowBytes = 64;
inline constexpr int maxRowCells = 22 + 3 * maxRowBytes + 1 + maxRowBytes;

// Where a row's cells lie: the offset's digits, a colon and a blank; the hex pairs, a gap
// cell after every group but the last; a blank; the characters.
struct RowLayout {
    int bytesPerRow = 16;
    int groupBytes = 2;
    int offsetDigits = 8;
    bool decimal = false;  // the offset column in decimal
    int firstHex = 0;   // the first byte's high nibble
    int lastHex = 0;    // the last byte's low nibble
    int areaGap = 0;    // the blank cell between the areas
    int firstChar = 0;  // the first byte's character
    int lastChar = 0;
    int cells = 0;                                     // cells in a row
    std::array<std::int16_t, maxRowBytes + 1> high{};  // high-nibble cell of byte column 1..bytesPerRow
    std::array<CellInfo, maxRowCells + 1> table{};

    constexpr int highCell(std::int64_t column) const { return high[static_cast<std::size_t>(column)]; }
    constexpr int charCell(std::int64_t column) const { return firstChar + static_cast<int>(column) - 1; }
    constexpr std::uint8_t kindOf(std::int64_t cell) const {
        return cell >= 0 && cell < cells ? table[static_cast<std::size_t>(cell)].kind : 0;
    }
    // byteColumn of a high-nibble, low-nibble or character cell; 0 for any other cell.
    constexpr std::int64_t columnOf(std::int64_t cell) const {
        return cell >= 0 && cell < cells ? table[static_cast<std::size_t>(cell)].byteColumn : 0;
    }
    constexpr bool isHigh(std::int64_t cell) const { return (kindOf(cell) & cellHexHigh) != 0; }
    constexpr bool isLow(std::int64_t cell) const { return (kindOf(cell) & cellHexLow) != 0; }
    constexpr bool isGap(std::int64_t cell) const { return (kindOf(cell) & cellGap) != 0; }
    constexpr bool isChar(std::int64_t cell) const { return (kindOf(cell) & cellChar) != 0; }
    // The caret is in the character area from the first character cell on.
    constexpr bool inCharArea(std::int64_t cell) const { return cell >= firstChar; }
    constexpr std::int64_t firstCellOfArea(std::int64_t cell) const {
        return inCharArea(cell) ? firstChar : firstHex;
    }
    constexpr bool isDefault() const { return bytesPerRow == 16 && groupBytes == 2 && offsetDigits == 8 && !decimal; }
};

constexpr RowLayout makeRowLayout(int bytesPerRow, int groupBytes, int offsetDigits, bool decimal = false) {
    RowLayout layout;
    layout.decimal = decimal;
    layout.bytesPerRow = bytesPerRow;
    layout.groupBytes = groupBytes;
    layout.offsetDigits = offsetDigits;
    layout.firstHex = offsetDigits + 2;
    for (int k = 0; k < bytesPerRow; ++k)
        layout.high[k + 1] = static_cast<std::int16_t>(layout.firstHex + 2 * k + k / groupBytes);
    layout.lastHex = layout.high[bytesPerRow] + 1;
    layout.areaGap = layout.lastHex + 1;
    layout.firstChar = layout.areaGap + 1;
    layout.lastChar = layout.firstChar + bytesPerRow - 1;
    layout.cells = layout.lastChar + 1;
    for (int k = 0; k < bytesPerRow; ++k) {
        const int high = layout.high[k + 1];
        const auto column = static_cast<std::uint8_t>(k + 1);
        layout.table[high] = {static_cast<std::uint8_t>(cellHexHigh | (k % 2 == 0 ? cellEvenHigh : 0)),
                              column};
        layout.table[high + 1] = {static_cast<std::uint8_t>(cellHexLow | (k % 2 == 1 ? cellOddLow : 0)),
                                  column};
        layout.table[layout.firstChar + k] = {cellChar, column};
        if (k + 1 < bytesPerRow && (k + 1) % groupBytes == 0) layout.table[high + 2] = {cellGap, 0};
    }
    layout.table[layout.areaGap] = {cellGap, 0};
    return layout;
}
inline constexpr RowLayout defaultRowLayout = makeRowLayout(16, 2, 8);
// The layout of the user's choices (8, 16, 32 or 64 bytes a row; groups of 1, 2, 4 or 8,
// no wider than the row; decimal offsets with the digits the largest offset of a
// document of fileSize bytes needs, at least 8). Out-of-range choices fall back to the
// defaults.
RowLayout chosenRowLayout(std::uint32_t bytesPerRow, std::uint32_t groupBytes, bool decimal, std::int64_t fileSize);

struct ViewState {
    std::int64_t topLine = 0;         // document row at the top of the view (scroll position)
    std::int64_t caretRow = 0;        // caret row relative to topLine; may equal rows()
    std::int64_t caretCell = 10;      // caret cell: a hex nibble cell or a character cell
    std::int64_t byteColumn = 1;      // 1..16, the caret byte's place in its row
    std::int64_t charWidth = 0;       // pixels per cell, measured at creation and at a DPI change
    std::int64_t lineHeight = 0;      // pixels per row, measured at creation and at a DPI change
    std::int64_t clientHeight = 0;    // hex view height in pixels (frame client height - status bar)
    std::int64_t clientWidth = 0;     // frame client width in pixels (status bar layout only)
    std::int32_t scrollMax = 0;       // largest topLine, recomputed on every size
    std::uint32_t wheelStep = 0;      // wheel delta per row; 0 turns the wheel off
    std::int32_t wheelRemainder = 0;  // wheel delta not yet turned into rows
    std::int64_t searchPos = -1;      // where the last search stopped, or the go-to target; -1 none
    std::int64_t matchStart = 0;    // first offset of the highlighted match; -1 from an open to the first hit
    std::int64_t matchLength = 0;   // its length in bytes (1 for a go-to target)
    std::int32_t matchVisible = 0;  // 1 while the match is painted inverted
    wchar_t statusText[20] = {};    // last text put into status part 1
    std::int32_t dpi = 96;          // the view window's DPI, read at creation, new at a DPI change
    // The selection: every byte from the anchor to the end byte, both included, in either
    // order. The anchor is where a Shift key, a Shift+click or a drag began; the end is the
    // byte the caret reached with it. Both are file offsets, so scrolling (which moves the
    // caret's offset, not the caret) leaves the selection alone. -1: no selection.
    std::int64_t selectionAnchor = -1;
    std::int64_t selectionEnd = -1;
    std::int64_t dragOrigin = -1;  // the byte a left-button drag started on; -1 while none runs
    // The comparison shown beside the view, which every change of the document's bytes
    // keeps true and painting colours by; null, or not open, while there is none. Set by
    // the program once; the record is the program's.
    Comparison* comparison = nullptr;
    // Find All's hits while their window is open, each painted on a background of its
    // own; null while there is none. Set and cleared by that window.
    const HitList* hits = nullptr;
    CharacterSet characterSet = CharacterSet::ascii;  // what the character area shows and stores
    RowLayout layout = defaultRowLayout;              // the row's cells; changed through changeRowLayout
    // Horizontal scrolling, in cells: the cell at the view's left edge, and the largest it
    // may be (the cells of the rows, and the other file's pane, that the view's width
    // leaves out). viewWidth is the view's width in pixels; 0 scrolls nothing.
    std::int64_t leftCell = 0;
    std::int64_t leftMax = 0;
    std::int64_t viewWidth = 0;
};

inline constexpr int rowCells = 66;
inline constexpr int firstHexCell = 10;
inline constexpr int lastHexCell = 48;
inline constexpr int areaGapCell = 49;  // the blank cell between the two areas
inline constexpr int firstCharCell = 50;
inline constexpr int lastCharCell = 65;

// High-nibble cell of byteColumn 1..16 (index 0 unused).
inline constexpr std::array<int, 17> highCellOf = {0,  10, 12, 15, 17, 20, 22, 25, 27,
                                                   30, 32, 35, 37, 40, 42, 45, 47};

constexpr std::array<CellInfo, 67> makeCellTable() {
    std::array<CellInfo, 67> table{};
    for (int k = 0; k < 16; ++k) {
        int high = 10 + 2 * k + k / 2;
        std::uint8_t column = static_cast<std::uint8_t>(k + 1);
        table[high] = {static_cast<std::uint8_t>(cellHexHigh | (k % 2 == 0 ? cellEvenHigh : 0)), column};
        table[high + 1] = {static_cast<std::uint8_t>(cellHexLow | (k % 2 == 1 ? cellOddLow : 0)), column};
        table[50 + k] = {cellChar, column};
    }
    for (int gap : {14, 19, 24, 29, 34, 39, 44, 49}) table[gap] = {cellGap, 0};
    return table;
}
inline constexpr std::array<CellInfo, 67> cellTable = makeCellTable();

constexpr bool cellHas(std::int64_t cell, std::uint8_t kind) {
    return cell >= 0 && cell < 67 && (cellTable[static_cast<std::size_t>(cell)].kind & kind) != 0;
}
// The named cell sets.
constexpr bool inHexHighCells(std::int64_t c) { return cellHas(c, cellHexHigh); }
constexpr bool inHexLowCells(std::int64_t c) { return cellHas(c, cellHexLow); }
constexpr bool inEvenHighCells(std::int64_t c) { return cellHas(c, cellEvenHigh); }
constexpr bool inInnerEvenHighCells(std::int64_t c) { return c != 10 && inEvenHighCells(c); }
constexpr bool inOddHighCells(std::int64_t c) { return inHexHighCells(c) && !inEvenHighCells(c); }
constexpr bool inEvenLowCells(std::int64_t c) { return inHexLowCells(c) && !cellHas(c, cellOddLow); }
constexpr bool inInnerOddLowCells(std::int64_t c) { return c != 48 && cellHas(c, cellOddLow); }
constexpr bool inGapCells(std::int64_t c) { return cellHas(c, cellGap); }
constexpr bool inCharCells(std::int64_t c) { return cellHas(c, cellChar); }

// byteColumn of a high-nibble, low-nibble or character cell; 0 for any other cell.
constexpr std::int64_t columnOfCell(std::int64_t cell) {
    return cell >= 0 && cell < 67 ? cellTable[static_cast<std::size_t>(cell)].byteColumn : 0;
}

// The caret is in the character area from cell 50 on.
constexpr bool inCharArea(std::int64_t cell) { return cell >= firstCharCell; }
// First cell of the caret's area: 10 in the hex area, 50 in the character area.
constexpr std::int64_t firstCellOfArea(std::int64_t cell) {
    return inCharArea(cell) ? firstCharCell : firstHexCell;
}

// Whole rows that fit in the view.
std::int64_t rows(const ViewState& view);
// Bytes a row of the view shows.
inline std::int64_t rowBytes(const ViewState& view) { return view.layout.bytesPerRow; }
// Rows the view scrolls over: the data rows and one blank row after them; 0 without bytes
// or while the document's lineCount is 0 (closed, or being opened).
std::int64_t lineCountOf(const ViewState& view, const Document& doc);
// File offset of the caret's byte; may be at or past fileSize, and negative only in
// views less than three rows tall.
std::int64_t offsetOf(const ViewState& view);
// Where a jump to an offset puts the caret: on the byte's high nibble, on its character,
// or in the same cell as before.
enum class CaretArea { hex, character, unchanged };
// Puts byteColumn and caretCell on the byte at offset (>= 0) in the given area; with
// unchanged, neither moves.
void caretCellForOffset(ViewState& view, std::int64_t offset, CaretArea area);

enum class EofText { substitute, plain };
// Writes "Offset: %08I64X" for offsetOf (or "EOF" when substituting and the offset is
// at or past fileSize) into statusText and status part 1.
void showOffsetStatus(ViewState& view, const Document& doc, ViewHost& host, EofText eof);
// Formats "Offset: " and at least eight upper-case hex digits of offset into text.
void formatOffsetStatus(wchar_t (&text)[20], std::int64_t offset);
// Moves the system caret to the caret's cell and row, first scrolling the view
// sideways (leftCellForCaret) when the caret's byte is out of sight.
void placeCaret(ViewState& view, ViewHost& host);

// Whole cells the view's width shows; at least 1.
std::int64_t shownCells(const ViewState& view);
// Sets leftMax for a view whose lines are contentCells cells wide and clamps leftCell into
// 0..leftMax; returns whether leftCell moved.
bool setHorizontalExtent(ViewState& view, std::int64_t contentCells);
// Where leftCell goes so the caret's byte (its hex pair, or its character) is in sight:
// where it is while it is; past the right edge, as far right as keeps the byte in sight;
// past the left edge, as far left (so a caret on a row's first byte shows the offsets).
std::int64_t leftCellForCaret(const ViewState& view);
// The view's pixel x of a cell's left edge, and the cell under a view pixel x (>= 0).
inline std::int64_t cellX(const ViewState& view, std::int64_t cell) {
    return (cell - view.leftCell) * view.charWidth;
}
inline std::int64_t contentX(const ViewState& view, std::int64_t x) {
    return x + view.leftCell * view.charWidth;
}

}  // namespace quillix
