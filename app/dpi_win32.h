#pragma once
// The DPI of windows and of the system, and the system's fonts at a DPI. The calls that
// answer per window or per DPI came with Windows 10 (1607); they are looked up when the
// program runs, and where they are missing the screen's LOGPIXELSY answers instead.

#include <windows.h>

namespace quillix {

// The DPI the window is drawn at: its monitor's, as the program is per-monitor aware.
// Never below 1.
int windowDpi(HWND window);
// The system's DPI (the primary monitor's at log-on): what a window yet to be made is
// most likely drawn at. Never below 1.
int systemDpi();
// LOGPIXELSY of the window's device context (the screen's for null), 96 when it cannot be
// read: the answer of systems without the per-window calls.
int logPixelsDpi(HWND window);
// The system's status bar font for a window at dpi. Returns false, leaving font as it
// was, when the system's metrics cannot be read.
bool statusFontAtDpi(LOGFONTW& font, int dpi);

}  // namespace quillix
