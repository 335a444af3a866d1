// The caret and the navigation keys. The keys never scroll the view themselves: they ask
// for a scroll request (onVScroll) or for the Home or End rule (applyKeyRule) and read the
// view again once that request, its own caret placement and status text included, is done.

#include "hexview/hex_view.h"
#include "host/display_scale.h"
#include "hexview/selection.h"

namespace quillix {

namespace {

// The end of the document in rows and columns, from its size (at least 1 byte).
struct DocumentEnd {
    std::int64_t fullRows;     // rows holding a whole row of bytes
    std::int64_t tailBytes;    // bytes of a partial last row; 0 when there is none
    std::int64_t lastDataRow;  // document row of the last byte
    std::int64_t lastColumn;   // byteColumn of the last byte
};

DocumentEnd documentEnd(const Document& doc, const ViewState& view) {
    const std::int64_t n = rowBytes(view);
    return {doc.fileSize / n, doc.fileSize % n, (doc.fileSize - 1) / n, (doc.fileSize - 1) % n + 1};
}

std::int64_t caretLine(const ViewState& view) { return view.topLine + view.caretRow; }

// The room tests' 20 pixels are a 96-DPI row and a little more: scaled, they stay at least
// a row at any DPI, so the caret can step onto the partly visible row but never past it.
std::int64_t roomLimit(const ViewState& view) {
    return view.clientHeight - scalePixels(roomMargin96, view.dpi);
}

void placeCaret(const HexView& hv) {
    ViewState& view = hv.view;
    placeCaret(view, hv.host);
}

// Left from the first cell of a row goes to the last byte of the row above: on screen
// when there is one, otherwise by scrolling that row in under the caret.
void leftOverRowStart(const HexView& hv, std::int64_t lastCell) {
    ViewState& view = hv.view;
    if (view.caretRow > 0) {
        --view.caretRow;
    } else if (view.caretRow == 0 && view.topLine > 0) {
        onVScroll(hv, scrollLineUp);
    } else {
        return;  // offset 0: nowhere to go
    }
    view.caretCell = lastCell;
    view.byteColumn = rowBytes(view);
}

void moveLeft(const HexView& hv) {
    ViewState& view = hv.view;
    const RowLayout& layout = view.layout;
    const std::int64_t cell = view.caretCell;
    if (layout.inCharArea(cell)) {
        if (cell > layout.firstChar) {
            --view.caretCell;
            --view.byteColumn;
        } else {
            leftOverRowStart(hv, layout.lastChar);
        }
        return;
    }
    if (cell == layout.firstHex) {
        leftOverRowStart(hv, layout.highCell(layout.bytesPerRow));
    } else if (layout.isHigh(cell)) {
        // The byte before's high nibble, across a gap cell between groups.
        --view.byteColumn;
        view.caretCell = layout.highCell(view.byteColumn);
    } else if (layout.isLow(cell)) {
        --view.caretCell;
    }
}

// Right past the last byte of a row lands on the first byte of the next one. On the
// partly visible row the view scrolls instead; when the row reached is the document's
// last, End brings the view to its bottom and the caret onto that row.
void wrapRight(const HexView& hv, std::int64_t firstCell) {
    ViewState& view = hv.view;
    if (view.caretRow * view.lineHeight <= roomLimit(view)) {
        ++view.caretRow;
        view.caretCell = firstCell;
        view.byteColumn = 1;
        return;
    }
    const DocumentEnd end = documentEnd(hv.doc, view);
    onVScroll(hv, scrollLineDown);
    if (caretLine(view) == end.fullRows && end.tailBytes == 0) {
        applyKeyRule(hv, keyEnd);
        ++view.caretRow;  // from the last byte to the EOF position on the extra row
    }
    if (caretLine(view) == end.fullRows && end.tailBytes != 0) applyKeyRule(hv, keyEnd);
    view.caretCell = firstCell;
    view.byteColumn = 1;
}

void moveRight(const HexView& hv) {
    ViewState& view = hv.view;
    if (offsetOf(view) == hv.doc.fileSize) return;  // the EOF position is the last stop
    const RowLayout& layout = view.layout;
    const std::int64_t cell = view.caretCell;
    if (layout.inCharArea(cell)) {
        if (cell < layout.lastChar) {
            ++view.caretCell;
            ++view.byteColumn;
        } else {
            wrapRight(hv, layout.firstChar);
        }
        return;
    }
    if (layout.columnOf(cell) == layout.bytesPerRow) {  // either nibble of the row's last byte
        wrapRight(hv, layout.firstHex);
        return;
    }
    if (!layout.isHigh(cell) && !layout.isLow(cell)) return;  // a gap cell: no byte to step from
    // From either nibble to the next byte's high nibble, across a gap cell between groups.
    ++view.byteColumn;
    view.caretCell = layout.highCell(view.byteColumn);
}

void moveUp(const HexView& hv) {
    ViewState& view = hv.view;
    if (view.caretRow > 0) {
        --view.caretRow;
    } else if (view.caretRow == 0 && view.topLine > 0) {
        onVScroll(hv, scrollLineUp);
    } else if (view.caretRow == 0) {
        // Up on the first row of the document goes to the start of that row.
        view.caretCell = view.layout.firstCellOfArea(view.caretCell);
        view.byteColumn = 1;
    }
}

// Down near the end of the document. The rules are tried in order, each on the view as
// the requests of the ones before left it; they keep the caret from running off the data
// rows at the bottom of the view, and the end-of-scroll clamp of the last request pulls
// back a caret that stepped onto the blank row.
void moveDown(const HexView& hv) {
    ViewState& view = hv.view;
    const Document& doc = hv.doc;
    const DocumentEnd end = documentEnd(doc, view);
    const std::int64_t r = rows(view);
    const std::int64_t lineCount = lineCountOf(view, doc);
    const auto atBottom = [&] { return view.topLine == lineCount - r; };

    if (end.fullRows < r) {
        if (view.caretRow == end.fullRows - 1) {
            applyKeyRule(hv, keyEnd);
            return;
        }
        if (view.caretRow == end.fullRows) return;
    }
    if (atBottom()) {
        if (view.caretRow == r - 2 && end.tailBytes != 0 && view.byteColumn > end.tailBytes) return;
        if (view.caretRow == r - 1 && end.tailBytes == 0) return;
    }
    if (atBottom() && view.caretRow == r - 2 && (view.byteColumn < end.tailBytes || end.tailBytes == 0))
        applyKeyRule(hv, keyEnd);
    if (atBottom() && view.caretRow == r - 3 && end.tailBytes != 0 && view.byteColumn >= end.tailBytes)
        applyKeyRule(hv, keyEnd);
    if (view.topLine == lineCount - r - 3 && view.caretRow == r && end.tailBytes != 0 &&
        view.byteColumn > end.tailBytes)
        applyKeyRule(hv, keyEnd);
    if (view.topLine == lineCount - r - 2 && view.caretRow == r &&
        (view.byteColumn <= end.tailBytes || end.tailBytes == 0)) {
        // The last data row is on the partly visible row: jump the view to its bottom
        // without drawing, and let the line-up request repaint it one row above that.
        view.topLine += 2;
        onVScroll(hv, scrollLineUp);
    }
    if (view.caretRow * view.lineHeight < roomLimit(view))
        ++view.caretRow;
    else
        onVScroll(hv, scrollLineDown);
    onVScroll(hv, scrollEnd);
}

void moveHome(const HexView& hv) {
    ViewState& view = hv.view;
    view.caretRow = 0;
    view.caretCell = view.layout.firstCellOfArea(view.caretCell);
    view.byteColumn = 1;
    onVScroll(hv, scrollTop);
}

// End puts the caret on the last byte, in the caret's area: on screen when the last data
// row is, otherwise on the row above the blank one with the view scrolled to its bottom.
void moveEnd(const HexView& hv) {
    ViewState& view = hv.view;
    const DocumentEnd end = documentEnd(hv.doc, view);
    const std::int64_t r = rows(view);
    view.byteColumn = end.lastColumn;
    view.caretCell = view.layout.inCharArea(view.caretCell) ? view.layout.charCell(end.lastColumn)
                                                            : view.layout.highCell(end.lastColumn);
    if (end.lastDataRow <= r) {
        view.caretRow = end.lastDataRow - view.topLine;
        return;
    }
    view.caretRow = r - 2;
    onVScroll(hv, scrollBottom);
}

void pageUp(const HexView& hv) {
    onVScroll(hv, scrollPageUp);
    if (hv.view.topLine == 0) applyKeyRule(hv, keyHome);
}

void pageDown(const HexView& hv) {
    // In a document that fits the view, paging cannot move the caret: End does.
    if (lineCountOf(hv.view, hv.doc) <= rows(hv.view)) applyKeyRule(hv, keyEnd);
    onVScroll(hv, scrollPageDown);
    onVScroll(hv, scrollEnd);
}

}  // namespace

void onSetFocus(const HexView& hv) {
    // The caret is created anew at every focus gain, at the caret's current cell.
    hv.host.createCaret(scalePixels(caretWidth96, hv.view.dpi), static_cast<int>(hv.view.lineHeight));
    placeCaret(hv);
    hv.host.showCaret();
}

void onKillFocus(const HexView& hv) {
    hv.host.hideCaret();
    hv.host.destroyCaret();
}

void applyKeyRule(const HexView& hv, unsigned key) {
    // Without a document the end-of-document values mean nothing; no key does anything.
    if (!hasDocument(hv.doc)) return;
    switch (key) {
        case keyBack:
        case keyLeft: moveLeft(hv); break;
        case keyRight: moveRight(hv); break;
        case keyUp: moveUp(hv); break;
        case keyDown: moveDown(hv); break;
        case keyHome: moveHome(hv); break;
        case keyEnd: moveEnd(hv); break;
        case keyPageUp: pageUp(hv); break;
        case keyPageDown: pageDown(hv); break;
        default: break;  // any other key only places the caret and rewrites the status
    }
    // In views less than three rows tall, End and Down name rows above the top of the
    // view; the caret is brought back onto the top row (the view scrolls under it, the
    // offset stays) rather than left above the view or on a negative offset.
    keepCaretInShortView(hv);
    placeCaret(hv);
    showOffsetStatus(hv.view, hv.doc, hv.host, EofText::substitute);
}

bool isCaretKey(unsigned key) {
    switch (key) {
        case keyBack:
        case keyLeft:
        case keyRight:
        case keyUp:
        case keyDown:
        case keyHome:
        case keyEnd:
        case keyPageUp:
        case keyPageDown: return true;
        default: return false;
    }
}

void onKeyDown(const HexView& hv, unsigned key, bool shift) {
    const std::int64_t before = offsetOf(hv.view);
    applyKeyRule(hv, key);
    // Other keys (Shift and Ctrl themselves among them) leave the selection as it is.
    if (!isCaretKey(key) || !hasDocument(hv.doc)) return;
    if (!shift) {
        clearSelection(hv);
        return;
    }
    const std::int64_t anchor = hv.view.selectionAnchor >= 0 ? hv.view.selectionAnchor : before;
    setSelection(hv, anchor, offsetOf(hv.view));
}

}  // namespace quillix
