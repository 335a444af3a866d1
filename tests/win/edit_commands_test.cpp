// The shortcut keys, selection, Copy and Paste under Wine: keys go through the program's
// own message routing with the keyboard state set as a user holding Ctrl or Shift would
// leave it, and the clipboard is the real one, read and written here with the system's
// calls.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "app/frame_window.h"
#include "app/clipboard_win32.h"
#include "app/view_host_win32.h"
#include "support/shell_fixture.h"
#include "support/stepping_clock.h"

namespace quillix::test {
namespace {

class EditCommandsTest : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        dialogs.leaveOpenWhen([](HWND window) { return window == shell.findDialog; });
    }
    void TearDown() override {
        holdKeys({});
        ShellFixture::TearDown();
    }
    std::filesystem::path openFile(const std::vector<std::uint8_t>& bytes) {
        auto path = makeFile("edit.bin", bytes);
        EXPECT_NE(start(path.wstring()), nullptr);
        return path;
    }
    // The modifier keys the thread's keyboard state shows as held down.
    static void holdKeys(std::initializer_list<int> keys) {
        BYTE state[256] = {};
        for (int key : keys) state[key] = 0x80;
        SetKeyboardState(state);
    }
    // A key pressed while the given modifiers are held: posted to the window with the
    // keyboard focus, then routed like any queued message.
    void press(UINT key, std::initializer_list<int> modifiers = {}) {
        holdKeys(modifiers);
        HWND target = GetFocus() ? GetFocus() : shell.frame;
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
        PostMessageW(target, WM_KEYDOWN, key, scan | 1);
        pump();
        holdKeys({});
    }
    void ctrl(UINT key) { press(key, {VK_CONTROL, VK_LCONTROL}); }
    // Alt held: the system sends WM_SYSKEYDOWN, and lParam says Alt is down.
    void alt(UINT key) {
        holdKeys({VK_MENU, VK_LMENU});
        HWND target = GetFocus() ? GetFocus() : shell.frame;
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
        PostMessageW(target, WM_SYSKEYDOWN, key, scan | 1 | (LPARAM{1} << 29));
        pump();
        holdKeys({});
    }
    void shift(UINT key) { press(key, {VK_SHIFT, VK_LSHIFT}); }

    static std::wstring clipboardText() {
        if (!OpenClipboard(nullptr)) return L"(cannot open)";
        std::wstring text = L"(none)";
        if (HANDLE memory = GetClipboardData(CF_UNICODETEXT)) {
            text = static_cast<const wchar_t*>(GlobalLock(memory));
            GlobalUnlock(memory);
        }
        CloseClipboard();
        return text;
    }
    std::vector<std::uint8_t> viewBytes() const {
        return std::vector<std::uint8_t>(shell.doc.fileBytes, shell.doc.fileBytes + shell.doc.fileSize);
    }
    // Into the character area, on byte column 1 of view row 0.
    void clickCharacterArea() {
        SendMessageW(shell.hexView, WM_LBUTTONDOWN, 0, MAKELPARAM(50 * shell.view.charWidth + 1, 1));
        SendMessageW(shell.hexView, WM_LBUTTONUP, 0, MAKELPARAM(50 * shell.view.charWidth + 1, 1));
        pump();
    }
};

TEST_F(EditCommandsTest, ShortcutsRunTheirCommandsAndNeverTypeIntoTheCharacterArea) {
    const std::vector<std::uint8_t> bytes = {0x30, 0x31, 0x32, 0x33};
    auto path = openFile(bytes);
    clickCharacterArea();
    SendMessageW(shell.hexView, WM_CHAR, L'A', 0);
    pump();
    ctrl('S');  // saves: the typed A reaches the file, and no 0x13 anywhere
    EXPECT_EQ(fileBytes(path), (std::vector<std::uint8_t>{0x41, 0x31, 0x32, 0x33}));
    EXPECT_EQ(viewBytes(), fileBytes(path));
    EXPECT_EQ(shell.doc.isModified, 0);
    ctrl('C');  // the byte under the caret, as its character
    EXPECT_EQ(clipboardText(), L"1");
    ctrl('A');
    EXPECT_EQ(statusText(0), L"Selection: 00000000-00000003, 4 bytes");
    for (int command : {commandGoto, commandFind, commandReplace}) {
        ctrl(command == commandGoto ? 'G' : command == commandFind ? 'F' : 'H');
        ASSERT_NE(shell.findDialog, nullptr);
        EXPECT_EQ(shell.findDialogCommand, command);
        pressButton(shell.findDialog, IDCANCEL);
        pump();
        SetFocus(shell.hexView);
    }
    EXPECT_EQ(viewBytes(), fileBytes(path));

    // A control character without a shortcut is typed as ever: Ctrl+D is 0x04.
    clickCharacterArea();
    ctrl('D');
    EXPECT_EQ(shell.doc.fileBytes[0], 0x04);
    EXPECT_TRUE(dialogs.messageBoxes().empty());
}

