// The hex view painted by the real window under Wine and read back pixel by pixel, and
// its scroll bar as the system reports it.

#include <windows.h>

#include <string>

#include "app/frame_window.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

struct CellColours {
    int red = 0;  // pure red pixels: edited text
    int black = 0;
    int white = 0;
    int other = 0;
};

class HexViewPaintTest : public ShellFixture {
protected:
    void openFile(std::vector<std::uint8_t> bytes) {
        auto path = makeFile("paint.bin", bytes);
        ASSERT_NE(start(path.wstring()), nullptr);
    }
    void repaint() {
        InvalidateRect(shell.hexView, nullptr, TRUE);
        UpdateWindow(shell.hexView);
        pump();
    }
    // The view's client pixels as they are on screen now.
    void capture() { pixels_ = ShellFixture::capture(shell.hexView); }
    CellColours cell(int viewRow, int cellIndex) {
        CellColours colours;
        const int cw = static_cast<int>(shell.view.charWidth), lh = static_cast<int>(shell.view.lineHeight);
        for (int y = viewRow * lh; y < (viewRow + 1) * lh && y < pixels_.height; ++y) {
            for (int x = cellIndex * cw; x < (cellIndex + 1) * cw && x < pixels_.width; ++x) {
                std::uint32_t p = pixels_.at(x, y);
                if (p == 0xFF0000)
                    ++colours.red;  // BGRA in memory: red is 0x00FF0000
                else if (p == 0)
                    ++colours.black;
                else if (p == 0xFFFFFF)
                    ++colours.white;
                else
                    ++colours.other;
            }
        }
        return colours;
    }
    bool hasInk(const CellColours& c) { return c.black > 0 || c.red > 0; }
    // Pixels of a cell in the colour (a COLORREF), and in any clearly red colour.
    int pixelsOf(int viewRow, int cellIndex, COLORREF colour, bool anyRed = false) {
        const int cw = static_cast<int>(shell.view.charWidth), lh = static_cast<int>(shell.view.lineHeight);
        const std::uint32_t wanted = GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
        int count = 0;
        for (int y = viewRow * lh; y < (viewRow + 1) * lh && y < pixels_.height; ++y) {
            for (int x = cellIndex * cw; x < (cellIndex + 1) * cw && x < pixels_.width; ++x) {
                const std::uint32_t p = pixels_.at(x, y);
                const int r = p >> 16, g = p >> 8 & 0xFF, b = p & 0xFF;
                if (anyRed ? r >= 0xA0 && g + 0x40 <= r && b + 0x40 <= r : p == wanted) ++count;
            }
        }
        return count;
    }

    Pixels pixels_;
};

TEST_F(HexViewPaintTest, RowsShowTheirBytesAndNothingPastTheData) {
    openFile(std::vector<std::uint8_t>(17, 0x88));
    repaint();
    capture();
    ASSERT_GT(shell.view.charWidth, 0);
    // Row 0: label, sixteen hex pairs, sixteen characters, black on white.
    for (int c : {0, 7, 10, 11, 47, 48, 50, 65}) {
        CellColours colours = cell(0, c);
        EXPECT_GT(colours.black, 0) << c;
        EXPECT_EQ(colours.red, 0) << c;
    }
    EXPECT_FALSE(hasInk(cell(0, 14)));  // a gap cell
    EXPECT_FALSE(hasInk(cell(0, 49)));
    // Row 1 holds one byte: its pair and its character, nothing after them.
    EXPECT_TRUE(hasInk(cell(1, 10)));
    EXPECT_TRUE(hasInk(cell(1, 50)));
    for (int c : {12, 13, 15, 47, 51, 65}) EXPECT_FALSE(hasInk(cell(1, c))) << c;
    for (int c : {0, 10, 50}) EXPECT_FALSE(hasInk(cell(2, c))) << c;
}

TEST_F(HexViewPaintTest, EditedBytesAreRedUntilSaved) {
    openFile(std::vector<std::uint8_t>(64, 0x30));
    SendMessageW(shell.hexView, WM_CHAR, L'4', 0);
    SendMessageW(shell.hexView, WM_CHAR, L'1', 0);
    pump();
    capture();
    for (int c : {10, 11, 50}) {
        CellColours colours = cell(0, c);
        EXPECT_GT(colours.red, 0) << c;
        EXPECT_EQ(colours.black, 0) << c;
    }
    for (int c : {12, 13, 51}) {
        EXPECT_EQ(cell(0, c).red, 0) << c;
        EXPECT_GT(cell(0, c).black, 0) << c;
    }
    SendMessageW(shell.frame, WM_COMMAND, 11, 0);
    pump();
    capture();
    EXPECT_EQ(cell(0, 10).red, 0);
    EXPECT_GT(cell(0, 10).black, 0);
}

TEST_F(HexViewPaintTest, TheVisibleMatchIsInvertedAcrossItsGapButNotPastItsLastByte) {
    openFile(std::vector<std::uint8_t>(48, 0x41));
    shell.view.matchStart = 0x0D;
    shell.view.matchLength = 3;
    shell.view.matchVisible = 1;
    repaint();
    capture();
    for (int c = 42; c <= 48; ++c) {
        CellColours colours = cell(0, c);
        EXPECT_GT(colours.black, colours.white) << c;  // mostly black background
    }
    for (int c : {63, 64, 65}) EXPECT_GT(cell(0, c).black, cell(0, c).white) << c;
    for (int c : {40, 41, 49, 62}) EXPECT_LT(cell(0, c).black, cell(0, c).white) << c;
    EXPECT_LT(cell(1, 42).black, cell(1, 42).white);
}

