// The hex view window: each message becomes one call of the core's handlers on the
// process's document and view state; WM_PAINT draws the core's text runs.

#include "app/hex_window_win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include <new>

#include <string>

#include "app/checksums_window_win32.h"
#include "app/compare_pane_win32.h"
#include "app/dpi_win32.h"
#include "app/inspector_window_win32.h"
#include "app/message_box_win32.h"
#include "app/shell_state.h"
#include "document/checked_view.h"
#include "hexview/comparison_view.h"
#include "hexview/paint_layout.h"
#include "host/display_scale.h"
#include "hexview/selection.h"

namespace quillix {

// --- The view host ------------------------------------------------------------------

void Win32ViewHost::createCaret(int width, int height) { CreateCaret(window_, nullptr, width, height); }
void Win32ViewHost::destroyCaret() { DestroyCaret(); }
void Win32ViewHost::showCaret() { ShowCaret(window_); }
void Win32ViewHost::hideCaret() { HideCaret(window_); }
void Win32ViewHost::setCaretPos(int x, int y) {
    SetCaretPos(x, y);
    outlineFollowsCaret(window_);
}

void Win32ViewHost::invalidate(const PixelRect* rect, bool erase) {
    if (!rect) {
        InvalidateRect(window_, nullptr, erase);
        return;
    }
    RECT area{rect->left, rect->top, rect->right, rect->bottom};
    InvalidateRect(window_, &area, erase);
    mirrorInvalidation(window_, area, erase);
}

void Win32ViewHost::updateWindow() { UpdateWindow(window_); }

void Win32ViewHost::setScrollRange(int max, int position) {
    // SIF_DISABLENOSCROLL keeps the bar on screen, disabled, when there is nothing to scroll.
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = max;
    info.nPos = position;
    SetScrollInfo(window_, SB_VERT, &info, TRUE);
}

void Win32ViewHost::setScrollPosition(int position) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    info.nPos = position;
    SetScrollInfo(window_, SB_VERT, &info, TRUE);
}

int Win32ViewHost::scrollTrackPosition() {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(window_, SB_VERT, &info);
    return info.nTrackPos;
}

void Win32ViewHost::setStatusText(int part, const wchar_t* text) {
    HWND statusBar = GetDlgItem(GetParent(window_), statusBarId);
    if (!statusBar) return;
    SendMessageW(statusBar, SB_SETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
    // Part 0 speaks for a long operation that keeps the thread busy: it must show now,
    // not when the queue is next emptied.
    if (part == statusPartActivity) UpdateWindow(statusBar);
}

int Win32ViewHost::messageBox(BoxOwner owner, const wchar_t* text, const wchar_t* caption, unsigned style) {
    HWND ownerWindow = owner == BoxOwner::hexView ? window_
                       : owner == BoxOwner::frame ? GetParent(window_)
                                                  : nullptr;
    return showMessageBox(ownerWindow, text, caption, style);
}

void Win32ViewHost::beep() { MessageBeep(0); }

void Win32ViewHost::setWaitCursor(bool on) {
    if (on) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        ShowCursor(TRUE);
        return;
    }
    ShowCursor(FALSE);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

std::uint32_t Win32ViewHost::fileAttributes(const wchar_t* path) { return GetFileAttributesW(path); }

Checkpoint Win32ViewHost::checkpoint() {
    // Painting is all that is handled: any other message waits in the queue (keys aside,
    // below) until the operation is over, so nothing the user does can change the document
    // or the view under it. A window that
    // never validates its area would keep asking; a bounded loop cannot hang on it.
    MSG message;
    for (int i = 0; i < 64 && PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i)
        DispatchMessageW(&message);
    Checkpoint now;
    now.milliseconds = shell.tickCount();
    // Every key typed into any of the program's windows since the last look is the
    // operation's: Escape anywhere among them stops it, and none, Escape included, goes on
    // to be typed into the document or to close the Find dialog once the operation is over.
    while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        if ((message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) ||
            (message.message == WM_CHAR && message.wParam == 0x1B))
            now.stop = true;
    }
    return now;
}

