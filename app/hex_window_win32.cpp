// The hex view window: each message becomes one call of the core's handlers on the
// process's document and view state; WM_PAINT draws the core's text runs.

#include "app/hex_window_win32.h"

#include <commctrl.h>

#include "app/shell_state.h"
#include "hexview/paint_layout.h"

namespace quillix {

// --- The view host ------------------------------------------------------------------

void Win32ViewHost::createCaret(int width, int height) { CreateCaret(window_, nullptr, width, height); }
void Win32ViewHost::destroyCaret() { DestroyCaret(); }
void Win32ViewHost::showCaret() { ShowCaret(window_); }
void Win32ViewHost::hideCaret() { HideCaret(window_); }
void Win32ViewHost::setCaretPos(int x, int y) { SetCaretPos(x, y); }

void Win32ViewHost::invalidate(const PixelRect* rect, bool erase) {
    if (!rect) {
        InvalidateRect(window_, nullptr, erase);
        return;
    }
    RECT area{rect->left, rect->top, rect->right, rect->bottom};
    InvalidateRect(window_, &area, erase);
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
    return MessageBoxW(ownerWindow, text, caption, style);
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

// --- The window ---------------------------------------------------------------------

HFONT createViewFont(DWORD quality) {
    return CreateFontW(18, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, quality, FF_MODERN | DEFAULT_PITCH, L"Courier");
}

namespace {

// Cell and row sizes come from the font as the system maps it; they never change later.
void measureFont(ViewState& view) {
    HDC screen = GetDC(nullptr);
    HFONT font = createViewFont(PROOF_QUALITY);
    HGDIOBJ previous = SelectObject(screen, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    view.charWidth = metrics.tmAveCharWidth;
    view.lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
    SelectObject(screen, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
}

void readWheelStep(ViewState& view) {
    UINT lines = 0;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    updateWheelStep(view, lines);
}

// "Search stopped" or "Export stopped" stays in status part 0 until the next search or
// export, or the next key in the view.
void clearStoppedNote() {
    wchar_t text[32] = {};
    if (LOWORD(SendMessageW(shell.statusBar, SB_GETTEXTLENGTHW, statusPartActivity, 0)) >= 32) return;
    SendMessageW(shell.statusBar, SB_GETTEXTW, statusPartActivity, reinterpret_cast<LPARAM>(text));
    if (lstrcmpW(text, L"Ready") != 0)
        SendMessageW(shell.statusBar, SB_SETTEXTW, statusPartActivity, reinterpret_cast<LPARAM>(L"Ready"));
}

void paint(HWND window, const Document& doc, const ViewState& view) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    HFONT font = createViewFont(DEFAULT_QUALITY);
    SelectObject(dc, font);
    // Reused between paints: a full view is a few dozen runs, no allocation once warm.
    static PaintRuns runs;
    layoutPaint(doc, view, PixelRect{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom},
                runs);
    for (const TextRun& run : runs.runs) {
        SetTextColor(dc, run.textColour);
        SetBkColor(dc, run.backColour);
        TextOutW(dc, static_cast<int>(run.cell * view.charWidth),
                 static_cast<int>(run.viewRow * view.lineHeight), runs.text.data() + run.start,
                 static_cast<int>(run.length));
    }
    DeleteObject(SelectObject(dc, GetStockObject(SYSTEM_FONT)));
    EndPaint(window, &ps);
}

}  // namespace

LRESULT CALLBACK hexViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Win32ViewHost host(window);
    const HexView hv{shell.doc, shell.view, host};
    switch (message) {
        case WM_CREATE:
            measureFont(shell.view);
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
            clearStoppedNote();
            // Every key ends by re-placing the caret; none goes to DefWindowProcW.
            onKeyDown(hv, static_cast<unsigned>(wParam));
            return 0;
        case WM_CHAR:
            if (onChar(hv, static_cast<unsigned>(wParam & 0xFFFF))) return 0;
            break;
        case WM_VSCROLL: onVScroll(hv, LOWORD(wParam)); return 0;
        case WM_MOUSEWHEEL:
            if (onMouseWheel(hv, GET_WHEEL_DELTA_WPARAM(wParam))) return 0;
            break;
        case WM_LBUTTONDOWN:
            if (onLButtonDown(hv, LOWORD(lParam), HIWORD(lParam))) return 0;
            break;
        default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace quillix
