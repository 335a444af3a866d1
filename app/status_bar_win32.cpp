#include "app/status_bar_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "app/dpi_win32.h"
#include "app/shell_state.h"
#include "host/display_scale.h"

namespace quillix {
namespace {

// The widest of prefix followed by count copies of one of digits.
int widestText(HDC dc, const wchar_t* prefix, const wchar_t* digits, std::size_t count) {
    int widest = 0;
    for (const wchar_t* digit = digits; *digit; ++digit) {
        const std::wstring text = prefix + std::wstring(count, *digit);
        SIZE size{};
        if (GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size))
            widest = std::max(widest, static_cast<int>(size.cx));
    }
    return widest;
}

int barHeight() {
    RECT rect{};
    GetWindowRect(shell.statusBar, &rect);
    return rect.bottom - rect.top;
}

// The bar sizes itself to its font whenever it is moved; the minimum height of its drawing
// area is the one say the program has in it. The documentation counts the bar's vertical
// border twice in its height, some versions count it once: a second step takes up the
// difference. A font taller than height leaves the bar taller.
void fitBarHeight(int height) {
    if (barHeight() == height) return;
    int borders[3] = {};
    SendMessageW(shell.statusBar, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
    int drawingHeight = height - 2 * borders[1];
    for (int step = 0; step < 2 && barHeight() != height; ++step) {
        if (step > 0) drawingHeight += height - barHeight();
        SendMessageW(shell.statusBar, SB_SETMINHEIGHT, static_cast<WPARAM>(std::max(drawingHeight, 0)), 0);
        SendMessageW(shell.statusBar, WM_SIZE, 0, 0);
    }
}

}  // namespace

HWND createStatusBar(HWND frame) {
    shell.statusBar =
        CreateStatusWindowW(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_BORDER | SBARS_SIZEGRIP | CCS_BOTTOM,
                            L"Ready", frame, statusBarId);
    if (!shell.statusBar) return nullptr;
    setStatusBarDpi(shell.view.dpi);
    SendMessageW(shell.statusBar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(shell.statusEdges));
    SendMessageW(shell.statusBar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L"Offset: 00000000"));
    SendMessageW(shell.statusBar, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(L"Bytes: 0000000000"));
    return shell.statusBar;
}

void setStatusBarDpi(int dpi) {
    // The bar keeps the font it was made with when the system's cannot be read.
    LOGFONTW request{};
    HFONT font = statusFontAtDpi(request, dpi) ? CreateFontIndirectW(&request) : nullptr;
    if (font) {
        SendMessageW(shell.statusBar, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        releaseStatusBarFont();
        shell.statusFont = font;
    }
    HDC dc = GetDC(shell.statusBar);
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(shell.statusBar, WM_GETFONT, 0, 0)));
    shell.statusTextWidths = {widestText(dc, L"Offset: ", L"0123456789ABCDEF", 8),
                              widestText(dc, L"Bytes: ", L"0123456789", 10)};
    SelectObject(dc, previous);
    ReleaseDC(shell.statusBar, dc);
    fitBarHeight(scalePixels(statusBarHeight96, dpi));
}

int layoutStatusBar(int width, int height) {
    const int scaled = scalePixels(statusBarHeight96, shell.view.dpi);
    MoveWindow(shell.statusBar, 0, height - scaled, width, scaled, TRUE);
    const StatusEdges edges =
        statusPartEdges(width, shell.view.dpi, shell.statusTextWidths.offset, shell.statusTextWidths.bytes);
    std::copy(edges.begin(), edges.end(), shell.statusEdges);
    SendMessageW(shell.statusBar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(shell.statusEdges));
    return shell.statusBar ? barHeight() : scaled;
}

void releaseStatusBarFont() {
    if (shell.statusFont) DeleteObject(shell.statusFont);
    shell.statusFont = nullptr;
}

}  // namespace quillix
