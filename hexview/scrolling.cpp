// Scrolling by whole rows, the wheel, and the mouse click. Scrolling moves the text
// under a caret that stays put on the screen: caretRow is relative to topLine.

#include <algorithm>

#include "hexview/hex_view.h"
#include "hexview/selection.h"

namespace quillix {

void updateWheelStep(ViewState& view, std::uint32_t wheelLines) {
    // Above 120 rows per notch (WHEEL_PAGESCROLL included) the step becomes 0: no wheel.
    view.wheelStep = wheelLines == 0 ? 0 : 120u / wheelLines;
}

void onSize(const HexView& hv) {
    ViewState& view = hv.view;
    // The horizontal bar first: showing or hiding it changes the view's height.
    hv.host.fitHorizontalBar();
    std::int64_t spare = lineCountOf(view, hv.doc) - rows(view);
    view.scrollMax = static_cast<std::int32_t>(spare >= 0 ? spare : 0);
    if (view.topLine >= view.scrollMax) view.topLine = view.scrollMax;
    hv.host.setScrollRange(view.scrollMax, static_cast<int>(view.topLine));
}

void moveCaretTo(const HexView& hv, std::int64_t offset) {
    ViewState& view = hv.view;
    const std::int64_t row = offset / rowBytes(view);
    const std::int64_t shown = std::max<std::int64_t>(rows(view), 1);
    std::int64_t top = view.topLine;
    if (row < top) top = row;
    if (row > top + shown - 1) top = row - shown + 1;
    top = std::clamp<std::int64_t>(top, 0, view.scrollMax);
    const bool scrolled = top != view.topLine;
    view.topLine = top;
    view.caretRow = row - top;
    caretCellForOffset(view, offset,
                       view.layout.inCharArea(view.caretCell) ? CaretArea::character : CaretArea::hex);
    if (scrolled) hv.host.setScrollPosition(static_cast<int>(top));
    // After a scroll, rows past the data that showed bytes before must be erased.
    hv.host.invalidate(nullptr, scrolled);
    hv.host.updateWindow();
    placeCaret(view, hv.host);
    showOffsetStatus(view, hv.doc, hv.host, EofText::substitute);
}

void changeRowLayout(const HexView& hv, const RowLayout& layout) {
    ViewState& view = hv.view;
    const std::int64_t offset = std::max<std::int64_t>(offsetOf(view), 0);
    const bool characters = view.layout.inCharArea(view.caretCell);
    const bool lowNibble = view.layout.isLow(view.caretCell);
    const std::int64_t screenRow = view.caretRow;
    view.layout = layout;
    onSize(hv);
    hv.host.invalidate(nullptr, true);
    if (!hasDocument(hv.doc)) {
        view.caretCell = layout.firstHex;
        view.byteColumn = 1;
        return;
    }
    const std::int64_t row = offset / rowBytes(view);
    const std::int64_t shown = std::max<std::int64_t>(rows(view), 1);
    std::int64_t top = std::clamp<std::int64_t>(row - screenRow, row - shown + 1, row);
    view.topLine = std::clamp<std::int64_t>(top, 0, view.scrollMax);
    view.caretRow = row - view.topLine;
    caretCellForOffset(view, offset, characters ? CaretArea::character : CaretArea::hex);
    if (lowNibble) ++view.caretCell;
    hv.host.setScrollRange(view.scrollMax, static_cast<int>(view.topLine));
    placeCaret(view, hv.host);
    showOffsetStatus(view, hv.doc, hv.host, EofText::substitute);
}

ViewAnchor viewAnchor(const ViewState& view) { return {view.topLine, view.topLine + view.caretRow}; }

void revealOffset(const HexView& hv, std::int64_t offset, CaretArea area) {
    ViewState& view = hv.view;
    const Document& doc = hv.doc;
    const std::int64_t wholeRows = rows(view);
    const std::int64_t n = rowBytes(view);
    const std::int64_t fullDataRows = doc.fileSize / n;
    const std::int64_t row = offset / n;

    if (row <= view.topLine + wholeRows) {
        // In view, or above it (fixed below); the partly visible row counts as in view.
        view.caretRow = row - view.topLine;
    } else if (row <= fullDataRows - wholeRows) {
        view.topLine = row;
        view.caretRow = 0;
    } else {
        // The last page: the same position the End key's bottom rules lead to.
        view.topLine = fullDataRows - wholeRows + 1 + (doc.fileSize % n != 0 ? 1 : 0);
        view.caretRow = row - view.topLine;
        // Painting draws nothing past the data; the erase clears what the old page showed there.
        hv.host.invalidate(nullptr, true);
    }
    if (view.topLine > row) {
        view.topLine = row;
        view.caretRow = 0;
    }

    caretCellForOffset(view, offset, area);
    placeCaret(view, hv.host);
    formatOffsetStatus(view.statusText, offsetOf(view));
    hv.host.setStatusText(statusPartOffset, view.statusText);

    // Repaint now, so the byte shows while another window may keep the focus.
    hv.host.invalidate(nullptr, false);
    hv.host.updateWindow();
    // Same as the view's WM_SIZE with zero parameters: scroll range and box follow topLine.
    onSize(hv);
}

void keepViewAnchor(const HexView& hv, ViewAnchor anchor) {
    ViewState& view = hv.view;
    // The WM_SIZE clamp of an intermediate size may have moved the view: start from the anchor.
    view.topLine = anchor.topLine;
    onSize(hv);
    const std::int64_t r = rows(view);
    if (anchor.caretLine - view.topLine > r) {
        view.topLine =
            std::min<std::int64_t>(view.scrollMax, anchor.caretLine - std::max<std::int64_t>(r - 1, 0));
        hv.host.setScrollPosition(static_cast<int>(view.topLine));
    }
    view.caretRow = anchor.caretLine - view.topLine;
    placeCaret(view, hv.host);
    hv.host.invalidate(nullptr, true);
    hv.host.updateWindow();
}

bool keepCaretInShortView(const HexView& hv) {
    ViewState& view = hv.view;
    if (view.caretRow >= 0) return false;
    std::int64_t newTop = std::max<std::int64_t>(0, view.topLine + view.caretRow);
    view.caretRow = 0;
    if (newTop != view.topLine) {
        view.topLine = newTop;
        hv.host.setScrollPosition(static_cast<int>(view.topLine));
        hv.host.invalidate(nullptr, false);
        hv.host.updateWindow();
    }
    return true;
}

namespace {

// SB_ENDSCROLL: at the last scroll position, pull a caret that sits below the data (on
// the blank row or the partly visible one) back onto the last rows holding bytes.
void endScroll(const HexView& hv) {
    ViewState& view = hv.view;
    std::int64_t r = rows(view);
    std::int64_t tail = hv.doc.fileSize % rowBytes(view);
    if (view.topLine == lineCountOf(view, hv.doc) - r && (view.caretRow == r - 1 || view.caretRow == r)) {
        view.caretRow = (tail == 0 || view.byteColumn <= tail) ? r - 2 : r - 3;
        keepCaretInShortView(hv);
        placeCaret(view, hv.host);
    }
    showOffsetStatus(view, hv.doc, hv.host, EofText::plain);
}

}  // namespace

void onVScroll(const HexView& hv, int request) {
    if (!hasDocument(hv.doc)) return;
    ViewState& view = hv.view;
    if (request == scrollEnd) {
        endScroll(hv);
        return;
    }
    std::int64_t r = rows(view);
    std::int64_t change = 0;
    switch (request) {
        case scrollLineUp: change = -1; break;
        case scrollLineDown: change = 1; break;
        case scrollPageUp: change = r < 1 ? -1 : -r; break;
        case scrollPageDown: change = r < 1 ? 1 : r; break;
        case scrollThumbTrack: change = hv.host.scrollTrackPosition() - view.topLine; break;
        case scrollTop: change = -view.topLine; break;
        case scrollBottom: change = view.scrollMax - view.topLine; break;
        default: change = 0; break;  // SB_THUMBPOSITION and unknown codes: dragging is SB_THUMBTRACK's
    }
    change = std::max(-view.topLine, std::min(change, view.scrollMax - view.topLine));
    if (change != 0) {
        view.topLine += change;
        hv.host.setScrollPosition(static_cast<int>(view.topLine));
        // No pixels are moved: the whole view is drawn again at once.
        hv.host.invalidate(nullptr, false);
        hv.host.updateWindow();
        if (view.topLine >= lineCountOf(view, hv.doc) - r - 1) {
            // Painting draws nothing past the data; erasing this strip is what clears the
            // rows that held bytes before the scroll.
            PixelRect strip{0, static_cast<int>(view.clientHeight - 3 * view.lineHeight),
                            static_cast<int>(view.layout.cells * view.charWidth),
                            static_cast<int>(view.clientHeight)};
            hv.host.invalidate(&strip, true);
            hv.host.updateWindow();
        }
    }
    showOffsetStatus(view, hv.doc, hv.host, EofText::plain);
}

bool onMouseWheel(const HexView& hv, int delta) {
    ViewState& view = hv.view;
    if (view.wheelStep == 0) return false;
    const std::int32_t step = static_cast<std::int32_t>(view.wheelStep);
    // The remainder carries over between notches, directions and files alike.
    view.wheelRemainder += static_cast<std::int16_t>(delta);
    while (view.wheelRemainder >= step) {
        onVScroll(hv, scrollLineUp);
        view.wheelRemainder -= step;
    }
    while (view.wheelRemainder <= -step) {
        onVScroll(hv, scrollLineDown);
        view.wheelRemainder += step;
    }
    return true;
}

void onHScroll(const HexView& hv, int request) {
    ViewState& view = hv.view;
    const std::int64_t shown = shownCells(view);
    std::int64_t left = view.leftCell;
    switch (request) {
        case scrollLineUp: --left; break;
        case scrollLineDown: ++left; break;
        case scrollPageUp: left -= shown; break;
        case scrollPageDown: left += shown; break;
        case scrollThumbTrack: left = hv.host.horizontalTrackPosition(); break;
        case scrollTop: left = 0; break;
        case scrollBottom: left = view.leftMax; break;
        default: break;
    }
    left = std::clamp<std::int64_t>(left, 0, view.leftMax);
    if (left == view.leftCell) return;
    view.leftCell = left;
    hv.host.setHorizontalPosition(static_cast<int>(left));
    hv.host.invalidate(nullptr, true);
    hv.host.updateWindow();
    // The caret stays on its byte, wherever that now lies (out of sight, off the client area).
    hv.host.setCaretPos(static_cast<int>(cellX(view, view.caretCell)),
                        static_cast<int>(view.caretRow * view.lineHeight));
}

void onHorizontalWheel(const HexView& hv, int delta) {
    const int notches = delta / 120 != 0 ? delta / 120 : (delta > 0 ? 1 : -1);
    for (int i = 0; i < 4 * (notches < 0 ? -notches : notches); ++i)
        onHScroll(hv, notches < 0 ? scrollLineUp : scrollLineDown);
}

namespace {

enum class Hit { accepted, ignored, pastEnd };

// The caret onto cell of view row, over the byte in column, as a click puts it there: the
// match highlight goes, and the view is repainted with the next paint.
void placeCaretAsClicked(const HexView& hv, std::int64_t row, std::int64_t cell, std::int64_t column) {
    ViewState& view = hv.view;
    view.caretRow = row;
    view.caretCell = cell;
    view.byteColumn = column;
    view.matchVisible = 0;
    hv.host.setCaretPos(static_cast<int>(cellX(view, cell)), static_cast<int>(row * view.lineHeight));
    // The highlight goes with the next paint; no immediate update.
    hv.host.invalidate(nullptr, false);
    showOffsetStatus(view, hv.doc, hv.host, EofText::plain);
}

// The click rules: the caret goes to the clicked byte (its high nibble in the hex area); a
// click on the gap between two groups, to the nearer of the bytes beside it, except in the
// default layout, where it keeps the caret's column on the clicked row. A click left
// of the first hex cell or right of the rows hits nothing, nor does one on the blank
// between the areas; a click on or past the end of the document moves nothing either.
Hit clickAt(const HexView& hv, std::int64_t x, unsigned y) {
    ViewState& view = hv.view;
    const RowLayout& layout = view.layout;
    const std::int64_t cw = view.charWidth;
    if (cw <= 0 || view.lineHeight <= 0) return Hit::ignored;
    // The leftmost pixel column of the first hex cell does not count.
    if (x <= layout.firstHex * cw || x >= layout.cells * cw) return Hit::ignored;
    std::int64_t row = y / view.lineHeight;
    std::int64_t cell = x / cw;
    // Between two groups, the nearer byte; the default layout keeps its gap rule (the
    // caret's column on the clicked row).
    if (cell != layout.areaGap && layout.isGap(cell) && !layout.isDefault())
        cell += 2 * (x % cw) < cw ? -1 : 1;
    std::int64_t newCell = view.caretCell;
    std::int64_t newColumn = view.byteColumn;
    if (!layout.isGap(cell)) {
        // Either nibble of a byte selects its high nibble.
        newColumn = layout.columnOf(cell);
        newCell = layout.isChar(cell) ? cell : layout.highCell(newColumn);
    }
    if (newColumn + (view.topLine + row) * rowBytes(view) > hv.doc.fileSize) return Hit::pastEnd;
    placeCaretAsClicked(hv, row, newCell, newColumn);
    return Hit::accepted;
}

// A drag that went past the last byte (below the last row, or right of a partial last
// row's last byte) reaches the last byte: the caret goes onto it in the area of the cell
// at x, the blank cell between the areas keeping the caret's area. Returns false, changing
// nothing, when the last byte's row lies above the view (views under two rows tall).
bool dragToLastByte(const HexView& hv, std::int64_t x) {
    ViewState& view = hv.view;
    const std::int64_t last = hv.doc.fileSize - 1;
    const RowLayout& layout = view.layout;
    const std::int64_t row = last / rowBytes(view) - view.topLine;
    if (row < 0) return false;
    const std::int64_t column = last % rowBytes(view) + 1;
    const std::int64_t cell = x / view.charWidth;
    const bool characters =
        layout.isChar(cell) || (cell == layout.areaGap && layout.inCharArea(view.caretCell));
    placeCaretAsClicked(hv, row, characters ? layout.charCell(column) : layout.highCell(column), column);
    return true;
}

}  // namespace

bool onLButtonDown(const HexView& hv, unsigned x, unsigned y, bool shift) {
    ViewState& view = hv.view;
    const std::int64_t before = offsetOf(view);
    const Hit hit = clickAt(hv, contentX(view, x), y);
    if (hit == Hit::pastEnd) return false;
    if (hit == Hit::ignored) return true;
    if (shift) {
        const std::int64_t anchor = view.selectionAnchor >= 0 ? view.selectionAnchor : before;
        setSelection(hv, anchor, offsetOf(view));
        view.dragOrigin = view.selectionAnchor;
        return true;
    }
    clearSelection(hv);
    view.dragOrigin = offsetOf(view);
    return true;
}

void onMouseMove(const HexView& hv, int x, int y) {
    ViewState& view = hv.view;
    if (view.dragOrigin < 0 || !hasDocument(hv.doc) || view.lineHeight <= 0 || view.charWidth <= 0) return;
    // No timer scrolls on its own: past an edge, every move of the pointer scrolls a row.
    if (y < 0) {
        onVScroll(hv, scrollLineUp);
        y = 0;
    } else if (y >= view.clientHeight) {
        onVScroll(hv, scrollLineDown);
        y = static_cast<int>(std::max<std::int64_t>(view.clientHeight - 1, 0));
    }
    // Beside the rows, the pointer still drags along the nearest byte of its row.
    const std::int64_t cw = view.charWidth;
    const std::int64_t left = view.layout.firstHex * cw + 1;
    const std::int64_t right = view.layout.cells * cw - 1;
    const std::int64_t clampedX = std::clamp<std::int64_t>(contentX(view, x), left, right);
    const Hit hit = clickAt(hv, clampedX, static_cast<unsigned>(y));
    if (hit == Hit::ignored || (hit == Hit::pastEnd && !dragToLastByte(hv, clampedX))) return;
    const std::int64_t reached = offsetOf(view);
    // A press that jitters inside its byte selects nothing.
    if (view.selectionAnchor < 0 && reached == view.dragOrigin) return;
    setSelection(hv, view.dragOrigin, reached);
}

void onLButtonUp(const HexView& hv) { hv.view.dragOrigin = -1; }

}  // namespace quillix
