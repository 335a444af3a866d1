// Recent files, drops, zoom keys and wheel, the font dialog, the themes' pixels, high contrast.

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "app/frame_window.h"
#include "app/startup.h"
#include "app/theme_win32.h"
#include "app/view_look_win32.h"
#include "hexview/hex_view.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

constexpr wchar_t personalize[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

class ViewLookTest : public ShellFixture {
protected:
    // What Explorer hands the window it drops files on.
    void drop(const std::vector<std::filesystem::path>& paths) {
        std::wstring list;
        for (const auto& path : paths) list += path.wstring() + L'\0';
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (list.size() + 1) * sizeof(wchar_t));
        auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
        files->pFiles = sizeof(DROPFILES);
        files->fWide = TRUE;
        std::memcpy(files + 1, list.data(), list.size() * sizeof(wchar_t));
        GlobalUnlock(memory);
        SendMessageW(shell.frame, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0), pump();
    }
    // The recent files' items, "&1 path" and on, checked to have ids from 100 and to stand
    // between separators above Exit.
    std::vector<std::wstring> recentItems() {
        HMENU file = GetSubMenu(GetMenu(shell.frame), 0);
        const int count = GetMenuItemCount(file);
        EXPECT_TRUE(GetMenuItemID(file, 5) == 0 && GetMenuItemID(file, count - 2) == 0 &&
                    GetMenuItemID(file, count - 1) == commandExit);
        std::vector<std::wstring> texts;
        for (int i = 6; i < count - 2; ++i) {
            wchar_t text[1024] = {};
            GetMenuStringW(file, static_cast<UINT>(i), text, 1024, MF_BYPOSITION);
            texts.push_back(
                GetMenuItemID(file, i) == static_cast<UINT>(IDM_FILE_RECENT_FIRST + i - 6) ? text : L"?");
        }
        return texts;
    }
    // Pixels of colour (a COLORREF) in a cell of the view, or in one pixel row of it.
    int countIn(int cell, int row, std::uint32_t colour, int pixelRow = -1) {
        const Pixels pixels = capture(shell.hexView);
        const int w = static_cast<int>(shell.view.charWidth), h = static_cast<int>(shell.view.lineHeight);
        const std::uint32_t rgb = (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
        int found = 0;
        for (int y = row * h; y < row * h + h; ++y)
            for (int x = cell * w; x < cell * w + w; ++x)
                found += (pixelRow < 0 || y == row * h + pixelRow) && pixels.at(x, y) == rgb;
        return found;
    }
    // The view's background: the blank after the first label, and a cell below the data.
    void expectBackground(std::uint32_t colour) {
        UpdateWindow(shell.hexView);
        EXPECT_EQ(countIn(9, 0, colour), shell.view.charWidth * shell.view.lineHeight);
        EXPECT_EQ(countIn(20, 5, colour), shell.view.charWidth * shell.view.lineHeight);
    }
};

TEST_F(ViewLookTest, RecentFilesComeNewestFirstOpenAfterTheSaveQuestionAndAGoneOneLeaves) {
    const auto first = makeFile("a.bin", {1, 2, 3}), second = makeFile("R&D.bin", {4}),
               gone = makeFile("g.bin", {5}), copy = folder / "c.bin";
    const std::wstring ampersands = L"&3 " + folder.wstring() + L"\\R&&D.bin";
    ASSERT_NE(start(first.wstring()), nullptr);
    EXPECT_EQ(recentItems(), std::vector<std::wstring>{L"&1 " + first.wstring()});
    drop({gone});
    std::filesystem::remove(gone);
    drop({second});
    drop({first});  // opened again: up to the head, not twice
    dialogs.handleNextDialog([&](HWND dialog) {
        SetDlgItemTextW(dialog, 1148, copy.wstring().c_str());
        pressButton(dialog, IDOK);
    });
    command(commandSaveAs);
    const std::vector<std::wstring> expected = {L"&1 " + copy.wstring(), L"&2 " + first.wstring(), ampersands,
                                                L"&4 " + gone.wstring()};
    EXPECT_EQ(recentItems(), expected);
    restart(L"");
    EXPECT_EQ(recentItems(), expected);

    // The save question first, Cancel opening nothing; a file gone: the open's box, and it leaves.
    command(IDM_FILE_RECENT_FIRST + 1);
    shell.doc.isModified = 1;
    dialogs.clear();
    dialogs.answerNext(IDCANCEL), drop({second});
    dialogs.answerNext(IDNO), command(IDM_FILE_RECENT_FIRST + 3);
    const auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[1].text + boxes[2].text.substr(0, 35),
              L"Save current changes in a.bin? GetLastError() returned number [2]");
    EXPECT_EQ(recentItems(),
              (std::vector<std::wstring>{L"&1 " + first.wstring(), L"&2 " + copy.wstring(), ampersands}));
    drop({second, first, gone});
    EXPECT_EQ(frameTitle(), L" Quillix-64bit - R&D.bin");
    EXPECT_EQ(statusText(0), L"Opened the first of 3 dropped files");
}

