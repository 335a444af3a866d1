// The frame window under Wine: layout on resize, focus, the close question, the About
// box, and the Help menu's pages.

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/frame_window.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

class FrameTest : public ShellFixture {
protected:
    // Opens a small file from the command line and edits its first byte in the view.
    std::filesystem::path openEdited() {
        auto path = makeFile("doc.bin", {0x10, 0x20, 0x30, 0x40});
        EXPECT_NE(start(path.wstring()), nullptr);
        EXPECT_TRUE(reserveEdit(shell.doc, EditKind::character));
        EXPECT_TRUE(storeByte(shell.doc, 0, 0x99));
        recordEdit(shell.doc, EditKind::character, 0);
        shell.doc.isModified = 1;
        return path;
    }
    bool frameAlive() { return shell.frame && IsWindow(shell.frame); }
};

TEST_F(FrameTest, ResizingLaysOutTheHexViewAndTheStatusBarParts) {
    ASSERT_NE(start(L""), nullptr);
    for (auto [outerWidth, outerHeight] : {std::pair{635, 353}, std::pair{900, 500}, std::pair{320, 160}}) {
        MoveWindow(shell.frame, 0, 0, outerWidth, outerHeight, TRUE);
        pump();
        RECT client{};
        GetClientRect(shell.frame, &client);
        const int width = client.right, height = client.bottom;
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        RECT hex = childRect(shell.hexView);
        EXPECT_EQ(hex.left, 0);
        EXPECT_EQ(hex.top, 0);
        EXPECT_EQ(hex.right - hex.left, width);
        EXPECT_EQ(hex.bottom - hex.top, height - 20);
        EXPECT_EQ(shell.view.clientHeight, height - 20);
        EXPECT_EQ(shell.view.clientWidth, width);
        RECT status = childRect(shell.statusBar);
        EXPECT_EQ(status.left, 0);
        EXPECT_EQ(status.top, height - 20);
        EXPECT_EQ(status.bottom, height);
        EXPECT_EQ(status.right, width);
        // Parts 1 and 2 end where the plain layout ends them, or further left where their
        // longest texts need the room; the grip's corner stays 30 pixels wide.
        int edges[3] = {};
        ASSERT_EQ(SendMessageW(shell.statusBar, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges)), 3);
        EXPECT_LE(edges[0], width - 240);
        EXPECT_LE(edges[1], width - 138);
        EXPECT_EQ(edges[2], width - 30);
        for (int part : {1, 2})
            EXPECT_GE(statusPartWidth(part), widestStatusText(part) + statusTextInset) << part;
    }
    // A minimized frame reports a client area 0 high: the view height goes negative.
    SendMessageW(shell.frame, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0));
    EXPECT_EQ(shell.view.clientHeight, -20);
}

TEST_F(FrameTest, TheHexViewTakesTheFocusOnlyWhileADocumentIsOpen) {
    ASSERT_NE(start(L""), nullptr);
    SetFocus(shell.frame);
    EXPECT_EQ(GetFocus(), shell.frame);
    TearDown();
    SetUp();
    auto path = makeFile("f.bin", {1});
    ASSERT_NE(start(path.wstring()), nullptr);
    SetFocus(shell.frame);
    EXPECT_EQ(GetFocus(), shell.hexView);
}

TEST_F(FrameTest, ClosingACleanDocumentAsksNothing) {
    auto path = makeFile("clean.bin", {1, 2, 3});
    ASSERT_NE(start(path.wstring()), nullptr);
    SendMessageW(shell.frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_FALSE(frameAlive());
    EXPECT_TRUE(pump());  // the loop would end with WM_QUIT
    EXPECT_EQ(shell.doc.fileBytes, nullptr);
}

TEST_F(FrameTest, YesSavesAndClosesNoClosesCancelKeepsEverything) {
    {
        auto path = openEdited();
        dialogs.answerNext(IDCANCEL);
        SendMessageW(shell.frame, WM_CLOSE, 0, 0);
        auto boxes = dialogs.messageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, L"Save current changes in " + path.wstring() + L"?");
        EXPECT_EQ(boxes[0].caption, L"Quillix-64bit");
        EXPECT_EQ(boxes[0].icon, BoxIcon::question);
        EXPECT_EQ(boxes[0].buttons, (std::vector<int>{IDCANCEL, IDYES, IDNO}));
        EXPECT_TRUE(frameAlive());
        EXPECT_EQ(shell.doc.isModified, 1);
        EXPECT_EQ(shell.doc.fileBytes[0], 0x99);
        EXPECT_EQ(fileBytes(path)[0], 0x10);
    }
    TearDown();
    SetUp();
    {
        auto path = openEdited();
        dialogs.answerNext(IDNO);
        SendMessageW(shell.frame, WM_CLOSE, 0, 0);
        EXPECT_FALSE(frameAlive());
        EXPECT_EQ(fileBytes(path)[0], 0x10);
    }
    TearDown();
    SetUp();
    {
        auto path = openEdited();
        dialogs.answerNext(IDYES);
        // Exit asks exactly as the close box does.
        SendMessageW(shell.frame, WM_COMMAND, commandExit, 0);
        EXPECT_EQ(dialogs.messageBoxes().size(), 1u);
        EXPECT_FALSE(frameAlive());
        EXPECT_EQ(fileBytes(path), (std::vector<std::uint8_t>{0x99, 0x20, 0x30, 0x40}));
    }
}

