// The Find and Goto dialogs under Wine: the real common find dialog with our templates,
// driven through its controls; searches run through the frame's notification.

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "app/frame_window.h"
#include "support/shell_fixture.h"
#include "support/stepping_clock.h"

namespace quillix::test {
namespace {

constexpr int editId = 1152;

// Where the view, the caret and the match are, and where the next search starts.
auto placeOf(const ViewState& view) {
    return std::make_tuple(view.topLine, view.caretRow, view.caretCell, view.byteColumn, view.searchPos,
                           view.matchStart, view.matchLength, view.matchVisible);
}

class FindDialogTest : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        dialogs.leaveOpenWhen([](HWND window) { return window == shell.findDialog; });
    }
    void openDocument(std::vector<std::uint8_t> bytes) {
        auto path = makeFile("find.bin", bytes);
        ASSERT_NE(start(path.wstring()), nullptr);
    }
    HWND openDialog(int command) {
        SendMessageW(shell.frame, WM_COMMAND, command, 0);
        pump();
        return shell.findDialog;
    }
    HWND control(int id) { return GetDlgItem(shell.findDialog, id); }
    std::wstring editText() {
        wchar_t text[300] = {};
        GetDlgItemTextW(shell.findDialog, editId, text, 300);
        return text;
    }
    bool isChecked(int id) { return IsDlgButtonChecked(shell.findDialog, id) == BST_CHECKED; }
    LRESULT limit() { return SendMessageW(control(editId), EM_GETLIMITTEXT, 0, 0); }
    // Types characters one by one, as the keyboard would deliver them to the edit.
    void type(const std::wstring& text) {
        for (wchar_t c : text) SendMessageW(control(editId), WM_CHAR, c, 0);
        pump();
    }
    // A click on a mode button: it takes the focus, then it is checked.
    void click(int id) {
        SendMessageW(control(id), BM_CLICK, 0, 0);
        pump();
    }
    void pressDefault() {
        pressButton(shell.findDialog, IDOK);
        pump();
    }
};

TEST_F(FindDialogTest, FindOpensEmptyInHexModeSearchingDown) {
    openDocument({1, 2, 3});
    ASSERT_NE(openDialog(commandFind), nullptr);
    EXPECT_TRUE(IsWindowVisible(shell.findDialog));
    EXPECT_EQ(GetWindow(shell.findDialog, GW_OWNER), shell.frame);
    wchar_t caption[32] = {};
    GetWindowTextW(shell.findDialog, caption, 32);
    EXPECT_STREQ(caption, L"Find");
    EXPECT_EQ(editText(), L"");
    EXPECT_TRUE(isChecked(1018));
    EXPECT_FALSE(isChecked(1019));
    EXPECT_TRUE(isChecked(1057));
    EXPECT_FALSE(isChecked(1056));
    EXPECT_FALSE(IsWindowVisible(control(1041)));
    EXPECT_FALSE(isChecked(1041));
    EXPECT_FALSE(IsWindowEnabled(control(IDOK)));  // nothing to find yet
    EXPECT_EQ(limit(), 100);
}