TEST_F(ViewLookTest, ZoomStepsChangeTheCellSizeKeepTheCaretOnItsByteAndAreRemembered) {
    const auto path = makeFile("zoom.bin", std::vector<std::uint8_t>(65536, 0x5A));
    ASSERT_NE(start(path.wstring()), nullptr);
    const std::int64_t width = shell.view.charWidth, height = shell.view.lineHeight;
    for (UINT key : {VK_NEXT, VK_NEXT, VK_NEXT, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT})
        SendMessageW(shell.hexView, WM_KEYDOWN, key, 0);
    const std::int64_t byte = offsetOf(shell.view);  // below the first screen
    ASSERT_GT(byte, 16 * rows(shell.view));
    // A key with Ctrl, or (key 0) a turn of the wheel with Ctrl, and the zoom it leads to.
    const std::tuple<UINT, int, std::uint32_t> steps[] = {
        {VK_OEM_PLUS, 0, 110},  {VK_ADD, 0, 125}, {0, 240, 175}, {VK_SUBTRACT, 0, 150},
        {VK_OEM_MINUS, 0, 125}, {'0', 0, 100},    {0, -720, 50}, {VK_OEM_MINUS, 0, 50}};
    for (const auto& [key, wheel, zoom] : steps) {
        key ? press(key, {VK_CONTROL})
            : void(SendMessageW(shell.hexView, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, wheel), 0));
        SCOPED_TRACE(zoom);
        EXPECT_EQ(shell.settings.zoomPercent, zoom);
        // Courier New and Courier are alike in shape: the cell follows the zoom closely.
        EXPECT_NEAR(shell.view.lineHeight, height * zoom / 100.0, 2.0);
        EXPECT_NEAR(shell.view.charWidth, width * zoom / 100.0, 2.0);
        EXPECT_EQ(offsetOf(shell.view), byte);
        POINT caret{};  // in view, where the caret row is
        EXPECT_TRUE(GetCaretPos(&caret) && caret.y == shell.view.caretRow * shell.view.lineHeight &&
                    shell.view.caretRow >= 0 && shell.view.caretRow < rows(shell.view));
    }
    press(VK_ADD, {VK_CONTROL});
    const std::int64_t zoomedHeight = shell.view.lineHeight;
    restart(path.wstring());
    EXPECT_TRUE(shell.settings.zoomPercent == 67 && shell.view.lineHeight == zoomedHeight);
}