TEST_F(HexViewPaintTest, PastedBytesAreRedAndTheSelectionHasTheHighlightColours) {
    openFile(std::vector<std::uint8_t>(48, 0x30));
    putClipboardText(L"41 42");
    SendMessageW(shell.frame, WM_COMMAND, commandPaste, 0);
    pump();
    capture();
    for (int c : {10, 11, 12, 13, 50, 51}) EXPECT_GT(cell(0, c).red, 0) << c;
    for (int c : {15, 52}) EXPECT_EQ(cell(0, c).red, 0) << c;

    // Bytes 0x11 to 0x13, by a drag, which holds the mouse until the button comes up.
    const int cw = static_cast<int>(shell.view.charWidth), lh = static_cast<int>(shell.view.lineHeight);
    SendMessageW(shell.hexView, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12 * cw + 1, lh + 1));
    EXPECT_EQ(GetCapture(), shell.hexView);
    SendMessageW(shell.hexView, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(17 * cw + 1, lh + 1));
    SendMessageW(shell.hexView, WM_LBUTTONUP, 0, MAKELPARAM(17 * cw + 1, lh + 1));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(statusText(0), L"Selection: 00000011-00000013, 3 bytes");
    repaint();
    capture();
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const int cellPixels = cw * lh;
    for (int c : {12, 13, 14, 15, 16, 17, 18, 51, 52, 53})
        EXPECT_GT(pixelsOf(1, c, highlight), cellPixels / 2) << c;  // mostly highlight background
    for (int c : {10, 11, 19, 20, 50, 54}) EXPECT_EQ(pixelsOf(1, c, highlight), 0) << c;
    // The pasted bytes inside a selection keep a red.
    SendMessageW(shell.frame, WM_COMMAND, commandSelectAll, 0);
    repaint();
    capture();
    for (int c : {10, 11, 12, 13, 50, 51}) {
        EXPECT_GT(pixelsOf(0, c, highlight), cellPixels / 2) << c;
        EXPECT_GT(pixelsOf(0, c, 0, true), 0) << c;
    }
    EXPECT_EQ(pixelsOf(0, 15, 0, true), 0);
    // Shift+click selects from the anchor, 0 here.
    SendMessageW(shell.hexView, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(10 * cw + 1, 2 * lh + 1));
    EXPECT_EQ(statusText(0), L"Selection: 00000000-00000020, 33 bytes");
}

TEST_F(HexViewPaintTest, TheScrollBarFollowsTheSizeAndTheRequests) {
    openFile(std::vector<std::uint8_t>(2000, 1));  // 125 full rows and the blank one: 126
    ASSERT_EQ(shell.doc.lineCount, 126);
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_POS};
    GetScrollInfo(shell.hexView, SB_VERT, &info);
    const std::int64_t rows = shell.view.clientHeight / shell.view.lineHeight;
    EXPECT_EQ(info.nMin, 0);
    EXPECT_EQ(info.nMax, 126 - rows);
    EXPECT_EQ(info.nPos, 0);

    SendMessageW(shell.hexView, WM_VSCROLL, SB_LINEDOWN, 0);
    SendMessageW(shell.hexView, WM_VSCROLL, SB_PAGEDOWN, 0);
    GetScrollInfo(shell.hexView, SB_VERT, &info);
    EXPECT_EQ(info.nPos, 1 + rows);
    EXPECT_EQ(shell.view.topLine, 1 + rows);
    SendMessageW(shell.hexView, WM_VSCROLL, SB_BOTTOM, 0);
    GetScrollInfo(shell.hexView, SB_VERT, &info);
    EXPECT_EQ(info.nPos, info.nMax);

    // A taller window shrinks the range and pulls the position back with it.
    MoveWindow(shell.frame, 0, 0, 635, 600, TRUE);
    pump();
    const std::int64_t tallRows = shell.view.clientHeight / shell.view.lineHeight;
    GetScrollInfo(shell.hexView, SB_VERT, &info);
    EXPECT_EQ(info.nMax, 126 - tallRows);
    EXPECT_EQ(info.nPos, info.nMax);
    EXPECT_EQ(shell.view.topLine, info.nMax);
}

TEST_F(HexViewPaintTest, TheWheelScrollsByTheSystemsLinesPerNotch) {
    openFile(std::vector<std::uint8_t>(4000, 2));
    UINT saved = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &saved, 0);
    SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, 7, nullptr, 0);
    SendMessageW(shell.hexView, WM_SETTINGCHANGE, SPI_SETWHEELSCROLLLINES, 0);
    EXPECT_EQ(shell.view.wheelStep, 120u / 7);
    // One notch towards the user scrolls down by seven rows, carrying 1 of the 120.
    SendMessageW(shell.hexView, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(shell.view.topLine, 7);
    EXPECT_EQ(shell.view.wheelRemainder, -120 + 7 * 17);
    SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, 0, nullptr, 0);
    SendMessageW(shell.hexView, WM_SETTINGCHANGE, 0, 0);
    EXPECT_EQ(shell.view.wheelStep, 0u);
    SendMessageW(shell.hexView, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(shell.view.topLine, 7);  // the wheel is off
    SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, saved, nullptr, 0);
}

TEST_F(HexViewPaintTest, AFileThatFitsLeavesTheScrollBarDisabled) {
    openFile({1, 2, 3});
    SCROLLBARINFO bar{sizeof bar};
    ASSERT_TRUE(GetScrollBarInfo(shell.hexView, OBJID_VSCROLL, &bar));
    EXPECT_FALSE(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE);
    EXPECT_TRUE(bar.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
    SendMessageW(shell.hexView, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(shell.view.topLine, 0);
}

}  // namespace
}  // namespace quillix::test
