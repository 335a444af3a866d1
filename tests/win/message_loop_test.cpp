// The real message loop under Wine: the program's own entry with a file, a Find dialog
// driven by keys through that loop, then a posted close. The steps run from a timer of the
// test's own: the loop dispatches its ticks only once the messages a step posted are
// handled, so each tick sees what the previous step did.

#include <windows.h>
#include <commctrl.h>

#include "app/frame_window.h"
#include "app/startup.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

class MessageLoopTest : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        dialogs.leaveOpenWhen([](HWND window) { return window == shell.findDialog; });
    }
};

int step = 0;
bool closePosted = false;
HWND dialog = nullptr;
HWND edit = nullptr;
std::wstring statusPart1;

void postKey(HWND window, WPARAM key) { PostMessageW(window, WM_KEYDOWN, key, 1); }

void CALLBACK nextStep(HWND, UINT, UINT_PTR, DWORD) {
    switch (step++) {
        case 0: PostMessageW(shell.frame, WM_COMMAND, commandFind, 0); return;
        case 1:
            dialog = shell.findDialog;
            edit = GetDlgItem(dialog, IDC_FIND_EDIT);
            EXPECT_NE(dialog, nullptr);
            EXPECT_EQ(GetFocus(), edit);
            for (wchar_t c : {L'0', L'3', L'0', L'4'}) PostMessageW(edit, WM_CHAR, c, 1);
            postKey(edit, VK_RETURN);  // Find Next
            return;
        case 2: {
            // Enter searched: the hit's offset is in the status bar.
            wchar_t text[32] = {};
            SendMessageW(shell.statusBar, SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(text));
            statusPart1 = text;
            postKey(GetFocus(), VK_TAB);
            return;
        }
        case 3:
            EXPECT_NE(GetFocus(), edit) << "Tab moves to the next control";
            EXPECT_EQ(GetParent(GetFocus()), dialog);
            postKey(GetFocus(), VK_ESCAPE);
            return;
        case 4:
            EXPECT_EQ(shell.findDialog, nullptr) << "Escape closes the dialog";
            EXPECT_FALSE(IsWindow(dialog));
            PostMessageW(shell.frame, WM_CLOSE, 0, 0);
            closePosted = true;
            return;
        default: return;
    }
}

TEST_F(MessageLoopTest, AFindDialogTakesTabEnterAndEscapeAndAPostedCloseEndsWithExitCodeZero) {
    std::vector<std::uint8_t> bytes(256);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
    const std::wstring path = makeFile("loop.bin", bytes).wstring();
    step = 0;
    closePosted = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, nextStep);
    const int exitCode = runQuillix(GetModuleHandleW(nullptr), path.c_str());
    KillTimer(nullptr, timer);

    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(closePosted) << "the loop ended before the close was posted";
    EXPECT_EQ(statusPart1, L"Offset: 00000003");
    // Without the dialog's turn in the loop the keys reach the edit as characters, which
    // its hex filter refuses with a box.
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_FALSE(IsWindow(shell.frame));
}

}  // namespace
}  // namespace quillix::test