TEST_F(FrameTest, YesWhoseSaveFailsKeepsTheWindowAndTheEdits) {
    auto path = openEdited();
    // The file vanishes into a folder that cannot be written: the save cannot open it.
    std::wstring unreachable = (folder / "gone" / "doc.bin").wstring();
    lstrcpyW(shell.doc.filePath, unreachable.c_str());
    dialogs.answerNext(IDYES);
    SendMessageW(shell.frame, WM_CLOSE, 0, 0);
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    // The system's own words for why follow on a second line.
    EXPECT_EQ(boxes[1].text,
              L"Could not write to file " + path.wstring() + L"!\n" + systemErrorText(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(boxes[1].icon, BoxIcon::warning);
    EXPECT_EQ(boxes[1].owner, shell.frame);
    EXPECT_TRUE(frameAlive());
    EXPECT_EQ(shell.doc.isModified, 1);
    // The names stay, so Save can be tried again.
    EXPECT_EQ(std::wstring(shell.doc.fileTitle), path.wstring());
    lstrcpyW(shell.doc.filePath, path.wstring().c_str());
    EXPECT_EQ(SendMessageW(shell.frame, WM_COMMAND, commandSave, 0), 1);
    EXPECT_EQ(shell.doc.isModified, 0);
    EXPECT_EQ(shell.doc.editCount, 0);
    EXPECT_EQ(fileBytes(path)[0], 0x99);
}

TEST_F(FrameTest, TheAboutBoxIsModalAndClosesWithOkEnterAndEscape) {
    ASSERT_NE(start(L""), nullptr);
    const int closers[] = {0, VK_RETURN, VK_ESCAPE};
    for (int key : closers) {
        dialogs.clear();
        bool frameEnabledMeanwhile = true;
        dialogs.handleNextDialog([&](HWND box) {
            frameEnabledMeanwhile = IsWindowEnabled(shell.frame) != FALSE;
            if (key == 0) {
                pressButton(box, IDOK);
                return;
            }
            HWND focus = GetFocus();
            PostMessageW(focus ? focus : box, WM_KEYDOWN, static_cast<WPARAM>(key), 0);
        });
        SendMessageW(shell.frame, WM_COMMAND, commandAbout, 0);
        // Back here only once the box is gone.
        ASSERT_EQ(dialogs.seen().size(), 1u) << key;
        const SeenDialog& about = dialogs.seen()[0];
        EXPECT_EQ(about.caption, L"About Quillix");
        EXPECT_EQ(about.owner, shell.frame);
        EXPECT_FALSE(about.style & WS_SYSMENU);
        EXPECT_FALSE(IsWindow(about.window));
        EXPECT_FALSE(frameEnabledMeanwhile);
        EXPECT_TRUE(IsWindowEnabled(shell.frame));
    }
}

struct ShellCall {
    HWND owner;
    std::wstring verb, target;
    bool noParameters, noDirectory;
    int show;
};
std::vector<ShellCall> shellCalls;
HINSTANCE WINAPI recordShellExecute(HWND owner, LPCWSTR verb, LPCWSTR target, LPCWSTR parameters,
                                    LPCWSTR directory, INT show) {
    shellCalls.push_back({owner, verb, target, parameters == nullptr, directory == nullptr, show});
    return reinterpret_cast<HINSTANCE>(33);
}

TEST_F(FrameTest, HelpAndUpdatesOpenTheirPagesThroughTheShell) {
    ASSERT_NE(start(L""), nullptr);
    shellCalls.clear();
    shell.shellExecute = recordShellExecute;
    // Started from another folder, as by a double-click on a document or by "Open with":
    // the page is still the one beside the program.
    wchar_t program[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
    const auto besideProgram = std::filesystem::path(program).parent_path() / "quillix-help.html";
    const auto startFolder = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    SendMessageW(shell.frame, WM_COMMAND, commandHelp, 0);
    SendMessageW(shell.frame, WM_COMMAND, commandUpdates, 0);
    // F1 opens the help page as Help > Contents does.
    PostMessageW(shell.frame, WM_KEYDOWN, VK_F1, 1), pump();
    std::filesystem::current_path(startFolder);
    ASSERT_EQ(shellCalls.size(), 3u);
    EXPECT_EQ(shellCalls[2].target, shellCalls[0].target);
    EXPECT_EQ(shellCalls[0].verb, L"open");
    EXPECT_EQ(shellCalls[0].target, besideProgram.wstring());
    EXPECT_TRUE(std::filesystem::exists(shellCalls[0].target)) << "the build puts the page there";
    EXPECT_EQ(shellCalls[1].verb, L"open");
    EXPECT_EQ(shellCalls[1].target.rfind(L"https://", 0), 0u);
    EXPECT_NE(shellCalls[1].target.find(L"/quillix/index.html#latest"), std::wstring::npos);
    for (const ShellCall& call : shellCalls) {
        EXPECT_EQ(call.owner, shell.frame);
        EXPECT_TRUE(call.noParameters && call.noDirectory);
        EXPECT_EQ(call.show, SW_SHOWNORMAL);
    }
}

}  // namespace
}  // namespace quillix::test
