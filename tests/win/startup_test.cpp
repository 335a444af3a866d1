// Start-up under Wine: the frame, its menu and status bar, and the command-line open in
// its good and refused forms, read back from the real windows.

#include <windows.h>
#include <commctrl.h>

#include "app/startup.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

const int documentCommands[] = {11, 12, 13, 20, 21};
const int alwaysCommands[] = {10, 14, 30, 31, 32};

class StartupTest : public ShellFixture {
protected:
    void expectNoDocument() {
        EXPECT_EQ(frameTitle(), L" Quillix-64bit");
        for (int command : documentCommands) EXPECT_TRUE(menuState(command) & MF_GRAYED) << command;
        EXPECT_EQ(statusText(2), L"Bytes: 0000000000");
        EXPECT_EQ(shell.doc.fileBytes, nullptr);
        EXPECT_EQ(shell.doc.fileTitle[0], L'\0');
    }
    void expectOneRefusal(const std::wstring& commandLine) {
        auto boxes = dialogs.messageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, L"Could not find file: " + commandLine);
        EXPECT_EQ(boxes[0].caption, L"Quillix-64bit");
        EXPECT_EQ(boxes[0].icon, BoxIcon::warning);
        EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
        EXPECT_EQ(boxes[0].owner, shell.frame);
    }
};

TEST_F(StartupTest, WithoutArgumentTheFrameIsEmptyAndTheDocumentCommandsGrayed) {
    ASSERT_NE(start(L""), nullptr);
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    expectNoDocument();
    for (int command : alwaysCommands) EXPECT_FALSE(menuState(command) & MF_GRAYED) << command;
    EXPECT_EQ(statusText(0), L"Ready");
    EXPECT_EQ(statusText(1), L"Offset: 00000000");
    EXPECT_EQ(GetFocus(), shell.frame);

    wchar_t className[64] = {};
    GetClassNameW(shell.frame, className, 64);
    EXPECT_STREQ(className, L"Quillix-64bit");
    GetClassNameW(shell.hexView, className, 64);
    EXPECT_STREQ(className, L"HexClientClass");
    EXPECT_EQ(GetWindowLongW(shell.frame, GWL_STYLE) & 0x12CF0000, 0x12CF0000);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(shell.hexView, GWL_STYLE)) & 0x54A00000u, 0x54A00000u);
    EXPECT_EQ(GetDlgCtrlID(shell.statusBar), 2);
    EXPECT_NE(GetClassLongPtrW(shell.frame, GCLP_HICON), 0);  // the program's own icon
    EXPECT_EQ(GetClassLongPtrW(shell.frame, GCL_STYLE), 0x2003);
    EXPECT_EQ(GetClassLongPtrW(shell.hexView, GCL_STYLE), 3);
    EXPECT_EQ(GetClassLongPtrW(shell.frame, GCLP_HBRBACKGROUND), COLOR_WINDOW + 1);
    RECT outer{};
    GetWindowRect(shell.frame, &outer);
    EXPECT_EQ(outer.right - outer.left, 635);
    EXPECT_EQ(outer.bottom - outer.top, 353);
}

