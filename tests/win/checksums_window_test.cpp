// The checksums' window under Wine: the menu item and its key, the values read back from
// the real list, the texts above and below it, the note after an edit and F5, the copy
// read back from the real clipboard, the compare field, and closing.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/compare_pane_win32.h"
#include "app/frame_window.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

// "abc" in RFC 1321, FIPS 180-2 and zlib's check values.
const std::vector<std::wstring> abcRows = {
    L"CRC-32\t352441c2",
    L"Adler-32\t024d0127",
    L"MD5\t900150983cd24fb0d6963f7d28e17f72",
    L"SHA-1\ta9993e364706816aba3e25717850c26c9cd0d89d",
    L"SHA-256\tba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
    L"SHA-512\tddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd4"
    L"54d4423643ce80e2a9ac94fa54ca49f",
};

class ChecksumsWindowTest : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        dialogs.leaveOpenWhen([](HWND window) { return window == shell.checksums; });
    }
    // Posted, then through the pump's routing, with Ctrl and Shift as GetKeyState sees them.
    void postKey(HWND window, WPARAM key, bool control = false, bool shift = false) {
        BYTE keys[256] = {};
        keys[VK_CONTROL] = control ? 0x80 : 0;
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        PostMessageW(window, WM_KEYDOWN, key, 1);
        pump();
        SetKeyboardState(std::vector<BYTE>(256).data());
    }
    HWND list() { return GetDlgItem(shell.checksums, 1313); }
    std::wstring text(int id) {
        wchar_t buffer[256] = {};
        GetDlgItemTextW(shell.checksums, id, buffer, 256);
        return buffer;
    }
    // Each row as "name<Tab>value", read back from the list's two columns.
    std::vector<std::wstring> rows() {
        std::vector<std::wstring> all(6);
        for (int index = 0; index < 6; ++index) {
            for (int column : {0, 1}) {
                wchar_t cell[160] = {};
                LVITEMW item{};
                item.iSubItem = column;
                item.pszText = cell;
                item.cchTextMax = 160;
                SendMessageW(list(), LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
                all[index] += (column ? L"\t" : L"") + std::wstring(cell);
            }
        }
        return all;
    }
    std::wstring clipboardText() {
        std::wstring copied;
        if (!OpenClipboard(nullptr)) return L"(clipboard busy)";
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) copied = static_cast<const wchar_t*>(GlobalLock(data));
        CloseClipboard();
        return copied;
    }
};

TEST_F(ChecksumsWindowTest, CtrlShiftCShowsTheWholeDocumentsValuesBesideTheFrameToCopyAndCompare) {
    ASSERT_NE(start(makeFile("abc.bin", {'a', 'b', 'c'}).wstring()), nullptr);
    EXPECT_EQ(menuState(commandChecksums) & MF_GRAYED, 0u);
    postKey(shell.hexView, 'C', true, true);
    ASSERT_NE(shell.checksums, nullptr);
    EXPECT_TRUE(IsWindowVisible(shell.checksums));
    EXPECT_EQ(GetWindow(shell.checksums, GW_OWNER), shell.frame);
    RECT frameRect{}, windowRect{}, overlap{}, work{};
    GetWindowRect(shell.frame, &frameRect);
    GetWindowRect(shell.checksums, &windowRect);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_FALSE(IntersectRect(&overlap, &frameRect, &windowRect));
    EXPECT_TRUE(UnionRect(&overlap, &work, &windowRect) && EqualRect(&overlap, &work));
    EXPECT_EQ(text(1311), L"Whole document, 3 bytes");
    EXPECT_EQ(text(1312), L"");
    EXPECT_EQ(rows(), abcRows);

    ASSERT_EQ(GetFocus(), list());
    postKey(list(), 'A', true);
    postKey(list(), 'C', true);
    std::wstring table;
    for (const std::wstring& line : abcRows) table += (table.empty() ? L"" : L"\r\n") + line;
    EXPECT_EQ(clipboardText(), table);

    HWND compare = GetDlgItem(shell.checksums, 1315);
    SetWindowTextW(compare, L"BA7816BF 8F01CFEA 414140DE 5DAE2223 B00361A3 96177A9C B410FF61 F20015AD");
    EXPECT_EQ(text(1316), L"Matches SHA-256");
    postKey(compare, VK_ESCAPE);
    EXPECT_EQ(shell.checksums, nullptr);
}

