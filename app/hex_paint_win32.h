#pragma once
// The hex view's font and its WM_PAINT: the core's text runs drawn with TextOutW.

#include <windows.h>

#include "document/document.h"
#include "hexview/view_state.h"

namespace quillix {

// The view font at dpi, as measured and as painted: "Courier", 18 high, at 96 DPI;
// "Courier New", fixed pitch and TrueType, at the scaled height at any other.
HFONT createViewFont(DWORD quality, int dpi);
// Measures the view font at view.dpi: charWidth and lineHeight.
void measureViewFont(ViewState& view);
// WM_PAINT of the hex view window: the rows in the update region, as layoutPaint lays them out.
void paintHexView(HWND window, const Document& doc, const ViewState& view);

}  // namespace quillix