// --- The clipboard ------------------------------------------------------------------

UINT bytesClipboardFormat() {
    static const UINT format = RegisterClipboardFormatW(L"Quillix-64bit bytes");
    return format;
}

namespace {

UINT formatId(ClipboardFormat format) {
    return format == ClipboardFormat::bytes ? bytesClipboardFormat() : CF_UNICODETEXT;
}

}  // namespace

Win32ViewHost::~Win32ViewHost() {
    dropClipboardBlocks();
    endClipboardRead();
}

bool Win32ViewHost::openClipboard() {
    // Another program (a clipboard viewer, say) may hold it open for a moment.
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenClipboard(window_)) return true;
        Sleep(10);
    }
    return false;
}

void* Win32ViewHost::clipboardBlock(ClipboardFormat format, std::size_t bytes) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    void* data = memory ? GlobalLock(memory) : nullptr;
    if (!data) {
        if (memory) GlobalFree(memory);
        return nullptr;
    }
    try {
        blocks_.push_back(Block{format, memory});
    } catch (const std::bad_alloc&) {
        GlobalUnlock(memory);
        GlobalFree(memory);
        return nullptr;
    }
    return data;
}

bool Win32ViewHost::putClipboard() {
    for (const Block& block : blocks_) GlobalUnlock(block.memory);
    const bool opened = openClipboard();
    bool done = opened && EmptyClipboard();
    for (Block& block : blocks_) {
        // A block the clipboard took is the system's from then on.
        if (done && SetClipboardData(formatId(block.format), block.memory)) {
            block.memory = nullptr;
            continue;
        }
        done = false;
    }
    // Half a copy never stays on the clipboard.
    if (opened && !done) EmptyClipboard();
    if (opened) CloseClipboard();
    for (const Block& block : blocks_)
        if (block.memory) GlobalFree(block.memory);
    blocks_.clear();
    return done;
}

void Win32ViewHost::dropClipboardBlocks() {
    for (const Block& block : blocks_) {
        GlobalUnlock(block.memory);
        GlobalFree(block.memory);
    }
    blocks_.clear();
}

bool Win32ViewHost::clipboardHas(ClipboardFormat format) {
    return IsClipboardFormatAvailable(formatId(format)) != FALSE;
}

bool Win32ViewHost::readClipboard(ClipboardFormat format, const void*& data, std::size_t& bytes) {
    if (!reading_) {
        if (!openClipboard()) return false;
        reading_ = true;
    }
    HANDLE memory = GetClipboardData(formatId(format));
    void* locked = memory ? GlobalLock(memory) : nullptr;
    if (!locked) return false;
    locked_.push_back(memory);
    data = locked;
    bytes = GlobalSize(memory);
    return true;
}

void Win32ViewHost::endClipboardRead() {
    for (HGLOBAL memory : locked_) GlobalUnlock(memory);
    locked_.clear();
    if (reading_) CloseClipboard();
    reading_ = false;
}

// --- The window ---------------------------------------------------------------------

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

