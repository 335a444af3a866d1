// The view's look under Wine: the zoom keys, Ctrl+wheel and Actual Size changing the cell
// size with the caret staying on its byte, the font dialog's choice, a face no longer
// installed, and all of it back after a restart.

#include <windows.h>

#include "app/frame_window.h"
#include "app/startup.h"
#include "app/view_look_win32.h"
#include "hexview/hex_view.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

class ViewLookTest : public ShellFixture {
protected:
    void ctrl(UINT key) {
        BYTE state[256] = {};
        state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
        SetKeyboardState(state);
        PostMessageW(GetFocus() ? GetFocus() : shell.frame, WM_KEYDOWN, key, 1);
        pump();
        BYTE none[256] = {};
        SetKeyboardState(none);
    }
    void restart() {
        SendMessageW(shell.frame, WM_CLOSE, 0, 0);
        pump();
        unregisterClasses(GetModuleHandleW(nullptr));
        shell = ShellState{};
        ASSERT_NE(start(path.wstring()), nullptr);
    }
    // The caret's byte, and that the caret stands on a whole row of the view.
    std::int64_t caretByte() {
        EXPECT_GE(shell.view.caretRow, 0);
        EXPECT_LT(shell.view.caretRow, rows(shell.view));
        return offsetOf(shell.view);
    }
    std::filesystem::path path;
};

TEST_F(ViewLookTest, ZoomStepsChangeTheCellSizeKeepTheCaretOnItsByteAndAreRemembered) {
    path = makeFile("zoom.bin", std::vector<std::uint8_t>(65536, 0x5A));
    ASSERT_NE(start(path.wstring()), nullptr);
    const std::int64_t width = shell.view.charWidth, height = shell.view.lineHeight;
    for (UINT key : {VK_NEXT, VK_NEXT, VK_NEXT, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT})
        SendMessageW(shell.hexView, WM_KEYDOWN, key, 0);
    const std::int64_t byte = caretByte();
    ASSERT_GT(byte, 16 * rows(shell.view));

    struct Step {
        UINT key;  // 0: Ctrl+wheel, a notch in the sign's direction
        int wheel;
        std::uint32_t zoom;
    };
    const Step steps[] = {{VK_OEM_PLUS, 0, 110}, {VK_ADD, 0, 125},  {0, 240, 175},          {VK_SUBTRACT, 0, 150},
                          {VK_OEM_MINUS, 0, 125}, {'0', 0, 100},    {0, -120 * 6, 50}, {VK_OEM_MINUS, 0, 50}};
    for (const Step& step : steps) {
        if (step.key) ctrl(step.key);
        else SendMessageW(shell.hexView, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, step.wheel), 0);
        SCOPED_TRACE(step.zoom);
        EXPECT_EQ(shell.settings.zoomPercent, step.zoom);
        // Courier New and Courier are alike in shape: the cell follows the zoom closely.
        EXPECT_NEAR(shell.view.lineHeight, height * step.zoom / 100.0, 2.0);
        EXPECT_NEAR(shell.view.charWidth, width * step.zoom / 100.0, 2.0);
        EXPECT_EQ(caretByte(), byte);
        POINT caret{};
        GetCaretPos(&caret);
        EXPECT_EQ(caret.y, shell.view.caretRow * shell.view.lineHeight);
    }
    ctrl(VK_ADD);
    const std::int64_t zoomedHeight = shell.view.lineHeight;
    restart();
    EXPECT_EQ(shell.settings.zoomPercent, 67u);
    EXPECT_EQ(shell.view.lineHeight, zoomedHeight);
}

TEST_F(ViewLookTest, TheFontDialogsChoiceSizesTheCellsAndAFaceNoLongerInstalledFallsBack) {
    path = makeFile("font.bin", std::vector<std::uint8_t>(4096, 0x41));
    ASSERT_NE(start(path.wstring()), nullptr);
    const std::int64_t width = shell.view.charWidth, height = shell.view.lineHeight;
    std::wstring caption, face;
    dialogs.handleNextDialog([&](HWND dialog) {
        wchar_t text[64] = {};
        GetWindowTextW(dialog, text, 64);
        caption = text;
        // The face list (cmb1) and the size box (cmb3), as a user's picks change them.
        HWND faces = GetDlgItem(dialog, 1136), sizes = GetDlgItem(dialog, 1138);
        // The list's last face: what Wine's prefix has of fixed-pitch faces varies.
        const LRESULT last = SendMessageW(faces, CB_GETCOUNT, 0, 0) - 1;
        wchar_t name[LF_FACESIZE] = {};
        SendMessageW(faces, CB_GETLBTEXT, static_cast<WPARAM>(last), reinterpret_cast<LPARAM>(name));
        face = name;
        SendMessageW(faces, CB_SETCURSEL, static_cast<WPARAM>(last), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1136, CBN_SELCHANGE), reinterpret_cast<LPARAM>(faces));
        SendMessageW(sizes, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"24"));
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1138, CBN_SELCHANGE), reinterpret_cast<LPARAM>(sizes));
        pressButton(dialog, IDOK);
    });
    SendMessageW(shell.frame, WM_COMMAND, IDM_VIEW_FONT, 0);
    EXPECT_EQ(caption, L"Font");
    ASSERT_FALSE(face.empty());
    EXPECT_EQ(shell.settings.fontFace, face);
    // 24 points are 32 pixels of character height at 96 DPI; the cell is a little taller.
    EXPECT_GE(shell.view.lineHeight, 32);
    EXPECT_NEAR(static_cast<double>(shell.settings.fontHeight96), static_cast<double>(shell.view.lineHeight), 2.0);
    EXPECT_GT(shell.view.charWidth, width);
    const std::int64_t chosenWidth = shell.view.charWidth, chosenHeight = shell.view.lineHeight;
    restart();
    EXPECT_EQ(shell.view.charWidth, chosenWidth);
    EXPECT_EQ(shell.view.lineHeight, chosenHeight);

    shell.settings.fontFace = L"No Such Face 38";
    applyViewFont();
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_EQ(shell.view.charWidth, width);
    EXPECT_EQ(shell.view.lineHeight, height);
}

}  // namespace
}  // namespace quillix::test