TEST_F(EditCommandsTest, CtrlVInsideTheFindEditIsTheEditsOwnAndGetsTheFiltersBox) {
    openFile({1, 2, 3, 4});
    putClipboardText(L"01 02");
    SendMessageW(shell.frame, WM_COMMAND, commandFind, 0);
    pump();
    ASSERT_NE(shell.findDialog, nullptr);
    SetFocus(GetDlgItem(shell.findDialog, 1152));
    ctrl('V');
    const auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Hexadecimal numbers have to be between a-f or 0-9!");
    EXPECT_EQ(boxes[0].caption, L"Quillix");
    EXPECT_EQ(viewBytes(), (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(shell.doc.isModified, 0);
}

TEST_F(EditCommandsTest, ShiftArrowsSelectCopyReachesTheClipboardAndPastesBack) {
    auto path = openFile({0x4D, 0x5A, 0x90, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66});
    for (int i = 0; i < 3; ++i) shift(VK_RIGHT);
    EXPECT_EQ(statusText(0), L"Selection: 00000000-00000003, 4 bytes");
    ctrl('C');
    EXPECT_EQ(clipboardText(), L"4D 5A 90 00");
    EXPECT_TRUE(IsClipboardFormatAvailable(bytesClipboardFormat()));

    // A plain key drops the selection; Shift+Insert pastes at the caret, exactly.
    press(VK_RIGHT);  // offset 4
    press(VK_RIGHT);
    EXPECT_EQ(statusText(0), L"Ready");
    shift(VK_INSERT);
    EXPECT_EQ(viewBytes(),
              (std::vector<std::uint8_t>{0x4D, 0x5A, 0x90, 0x00, 0x11, 0x4D, 0x5A, 0x90, 0x00, 0x66}));
    EXPECT_EQ(statusText(1), L"Offset: 00000009");
    EXPECT_EQ(shell.doc.isModified, 1);
    // The pasted bytes are saved like typed ones.
    ctrl('S');
    EXPECT_EQ(fileBytes(path), viewBytes());

    // Text from another program, in the hex area.
    putClipboardText(L"de ad");
    press(VK_HOME);
    ctrl('V');
    EXPECT_EQ(shell.doc.fileBytes[0], 0xDE);
    EXPECT_EQ(shell.doc.fileBytes[1], 0xAD);
    EXPECT_TRUE(dialogs.messageBoxes().empty());
}

TEST_F(EditCommandsTest, APasteThatWouldRunPastTheEndOrIntoAReadOnlyFileGetsItsBox) {
    auto path = openFile(std::vector<std::uint8_t>(20, 0x77));
    putClipboardText(L"01 02 03 04 05");
    press(VK_END);  // offset 19: one byte left
    press(VK_LEFT);
    ctrl('V');
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              L"The clipboard holds 5 bytes, but only 2 fit from offset 00000012 to the end of the file.\n"
              L"Nothing was pasted.");
    EXPECT_EQ(boxes[0].caption, L"Quillix-64bit");
    EXPECT_EQ(boxes[0].icon, BoxIcon::warning);
    EXPECT_EQ(viewBytes(), std::vector<std::uint8_t>(20, 0x77));

    dialogs.clear();
    SetFileAttributesW(path.wstring().c_str(), FILE_ATTRIBUTE_READONLY);
    press(VK_HOME);
    ctrl('V');
    boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"File [" + path.wstring() + L"] is read only!");
    EXPECT_EQ(viewBytes(), std::vector<std::uint8_t>(20, 0x77));
    EXPECT_EQ(shell.doc.isModified, 0);
    SetFileAttributesW(path.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Keys typed while a paste runs are the paste's: "9999aaaa" and then Escape stop it, what
// went in by then is one step, and none of the keys is typed into the document.
TEST_F(EditCommandsTest, KeysTypedDuringALongPasteAreDroppedAndEscapeKeepsWhatWentInAsOneStep) {
    openFile(std::vector<std::uint8_t>(3 * pasteChunkBytes));
    putClipboardText(std::wstring(2 * pasteChunkBytes, L'A'));
    clickCharacterArea();
    SteppingClock::install(shell.hexView, 5, L"9999aaaa");
    SendMessageW(shell.frame, WM_COMMAND, commandPaste, 0);
    pump();
    EXPECT_EQ(SteppingClock::statusAtEscape().rfind(L"Pasting\u2026 ", 0), 0u) << SteppingClock::statusAtEscape();
    EXPECT_EQ(statusText(0), L"Paste stopped");
    const std::vector<std::uint8_t> bytes = viewBytes();
    const auto end = std::find_if(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 'A'; }) - bytes.begin();
    EXPECT_GT(end, 0);
    EXPECT_LT(end, 2 * pasteChunkBytes);
    EXPECT_EQ(std::count(bytes.begin() + end, bytes.end(), 0), bytes.end() - bytes.begin() - end);
    EXPECT_EQ(shell.doc.isModified, 1);
    ctrl('Z');
    EXPECT_EQ(std::count(shell.doc.fileBytes, shell.doc.fileBytes + shell.doc.fileSize, 0), shell.doc.fileSize);
    EXPECT_EQ(shell.doc.isModified, 0);
    EXPECT_TRUE(dialogs.messageBoxes().empty());
}

TEST_F(EditCommandsTest, EditItemsAreGrayedWhenTheyCannotAct) {
    ASSERT_NE(start(L""), nullptr);
    putClipboardText(L"00");
    const auto menuOpens = [] {
        SendMessageW(shell.frame, WM_INITMENUPOPUP,
                     reinterpret_cast<WPARAM>(GetSubMenu(GetMenu(shell.frame), 1)), 1);
    };
    const auto grayed = [&](int command) { return (menuState(command) & MF_GRAYED) != 0; };
    menuOpens();
    EXPECT_TRUE(grayed(commandCopy) && grayed(commandPaste) && grayed(commandSelectAll));

    SystemError cause = 0;
    Win32ViewHost host(shell.hexView);
    ASSERT_EQ(
        openDocument(shell.doc, shell.view, host, makeFile("menu.bin", {1, 2}).wstring().c_str(), cause), 1);
    enableDocumentCommands(true);
    EXPECT_FALSE(grayed(commandCopy) || grayed(commandPaste) || grayed(commandSelectAll));
    // Nothing usable on the clipboard: Paste is grayed as its shortcut is pressed.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    SetFocus(shell.hexView);
    ctrl('V');
    EXPECT_TRUE(grayed(commandPaste));
    // On the EOF position with nothing selected there is nothing to copy.
    press(VK_END);
    press(VK_RIGHT);
    menuOpens();
    EXPECT_TRUE(grayed(commandCopy));
    EXPECT_FALSE(grayed(commandSelectAll));
    EXPECT_TRUE(dialogs.messageBoxes().empty());
}

TEST_F(EditCommandsTest, F3RepeatsTheLastFindNextWithoutTheDialog) {
    openFile({0x00, 0xAB, 0x00, 0xAB, 0x00, 0xAB});
    press(VK_F3);  // no search yet: Find opens
    ASSERT_NE(shell.findDialog, nullptr);
    SetDlgItemTextW(shell.findDialog, 1152, L"AB");
    pressButton(shell.findDialog, IDOK);
    pump();
    EXPECT_EQ(shell.view.searchPos, 1);
    pressButton(shell.findDialog, IDCANCEL);
    pump();
    ASSERT_EQ(shell.findDialog, nullptr);
    SetFocus(shell.hexView);
    press(VK_F3);
    EXPECT_EQ(shell.view.searchPos, 3);
    press(VK_F3);
    EXPECT_EQ(shell.view.searchPos, 5);
    shift(VK_F3);
    EXPECT_EQ(shell.view.searchPos, 3);
    EXPECT_EQ(statusText(1), L"Offset: 00000003");
    press(VK_F3);
    press(VK_F3);  // past the last hit: the miss is reported as Find Next reports it
    const auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Hex value\nAB\nnot found!");
}

// The boxes without an owner (the refusals of pasted and of searched text) and the Alt
// shortcuts leave the keyboard where it was: afterwards typing and Ctrl+S still work.
TEST_F(EditCommandsTest, AfterABoxOrAnAltShortcutTheKeyboardIsWhereItWas) {
    auto path = openFile({0x30, 0x31, 0x32, 0x33});
    putClipboardText(L"xyz");
    ctrl('V');
    EXPECT_EQ(dialogs.messageBoxes().at(0).owner, nullptr);
    EXPECT_EQ(GetFocus(), shell.hexView);
    ctrl('F');
    HWND field = GetDlgItem(shell.findDialog, 1152);
    SetFocus(field);
    SetWindowTextW(field, L"ABC");
    pressButton(shell.findDialog, IDOK);
    pump();
    EXPECT_EQ(dialogs.messageBoxes().at(1).text, L"Hexadecimal number must have even number of digits!");
    EXPECT_EQ(GetFocus(), field);
    pressButton(shell.findDialog, IDCANCEL);
    pump();

    // Alt+Backspace, Alt let go first, then "e": no menu waits for a letter (Escapes would close it).
    SetFocus(shell.hexView);
    PostMessageW(shell.hexView, WM_CHAR, L'7', 1);
    const LPARAM altDown = LPARAM{1} << 29, keyUp = (LPARAM{3} << 30) | 1;
    holdKeys({VK_MENU, VK_LMENU});
    PostMessageW(shell.hexView, WM_SYSKEYDOWN, VK_MENU, altDown | (0x38 << 16) | 1);
    PostMessageW(shell.hexView, WM_SYSKEYDOWN, VK_BACK, altDown | (0x0E << 16) | 1);
    pump();
    holdKeys({});
    EXPECT_EQ(shell.doc.fileBytes[0], 0x30) << "Alt+Backspace undid the 7";
    PostMessageW(shell.hexView, WM_SYSKEYUP, VK_MENU, altDown | keyUp | (0x38 << 16));
    PostMessageW(shell.hexView, WM_KEYUP, VK_BACK, keyUp | (0x0E << 16));
    PostMessageW(shell.hexView, WM_CHAR, L'e', 1);
    for (int i = 0; i < 3; ++i) PostMessageW(shell.hexView, WM_KEYDOWN, VK_ESCAPE, 1);
    pump();
    ctrl('S');
    EXPECT_EQ(fileBytes(path), (std::vector<std::uint8_t>{0xE0, 0x31, 0x32, 0x33}));
}

}  // namespace
}  // namespace quillix::test

