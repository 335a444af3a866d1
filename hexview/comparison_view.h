#pragma once
// The view's side of a comparison with another file: the counts kept true around every
// change of the document's bytes, status part 0's words about them, and the steps to the
// next and previous run of differing bytes.

#include <string>

#include "compare/comparison.h"
#include "hexview/hex_view.h"

namespace quillix {

// A comparison is open beside the view.
bool comparing(const ViewState& view);

// Around a change of range's bytes (a typed byte, a paste, an undo or redo step): the
// comparison's counts lose what the bytes held before and gain what they hold after, and
// status part 0 names the new counts unless a selection is named there. A page either file
// can no longer read leaves the counts unknown, and fault says which page and why; the
// change reports it (reportChangeFault), once. Nothing happens without a comparison.
void comparedBytesChanging(const HexView& hv, ByteRange range, CompareFault& fault);
void comparedBytesChanged(const HexView& hv, ByteRange range, CompareFault& fault);

// One fault, one box, after a change: the box "Could not read <name>" with the system's
// text for the page the store could not read (stored), or else for the page the counts
// could not read (uncounted); nothing when neither happened.
void reportChangeFault(const HexView& hv, const ReadFault& stored, const CompareFault& uncounted);

// Status part 0 with nothing selected: "Compared with <name>: ..." while a comparison's counts are
// known, else "Ready".
std::wstring restingStatusText(const ViewState& view);

// Counts the differences of the comparison just opened, with the long work's progress and
// Escape, and repaints the view. done: part 0 names the counts. stopped: part 0 reads
// "Comparison stopped"; colours and steps still work. unreadable: the box "Could not read
// <name>" with the system's text for the file whose page failed, part 0 reads "Ready".
CompareOutcome countComparison(const HexView& hv);

// Next Difference (forward) and Previous Difference: puts the caret on the first byte of
// the next run of differing bytes after the caret, or of the last run before it, revealed
// as a search hit is (a run in the other file's tail beyond the document is reached as
// the EOF position), and part 0 reads "Difference 3 of 7 at 0000ABCD: N bytes" ("Difference
// at ..." while the counts are not known). Returns 1 when
// the caret moved. Returns 0, nothing moved, with a beep when there is none (or no
// comparison), after Escape ("Search stopped"), or after a page that cannot be read (the
// box "Could not read <name>").
int stepToDifference(const HexView& hv, bool forward);

}  // namespace quillix
