// Select Block, Fill, Copy As, bookmarks and Back: real dialogs, clipboard and store.

#include <windows.h>
#include <commctrl.h>

#include <fstream>

#include "app/frame_window.h"
#include "app/places_win32.h"
#include "app/startup.h"
#include "app/tools/bookmarks_window_win32.h"
#include "app/view_host_win32.h"
#include "app/view_menu_win32.h"
#include "hexview/selection.h"
#include "resources/resource_ids.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

class RegionsTest : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        dialogs.leaveOpenWhen([](HWND window) { return window == shell.findDialog; });
        std::filesystem::create_directories(folder / "appdata");
        SetEnvironmentVariableW(L"APPDATA", (folder / "appdata").wstring().c_str());
        std::vector<std::uint8_t> bytes(256);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
        bytes[0] = 0x4D, bytes[1] = 0x5A, bytes[2] = 0x90, bytes[3] = 0x00;
        path = makeFile("regions.bin", bytes);
        ASSERT_NE(start(path.wstring()), nullptr);
    }
    void caretTo(std::int64_t offset) {
        Win32ViewHost host(shell.hexView);
        revealOffset(HexView{shell.doc, shell.view, host}, offset, CaretArea::hex);
    }
    ByteRange selected() {
        ByteRange range{-1, -1};
        selectedRange(shell.view, shell.doc, range);
        return range;
    }
    // Fills the dialog's edits and presses OK per attempt, then Cancel if it is still open.
    void answerDialog(std::vector<std::vector<std::pair<int, const wchar_t*>>> attempts) {
        dialogs.handleNextDialog([attempts](HWND dialog) {
            for (const auto& fields : attempts) {
                for (auto [id, text] : fields) SetDlgItemTextW(dialog, id, text);
                SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                if (!IsWindow(dialog)) return;
            }
            pressButton(dialog, IDCANCEL);
        });
    }
    std::filesystem::path path;
};

TEST_F(RegionsTest, SelectBlockSelectsAndBackAndForwardWalkItsJumps) {
    // Hex: 0x10 + 0x20 bytes, after a block past the end.
    answerDialog({{{IDC_BLOCK_START, L"F0"}, {IDC_BLOCK_LENGTH, L"20"}}, {{IDC_BLOCK_START, L"10"}}});
    press('E', {VK_CONTROL});
    ASSERT_EQ(dialogs.messageBoxes().size(), 1u);
    EXPECT_EQ(dialogs.messageBoxes()[0].text, L"Block\nF0, 20\nout of range!");
    EXPECT_TRUE(selected().begin == 0x10 && selected().end == 0x30);
    EXPECT_EQ(offsetOf(shell.view), 0x10);

    caretTo(0x80);  // not a jump: Back returns to where Select Block started
    press(VK_LEFT, {VK_MENU}, true);
    EXPECT_EQ(offsetOf(shell.view), 0);
    press(VK_RIGHT, {VK_MENU}, true);
    EXPECT_EQ(offsetOf(shell.view), 0x80);

    command(commandGoto);
    for (wchar_t c : std::wstring(L"44")) SendDlgItemMessageW(shell.findDialog, IDC_FIND_EDIT, WM_CHAR, c, 0);
    pressButton(shell.findDialog, IDOK);
    pump();
    ASSERT_EQ(offsetOf(shell.view), 0x44);
    DestroyWindow(shell.findDialog);
    press(VK_LEFT, {VK_MENU}, true);
    EXPECT_EQ(offsetOf(shell.view), 0x80);
    press(VK_END, {VK_CONTROL});
    press(VK_LEFT, {VK_MENU}, true);
    EXPECT_EQ(offsetOf(shell.view), 0x80);

    // A right-click inside the selection keeps it; outside, it moves the caret there first.
    const auto rightClick = [](std::int64_t offset) {
        const auto x = static_cast<int>(highCellOf[offset % 16 + 1] * shell.view.charWidth + 1);
        const auto y = static_cast<int>((offset / 16 - shell.view.topLine) * shell.view.lineHeight + 1);
        SendMessageW(shell.hexView, WM_RBUTTONDOWN, 0, MAKELPARAM(x, y));
    };
    Win32ViewHost host(shell.hexView);
    setSelection(HexView{shell.doc, shell.view, host}, 0x80, 0x8F);
    rightClick(0x85);
    EXPECT_EQ(selected().end, 0x90);
    rightClick(0x93);
    EXPECT_EQ(selected().end, -1);
    EXPECT_EQ(offsetOf(shell.view), 0x93);

    // The view's menu: each item as available as in the main menu (no selection: no fill).
    putClipboardText(L"01");
    HMENU menu = buildViewMenu();
    std::vector<UINT> ids;  // 0: the Copy As submenu
    std::wstring grayed;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        if (!(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR)) {
            ids.push_back(GetMenuItemID(menu, i) == UINT(-1) ? 0 : GetMenuItemID(menu, i));
            grayed += GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED ? L'x' : L'-';
        }
    EXPECT_EQ(ids,
              (std::vector<UINT>{IDM_EDIT_COPY, 0, IDM_EDIT_PASTE, IDM_EDIT_SELECT_ALL, IDM_EDIT_SELECT_BLOCK,
                                 IDM_EDIT_FILL_SELECTION, IDM_SEARCH_TOGGLE_BOOKMARK}));
    EXPECT_EQ(grayed, L"-----x-");
    DestroyMenu(menu);
}

