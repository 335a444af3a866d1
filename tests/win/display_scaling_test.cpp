// The program at the display's DPI. These tests run twice: with the rest of the Wine
// tests at 96 DPI, where every measure is the plain one, and alone in a Wine prefix whose
// display is scaled to 144 DPI, where every measure is 1.5 times as large. A DPI change
// (a move to another monitor) is driven at 96 DPI by the message Windows sends for it.

#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/dpi_win32.h"
#include "app/frame_window.h"
#include "app/hex_paint_win32.h"
#include "hexview/data_inspector.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

// The display's DPI as the screen reports it.
int displayDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// A 96-DPI measure at dpi, rounded to the nearest pixel.
int scaled(int pixels96, int dpi) { return MulDiv(pixels96, dpi, 96); }

struct CellSize {
    int width = 0;
    int height = 0;
};

// The font the mapper gives for a request, on the screen.
TEXTMETRICW metricsOf(HFONT font) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    return metrics;
}

// The view's cell at 96 DPI: the face, height and family the view has always asked for.
CellSize plainCell() {
    HFONT font = CreateFontW(18, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FF_MODERN | DEFAULT_PITCH, L"Courier");
    const TEXTMETRICW metrics = metricsOf(font);
    DeleteObject(font);
    return {static_cast<int>(metrics.tmAveCharWidth),
            static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading)};
}

RECT caretRect() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetCurrentThreadId(), &info);
    return info.rcCaret;
}