TEST_F(FindDialogTest, TheHexFilterRefusesOtherCharactersAndKeepsTheText) {
    openDocument({1, 2, 3});
    ASSERT_NE(openDialog(commandFind), nullptr);
    type(L"4a");
    for (wchar_t refused : {L'G', L' ', L'-', wchar_t{0x16}}) {
        dialogs.clear();
        type(std::wstring(1, refused));
        auto boxes = dialogs.messageBoxes();
        ASSERT_EQ(boxes.size(), 1u) << int(refused);
        EXPECT_EQ(boxes[0].text, L"Hexadecimal numbers have to be between a-f or 0-9!");
        EXPECT_EQ(boxes[0].caption, L"Quillix");
        EXPECT_EQ(boxes[0].owner, nullptr);
        EXPECT_EQ(boxes[0].icon, BoxIcon::warning);
        EXPECT_EQ(editText(), L"4a");
    }
    dialogs.clear();
    type(L"\bF");
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_EQ(editText(), L"4F");
    EXPECT_TRUE(IsWindowEnabled(control(IDOK)));
    EXPECT_EQ(SendMessageW(control(editId), WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTCHARS);
}

TEST_F(FindDialogTest, SwitchingModesClearsTheTextAndChangesTheLimit) {
    openDocument({1, 2, 3});
    ASSERT_NE(openDialog(commandFind), nullptr);
    type(L"0102");
    click(1019);
    EXPECT_TRUE(isChecked(1019));
    EXPECT_EQ(editText(), L"");
    EXPECT_EQ(limit(), 20);
    EXPECT_TRUE(IsWindowVisible(control(1041)));
    dialogs.clear();
    type(L"any text: G-!");
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_EQ(editText(), L"any text: G-!");
    click(1018);
    EXPECT_EQ(editText(), L"");
    EXPECT_EQ(limit(), 100);
    EXPECT_FALSE(IsWindowVisible(control(1041)));
    // A mode button clicked while already checked keeps the text.
    type(L"ab");
    click(1018);
    EXPECT_EQ(editText(), L"ab");
}

TEST_F(FindDialogTest, GotoTakesEightHexOrTenDecimalDigits) {
    openDocument(std::vector<std::uint8_t>(600, 0));
    ASSERT_NE(openDialog(commandGoto), nullptr);
    wchar_t caption[32] = {};
    GetWindowTextW(shell.findDialog, caption, 32);
    EXPECT_STREQ(caption, L"Goto");
    EXPECT_TRUE(isChecked(1021));
    EXPECT_EQ(limit(), 8);
    type(L"1f");
    click(1022);
    EXPECT_EQ(editText(), L"");
    EXPECT_EQ(limit(), 10);
    type(L"25a");
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Decimal numbers can only be 0-9!");
    EXPECT_EQ(boxes[0].caption, L"Quillix");
    EXPECT_EQ(editText(), L"25");
    click(1021);
    EXPECT_EQ(editText(), L"");
    EXPECT_EQ(limit(), 8);
}

TEST_F(FindDialogTest, PastedTextTheFilterWouldRefuseGetsItsBoxAndNothingMoves) {
    openDocument(std::vector<std::uint8_t>(64, 0));  // read as digits, the junk would find byte 00
    const std::wstring hexBox = L"Hexadecimal numbers have to be between a-f or 0-9!";
    const std::wstring decimalBox = L"Decimal numbers can only be 0-9!";
    struct Case {
        int command, mode;  // mode 0: the dialog's first mode
        const wchar_t* pasted;
        const std::wstring& box;
    };
    const Case cases[] = {{commandFind, 0, L"zz", hexBox},         {commandFind, 0, L"0 1", hexBox},
                          {commandGoto, 0, L"zz", hexBox},         {commandGoto, 0, L"-1", hexBox},
                          {commandGoto, 1022, L"12a", decimalBox}, {commandGoto, 1022, L"+5", decimalBox}};
    for (const Case& c : cases) {
        ASSERT_NE(openDialog(c.command), nullptr);
        if (c.mode) click(c.mode);
        // A paste puts the text in without a single WM_CHAR for the filter to see.
        SendMessageW(control(editId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.pasted));
        const auto before = placeOf(shell.view);
        dialogs.clear();
        pressDefault();
        auto boxes = dialogs.messageBoxes();
        ASSERT_EQ(boxes.size(), 1u) << c.pasted;
        EXPECT_EQ(boxes[0].text, c.box) << c.pasted;
        EXPECT_EQ(boxes[0].caption, L"Quillix") << c.pasted;
        EXPECT_EQ(boxes[0].owner, nullptr) << c.pasted;
        EXPECT_EQ(boxes[0].icon, BoxIcon::warning) << c.pasted;
        EXPECT_EQ(placeOf(shell.view), before) << c.pasted;
        EXPECT_EQ(statusText(1), L"Offset: 00000000") << c.pasted;
    }
}

TEST_F(FindDialogTest, ALongSearchShowsItsProgressAndEscapeStopsItWithNothingMoved) {
    auto path = folder / "big.bin";
    { std::ofstream create(path, std::ios::binary); }
    std::filesystem::resize_file(path, std::uintmax_t{512} << 20);  // zeros that take no disk
    ASSERT_NE(start(path.wstring()), nullptr);
    ASSERT_NE(openDialog(commandFind), nullptr);
    type(L"01");
    // Escape pressed in the dialog, then in the hex view.
    for (HWND target : {control(editId), shell.hexView}) {
        SteppingClock::install(target, 4);
        const auto before = placeOf(shell.view);
        dialogs.clear();
        pressDefault();
        const std::wstring progress = SteppingClock::statusAtEscape();
        EXPECT_EQ(progress.rfind(L"Searching\u2026 ", 0), 0u) << progress;
        EXPECT_EQ(progress.substr(progress.size() - 2), L" %") << progress;
        EXPECT_EQ(statusText(0), L"Search stopped");
        EXPECT_TRUE(dialogs.messageBoxes().empty());  // no "not found": it never got that far
        EXPECT_EQ(placeOf(shell.view), before);
        EXPECT_TRUE(IsWindow(shell.findDialog));  // the Escape was the search's, not the dialog's
    }
    // The note stays until the next key in the view.
    SendMessageW(shell.hexView, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(statusText(0), L"Ready");
}

TEST_F(FindDialogTest, FindNextHighlightsTheHitAndMovesTheCaret) {
    std::vector<std::uint8_t> bytes(200, 0);
    bytes[0x35] = 0xAB;
    bytes[0x36] = 0xCD;
    openDocument(bytes);
    ASSERT_NE(openDialog(commandFind), nullptr);
    type(L"abcd");
    pressDefault();
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_EQ(shell.view.matchVisible, 1);
    EXPECT_EQ(shell.view.matchStart, 0x35);
    EXPECT_EQ(shell.view.matchLength, 2);
    EXPECT_EQ(shell.view.caretCell, 22);  // byte 5's high nibble
    EXPECT_EQ(statusText(1), L"Offset: 00000035");
    EXPECT_NE(shell.findDialog, nullptr);  // it stays open

    // The next Find Next misses: the box names the text, the dialog keeps it.
    pressDefault();
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Hex value\nabcd\nnot found!");
    EXPECT_EQ(boxes[0].caption, L"Quillix-64bit");
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(editText(), L"abcd");
}

TEST_F(FindDialogTest, TextSearchPutsTheCaretOnTheCharacter) {
    std::vector<std::uint8_t> bytes(64, '.');
    bytes[40] = 'Q';
    bytes[41] = 'x';
    openDocument(bytes);
    ASSERT_NE(openDialog(commandFind), nullptr);
    click(1019);
    type(L"qX");
    pressDefault();
    EXPECT_EQ(shell.view.matchStart, 40);
    EXPECT_EQ(shell.view.caretCell, 50 + 8);
    click(1041);  // Match case: the same text no longer matches
    EXPECT_TRUE(isChecked(1041));
    shell.view.searchPos = -1;
    dialogs.clear();
    pressDefault();
    ASSERT_EQ(dialogs.messageBoxes().size(), 1u);
    EXPECT_EQ(dialogs.messageBoxes()[0].text, L"Ascii string\n\"qX\"\nnot found!");
}

TEST_F(FindDialogTest, GoMovesTheViewAndOutOfRangeIsReported) {
    openDocument(std::vector<std::uint8_t>(4000, 7));
    ASSERT_NE(openDialog(commandGoto), nullptr);
    type(L"C80");  // row 200
    pressDefault();
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_EQ(shell.view.topLine, 200);
    EXPECT_EQ(shell.view.caretRow, 0);
    EXPECT_EQ(shell.view.matchLength, 1);
    SCROLLINFO info{sizeof info, SIF_POS};
    GetScrollInfo(shell.hexView, SB_VERT, &info);
    EXPECT_EQ(info.nPos, 200);

    click(1022);
    type(L"4000");
    pressDefault();
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Decimal offset\n4000\nout of range!");
    EXPECT_EQ(shell.view.topLine, 200);
}

TEST_F(FindDialogTest, CancelAndEscapeCloseTheDialogAndForgetIt) {
    openDocument({1, 2, 3});
    ASSERT_NE(openDialog(commandFind), nullptr);
    pressButton(shell.findDialog, IDCANCEL);
    pump();
    EXPECT_EQ(shell.findDialog, nullptr);

    HWND dialog = openDialog(commandGoto);
    ASSERT_NE(dialog, nullptr);
    // Escape in the edit reaches the dialog through the message loop.
    PostMessageW(control(editId), WM_KEYDOWN, VK_ESCAPE, 0);
    pump();
    EXPECT_EQ(shell.findDialog, nullptr);
    EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(FindDialogTest, ThereIsNeverASecondDialog) {
    openDocument({1, 2, 3});
    HWND find = openDialog(commandFind);
    ASSERT_NE(find, nullptr);
    type(L"01");
    EXPECT_EQ(openDialog(commandFind), find);  // the same one, brought forward
    EXPECT_EQ(editText(), L"01");
    HWND go = openDialog(commandGoto);
    ASSERT_NE(go, nullptr);
    EXPECT_NE(go, find);
    EXPECT_FALSE(IsWindow(find));
    EXPECT_TRUE(isChecked(1021));
    pressButton(go, IDCANCEL);
    pump();
    EXPECT_EQ(shell.findDialog, nullptr);
}

}  // namespace
}  // namespace quillix::test
