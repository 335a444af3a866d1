#pragma once
// Find and go-to: the hex and text searches, the jump to an offset, and the placing of a
// hit in the view. The shell reads the open dialog's buttons into a DialogButtons value
// and calls these on the default button; it shows the not-found and out-of-range boxes
// itself when an operation returns 0.

#include <cstdint>

#include "hexview/hex_view.h"
#include "hexview/view_state.h"

namespace quillix {

// Which radio buttons and boxes of the open Find or Goto dialog are checked; the shell
// reads them from the dialog, tests set them.
struct DialogButtons {
    bool findHex = false;    // 1018
    bool findAscii = false;  // 1019
    bool gotoHex = false;    // 1021
    bool gotoDec = false;    // 1022
    bool up = false;         // 1056
    bool down = false;       // 1057
    bool matchCase = false;  // 1041
    bool findUtf16 = false;  // 1023
    bool inSelection = false;  // 1161
};

// The caret's area after a jump by these buttons: the hex area after a hex search or a
// go-to, the character area after a text search.
CaretArea caretAreaOf(const DialogButtons& buttons);
// caretCellForOffset in the area the dialog's buttons name.
inline void caretCellForOffset(ViewState& view, std::int64_t offset, const DialogButtons& buttons) {
    caretCellForOffset(view, offset, caretAreaOf(buttons));
}

inline constexpr int searchTextUnits = 256;

struct SearchState {
    wchar_t findWhat[searchTextUnits] = {};   // the Find edit's text; hex digits or a text
    wchar_t gotoWhat[searchTextUnits] = {};   // the Goto edit's text; a hex or decimal offset
    wchar_t replaceWhat[searchTextUnits] = {};  // Replace with (1153)
    wchar_t findUpper[searchTextUnits] = {};  // findWhat upper-cased, rewritten by each text search
    wchar_t findLower[searchTextUnits] = {};  // findWhat lower-cased, rewritten by each text search
    std::int64_t searchDirection = 0;         // +1 Down, -1 Up; 0 until the first search
    // The last Find Next, which F3 and Shift+F3 repeat: its buttons (mode, Match case) and text.
    bool hasLastFind = false;
    DialogButtons lastFindButtons;
    wchar_t lastFindWhat[searchTextUnits] = {};
};

// Both searches scan a few MiB at a time, checking in with the host between chunks:
// after 0.3 s status part 0 shows "Searching… N %", and Escape stops the scan. When the
// search ends part 0 reads "Ready", or "Search stopped" after Escape.
// A scan that meets a page of the view that cannot be read (the file was cut shorter, its
// volume went away) stops there with the box "Could not read <name>" and the system's
// text, owned by the frame, and returns 1 changing nothing else, as after a stop.

// Looks for the bytes typed as hex digits in findWhat, from searchPos one step in the
// chosen direction (Down or Up from the buttons), and reveals the hit. Both searches
// remember their buttons and text for findAgain.
// Returns 1 on a hit, and also after an odd number of digits, which is answered with a
// warning box and changes nothing else, and after the user stopped the search, which
// changes nothing but status part 0. Returns 0 when nothing was found: searchPos is
// then -1 (so the next Down search starts at offset 0), matchLength holds the new
// length, and the view, the caret and matchStart are unchanged. No digits find nothing.
int searchHex(const HexView& hv, SearchState& state, const DialogButtons& buttons);

// Looks for findWhat as text, one file byte per character (ISO 8859-1), folding case
// unless Match case is checked, and reveals the hit. Returns 1 on a hit, and after the
// user stopped the search, which changes nothing but status part 0. Returns 0 when
// nothing was found: searchPos goes back to matchStart (the last hit or go-to target, or
// -1 when the document has had none), matchLength holds the new length, and the view,
// the caret and matchStart are unchanged. An empty text finds nothing.
int searchText(const HexView& hv, SearchState& state, const DialogButtons& buttons);

// The Find Next of either dialog, by its mode: hex digits, where "??" stands for any byte
// and "?" for any nibble; ASCII text, each character as the view's character set stores
// it (byteOf); UTF-16 text, its code units little-endian, letters folded as the ASCII mode
// folds them unless Match case. With In selection checked and bytes selected, a hit lies
// wholly inside the selection. Returns as searchHex does: 1 on a hit, after a box (odd
// digits; a pattern all "??", answered "Hex value\n%s\nneeds at least one byte without
// ?"), or after a stop; 0 when nothing was found, the shell then showing the mode's
// not-found box.
int findNext(const HexView& hv, SearchState& state, const DialogButtons& buttons);

// Replace (1024): when the last hit is still marked and its bytes still match, they are
// overwritten with replaceWhat (one step of the history) and the next hit is found;
// otherwise the next hit is found. Replace All (1025): every hit from the start of the
// document (or of the selection, with In selection) to its end, left to right, never
// overlapping, as one step; status part 0 "Replaced N matches" / "Replaced 1 match". In
// the replacement "??" (or a "?" nibble) keeps the matched byte's (nibble's) value.
// Refused with a box, changing nothing: texts of different lengths in bytes, a
// read-only document, and what findNext refuses. Both return 0 when there was no hit (the
// shell shows the not-found box), 1 otherwise. Replace All stores chunkBytes of new bytes
// between two check-ins (tests make it small).
int replaceNext(const HexView& hv, SearchState& state, const DialogButtons& buttons);
int replaceAll(const HexView& hv, SearchState& state, const DialogButtons& buttons,
               std::int64_t chunkBytes = pasteChunkBytes);

// F3 (up false) and Shift+F3 (up true): the last Find Next again, with its mode, Match
// case and text, searching down or up from the last hit. Returns what that search
// returns; -1, changing nothing, when there has been no Find Next yet.
int findAgain(const HexView& hv, SearchState& state, bool up);

// Jumps to the offset in gotoWhat, hexadecimal or decimal by the buttons, and marks that
// one byte. Returns 1 when the view moved; 0, changing nothing, when the offset is
// negative, at or past fileSize, or too large to convert.
int gotoOffset(const HexView& hv, SearchState& state, const DialogButtons& buttons);

// Brings searchPos into view: scrolls as little as keeps the hit's row on screen (or to
// the last page near the end), puts the caret on the hit's first byte in the dialog's
// area, marks the match range for inverted painting, drops the selection, shows "Offset: "
// with the hit's offset in status part 1, repaints at once and refreshes the scroll range.
void revealMatch(const HexView& hv, const DialogButtons& buttons);

}  // namespace quillix