class DisplayScalingTest : public ShellFixture {
protected:
    void openFile(std::size_t size) {
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<std::uint8_t>(L'A' + i % 26);  // inked characters
        auto path = makeFile("scaled.bin", bytes);
        ASSERT_NE(start(path.wstring()), nullptr);
        dpi = displayDpi();
        cw = static_cast<int>(shell.view.charWidth);
        lh = static_cast<int>(shell.view.lineHeight);
    }
    void click(int x, int y) {
        SendMessageW(shell.hexView, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        pump();
    }
    void key(UINT virtualKey) {
        SendMessageW(shell.hexView, WM_KEYDOWN, virtualKey, 0);
        pump();
    }
    int barHeight() {
        RECT rect{};
        GetWindowRect(shell.statusBar, &rect);
        return rect.bottom - rect.top;
    }
    // Whether any pixel of a cell of the captured view has the colour.
    bool cellHas(const Pixels& pixels, int viewRow, int cell, std::uint32_t colour) {
        for (int y = viewRow * lh; y < (viewRow + 1) * lh; ++y)
            for (int x = cell * cw; x < (cell + 1) * cw; ++x)
                if (pixels.at(x, y) == colour) return true;
        return false;
    }

    // The view's cell at viewDpi: the plain one at 96 DPI, else (another face) the plain
    // one scaled, within a pixel.
    void expectCellsAt(int viewDpi) {
        cw = static_cast<int>(shell.view.charWidth);
        lh = static_cast<int>(shell.view.lineHeight);
        const CellSize plain = plainCell();
        EXPECT_EQ(shell.view.dpi, viewDpi);
        EXPECT_LE(std::abs(cw * 96 - plain.width * viewDpi), viewDpi == 96 ? 0 : 96) << cw;
        EXPECT_LE(std::abs(lh * 96 - plain.height * viewDpi), viewDpi == 96 ? 0 : 96) << lh;
        const RECT caret = caretRect();
        EXPECT_EQ(caret.left, shell.view.caretCell * cw);
        EXPECT_EQ(caret.top, shell.view.caretRow * lh);
        EXPECT_EQ(caret.right - caret.left, scaled(2, viewDpi));
        EXPECT_EQ(caret.bottom - caret.top, lh);
    }
    void expectPartsHoldTheirTexts() {
        for (int part : {0, 1, 2})
            EXPECT_GE(statusPartWidth(part), widestStatusText(part) + statusTextInset) << part;
    }

    int dpi = 96;
    int cw = 0;
    int lh = 0;
};

TEST_F(DisplayScalingTest, TheDisplayIsScaledAsTheRunAsked) {
    // The run at another DPI says which (the test prefix's LogPixels): a prefix that came
    // out at 96 would pass every other test here without scaling anything.
    const char* asked = std::getenv("QUILLIX_LOGPIXELS");
    EXPECT_EQ(displayDpi(), asked ? std::atoi(asked) : 96);
    ASSERT_NE(start(L""), nullptr);
    EXPECT_EQ(shell.view.dpi, displayDpi());
    // Systems without the per-window and per-system calls answer with LOGPIXELSY: on one
    // monitor, the same.
    EXPECT_EQ(windowDpi(shell.frame), displayDpi());
    EXPECT_EQ(logPixelsDpi(shell.frame), displayDpi());
    EXPECT_EQ(systemDpi(), displayDpi());
}

TEST_F(DisplayScalingTest, TheViewsCellsRowsAndCaretScaleWithTheDisplay) {
    openFile(4096);
    ASSERT_EQ(GetFocus(), shell.hexView);
    expectCellsAt(dpi);
}

TEST_F(DisplayScalingTest, TheFrameAndTheStatusBarHaveTheirScaledSizesAndWholeTexts) {
    openFile(100);
    RECT outer{}, client{};
    GetWindowRect(shell.frame, &outer);
    GetClientRect(shell.frame, &client);
    // Wide enough for the 66 cells (the 16th character not under the scroll bar), and no
    // wider, or as wide as a screen too narrow for them (200 % on 1280 pixels).
    RECT view{}, work{};
    GetClientRect(shell.hexView, &view);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = outer.right - outer.left;
    EXPECT_TRUE(view.right >= 66 * cw || width == work.right - work.left) << view.right << " " << 66 * cw;
    if (width != scaled(635, dpi) && width != work.right - work.left) EXPECT_EQ(view.right, 66 * cw);
    if (dpi == 96) EXPECT_EQ(width, 635);
    EXPECT_EQ(outer.bottom - outer.top, scaled(353, dpi));
    EXPECT_EQ(barHeight(), scaled(20, dpi));
    EXPECT_EQ(childRect(shell.statusBar).top, client.bottom - scaled(20, dpi));
    EXPECT_EQ(childRect(shell.hexView).bottom, client.bottom - scaled(20, dpi));
    EXPECT_EQ(shell.view.clientHeight, client.bottom - scaled(20, dpi));
    expectPartsHoldTheirTexts();
    int edges[3] = {};
    SendMessageW(shell.statusBar, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    EXPECT_EQ(edges[2], client.right - scaled(30, dpi));
}

TEST_F(DisplayScalingTest, ClicksLandOnTheBytesUnderThem) {
    openFile(4096);
    // The middle of a low nibble, of a high nibble, of a character.
    click(11 * cw + cw / 2, lh / 2);
    EXPECT_EQ(statusText(1), L"Offset: 00000000");
    click(45 * cw + cw / 2, 3 * lh + lh / 2);
    EXPECT_EQ(statusText(1), L"Offset: 0000003E");
    click(65 * cw + cw / 2, 5 * lh + lh / 2);
    EXPECT_EQ(statusText(1), L"Offset: 0000005F");
    click(12 * cw - 1, 2 * lh + lh - 1);  // the last pixel of the first byte of row 2
    EXPECT_EQ(statusText(1), L"Offset: 00000020");
    click(12 * cw, 2 * lh);  // the first pixel of the next
    EXPECT_EQ(statusText(1), L"Offset: 00000021");
}

TEST_F(DisplayScalingTest, DownNeverTakesTheCaretBelowThePartlyVisibleRow) {
    openFile(4096);
    // The view as tall as possible short of another whole row, where room for a caret on
    // the partly visible row is largest.
    RECT outer{}, client{};
    GetWindowRect(shell.frame, &outer);
    GetClientRect(shell.frame, &client);
    const int nonClient = (outer.bottom - outer.top) - client.bottom;
    const int viewHeight = 8 * lh + lh - 1;
    MoveWindow(shell.frame, outer.left, outer.top, outer.right - outer.left,
               viewHeight + scaled(20, dpi) + nonClient, TRUE);
    pump();
    ASSERT_EQ(shell.view.clientHeight, viewHeight);
    for (int press = 1; press <= 12; ++press) {
        key(VK_DOWN);
        SCOPED_TRACE(press);
        wchar_t expected[32];
        wsprintfW(expected, L"Offset: %08X", press * 16);
        EXPECT_EQ(statusText(1), expected);
        EXPECT_LT(caretRect().top, viewHeight);
    }
}

TEST_F(DisplayScalingTest, TheRowsFillTheView) {
    openFile(4096);
    InvalidateRect(shell.hexView, nullptr, TRUE);
    UpdateWindow(shell.hexView);
    const Pixels pixels = capture(shell.hexView);
    const int wholeRows = static_cast<int>(shell.view.clientHeight / lh);
    ASSERT_GE(wholeRows, 3);
    // Label, hex pairs and characters down to the last whole row, the blank between
    // the areas blank.
    for (int row : {0, wholeRows / 2, wholeRows - 1}) {
        SCOPED_TRACE(row);
        for (int cell : {0, 7, 10, 48, 50, 60}) EXPECT_TRUE(cellHas(pixels, row, cell, 0x000000)) << cell;
        EXPECT_FALSE(cellHas(pixels, row, 49, 0x000000));
    }
}

TEST_F(DisplayScalingTest, ADpiChangeScalesEverythingAndKeepsTheViewWhereItWas) {
    openFile(4096);
    // A red byte, a scrolled view and a caret in the middle of it.
    SendMessageW(shell.hexView, WM_VSCROLL, SB_LINEDOWN, 0);
    SendMessageW(shell.hexView, WM_VSCROLL, SB_LINEDOWN, 0);
    click(20 * cw + 1, 3 * lh + 1);
    SendMessageW(shell.hexView, WM_CHAR, L'f', 0);
    SendMessageW(shell.hexView, WM_CHAR, L'f', 0);
    pump();
    const std::wstring offset = statusText(1);
    ASSERT_EQ(offset, L"Offset: 00000055");
    RECT before{};
    GetWindowRect(shell.frame, &before);
    int edgesBefore[3] = {};
    SendMessageW(shell.statusBar, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edgesBefore));
    const int cwBefore = cw, lhBefore = lh;

    // To a monitor at the other of the two DPIs these tests run at, in the rectangle the
    // system offers.
    const int newDpi = dpi == 96 ? 144 : 96;
    RECT suggested{before.left, before.top, before.left + scaled(635, newDpi),
                   before.top + scaled(353, newDpi)};
    SendMessageW(shell.frame, WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi),
                 reinterpret_cast<LPARAM>(&suggested));
    pump();
    expectCellsAt(newDpi);
    RECT after{};
    GetWindowRect(shell.frame, &after);
    EXPECT_TRUE(EqualRect(&after, &suggested));
    // Wine's bar stays at least as tall as the caption buttons at the system's DPI: below
    // that DPI it cannot come down all the way.
    if (newDpi > dpi) {
        EXPECT_EQ(barHeight(), scaled(20, newDpi));
    } else {
        EXPECT_GE(barHeight(), scaled(20, newDpi));
        EXPECT_LT(barHeight(), scaled(20, dpi));
    }
    expectPartsHoldTheirTexts();
    // The view ends where the bar, at its real height, begins.
    EXPECT_EQ(childRect(shell.hexView).bottom, childRect(shell.statusBar).top);
    // The same first row, the caret on the same byte (drawn at the new size), the edit red.
    EXPECT_EQ(shell.view.topLine, 2);
    EXPECT_EQ(statusText(1), offset);
    EXPECT_EQ(shell.view.caretRow, 3);
    const Pixels pixels = capture(shell.hexView);
    EXPECT_TRUE(cellHas(pixels, 3, 20, 0xFF0000));
    EXPECT_TRUE(cellHas(pixels, 3, 21, 0xFF0000));
    EXPECT_FALSE(cellHas(pixels, 3, 22, 0xFF0000));
    // A key still finds its way at the new size.
    key(VK_RIGHT);
    EXPECT_EQ(statusText(1), L"Offset: 00000056");