TEST_F(ChecksumsWindowTest, ASelectionsValuesGoStaleAtAnEditAndF5ComputesAnew) {
    ASSERT_NE(start(makeFile("xabcx.bin", {'x', 'a', 'b', 'c', 'x'}).wstring()), nullptr);
    SendMessageW(shell.hexView, WM_KEYDOWN, VK_RIGHT, 0);
    postKey(shell.hexView, VK_RIGHT, false, true);
    postKey(shell.hexView, VK_RIGHT, false, true);
    SendMessageW(shell.frame, WM_COMMAND, commandChecksums, 0);
    pump();
    ASSERT_NE(shell.checksums, nullptr);
    EXPECT_EQ(text(1311), L"Selection 00000001-00000003, 3 bytes");
    EXPECT_EQ(rows(), abcRows);
    EXPECT_EQ(statusText(0), L"Selection: 00000001-00000003, 3 bytes");

    // A digit typed over the first byte's high nibble.
    SendMessageW(shell.hexView, WM_KEYDOWN, VK_HOME, 0);
    PostMessageW(shell.hexView, WM_CHAR, L'7', 1);
    pump();
    EXPECT_EQ(text(1312), L"Changed since computed \u2014 press F5");
    EXPECT_EQ(rows(), abcRows);
    postKey(shell.hexView, VK_F5);
    EXPECT_EQ(text(1312), L"");
    EXPECT_EQ(text(1311), L"Whole document, 5 bytes, with unsaved changes");
    EXPECT_NE(rows()[0], abcRows[0]);
    putClipboardText(L"41");
    SendMessageW(shell.frame, WM_COMMAND, commandPaste, 0);
    pump();
    EXPECT_EQ(shell.doc.fileBytes[0], 0x41);
    EXPECT_EQ(text(1312), L"Changed since computed \u2014 press F5");
    HWND window = shell.checksums;
    SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(shell.checksums, nullptr);
    EXPECT_FALSE(IsWindow(window));
}

// The inspector at the frame's edge, the frame widened, the checksums: none lies on another.
TEST_F(ChecksumsWindowTest, ToolWindowsAndTheWidenedFrameKeepClearOfEachOther) {
    ASSERT_NE(start(makeFile("mine.bin", std::vector<std::uint8_t>(64, 1)).wstring()), nullptr);
    SendMessageW(shell.frame, WM_COMMAND, commandDataInspector, 0);
    RECT places[3] = {}, work{}, overlap{};
    GetWindowRect(shell.frame, &places[0]);
    SetWindowPos(shell.inspector, nullptr, places[0].right, places[0].top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    compareWith(makeFile("theirs.bin", std::vector<std::uint8_t>(64, 2)).wstring().c_str());
    SendMessageW(shell.frame, WM_COMMAND, commandChecksums, 0);
    ASSERT_TRUE(shell.checksums && shell.comparison.open);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    for (auto [i, window] : {std::pair{0, shell.frame}, {1, shell.inspector}, {2, shell.checksums}}) {
        GetWindowRect(window, &places[i]);
        EXPECT_TRUE(UnionRect(&overlap, &work, &places[i]) && EqualRect(&overlap, &work)) << i;
        for (int j = 0; j < i; ++j) EXPECT_FALSE(IntersectRect(&overlap, &places[i], &places[j])) << i << " on " << j;
    }
}

}  // namespace
}  // namespace quillix::test
