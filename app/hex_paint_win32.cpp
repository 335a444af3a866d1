#include "app/hex_paint_win32.h"

#include "app/activity_note_win32.h"
#include "app/compare_pane_win32.h"
#include "app/places_win32.h"
#include "hexview/paint_layout.h"
#include "app/shell_state.h"
#include "app/theme_win32.h"
#include "hexview/view_zoom.h"
#include "host/display_scale.h"

namespace quillix {

namespace {

int CALLBACK noteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// Whether the system has a font of that face; asked once per face, not at every paint.
bool faceInstalled(const std::wstring& face) {
    static std::wstring asked;
    static bool installed = false;
    if (face == asked) return installed;
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
    installed = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, noteFace, reinterpret_cast<LPARAM>(&installed), 0);
    ReleaseDC(nullptr, screen);
    asked = face;
    return installed;
}

}  // namespace

std::wstring viewFontFace() {
    const std::wstring& face = shell.settings.fontFace;
    return !face.empty() && faceInstalled(face) ? face : std::wstring();
}

HFONT createViewFont(DWORD quality, int dpi, bool underline) {
    const Settings& settings = shell.settings;
    const std::wstring face = viewFontFace();
    const int height = zoomedCellHeight(face.empty() ? 0 : settings.fontHeight96, settings.zoomPercent, dpi);
    if (!face.empty())
        return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, quality, FF_MODERN | FIXED_PITCH,
                           face.c_str());
    if (dpi == baseDpi && height == viewFontHeight96)
        return CreateFontW(viewFontHeight96, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, ANSI_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, quality, FF_MODERN | DEFAULT_PITCH,
                           L"Courier");
    // Courier is a raster face: at any other size the system would stretch its bitmaps or
    // keep their 96-DPI size. Its TrueType form, on every Windows, draws sharp at any size.
    return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                       CLIP_DEFAULT_PRECIS, quality, FF_MODERN | FIXED_PITCH, L"Courier New");
}

// Cell and row sizes come from the font as the system maps it; they change with the DPI,
// the chosen font and the zoom.
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
    // Scrolled sideways, the lines are drawn where they lie unscrolled, the origin moved.
    const int shift = static_cast<int>(view.leftCell * view.charWidth);
    SetViewportOrgEx(dc, -shift, 0, nullptr);
    RECT painted = ps.rcPaint;
    OffsetRect(&painted, shift, 0);
    const Palette& palette = viewPalette();
    HFONT font = createViewFont(DEFAULT_QUALITY, view.dpi);
    // Changed bytes underlined (high contrast): the same face with its underline.
    HFONT underlined = palette.underlineEdited ? createViewFont(DEFAULT_QUALITY, view.dpi, true) : nullptr;
    HGDIOBJ previous = SelectObject(dc, font);
    // Reused between paints: a full view is a few dozen runs, no allocation once warm.
    static PaintRuns runs;
    layoutPaint(doc, view, PixelRect{painted.left, painted.top, painted.right, painted.bottom}, runs, palette,
                documentPane());
    bool underlining = false;
    for (const TextRun& run : runs.runs) {
        if (underlined && run.underline != underlining) {
            underlining = run.underline;
            SelectObject(dc, underlining ? underlined : font);
        }
        SetTextColor(dc, run.textColour);
        SetBkColor(dc, run.backColour);
        TextOutW(dc, static_cast<int>(run.cell * view.charWidth),
                 static_cast<int>(run.viewRow * view.lineHeight), runs.text.data() + run.start,
                 static_cast<int>(run.length));
    }
    outlineBookmarks(dc, painted);
    SelectObject(dc, font);
    paintOtherPane(dc, painted, palette, runs);
    SelectObject(dc, previous);
    DeleteObject(font);
    if (underlined) DeleteObject(underlined);
    EndPaint(window, &ps);
    noteUnreadableRows(window, runs, ps.rcPaint);
}

}  // namespace quillix
