#pragma once
// The hex view's font and its WM_PAINT: the core's text runs drawn with TextOutW.

#include <windows.h>

#include <string>

#include "document/document.h"
#include "hexview/view_state.h"

namespace quillix {

// The view font at dpi, as measured and as painted: the chosen face at its cell height
// times the zoom, scaled to dpi; without a chosen face (or when it is no longer
// installed), "Courier" 18 high at 96 DPI and actual size, and "Courier New", fixed pitch
// and TrueType, at every other height.
HFONT createViewFont(DWORD quality, int dpi, bool underline = false);
// The chosen face when it is installed, empty for the program's own.
std::wstring viewFontFace();
// Measures the view font at view.dpi: charWidth and lineHeight.
void measureViewFont(ViewState& view);
// WM_PAINT of the hex view window: the rows in the update region, as layoutPaint lays them out.
void paintHexView(HWND window, const Document& doc, const ViewState& view);

}  // namespace quillix