TEST_F(StartupTest, AnExistingPathOpensWithItsPathAsTitle) {
    std::vector<std::uint8_t> bytes(1000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
    auto path = makeFile("data.bin", bytes);
    std::wstring commandLine = path.wstring();
    ASSERT_NE(start(commandLine), nullptr);

    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_EQ(frameTitle(), L" Quillix-64bit - " + commandLine);
    EXPECT_EQ(std::wstring(shell.doc.filePath), commandLine);
    EXPECT_EQ(std::wstring(shell.doc.fileTitle), commandLine);
    for (int command : documentCommands) EXPECT_FALSE(menuState(command) & MF_GRAYED) << command;
    EXPECT_EQ(statusText(2), L"Bytes: 1000");
    EXPECT_EQ(statusText(1), L"Offset: 00000000");
    EXPECT_EQ(GetFocus(), shell.hexView);
    // The caret stands on the first byte's high nibble.
    POINT caret{};
    GetCaretPos(&caret);
    EXPECT_EQ(caret.x, 10 * shell.view.charWidth);
    EXPECT_EQ(caret.y, 0);
    EXPECT_EQ(shell.doc.isModified, 0);
}

TEST_F(StartupTest, RefusedCommandLinesGiveOneBoxAndNoDocument) {
    auto path = makeFile("with blank.bin", {1, 2, 3});
    auto empty = makeFile("empty.bin", {});
    const std::wstring missing = (folder / "missing file.bin").wstring();
    // Each command line, and the name its box shows.
    const std::pair<std::wstring, std::wstring> refused[] = {
        {empty.wstring(), empty.wstring()},
        {missing, missing},
        {L"\"" + missing + L"\" ", missing},  // the shell's quotes go, the name is still missing
        // Not one pair of quotes around the whole line: taken whole, as typed.
        {L"\"" + path.wstring() + L"\" x", L"\"" + path.wstring() + L"\" x"},
        {L"\"" + path.wstring(), L"\"" + path.wstring()},
    };
    for (const auto& [commandLine, shown] : refused) {
        SCOPED_TRACE(std::string(commandLine.begin(), commandLine.end()));
        dialogs.clear();
        ASSERT_NE(start(commandLine), nullptr);
        expectOneRefusal(shown);
        expectNoDocument();
        TearDown();
        SetUp();
    }
}

TEST_F(StartupTest, APathTheShellQuotedOpensUnquoted) {
    auto path = makeFile("with blank.bin", {1, 2, 3});
    // As Explorer starts a program for a file, with a blank left over at the end.
    ASSERT_NE(start(L"\"" + path.wstring() + L"\"  "), nullptr);
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_EQ(frameTitle(), L" Quillix-64bit - " + path.wstring());
    EXPECT_EQ(std::wstring(shell.doc.filePath), path.wstring());
    EXPECT_EQ(std::wstring(shell.doc.fileTitle), path.wstring());
    EXPECT_EQ(statusText(2), L"Bytes: 3");
}

TEST_F(StartupTest, APathTooLongForTheNameBuffersIsRefusedWithoutOverflow) {
    // Longer than fileTitle (512 with its terminator) but short enough for the box.
    std::wstring commandLine = (folder / std::string(600, 'x')).wstring();
    ASSERT_NE(start(commandLine), nullptr);
    expectOneRefusal(commandLine);
    expectNoDocument();
    EXPECT_EQ(shell.doc.filePath[0], L'\0');

    // One character under the limit still opens.
    TearDown();
    SetUp();
    auto path = makeFile("x", {9});
    std::wstring fits = path.wstring();
    ASSERT_LT(fits.size(), 511u);
    ASSERT_NE(start(fits), nullptr);
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_EQ(std::wstring(shell.doc.fileTitle), fits);
}

TEST_F(StartupTest, AClassThatCannotBeRegisteredStopsTheProgramWithAMessage) {
    WNDCLASSEXW squatter{};
    squatter.cbSize = sizeof squatter;
    squatter.lpfnWndProc = DefWindowProcW;
    squatter.hInstance = GetModuleHandleW(nullptr);
    squatter.lpszClassName = L"HexClientClass";
    ASSERT_NE(RegisterClassExW(&squatter), 0);

    EXPECT_EQ(runQuillix(GetModuleHandleW(nullptr), L""), 1);
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Could not register the window class \"HexClientClass\"!");
    EXPECT_EQ(boxes[0].caption, L"Quillix-64bit");
    EXPECT_EQ(boxes[0].icon, BoxIcon::warning);
    EXPECT_EQ(shell.frame, nullptr);
    UnregisterClassW(L"HexClientClass", GetModuleHandleW(nullptr));
    // Nothing is left registered: a second start works.
    ASSERT_NE(start(L""), nullptr);
}

HHOOK blocker = nullptr;
LRESULT CALLBACK blockFrame(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        const wchar_t* name = create->lpcs->lpszClass;
        if (!IS_INTRESOURCE(name) && lstrcmpW(name, L"Quillix-64bit") == 0) return 1;
    }
    return CallNextHookEx(blocker, code, wParam, lParam);
}

TEST_F(StartupTest, AFrameThatCannotBeCreatedStopsTheProgramWithAMessage) {
    blocker = SetWindowsHookExW(WH_CBT, blockFrame, nullptr, GetCurrentThreadId());
    int exitCode = runQuillix(GetModuleHandleW(nullptr), L"");
    UnhookWindowsHookEx(blocker);
    EXPECT_EQ(exitCode, 1);
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Could not create the main window!");
    EXPECT_FALSE(pump());  // no loop ran, no quit message left behind
}

}  // namespace
}  // namespace quillix::test