    // And back: every measure is what it was.
    key(VK_LEFT);
    SendMessageW(shell.frame, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&before));
    pump();
    expectCellsAt(dpi);
    EXPECT_EQ(cw, cwBefore);
    EXPECT_EQ(lh, lhBefore);
    GetWindowRect(shell.frame, &after);
    EXPECT_TRUE(EqualRect(&after, &before));
    EXPECT_EQ(barHeight(), scaled(20, dpi));
    int edgesAfter[3] = {};
    SendMessageW(shell.statusBar, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edgesAfter));
    EXPECT_TRUE(std::equal(edgesBefore, edgesBefore + 3, edgesAfter));
    EXPECT_EQ(shell.view.topLine, 2);
    EXPECT_EQ(statusText(1), offset);
}

TEST_F(DisplayScalingTest, TheInspectorMeasuresItsColumnsAgainAtANewDpi) {
    openFile(64);
    dialogs.leaveOpenWhen([](HWND window) { return window == shell.inspector; });
    SendMessageW(shell.frame, WM_COMMAND, commandDataInspector, 0);
    HWND list = GetDlgItem(shell.inspector, 1301);
    // As the system moves it to a monitor at the other DPI: the list gets a font for that
    // DPI, then the window hears of the change.
    const int newDpi = dpi == 96 ? 144 : 96;
    LOGFONTW request{};
    GetObjectW(GetWindowFont(list), sizeof request, &request);
    request.lfHeight = MulDiv(request.lfHeight, newDpi, dpi);
    HFONT font = CreateFontIndirectW(&request);
    SetWindowFont(list, font, TRUE);
    RECT offered{0, 0, 100, 100};
    SendMessageW(shell.inspector, WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi), reinterpret_cast<LPARAM>(&offered));
    wchar_t text[128];
    for (int row = 0; row < inspectorRowCount; ++row)
        for (int column = 0; column < 3; ++column) {
            ListView_GetItemText(list, row, column, text, 128);
            EXPECT_LT(ListView_GetStringWidth(list, text) + scaled(8, newDpi), ListView_GetColumnWidth(list, column));
        }
    EXPECT_EQ(GetWindowLongPtrW(list, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), 0) << "sized to fit them";
    DestroyWindow(shell.inspector);
    DeleteObject(font);
}

