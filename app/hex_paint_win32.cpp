#include "app/hex_paint_win32.h"

#include "app/activity_note_win32.h"
#include "app/compare_pane_win32.h"
#include "app/places_win32.h"
#include "hexview/paint_layout.h"
#include "host/display_scale.h"

namespace quillix {

HFONT createViewFont(DWORD quality, int dpi) {
    if (dpi == baseDpi)
        return CreateFontW(viewFontHeight96, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, quality, FF_MODERN | DEFAULT_PITCH,
                           L"Courier");
    // Courier is a raster face: at any other size the system would stretch its bitmaps or
    // keep their 96-DPI size. Its TrueType form, on every Windows, draws sharp at any size.
    return CreateFontW(scalePixels(viewFontHeight96, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, quality, FF_MODERN | FIXED_PITCH,
                       L"Courier New");
}

// Cell and row sizes come from the font as the system maps it; they change only with the DPI.
void measureViewFont(ViewState& view) {
    HDC screen = GetDC(nullptr);
    HFONT font = createViewFont(PROOF_QUALITY, view.dpi);
    HGDIOBJ previous = SelectObject(screen, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    view.charWidth = metrics.tmAveCharWidth;
    view.lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
    SelectObject(screen, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
}

void paintHexView(HWND window, const Document& doc, const ViewState& view) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    HFONT font = createViewFont(DEFAULT_QUALITY, view.dpi);
    SelectObject(dc, font);
    // Reused between paints: a full view is a few dozen runs, no allocation once warm.
    static PaintRuns runs;
    const SelectionColours selection{GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_HIGHLIGHT)};
    layoutPaint(doc, view, PixelRect{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom},
                runs, selection, documentPane());
    for (const TextRun& run : runs.runs) {
        SetTextColor(dc, run.textColour);
        SetBkColor(dc, run.backColour);
        TextOutW(dc, static_cast<int>(run.cell * view.charWidth),
                 static_cast<int>(run.viewRow * view.lineHeight), runs.text.data() + run.start,
                 static_cast<int>(run.length));
    }
    outlineBookmarks(dc, ps.rcPaint);
    paintOtherPane(dc, ps.rcPaint, selection, runs);
    DeleteObject(SelectObject(dc, GetStockObject(SYSTEM_FONT)));
    EndPaint(window, &ps);
    noteUnreadableRows(window, runs, ps.rcPaint);
}

}  // namespace quillix
