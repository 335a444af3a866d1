// Comparing with another file through the real window under Wine: Ctrl+K and its dialog,
// the second pane's colours and outline, the counts in the status bar through an edit,
// Alt+Down and Alt+Up, the other file changed behind the program's back, and closing.

#include <windows.h>

#include <chrono>
#include <fstream>
#include <string>

#include "app/compare_pane_win32.h"
#include "app/frame_window.h"
#include "app/outside_watch_win32.h"
#include "document/file/file_system.h"
#include "support/shell_fixture.h"
#include "tests/core/cut_file.h"

namespace quillix::test {
namespace {

constexpr int fileNameField = 1148;

class ComparisonTest : public ShellFixture {
protected:
    // 40 bytes; the other file differs at 3..4 and 20 and is two bytes longer.
    void openPair() {
        std::vector<std::uint8_t> mine(40);
        for (std::size_t i = 0; i < mine.size(); ++i) mine[i] = static_cast<std::uint8_t>(0x40 + i);
        std::vector<std::uint8_t> theirs = mine;
        theirs[3] = theirs[4] = theirs[20] = 0x00;
        theirs.push_back(1);
        theirs.push_back(2);
        ASSERT_NE(start(makeFile("mine.bin", mine).wstring()), nullptr);
        other = makeFile("theirs.bin", theirs);
    }
    void chooseInNextDialog(const std::filesystem::path& path) {
        dialogs.handleNextDialog([path](HWND dialog) {
            SetDlgItemTextW(dialog, fileNameField, path.wstring().c_str());
            pressButton(dialog, IDOK);
        });
    }
    static void holdKeys(std::initializer_list<int> keys) {
        BYTE state[256] = {};
        for (int key : keys) state[key] = 0x80;
        SetKeyboardState(state);
    }
    // A key with Ctrl or Alt held, posted to the focus and routed as the loop routes it;
    // Alt is let go afterwards, as the user's hand does.
    void press(UINT key, bool alt) {
        holdKeys(alt ? std::initializer_list<int>{VK_MENU, VK_LMENU} : std::initializer_list<int>{VK_CONTROL});
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
        const LPARAM altDown = LPARAM{1} << 29, keyUp = (LPARAM{3} << 30) | 1;
        if (alt) PostMessageW(GetFocus(), WM_SYSKEYDOWN, VK_MENU, altDown | (0x38 << 16) | 1);
        PostMessageW(GetFocus(), alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, scan | 1 | (alt ? altDown : 0));
        pump();
        holdKeys({});
        if (alt) PostMessageW(GetFocus(), WM_SYSKEYUP, VK_MENU, altDown | keyUp | (0x38 << 16));
        pump();
    }
    int frameWidth() {
        RECT rect{};
        GetWindowRect(shell.frame, &rect);
        return rect.right - rect.left;
    }
    // Pixels of the difference colour in a cell of a view row.
    int differencePixels(const Pixels& pixels, int left, int viewRow, int cell) {
        const int cw = static_cast<int>(shell.view.charWidth), lh = static_cast<int>(shell.view.lineHeight);
        int count = 0;
        for (int y = viewRow * lh; y < (viewRow + 1) * lh; ++y)
            for (int x = left + cell * cw; x < left + (cell + 1) * cw; ++x) count += pixels.at(x, y) == 0xFFE08C;
        return count;
    }

