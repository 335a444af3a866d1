#pragma once
// The comparison in the window: File > Compare With (Ctrl+K), the other file's pane drawn
// to the right of the document's rows inside the hex view window (so the two always share
// the top row, the scroll bar and every repaint), the outline of the caret's byte there,
// Next and Previous Difference, Close Comparison, and the look at the other file when the
// program is activated again.

#include <windows.h>

#include "hexview/paint_layout.h"

namespace quillix {

// The posted message that looks at the other file after the frame was activated.
inline constexpr UINT recheckComparisonMessage = WM_APP + 15;

// Left edge of the other file's pane in the hex view, in pixels: two cells right of the
// document's 66, the first of them holding the line between the panes.
int otherPaneLeft();
// What the document's pane is compared with: the other file while a comparison is open.
PaneComparison documentPane();
// Draws the line between the panes, the other file's rows that rect touches (view
// pixels) in palette's colours, and the outline of the byte at the caret's offset. Nothing without a
// comparison. Adds the rows of the other file it could not read to unreadable, for status
// part 0's note, unless the document's own rows are noted there already.
void paintOtherPane(HDC dc, const RECT& rect, const Palette& palette, PaintRuns& unreadable);
// A repaint asked for part of the document's pane asks for the same rows of the other
// pane, whose colours follow the document's bytes. Nothing without a comparison.
void mirrorInvalidation(HWND hexView, const RECT& rect, BOOL erase);
// The caret moved: the outline leaves its old row and goes to the caret's.
void outlineFollowsCaret(HWND hexView);
// Whether client x of the hex view lies in the other pane, which takes no clicks.
bool inOtherPane(int x);

// Compare With: the Open dialog titled "Compare With", then the other file opened beside
// the document, the frame widened, the differences counted. A file that cannot be opened
// gets "Could not open <name> to compare with it!" with the system's words; the
// comparison before it is then closed. Always returns 0.
LRESULT compareWithCommand();
// Opens path as the other file, as Compare With does after its dialog.
void compareWith(const wchar_t* path);
// Close Comparison, and the first step of opening another document: the pane goes, the
// frame gives back the width it took and the three comparison commands are grayed.
// Never asks anything. Nothing happens without a comparison.
void closeComparisonPane();
// Next Difference (forward) and Previous Difference.
void stepToDifferenceCommand(bool forward);
// After the frame was activated, or the compared file's folder changed: when the other
// file was changed or cut by another program meanwhile, the file is opened and counted
// again, and status part 0 notes "<name> was changed by another program: compared again"
// until the next command or key (nothing is noted when the file is as the program's own
// save left it). When its name holds no file any more the comparison closes with "<name>
// was moved or deleted by another program: the comparison is closed."; when it can no
// longer be opened, with "<name> can no longer be opened: the comparison is closed." and
// the system's reason on a second line.
void recheckOtherFile();

}  // namespace quillix
