// The program at the display's DPI. These tests run twice: with the rest of the Wine
// tests at 96 DPI, where every measure is the plain one, and alone in a Wine prefix whose
// display is scaled to 144 DPI, where every measure is 1.5 times as large. A DPI change
// (a move to another monitor) is driven at 96 DPI by the message Windows sends for it.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/dpi_win32.h"
#include "app/hex_window_win32.h"
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

// The cell of a font asked for with these attributes, as the font mapper gives it.
CellSize measure(HFONT font) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    return {static_cast<int>(metrics.tmAveCharWidth),
            static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading)};
}

// The view's cell at 96 DPI: the face, height and family the view has always asked for.
CellSize plainCell() {
    HFONT font = CreateFontW(18, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FF_MODERN | DEFAULT_PITCH, L"Courier");
    const CellSize cell = measure(font);
    DeleteObject(font);
    return cell;
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
    EXPECT_EQ(shell.view.dpi, dpi);
    const CellSize plain = plainCell();
    if (dpi == 96) {
        EXPECT_EQ(cw, plain.width);
        EXPECT_EQ(lh, plain.height);
    } else {
        // The scaled face is another font: its cell follows within a pixel.
        EXPECT_LE(std::abs(cw * 96 - plain.width * dpi), 96) << cw << " at " << dpi;
        EXPECT_LE(std::abs(lh * 96 - plain.height * dpi), 96) << lh << " at " << dpi;
    }
    ASSERT_EQ(GetFocus(), shell.hexView);
    const RECT caret = caretRect();
    EXPECT_EQ(caret.right - caret.left, scaled(2, dpi));
    EXPECT_EQ(caret.bottom - caret.top, lh);
    EXPECT_EQ(caret.left, 10 * cw);
}

TEST_F(DisplayScalingTest, TheFrameAndTheStatusBarHaveTheirScaledSizes) {
    openFile(100);
    RECT outer{};
    GetWindowRect(shell.frame, &outer);
    EXPECT_EQ(outer.right - outer.left, scaled(635, dpi));
    EXPECT_EQ(outer.bottom - outer.top, scaled(353, dpi));
    RECT client{};
    GetClientRect(shell.frame, &client);
    EXPECT_EQ(barHeight(), scaled(20, dpi));
    EXPECT_EQ(childRect(shell.statusBar).top, client.bottom - scaled(20, dpi));
    EXPECT_EQ(shell.view.clientHeight, client.bottom - scaled(20, dpi));
    EXPECT_EQ(childRect(shell.hexView).bottom, client.bottom - scaled(20, dpi));
}

