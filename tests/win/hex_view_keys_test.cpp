// The hex view's caret, keys and typing through the real window under Wine.

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/frame_window.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

class HexViewKeysTest : public ShellFixture {
protected:
    std::filesystem::path openFile(std::vector<std::uint8_t> bytes) {
        auto path = makeFile("keys.bin", bytes);
        EXPECT_NE(start(path.wstring()), nullptr);
        return path;
    }
    POINT caret() {
        POINT point{};
        GetCaretPos(&point);
        return point;
    }
    void key(UINT virtualKey) {
        SendMessageW(shell.hexView, WM_KEYDOWN, virtualKey, 0);
        pump();
    }
    void typeChar(wchar_t c) {
        SendMessageW(shell.hexView, WM_CHAR, c, 0);
        pump();
    }
};

TEST_F(HexViewKeysTest, FocusCreatesTheCaretWhereTheViewStateSaysAndAKeyMovesIt) {
    openFile(std::vector<std::uint8_t>(100, 0));
    ASSERT_EQ(GetFocus(), shell.hexView);
    EXPECT_EQ(caret().x, 10 * shell.view.charWidth);
    EXPECT_EQ(caret().y, 0);

    key(VK_RIGHT);
    key(VK_DOWN);
    EXPECT_EQ(caret().x, 12 * shell.view.charWidth);
    EXPECT_EQ(caret().y, shell.view.lineHeight);
    EXPECT_EQ(statusText(1), L"Offset: 00000011");

    // Losing and regaining the focus makes the caret anew at the same place.
    SetFocus(shell.frame);
    SetFocus(shell.hexView);
    EXPECT_EQ(caret().x, 12 * shell.view.charWidth);
    EXPECT_EQ(caret().y, shell.view.lineHeight);
}

TEST_F(HexViewKeysTest, TypedDigitsChangeTheMappedBytesAndTheStatus) {
    auto path = openFile({0x00, 0x11, 0x22, 0x33});
    typeChar(L'4');
    EXPECT_EQ(shell.doc.fileBytes[0], 0x40);
    EXPECT_EQ(caret().x, 11 * shell.view.charWidth);
    typeChar(L'1');
    EXPECT_EQ(shell.doc.fileBytes[0], 0x41);
    EXPECT_EQ(caret().x, 12 * shell.view.charWidth);
    EXPECT_EQ(statusText(1), L"Offset: 00000001");
    EXPECT_EQ(shell.doc.isModified, 1);
    // Nothing reaches the file before a save.
    EXPECT_EQ(fileBytes(path)[0], 0x00);

    // A letter that is no hex digit changes nothing.
    typeChar(L'g');
    EXPECT_EQ(shell.doc.fileBytes[1], 0x11);
    EXPECT_TRUE(dialogs.messageBoxes().empty());

    EXPECT_EQ(SendMessageW(shell.frame, WM_COMMAND, commandSave, 0), 1);
    EXPECT_EQ(fileBytes(path), (std::vector<std::uint8_t>{0x41, 0x11, 0x22, 0x33}));
}

TEST_F(HexViewKeysTest, AReadOnlyFileRefusesEveryCharacterWithABox) {
    auto path = openFile({0x10, 0x20});
    SetFileAttributesW(path.wstring().c_str(), FILE_ATTRIBUTE_READONLY);
    for (wchar_t c : {L'7', L'\r', L'\t', L'\b'}) {
        dialogs.clear();
        typeChar(c);
        auto boxes = dialogs.messageBoxes();
        ASSERT_EQ(boxes.size(), 1u) << int(c);
        EXPECT_EQ(boxes[0].text, L"File [" + path.wstring() + L"] is read only!");
        EXPECT_EQ(boxes[0].caption, L"Quillix-64bit");
        EXPECT_EQ(boxes[0].icon, BoxIcon::warning);
        EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
    }
    EXPECT_EQ(shell.doc.fileBytes[0], 0x10);
    EXPECT_EQ(shell.doc.isModified, 0);
    // Keys still move the caret.
    dialogs.clear();
    key(VK_RIGHT);
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_EQ(caret().x, 12 * shell.view.charWidth);
    SetFileAttributesW(path.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(HexViewKeysTest, BackspaceMovesAsAKeyAndChangesNothingAsACharacter) {
    openFile({0xAA, 0xBB, 0xCC});
    key(VK_RIGHT);
    key(VK_RIGHT);
    EXPECT_EQ(statusText(1), L"Offset: 00000002");
    key(VK_BACK);
    EXPECT_EQ(caret().x, 12 * shell.view.charWidth);
    EXPECT_EQ(statusText(1), L"Offset: 00000001");
    SendMessageW(shell.statusBar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L"marker"));
    typeChar(L'\b');
    EXPECT_EQ(statusText(1), L"marker");  // not even the status is touched
    EXPECT_EQ(shell.doc.fileBytes[1], 0xBB);
    EXPECT_EQ(shell.doc.isModified, 0);
    EXPECT_EQ(caret().x, 12 * shell.view.charWidth);
}

TEST_F(HexViewKeysTest, CharactersInTheCharacterAreaStoreTheirLowByte) {
    openFile(std::vector<std::uint8_t>(32, 0));
    key(VK_END);  // last byte of the file: row 1, byte 16
    for (int i = 0; i < 15; ++i) key(VK_LEFT);
    EXPECT_EQ(statusText(1), L"Offset: 00000010");
    // Into the character area by a click on the first character cell of row 0.
    SendMessageW(shell.hexView, WM_LBUTTONDOWN, 0, MAKELPARAM(50 * shell.view.charWidth + 1, 1));
    EXPECT_EQ(shell.view.caretCell, 50);
    typeChar(L'A');
    typeChar(wchar_t(0x20AC));
    EXPECT_EQ(shell.doc.fileBytes[0], 0x41);
    EXPECT_EQ(shell.doc.fileBytes[1], 0xAC);
    EXPECT_EQ(caret().x, 52 * shell.view.charWidth);
}

}  // namespace
}  // namespace quillix::test