TEST_F(RegionsTest, FillSelectionAsksAgainOnOddDigitsAndCopyAsPutsEachText) {
    Win32ViewHost host(shell.hexView);
    setSelection(HexView{shell.doc, shell.view, host}, 0, 3);
    command(commandCopyAsHex);
    EXPECT_EQ(clipboardText(), L"4D5A9000");
    command(commandCopyAsCArray);
    EXPECT_EQ(clipboardText(), L"unsigned char data[4] = {\r\n    0x4D, 0x5A, 0x90, 0x00\r\n};");
    command(commandCopyAsBase64);
    EXPECT_EQ(clipboardText(), L"TVqQAA==");

    setSelection(HexView{shell.doc, shell.view, host}, 4, 11);
    answerDialog({{{IDC_FILL_PATTERN, L"AB C"}}, {{IDC_FILL_PATTERN, L"AB CD EF"}}});
    command(commandFillSelection);
    ASSERT_EQ(dialogs.messageBoxes().size(), 1u);
    EXPECT_EQ(dialogs.messageBoxes()[0].text, L"Hexadecimal number must have even number of digits!");
    const std::vector<std::uint8_t> filled(shell.doc.fileBytes + 2, shell.doc.fileBytes + 14);
    EXPECT_EQ(filled, (std::vector<std::uint8_t>{0x90, 0x00, 0xAB, 0xCD, 0xEF, 0xAB, 0xCD, 0xEF, 0xAB, 0xCD,
                                                 12, 13}));  // one step and its undo: the core's fill test
}

TEST_F(RegionsTest, BookmarksOutliveARestartAndADamagedStoreIsNamed) {
    caretTo(0x30);
    press('B', {VK_CONTROL});
    caretTo(0x10);
    press('B', {VK_CONTROL});
    restart(path.wstring());
    std::vector<std::int64_t> visited;  // from the start, around and back
    for (int held : {0, 0, 0, VK_SHIFT}) press(VK_F2, {held}), visited.push_back(offsetOf(shell.view));
    EXPECT_EQ(visited, (std::vector<std::int64_t>{0x10, 0x30, 0x10, 0x30}));

    command(commandBookmarks);
    HWND list = GetDlgItem(bookmarksWindow(), IDC_BOOKMARKS_LIST);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
    // The list's keys, sent to it (under Wine the keyboard may still be on its way there).
    ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    press(VK_RETURN, {}, false, list);  // Enter goes to the row's bookmark; Ctrl+C copies the row
    EXPECT_EQ(offsetOf(shell.view), 0x30);
    press('C', {VK_CONTROL}, false, list);
    EXPECT_EQ(clipboardText(), L"00000030\t30 31 32 33 34 35 36 37");
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    press(VK_DELETE, {}, false, list);  // the bookmark at 0x10 goes, and its store line with it
    EXPECT_EQ(places.marks.offsets, std::vector<std::int64_t>{0x30});
    restart(path.wstring());
    EXPECT_EQ(places.marks.offsets, std::vector<std::int64_t>{0x30});

    const auto copy = folder / "copy.bin";
    dialogs.handleNextDialog([copy](HWND dialog) {
        SetDlgItemTextW(dialog, 1148, copy.wstring().c_str());  // the name field (cmb13 under Wine)
        pressButton(dialog, IDOK);
    });
    command(commandSaveAs);
    ASSERT_EQ(std::wstring(shell.doc.filePath), copy.wstring());
    path = copy;
    restart(path.wstring());
    EXPECT_EQ(places.marks.offsets, std::vector<std::int64_t>{0x30});

    std::ofstream(std::filesystem::path(bookmarkStorePath(shell.doc.filePath)), std::ios::binary)
        << "not a store";
    restart(path.wstring());
    EXPECT_EQ(statusText(0), L"Bookmarks of " + path.wstring() + L" could not be read");
    press(VK_F2);
    EXPECT_EQ(offsetOf(shell.view), 0);
}

}  // namespace
}  // namespace quillix::test