TEST_F(DisplayScalingTest, EveryStatusPartHoldsItsLongestText) {
    openFile(100);
    for (int part : {0, 1, 2})
        EXPECT_GE(statusPartWidth(part), widestStatusText(part) + statusTextInset) << part;
    RECT client{};
    GetClientRect(shell.frame, &client);
    int edges[3] = {};
    SendMessageW(shell.statusBar, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    EXPECT_EQ(edges[2], client.right - scaled(30, dpi));
}

TEST_F(DisplayScalingTest, ClicksLandOnTheBytesUnderThem) {
    openFile(4096);
    struct Target {
        int row;
        int cell;  // where the click falls
        int offset;
    };
    // The middle of a byte's low nibble, its high nibble's last pixel column, a character.
    const Target targets[] = {{0, 11, 0}, {3, 45, 3 * 16 + 14}, {5, 65, 5 * 16 + 15}, {7, 50, 7 * 16}};
    for (const Target& target : targets) {
        SCOPED_TRACE(target.cell);
        click(target.cell * cw + cw / 2, target.row * lh + lh / 2);
        wchar_t expected[32];
        wsprintfW(expected, L"Offset: %08X", target.offset);
        EXPECT_EQ(statusText(1), expected);
    }
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
    cw = static_cast<int>(shell.view.charWidth);
    lh = static_cast<int>(shell.view.lineHeight);
    const CellSize plain = plainCell();
    EXPECT_EQ(shell.view.dpi, newDpi);
    EXPECT_LE(std::abs(cw * 96 - plain.width * newDpi), 96) << cw;
    EXPECT_LE(std::abs(lh * 96 - plain.height * newDpi), 96) << lh;
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
    for (int part : {0, 1, 2})
        EXPECT_GE(statusPartWidth(part), widestStatusText(part) + statusTextInset) << part;
    // The same first row, the caret on the same byte, drawn at the new size, the edit red.
    EXPECT_EQ(shell.view.topLine, 2);
    EXPECT_EQ(statusText(1), offset);
    EXPECT_EQ(shell.view.caretRow, 3);
    const RECT caret = caretRect();
    EXPECT_EQ(caret.left, 22 * cw);
    EXPECT_EQ(caret.top, 3 * lh);
    EXPECT_EQ(caret.right - caret.left, scaled(2, newDpi));
    EXPECT_EQ(caret.bottom - caret.top, lh);
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
    EXPECT_EQ(shell.view.dpi, dpi);
    EXPECT_EQ(shell.view.charWidth, cwBefore);
    EXPECT_EQ(shell.view.lineHeight, lhBefore);
    GetWindowRect(shell.frame, &after);
    EXPECT_TRUE(EqualRect(&after, &before));
    EXPECT_EQ(barHeight(), scaled(20, dpi));
    int edgesAfter[3] = {};
    SendMessageW(shell.statusBar, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edgesAfter));
    EXPECT_TRUE(std::equal(edgesBefore, edgesBefore + 3, edgesAfter));
    EXPECT_EQ(shell.view.topLine, 2);
    EXPECT_EQ(statusText(1), offset);
    EXPECT_EQ(caretRect().right - caretRect().left, scaled(2, dpi));
}

TEST(ViewFont, IsTheSpecifiedFaceAt96DpiAndAFixedPitchTrueTypeFaceElsewhere) {
    HFONT plain = createViewFont(DEFAULT_QUALITY, 96);
    LOGFONTW request{};
    GetObjectW(plain, sizeof request, &request);
    EXPECT_EQ(request.lfHeight, 18);
    EXPECT_STREQ(request.lfFaceName, L"Courier");
    EXPECT_EQ(request.lfPitchAndFamily, FF_MODERN | DEFAULT_PITCH);
    EXPECT_EQ(request.lfOutPrecision, OUT_DEFAULT_PRECIS);
    EXPECT_EQ(request.lfCharSet, ANSI_CHARSET);
    DeleteObject(plain);
    for (int dpi : {120, 144, 192}) {
        SCOPED_TRACE(dpi);
        HFONT font = createViewFont(DEFAULT_QUALITY, dpi);
        GetObjectW(font, sizeof request, &request);
        EXPECT_EQ(request.lfHeight, scaled(18, dpi));
        EXPECT_EQ(request.lfCharSet, ANSI_CHARSET);
        // What the font mapper gives for it: TrueType, every character as wide as the next.
        HDC screen = GetDC(nullptr);
        HGDIOBJ previous = SelectObject(screen, font);
        TEXTMETRICW metrics{};
        GetTextMetricsW(screen, &metrics);
        SIZE narrow{}, wide{};
        GetTextExtentPoint32W(screen, L"iiii", 4, &narrow);
        GetTextExtentPoint32W(screen, L"WWWW", 4, &wide);
        SelectObject(screen, previous);
        ReleaseDC(nullptr, screen);
        DeleteObject(font);
        EXPECT_TRUE(metrics.tmPitchAndFamily & TMPF_TRUETYPE);
        EXPECT_EQ(narrow.cx, wide.cx);
        EXPECT_EQ(narrow.cx, 4 * metrics.tmAveCharWidth);
    }
}

}  // namespace
}  // namespace quillix::test
