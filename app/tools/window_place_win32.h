#pragma once
// Where the program's windows go on the screen: the frame's first place and size, and a
// tool window's place beside the frame (the data inspector's, and any other tool window's), and a dialog's
// step off a revealed hit.

#include <windows.h>

#include <vector>

namespace quillix {

// The work area (the screen less the taskbar) of the monitor nearest the rectangle.
RECT workAreaAt(const RECT& place);
// place cut to the size of area where it is larger, and moved just far enough to lie in it.
RECT fitInto(const RECT& place, const RECT& area);

// Where a tool window of the given outer size goes beside the frame, inside the work area,
// never over the frame nor over the other tool windows on screen (others): right of the
// frame, else left, else below, else above, the first side with room for the whole window,
// moved along the frame's side as far as that takes; else the same beside each of others
// in turn. Where none has room clear of them all, others are left out of it. Where
// no side has that room, the side showing the most of the window, cut down to the room
// there, provided that room holds least (the window's contents scroll then). Where not
// even that is left (a frame filling the work area), least in the work area's
// bottom-right corner: the one case where the window covers part of the frame.
RECT placeBeside(const RECT& frame, SIZE size, SIZE least, const RECT& workArea,
                 const std::vector<RECT>& others = {});

// Moves and sizes a tool window to its place beside the frame (placeBeside in the work
// area of the frame's monitor). least is the smallest the window may be cut to where no
// side holds it whole; a zero part means the whole size.
void placeBesideFrame(HWND window, SIZE size, SIZE least = {});

// After the frame grew (a comparison widens it): each tool window on screen that now lies
// on the frame or on one kept before it moves, at its size, to its place beside them.
void keepToolWindowsClear();

// Where a dialog at place goes to leave target (a row of the view, in screen pixels) in
// sight, as a find dialog steps off a hit: unchanged when they do not meet; else just
// above or just below target, the side the dialog mostly lies on when the work area has
// the room there, else the other side; with room on neither, the roomier side, cut to
// the work area.
RECT placeClearOf(const RECT& place, const RECT& target, const RECT& workArea);
// Moves window (keeping its size) to placeClearOf its place in its monitor's work area.
void moveClearOf(HWND window, const RECT& target);

// Gives the frame its first size: the 96-DPI size scaled to the view's DPI, widened where
// the view's rows with the view's border and scroll bar need more (cells round up to whole
// pixels while the window scales exactly), then cut to the work area and moved into it.
void sizeFirstFrame(HWND frame);
// Widens the frame until the hex view shows its rows whole (both panes of a comparison),
// as far as the work area allows; never narrows it.
void growFrameToRows();

}  // namespace quillix
