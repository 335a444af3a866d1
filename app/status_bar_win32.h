#pragma once
// The frame's status bar: part 0 for "Ready" or a long operation's progress, part 1 for
// the caret's offset, part 2 for the document's size, in the system's status font for
// the frame's DPI and each part wide enough for its longest text.

#include <windows.h>

namespace quillix {

// Makes the status bar (id 2) of the frame, reading "Ready", "Offset: 00000000" and
// "Bytes: 0000000000", set for the DPI in the view state. Returns it, or null.
HWND createStatusBar(HWND frame);
// Gives the bar the system's status font for dpi, measures its longest texts in that font,
// and makes the bar its scaled height where it would be lower. The edges follow at the
// next layoutStatusBar.
void setStatusBarDpi(int dpi);
// Places the bar at the bottom of the frame's client area (width by height) and sets the
// parts' edges for that width. Returns the bar's height: its scaled one, or more where
// its font or the system keeps it taller.
int layoutStatusBar(int width, int height);
// Frees the bar's font once the bar is gone.
void releaseStatusBarFont();

}  // namespace quillix