namespace quillix::test {
namespace {

// Typing, then Ctrl+Z, Alt+Backspace and Ctrl+Y (and Ctrl+Shift+Z) through the program's
// message routing: the bytes go back and forth, never into the file, the menu items gray
// and enable with the history, and undoing back to the saved bytes asks no close question.
TEST_F(EditCommandsTest, UndoAndRedoShortcutsMoveOverTheEditsAndTheSavedState) {
    const std::vector<std::uint8_t> bytes = {0x30, 0x31, 0x32, 0x33};
    auto path = openFile(bytes);
    const auto menuOpens = [] {
        SendMessageW(shell.frame, WM_INITMENUPOPUP,
                     reinterpret_cast<WPARAM>(GetSubMenu(GetMenu(shell.frame), 1)), 1);
    };
    const auto grayed = [&](int command) { return (menuState(command) & MF_GRAYED) != 0; };
    menuOpens();
    EXPECT_TRUE(grayed(commandUndo) && grayed(commandRedo));

    clickCharacterArea();
    ctrl('Z');  // nothing to undo: no 0x1A typed either
    EXPECT_EQ(viewBytes(), bytes);
    SendMessageW(shell.hexView, WM_CHAR, L'A', 0);
    SendMessageW(shell.hexView, WM_CHAR, L'B', 0);
    pump();
    EXPECT_EQ(viewBytes(), (std::vector<std::uint8_t>{0x41, 0x42, 0x32, 0x33}));
    menuOpens();
    EXPECT_FALSE(grayed(commandUndo));
    EXPECT_TRUE(grayed(commandRedo));

    ctrl('Z');
    EXPECT_EQ(viewBytes(), (std::vector<std::uint8_t>{0x41, 0x31, 0x32, 0x33}));
    EXPECT_EQ(offsetOf(shell.view), 1);  // the caret on the undone byte, in the character area
    EXPECT_TRUE(inCharArea(shell.view.caretCell));
    alt(VK_BACK);
    EXPECT_EQ(viewBytes(), bytes);
    EXPECT_EQ(shell.doc.isModified, 0);
    EXPECT_EQ(fileBytes(path), bytes);
    menuOpens();
    EXPECT_TRUE(grayed(commandUndo));
    EXPECT_FALSE(grayed(commandRedo));

    ctrl('Y');
    press('Z', {VK_CONTROL, VK_LCONTROL, VK_SHIFT, VK_LSHIFT});
    EXPECT_EQ(viewBytes(), (std::vector<std::uint8_t>{0x41, 0x42, 0x32, 0x33}));
    EXPECT_EQ(shell.doc.isModified, 1);
    EXPECT_EQ(fileBytes(path), bytes);  // only Save writes the file

    ctrl('S');
    EXPECT_EQ(fileBytes(path), viewBytes());
    ctrl('Z');  // behind the save: modified again, the file as saved
    EXPECT_EQ(shell.doc.isModified, 1);
    EXPECT_EQ(fileBytes(path), (std::vector<std::uint8_t>{0x41, 0x42, 0x32, 0x33}));
    ctrl('Y');  // back on the saved state: closing asks nothing
    EXPECT_EQ(shell.doc.isModified, 0);
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    SendMessageW(shell.frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_FALSE(IsWindow(shell.frame));
}

}  // namespace
}  // namespace quillix::test
