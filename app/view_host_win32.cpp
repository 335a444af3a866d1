// The view host's caret, scroll bar, status bar, boxes, cursor and check-ins; its
// clipboard is clipboard_win32.cpp's.

#include "app/view_host_win32.h"

#include <commctrl.h>

#include <algorithm>

#include "app/compare_pane_win32.h"
#include "app/dialogs/message_box_win32.h"
#include "hexview/comparison_view.h"
#include "app/shell_state.h"

namespace quillix {

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
    // The core's rectangles lie on the unscrolled lines; the mirror shifts its own.
    RECT area{rect->left, rect->top, rect->right, rect->bottom};
    mirrorInvalidation(window_, area, erase);
    OffsetRect(&area, -static_cast<int>(shell.view.leftCell * shell.view.charWidth), 0);
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

namespace {

void setBarPosition(HWND window, int bar, int position) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    info.nPos = position;
    SetScrollInfo(window, bar, &info, TRUE);
}

int barTrackPosition(HWND window, int bar) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(window, bar, &info);
    return info.nTrackPos;
}

}  // namespace

void Win32ViewHost::setScrollPosition(int position) { setBarPosition(window_, SB_VERT, position); }

int Win32ViewHost::scrollTrackPosition() { return barTrackPosition(window_, SB_VERT); }

void Win32ViewHost::setHorizontalPosition(int position) { setBarPosition(window_, SB_HORZ, position); }

int Win32ViewHost::horizontalTrackPosition() { return barTrackPosition(window_, SB_HORZ); }

void Win32ViewHost::fitHorizontalBar() {
    // Showing or hiding the bar sizes the view again, which comes back here: once is enough.
    static bool fitting = false;
    if (fitting) return;
    fitting = true;
    ViewState& view = shell.view;
    RECT client{};
    GetClientRect(window_, &client);
    view.viewWidth = client.right;
    // Without a document there is nothing to scroll to.
    const std::int64_t lines =
        !hasDocument(shell.doc) ? 0
        : comparing(view) ? otherPaneLeft() / std::max<std::int64_t>(view.charWidth, 1) + view.layout.cells
                          : view.layout.cells;
    const bool moved = setHorizontalExtent(view, lines);
    // Range and page in cells: the bar hides by itself when the page holds every cell.
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = view.leftMax > 0 ? static_cast<int>(lines - 1) : 0;
    info.nPage = view.leftMax > 0 ? static_cast<UINT>(shownCells(view)) : 1;
    info.nPos = static_cast<int>(view.leftCell);
    SetScrollInfo(window_, SB_HORZ, &info, TRUE);
    // With the bar the view's rows are what its client area holds; without it they stay
    // what the frame gave it (the border included), as they always were.
    if (GetWindowLongW(window_, GWL_STYLE) & WS_HSCROLL) {
        GetClientRect(window_, &client);
        view.clientHeight = client.bottom;
    } else {
        view.clientHeight = shell.viewHeight;
    }
    if (moved) InvalidateRect(window_, nullptr, TRUE);
    fitting = false;
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

}  // namespace quillix