    std::filesystem::path other;
};

TEST_F(ComparisonTest, CtrlKShowsTheOtherFileBesideAndAltDownWalksItsDifferencesThroughAnEdit) {
    openPair();
    const int widthBefore = frameWidth();
    EXPECT_EQ(menuState(commandCompareWith) & MF_GRAYED, 0u);
    EXPECT_NE(menuState(commandNextDifference) & MF_GRAYED, 0u);
    // Without a comparison Alt+Down does nothing, and leaves no menu waiting for the 4 typed next.
    press(VK_DOWN, true);
    PostMessageW(shell.hexView, WM_CHAR, L'4', 1);
    pump();
    EXPECT_EQ(shell.view.caretCell, firstHexCell + 1);

    chooseInNextDialog(other);
    press('K', false);
    std::vector<std::wstring> captions;
    for (const SeenDialog& seen : dialogs.seen())
        if (seen.className == L"#32770" && !seen.messageBox) captions.push_back(seen.caption);
    EXPECT_EQ(captions, std::vector<std::wstring>{L"Compare With"});
    EXPECT_EQ(statusText(0), L"Compared with theirs.bin: 5 bytes differ in 3 runs");
    EXPECT_GT(frameWidth(), widthBefore);
    for (int command : {commandNextDifference, commandPreviousDifference, commandCloseComparison})
        EXPECT_EQ(menuState(command) & MF_GRAYED, 0u) << command;

    // Both panes colour bytes 3 and 4 of row 0 and nothing at byte 0; the other pane
    // outlines its byte under the caret (offset 0) in the highlight colour.
    InvalidateRect(shell.hexView, nullptr, TRUE);
    UpdateWindow(shell.hexView);
    const Pixels pixels = capture(shell.hexView);
    const int paneLeft = otherPaneLeft();
    for (const int left : {0, paneLeft}) {
        EXPECT_GT(differencePixels(pixels, left, 0, highCellOf[4]), 0) << left;
        EXPECT_GT(differencePixels(pixels, left, 0, firstCharCell + 4), 0) << left;
        EXPECT_EQ(differencePixels(pixels, left, 0, highCellOf[1]), 0) << left;
    }
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_EQ(pixels.at(paneLeft + highCellOf[1] * static_cast<int>(shell.view.charWidth), 2),
              static_cast<std::uint32_t>(GetRValue(highlight) << 16 | GetGValue(highlight) << 8 | GetBValue(highlight)));

    // Alt+Down goes run by run, the tail beyond the document to the EOF position; then it
    // beeps and stays. No key reaches the document, and no menu waits for the next one.
    const std::vector<std::uint8_t> before(shell.doc.fileBytes, shell.doc.fileBytes + shell.doc.fileSize);
    press(VK_DOWN, true);
    EXPECT_EQ(statusText(0), L"Difference 1 of 3 at 00000003: 2 bytes");
    EXPECT_EQ(statusText(1), L"Offset: 00000003");
    press(VK_DOWN, true);
    EXPECT_EQ(statusText(0), L"Difference 2 of 3 at 00000014: 1 byte");
    press(VK_DOWN, true);
    EXPECT_EQ(statusText(0), L"Difference 3 of 3 at 00000028: 2 bytes");
    EXPECT_EQ(statusText(1), L"EOF");
    press(VK_DOWN, true);
    EXPECT_EQ(statusText(0), L"Compared with theirs.bin: 5 bytes differ in 3 runs");
    EXPECT_EQ(offsetOf(shell.view), 40);
    press(VK_UP, true);
    press(VK_UP, true);
    EXPECT_EQ(statusText(0), L"Difference 1 of 3 at 00000003: 2 bytes");
    EXPECT_EQ(std::vector<std::uint8_t>(shell.doc.fileBytes, shell.doc.fileBytes + shell.doc.fileSize), before);

    // Typing the other file's 00 at offset 3 leaves one differing byte in that run.
    PostMessageW(shell.hexView, WM_CHAR, L'0', 1);
    PostMessageW(shell.hexView, WM_CHAR, L'0', 1);
    pump();
    EXPECT_EQ(shell.doc.fileBytes[3], 0x00);
    EXPECT_EQ(statusText(0), L"Compared with theirs.bin: 4 bytes differ in 3 runs");

    SendMessageW(shell.frame, WM_COMMAND, commandCloseComparison, 0);
    pump();
    EXPECT_EQ(statusText(0), L"Ready");
    EXPECT_EQ(frameWidth(), widthBefore);
    EXPECT_NE(menuState(commandNextDifference) & MF_GRAYED, 0u);
    EXPECT_TRUE(dialogs.messageBoxes().empty());
}

TEST_F(ComparisonTest, TheOtherFileChangedOrMissingIsToldAndCountedAgain) {
    openPair();
    chooseInNextDialog(other);
    SendMessageW(shell.frame, WM_COMMAND, commandCompareWith, 0);
    pump();
    ASSERT_EQ(statusText(0), L"Compared with theirs.bin: 5 bytes differ in 3 runs");

    // Another program writes the document's bytes over the other file's first 40 (a mapped
    // file cannot be cut shorter on Windows): while the program waits in its message loop
    // the user is told, and the counts are those of the file as it is now.
    {
        std::fstream file(other, std::ios::binary | std::ios::in | std::ios::out);
        file.write(reinterpret_cast<const char*>(shell.doc.fileBytes), 40);
    }
    EXPECT_TRUE(waitFor(
        [&] { return statusText(0) == L"theirs.bin was changed by another program: compared again"; }));
    EXPECT_TRUE(dialogs.messageBoxes().empty());           // a note, never a box
    SendMessageW(shell.hexView, WM_KEYDOWN, VK_RIGHT, 0);  // the note goes with the next key
    EXPECT_EQ(statusText(0), L"Compared with theirs.bin: 2 bytes differ in 1 run");

    // Moved away (Wine keeps a deleted mapped file at its name): the comparison closes, saying so.
    ASSERT_TRUE(MoveFileExW(other.wstring().c_str(), (folder / "moved.bin").wstring().c_str(), 0));
    ASSERT_TRUE(waitFor([&] { return !dialogs.messageBoxes().empty(); }));
    EXPECT_EQ(dialogs.messageBoxes()[0].text,
              L"theirs.bin was moved or deleted by another program: the comparison is closed.");
    EXPECT_FALSE(shell.comparison.open);

    // A file that cannot be opened: the box, and the comparison before it closes.
    compareWith(makeFile("again.bin", {1, 2}).wstring().c_str());
    const int width = frameWidth();
    compareWith((folder / "gone.bin").wstring().c_str());
    pump();
    ASSERT_EQ(dialogs.messageBoxes().size(), 2u);
    EXPECT_EQ(dialogs.messageBoxes()[1].text.rfind(L"Could not open gone.bin to compare with it!", 0), 0u);
    EXPECT_FALSE(shell.comparison.open);
    EXPECT_LT(frameWidth(), width);
    EXPECT_EQ(statusText(0), L"Ready");
}

// The document compared with its own file: its own Save is counted again without a word.
TEST_F(ComparisonTest, OwnSavesIntoTheComparedFileAreCountedAgainWithoutAWord) {
    openPair();
    compareWith(shell.doc.filePath);
    const std::wstring identical = L"Compared with mine.bin: the files are identical";
    ASSERT_EQ(statusText(0), identical);
    SendMessageW(shell.hexView, WM_CHAR, 'A', 0);
    ASSERT_EQ(SendMessageW(shell.frame, WM_COMMAND, commandSave, 0), 1);
    EXPECT_TRUE(waitFor([&] { return statusText(0) == identical; }));
    EXPECT_TRUE(dialogs.messageBoxes().empty());
}

}  // namespace
}  // namespace quillix::test