TEST_F(ViewLookTest, TheFontDialogsChoiceSizesTheCellsAndAFaceNoLongerInstalledFallsBack) {
    const auto path = makeFile("font.bin", std::vector<std::uint8_t>(4096, 0x41));
    ASSERT_NE(start(path.wstring()), nullptr);
    const std::int64_t width = shell.view.charWidth, height = shell.view.lineHeight;
    std::wstring face;
    dialogs.handleNextDialog([&](HWND dialog) {
        // The face list's last face (what fixed-pitch faces Wine has varies) and 24 points.
        HWND faces = GetDlgItem(dialog, 1136), sizes = GetDlgItem(dialog, 1138);
        const LRESULT last = SendMessageW(faces, CB_GETCOUNT, 0, 0) - 1;
        face.resize(LF_FACESIZE);
        face.resize(static_cast<std::size_t>(
            SendMessageW(faces, CB_GETLBTEXT, last, reinterpret_cast<LPARAM>(face.data()))));
        SendMessageW(faces, CB_SETCURSEL, static_cast<WPARAM>(last), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1136, CBN_SELCHANGE), reinterpret_cast<LPARAM>(faces));
        SendMessageW(sizes, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"24"));
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1138, CBN_SELCHANGE), reinterpret_cast<LPARAM>(sizes));
        pressButton(dialog, IDOK);
    });
    SendMessageW(shell.frame, WM_COMMAND, IDM_VIEW_FONT, 0);
    EXPECT_EQ(shell.settings.fontFace, face);
    // 24 points are 32 pixels of character height at 96 DPI; the cell is a little taller.
    EXPECT_TRUE(shell.view.lineHeight >= 32 && shell.view.charWidth > width) << shell.view.lineHeight;
    const std::int64_t chosenHeight = shell.view.lineHeight;
    restart(path.wstring());
    EXPECT_EQ(shell.view.lineHeight, chosenHeight);
    shell.settings.fontFace = L"No Such Face 38";
    applyViewFont();
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_TRUE(shell.view.charWidth == width && shell.view.lineHeight == height);
}

