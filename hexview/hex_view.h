#pragma once
// The hex view's behaviour as plain handlers, one per window message. The Win32 window
// procedure only translates messages into these calls; tests call them directly.
// A handler that asks the view to scroll or to reach the start or end of the document
// calls the matching handler itself: on the one window thread that is exactly a
// synchronous SendMessageW to the view.

#include <cstdint>

#include "document/document.h"
#include "host/view_host.h"
#include "hexview/view_state.h"

namespace quillix {

struct HexView {
    Document& doc;
    ViewState& view;
    ViewHost& host;
};

// Scroll request codes of WM_VSCROLL.
enum ScrollRequest : int {
    scrollLineUp = 0,
    scrollLineDown = 1,
    scrollPageUp = 2,
    scrollPageDown = 3,
    scrollThumbPosition = 4,
    scrollThumbTrack = 5,
    scrollTop = 6,
    scrollBottom = 7,
    scrollEnd = 8,
};

// Virtual-key codes the keyboard rules know.
enum Key : unsigned {
    keyBack = 8,
    keyPageUp = 33,
    keyPageDown = 34,
    keyEnd = 35,
    keyHome = 36,
    keyLeft = 37,
    keyUp = 38,
    keyRight = 39,
    keyDown = 40,
};

// The view's half of opening a file, once the document's openDocument gave opened: the
// caret is hidden and the view goes back to its first row. After a success the match
// and the search start afresh, the scroll range follows the new size, status part 2
// reads "Bytes: <size>", and the view is repainted at once and shows its caret again.
void showOpenedDocument(const HexView& hv, bool opened);
// Opens path as the document and brings the view to it: the document's openDocument,
// then showOpenedDocument. Returns what the open returned; the caller reports a failure.
int openDocument(Document& doc, ViewState& view, ViewHost& host, const wchar_t* path, SystemError& cause,
                 FileSystem& fs = systemFileSystem());

// The view's half of taking up another program's change to the file (outside_change.h),
// once the document holds the file's new bytes and size: the caret stays on caretOffset
// (the last byte when the document got shorter), the top row stays where it still exists,
// the selection is cut to the document and the match goes; status part 2 shows the new
// size and part 0 note, and the view is repainted at once.
void showTakenUpDocument(const HexView& hv, std::int64_t caretOffset, const wchar_t* note);

// WM_SETTINGCHANGE (and the tail of WM_CREATE): wheelStep from the system's wheel lines.
void updateWheelStep(ViewState& view, std::uint32_t wheelLines);

// WM_SIZE: recomputes scrollMax from lineCount and the view height and clamps topLine.
void onSize(const HexView& hv);

// Lays the rows out anew (bytes per row, grouping, offset digits): the caret stays on its
// byte and nibble in its area and in view, on the same view row where the new rows allow;
// the scroll range follows and the whole view is repainted. No pass over the bytes.
void changeRowLayout(const HexView& hv, const RowLayout& layout);

// Brings the byte at offset into view as a search hit is brought: scrolls as little as
// keeps its row on screen (or to the last page near the end), puts the caret on it in
// area, shows "Offset: " with it in status part 1, repaints at once and refreshes the
// scroll range.
void revealOffset(const HexView& hv, std::int64_t offset, CaretArea area);
// Puts the caret on the byte at offset (or on the EOF position) in the caret's area, as
// after a paste: scrolls as little as brings that row onto the whole rows, repaints at
// once and shows its offset (or "EOF") in status part 1.
void moveCaretTo(const HexView& hv, std::int64_t offset);

// Where the view stands in the document, whatever its pixel sizes: the document row at
// the top and the caret's document row.
struct ViewAnchor {
    std::int64_t topLine = 0;
    std::int64_t caretLine = 0;
};
ViewAnchor viewAnchor(const ViewState& view);
// After a DPI change gave the view a new cell size and height (charWidth, lineHeight and
// clientHeight are the new ones): recomputes the scroll range as WM_SIZE does, puts the
// anchor's row back at the top as far as the new range allows, and keeps the caret on its
// byte (same row, same cell); when that byte would lie below the partly visible row, the
// view scrolls just far enough to show it on the last whole row. Then moves the caret and
// repaints the whole view at once, erasing. Edits, the match and the status texts stay.
void keepViewAnchor(const HexView& hv, ViewAnchor anchor);
// WM_VSCROLL with a request code.
void onVScroll(const HexView& hv, int request);
// WM_MOUSEWHEEL with the signed wheel delta. Returns false when the message belongs to
// DefWindowProcW (wheel scrolling turned off).
bool onMouseWheel(const HexView& hv, int delta);
// WM_HSCROLL with a request code (the same codes as WM_VSCROLL's, by cells): moves the
// view sideways under a caret that may go out of sight, until a key brings it back.
void onHScroll(const HexView& hv, int request);
// Shift+wheel and the tilting wheel: delta as WM_MOUSEHWHEEL has it (positive: right),
// a notch scrolling four cells.
void onHorizontalWheel(const HexView& hv, int delta);
// WM_LBUTTONDOWN at client pixel (x, y). Returns false when the message belongs to
// DefWindowProcW (a click past the end of the document). A click the rules accept drops
// the selection and starts a drag from its byte; with shift (Shift+click) it selects from
// the selection's anchor, or from the byte the caret stood on, to the clicked byte.
bool onLButtonDown(const HexView& hv, unsigned x, unsigned y, bool shift = false);
// WM_MOUSEMOVE with the left button down, at client pixel (x, y), which lies outside the
// view when the pointer left it. While a drag runs, the caret follows the pointer by the
// click rules and the selection reaches from the drag's first byte to the caret's; past
// the last byte (the blank rows below it) the caret goes onto the last byte. Past the top
// or the bottom of the view each move scrolls one row. Nothing is selected until the
// pointer reaches another byte.
void onMouseMove(const HexView& hv, int x, int y);
// WM_LBUTTONUP, or the capture lost: the drag ends; the selection stays.
void onLButtonUp(const HexView& hv);

// WM_SETFOCUS and WM_KILLFOCUS: the caret lives while the view has the focus.
void onSetFocus(const HexView& hv);
void onKillFocus(const HexView& hv);
// WM_KEYDOWN with a virtual-key code: the key rules, then the selection. A caret key with
// shift extends the selection from its anchor (or from the byte the caret left) to the
// byte the caret reached; without shift it drops the selection. Other keys leave it.
void onKeyDown(const HexView& hv, unsigned key, bool shift = false);
// The key rules alone, common tail included, leaving the selection as it is: what the
// rules send the view themselves (End, Home).
void applyKeyRule(const HexView& hv, unsigned key);
// Arrows, Backspace, Home, End, Page Up and Page Down.
bool isCaretKey(unsigned key);
// WM_CHAR with one UTF-16 code unit. Returns false when the message belongs to
// DefWindowProcW (the file is read-only). A byte whose page of the file cannot be read
// takes no edit: the box "Could not read <name>" with the system's text, owned by the view,
// and nothing changes.
bool onChar(const HexView& hv, unsigned codeUnit);
// The test every change of the bytes (typing, paste, undo, redo) makes before anything
// else: true when the file is read-only, removed or absent (no document names no file),
// or the document was opened for viewing alone (isReadOnly), after the box "File [%s] is read only!" (the name, or "(untitled)"), owned by the view.
bool refuseReadOnlyFile(const HexView& hv);
// A warning box owned by the view, caption "Quillix-64bit".
void warnInView(const HexView& hv, const wchar_t* text);
// What an edit, a paste, an undo or a redo says when memory for its records runs out.
inline constexpr wchar_t noMemoryForEditText[] = L"Not enough memory to record this edit!";

// Keeps the caret on a byte of the document in views less than three rows tall, where
// the end-of-document rules name rows above the view: a caret left above the top row is
// brought onto the top row by scrolling the view up under it (its offset stays), and
// never onto a negative offset. Returns true when it changed anything.
bool keepCaretInShortView(const HexView& hv);

}  // namespace quillix