namespace quillix::test {
namespace {

// The other file cut shorter from outside (as on a volume that went away): the step, the
// paint and the counts say so, nothing crashes, and coming back counts the file as it is.
TEST_F(ComparisonTest, AnOtherFileCutShorterIsToldInTheStepThePaintAndOnComingBack) {
    std::vector<std::uint8_t> mine(1 << 20, 0x41);
    std::vector<std::uint8_t> theirs = mine;
    theirs[0] = theirs[0x80000] = 0x42;
    ASSERT_NE(start(makeFile("mine.bin", mine).wstring()), nullptr);
    other = makeFile("theirs.bin", theirs);
    std::filesystem::last_write_time(other, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    compareWith(other.wstring().c_str());
    ASSERT_EQ(statusText(0), L"Compared with theirs.bin: 2 bytes differ in 2 runs");
    ASSERT_TRUE(cutFileShort(other, 4096));
    const std::wstring reason = systemErrorText(ERROR_READ_FAULT);

    for (int i = 0; i < 100 && shell.view.topLine * 16 <= 8192; ++i) SendMessageW(shell.hexView, WM_KEYDOWN, VK_NEXT, 0);
    pump();
    EXPECT_EQ(statusText(0), L"Cannot read the file: " + reason);
    SendMessageW(shell.frame, WM_COMMAND, commandNextDifference, 0);
    ASSERT_EQ(dialogs.messageBoxes().size(), 1u);
    EXPECT_EQ(dialogs.messageBoxes()[0].text, L"Could not read theirs.bin\n" + reason);
    EXPECT_GT(offsetOf(shell.view), 8192);

    // The frame active again once the box is gone: the file is looked at and counted anew.
    pump();
    ASSERT_EQ(dialogs.messageBoxes().size(), 1u);
    EXPECT_EQ(statusText(0), L"theirs.bin was changed by another program: compared again");
    SendMessageW(shell.hexView, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(statusText(0), L"Compared with theirs.bin: 1044481 bytes differ in 2 runs");
}

}  // namespace
}  // namespace quillix::test