TEST_F(ViewLookTest, DarkPaintsTheViewAndTheListsSystemFollowsTheAppModeAndHighContrastWins) {
    ASSERT_NE(start(makeFile("theme.bin", std::vector<std::uint8_t>(40, 0x41)).wstring()), nullptr);
    SendMessageW(shell.hexView, WM_CHAR, 'F', 0);  // byte 0 changed
    SendMessageW(shell.frame, WM_COMMAND, IDM_VIEW_DATA_INSPECTOR, 0);
    HWND list = GetDlgItem(shell.inspector, IDC_INSPECTOR_LIST);
    EXPECT_TRUE(menuState(IDM_VIEW_THEME_SYSTEM) & MF_CHECKED);
    expectBackground(GetSysColor(COLOR_WINDOW));
    const Palette dark = makePalette(PaletteKind::dark);
    SendMessageW(shell.frame, WM_COMMAND, IDM_VIEW_THEME_DARK, 0);
    EXPECT_TRUE((menuState(IDM_VIEW_THEME_DARK) & MF_CHECKED) &&
                !(menuState(IDM_VIEW_THEME_SYSTEM) & MF_CHECKED));
    expectBackground(dark.plain.back);
    // The changed byte's digit in the dark palette's red, the next byte's in its text colour.
    EXPECT_GT(countIn(firstHexCell, 0, dark.edited.text), 0);
    EXPECT_EQ(countIn(firstHexCell + 2, 0, dark.edited.text), 0);
    EXPECT_GT(countIn(firstHexCell + 2, 0, dark.plain.text), 0);
    EXPECT_EQ(SendMessageW(list, LVM_GETBKCOLOR, 0, 0) << 24 | SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0),
              LRESULT{dark.plain.back} << 24 | dark.plain.text);

    // System: Windows' app mode, read again when Windows announces its change.
    SendMessageW(shell.frame, WM_COMMAND, IDM_VIEW_THEME_SYSTEM, 0);
    expectBackground(GetSysColor(COLOR_WINDOW));
    const DWORD zero = 0;
    RegSetKeyValueW(HKEY_CURRENT_USER, personalize, L"AppsUseLightTheme", REG_DWORD, &zero, sizeof zero);
    SendMessageW(shell.frame, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
    expectBackground(dark.plain.back);
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0)), dark.plain.back);

    // High contrast: the system's colours, the change underlined (a solid row in its cell).
    static bool contrast = true;
    shell.highContrastOn = [] { return contrast; };
    SendMessageW(shell.frame, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    expectBackground(GetSysColor(COLOR_WINDOW));
    for (int id : {IDM_VIEW_THEME_SYSTEM, IDM_VIEW_THEME_LIGHT, IDM_VIEW_THEME_DARK})
        EXPECT_TRUE(menuState(id) & MF_GRAYED) << id;
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    int underlines = 0;
    for (int y = 0; y < shell.view.lineHeight; ++y)
        underlines += (countIn(firstHexCell, 0, text, y) == shell.view.charWidth) -
                      (countIn(firstHexCell + 2, 0, text, y) == shell.view.charWidth);
    EXPECT_EQ(underlines, 1);
    contrast = false;
    RegDeleteKeyValueW(HKEY_CURRENT_USER, personalize, L"AppsUseLightTheme");
    SendMessageW(shell.frame, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    expectBackground(GetSysColor(COLOR_WINDOW));
    EXPECT_FALSE(menuState(IDM_VIEW_THEME_DARK) & MF_GRAYED);
}

TEST_F(ViewLookTest, TheCharacterSetIsARadioChoiceTypedThroughAndRememberedInTheRegistry) {
    const auto path = makeFile("charset.bin", std::vector<std::uint8_t>(64, 0x00));
    ASSERT_NE(start(path.wstring()), nullptr);
    EXPECT_TRUE(menuState(IDM_VIEW_CHARSET_ASCII) & MF_CHECKED);
    command(IDM_VIEW_CHARSET_EBCDIC);
    EXPECT_TRUE((menuState(IDM_VIEW_CHARSET_EBCDIC) & MF_CHECKED) && !(menuState(IDM_VIEW_CHARSET_ASCII) & MF_CHECKED));
    SendMessageW(shell.hexView, WM_LBUTTONDOWN, 0, MAKELPARAM(50 * shell.view.charWidth + 1, 1));
    SendMessageW(shell.hexView, WM_LBUTTONUP, 0, MAKELPARAM(50 * shell.view.charWidth + 1, 1));
    SendMessageW(shell.hexView, WM_CHAR, 'A', 0);
    EXPECT_EQ(shell.doc.fileBytes[0], 0xC1);
    dialogs.answerNext(IDNO);  // the changed byte is not saved
    restart(path.wstring());
    EXPECT_TRUE(shell.view.characterSet == CharacterSet::ebcdic037 && (menuState(IDM_VIEW_CHARSET_EBCDIC) & MF_CHECKED));
}

TEST_F(ViewLookTest, ThirtyTwoBytesARowCarryTheKeysAndClicksGrowTheFrameAndAreRemembered) {
    const auto path = makeFile("rows.bin", std::vector<std::uint8_t>(1000, 0x41));
    ASSERT_NE(start(path.wstring()), nullptr);
    EXPECT_TRUE((menuState(IDM_VIEW_ROW_16) & MF_CHECKED) && (menuState(IDM_VIEW_GROUP_2) & MF_CHECKED));
    for (int i = 0; i < 5; ++i) press(VK_RIGHT);
    RECT before{}, after{};
    GetWindowRect(shell.frame, &before);
    command(IDM_VIEW_ROW_32);
    command(IDM_VIEW_GROUP_8);
    GetWindowRect(shell.frame, &after);
    EXPECT_TRUE((menuState(IDM_VIEW_ROW_32) & MF_CHECKED) && !(menuState(IDM_VIEW_ROW_16) & MF_CHECKED));
    EXPECT_GT(after.right - after.left, before.right - before.left);
    EXPECT_EQ(offsetOf(shell.view), 5);  // the caret kept its byte
    // The key walk: Right over a row's end, Down by a row, End and Home.
    const std::pair<UINT, std::int64_t> walk[] = {{VK_DOWN, 37}, {VK_RIGHT, 38}, {VK_UP, 6}, {VK_END, 999}, {VK_HOME, 0}};
    for (const auto& [key, offset] : walk) {
        press(key);
        EXPECT_EQ(offsetOf(shell.view), offset) << key;
        wchar_t shown[20];
        std::swprintf(shown, 20, L"Offset: %08llX", static_cast<unsigned long long>(offset));
        EXPECT_EQ(statusText(1), shown) << key;
    }
    // Between two groups of 8 a click goes to the nearer byte: the gap after byte 7.
    const int gapX = shell.view.layout.highCell(8) + 2;
    for (const auto& [dx, byte] : {std::pair{1, 7}, std::pair{8, 8}}) {
        const LPARAM at = MAKELPARAM(gapX * shell.view.charWidth + dx, shell.view.lineHeight + 1);
        SendMessageW(shell.hexView, WM_LBUTTONDOWN, 0, at), SendMessageW(shell.hexView, WM_LBUTTONUP, 0, at);
        EXPECT_EQ(offsetOf(shell.view), 32 + byte) << dx;
    }
    command(IDM_VIEW_DECIMAL_OFFSETS);
    restart(path.wstring());
    EXPECT_TRUE(shell.view.layout.bytesPerRow == 32 && shell.view.layout.groupBytes == 8 && shell.view.layout.decimal);
    EXPECT_TRUE((menuState(IDM_VIEW_ROW_32) & MF_CHECKED) && (menuState(IDM_VIEW_DECIMAL_OFFSETS) & MF_CHECKED));
}

TEST_F(ViewLookTest, SixtyFourBytesARowScrollSidewaysWithTheCaretAndTheClicks) {
    const auto path = makeFile("wide.bin", std::vector<std::uint8_t>(64 * 40, 0x42));
    ASSERT_NE(start(path.wstring()), nullptr);
    const auto bar = [] {
        SCROLLINFO info{sizeof info, SIF_ALL};
        GetScrollInfo(shell.hexView, SB_HORZ, &info);
        return info;
    };
    const auto barShown = [] { return (GetWindowLongW(shell.hexView, GWL_STYLE) & WS_HSCROLL) != 0; };
    EXPECT_FALSE(barShown());
    command(IDM_VIEW_ROW_64);
    ASSERT_TRUE(barShown() && shell.view.leftMax > 0 && shell.view.leftCell == 0);
    EXPECT_EQ(bar().nMax - static_cast<int>(bar().nPage) + 1, shell.view.leftMax);
    // End shows the right edge with the last byte; the caret stands on it, scrolled.
    press(VK_END);
    EXPECT_EQ(offsetOf(shell.view), 64 * 40 - 1);
    EXPECT_TRUE(shell.view.leftCell == shell.view.leftMax && bar().nPos == shell.view.leftCell);
    POINT caret{};
    GetCaretPos(&caret);
    EXPECT_EQ(caret.x, (shell.view.caretCell - shell.view.leftCell) * shell.view.charWidth);
    // A click after scrolling lands on the byte drawn under it: byte 60 of the first row.
    const std::int64_t cell = shell.view.layout.highCell(61) + 1 - shell.view.leftCell;
    const LPARAM at = MAKELPARAM(cell * shell.view.charWidth + 2, 1);
    SendMessageW(shell.hexView, WM_LBUTTONDOWN, 0, at), SendMessageW(shell.hexView, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(offsetOf(shell.view), shell.view.topLine * 64 + 60);
    SendMessageW(shell.hexView, WM_HSCROLL, SB_LINELEFT, 0), pump();
    EXPECT_EQ(bar().nPos, shell.view.leftMax - 1);
    // Home, at the first byte, the left edge with the offsets; at 16 bytes the bar goes.
    press(VK_HOME);
    EXPECT_TRUE(shell.view.leftCell == 0 && bar().nPos == 0 && offsetOf(shell.view) == 0);
    command(IDM_VIEW_ROW_16);
    EXPECT_TRUE(!barShown() && shell.view.leftMax == 0);
}

}  // namespace
}  // namespace quillix::test