TEST(ViewFont, IsTheSpecifiedFaceAt96DpiAndAFixedPitchTrueTypeFaceElsewhere) {
    HFONT plain = createViewFont(DEFAULT_QUALITY, 96);
    LOGFONTW request{};
    GetObjectW(plain, sizeof request, &request);
    DeleteObject(plain);
    EXPECT_EQ(request.lfHeight, 18);
    EXPECT_STREQ(request.lfFaceName, L"Courier");
    EXPECT_EQ(request.lfPitchAndFamily, FF_MODERN | DEFAULT_PITCH);
    EXPECT_EQ(request.lfOutPrecision, OUT_DEFAULT_PRECIS);
    EXPECT_EQ(request.lfCharSet, ANSI_CHARSET);
    HFONT font = createViewFont(DEFAULT_QUALITY, 144);
    GetObjectW(font, sizeof request, &request);
    EXPECT_EQ(request.lfHeight, 27);
    EXPECT_EQ(request.lfCharSet, ANSI_CHARSET);
    // What the font mapper gives for it: TrueType and fixed pitch (the flag, despite its
    // name, marks a variable pitch).
    const TEXTMETRICW metrics = metricsOf(font);
    DeleteObject(font);
    EXPECT_TRUE(metrics.tmPitchAndFamily & TMPF_TRUETYPE);
    EXPECT_FALSE(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH);
}

}  // namespace
}  // namespace quillix::test