namespace {

void readWheelStep(ViewState& view) {
    UINT lines = 0;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    updateWheelStep(view, lines);
}

std::wstring activityText() {
    const LRESULT length = LOWORD(SendMessageW(shell.statusBar, SB_GETTEXTLENGTHW, statusPartActivity, 0));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(shell.statusBar, SB_GETTEXTW, statusPartActivity, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

bool showsUnreadableNote(const std::wstring& text) { return text.starts_with(unreadableStatusPrefix); }

// "Search stopped", "Export stopped" or "Copy stopped" stays in status part 0 until the
// next search, export or copy, or the next key in the view, which puts back "Ready" or
// the selection's extent. A note about rows that cannot be read stays while they are on
// screen (see noteUnreadableRows).
void clearStoppedNote(ViewHost& host) {
    const std::wstring text = activityText();
    if (text != L"Ready" && !showsUnreadableNote(text)) showSelectionStatus(shell.view, shell.doc, host);
}

// Status part 0 says so while a paint draws rows that cannot be read; a paint of the whole
// view that draws none takes the note away again, and nothing but the note.
void noteUnreadableRows(HWND window, const PaintRuns& runs, const RECT& painted) {
    const std::wstring text = activityText();
    Win32ViewHost host(window);
    if (runs.unreadableRows > 0) {
        const std::wstring note = unreadableStatus(runs.unreadableError);
        if (text != note) host.setStatusText(statusPartActivity, note.c_str());
        return;
    }
    RECT client{};
    GetClientRect(window, &client);
    const bool wholeView = painted.top <= client.top && painted.bottom >= client.bottom;
    if (wholeView && showsUnreadableNote(text))
        host.setStatusText(statusPartActivity, restingStatusText(shell.view).c_str());
}

void paint(HWND window, const Document& doc, const ViewState& view) {
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
    paintOtherPane(dc, ps.rcPaint, selection, runs);
    DeleteObject(SelectObject(dc, GetStockObject(SYSTEM_FONT)));
    EndPaint(window, &ps);
    noteUnreadableRows(window, runs, ps.rcPaint);
}

LRESULT handleHexViewMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Win32ViewHost host(window);
    const HexView hv{shell.doc, shell.view, host};
    switch (message) {
        case WM_CREATE:
            shell.view.dpi = windowDpi(window);
            measureViewFont(shell.view);
            readWheelStep(shell.view);
            return 0;
        case WM_SETTINGCHANGE: readWheelStep(shell.view); return 0;
        case WM_PAINT: paint(window, shell.doc, shell.view); return 0;
        case WM_SIZE:
            // Sent by the frame's layout; an open or a search hit calls onSize itself. The
            // height is the frame's business (clientHeight): only the scroll range follows.
            onSize(hv);
            return 0;
        case WM_SETFOCUS: onSetFocus(hv); return 0;
        case WM_KILLFOCUS: onKillFocus(hv); return 0;
        case WM_KEYDOWN:
            clearStoppedNote(host);
            // Every key ends by re-placing the caret; none goes to DefWindowProcW. Shift
            // with a caret key selects.
            onKeyDown(hv, static_cast<unsigned>(wParam), GetKeyState(VK_SHIFT) < 0);
            return 0;
        case WM_CHAR:
            if (onChar(hv, static_cast<unsigned>(wParam & 0xFFFF))) return 0;
            break;
        case WM_VSCROLL: onVScroll(hv, LOWORD(wParam)); return 0;
        case WM_MOUSEWHEEL:
            if (onMouseWheel(hv, GET_WHEEL_DELTA_WPARAM(wParam))) return 0;
            break;
        case WM_LBUTTONDOWN:
            // The other file's pane has no caret to place.
            if (inOtherPane(GET_X_LPARAM(lParam))) break;
            if (!onLButtonDown(hv, LOWORD(lParam), HIWORD(lParam), (wParam & MK_SHIFT) != 0)) break;
            // A drag goes on past the edges of the view until the button comes up.
            if (shell.view.dragOrigin >= 0) SetCapture(window);
            return 0;
        case WM_MOUSEMOVE:
            if (GetCapture() != window || !(wParam & MK_LBUTTON)) break;
            onMouseMove(hv, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_LBUTTONUP:
            onLButtonUp(hv);
            if (GetCapture() == window) ReleaseCapture();
            return 0;
        case WM_CAPTURECHANGED: onLButtonUp(hv); return 0;
        default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK hexViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The handlers send the view requests of its own; the data inspector follows the caret
    // and the bytes (and the checksums' window notes a change) once the outermost message is
    // done, never a state half-way through a key.
    static int depth = 0;
    ++depth;
    const LRESULT result = handleHexViewMessage(window, message, wParam, lParam);
    if (--depth > 0) return result;
    refreshInspector();
    refreshChecksums();
    return result;
}

}  // namespace quillix
