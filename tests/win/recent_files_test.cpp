// The recent files on the File menu and files dropped on the frame, under Wine: the list
// after opens, a Save As and a restart, a recent file chosen or gone, and drops of one
// file and of several as Explorer sends them.

#include <windows.h>
#include <shlobj.h>

#include "app/frame_window.h"
#include "app/startup.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

class RecentFilesTest : public ShellFixture {
protected:
    // The File menu's texts from the first separator after Compare With down to Exit,
    // separators as "-".
    std::vector<std::wstring> fileMenuTail() {
        HMENU file = GetSubMenu(GetMenu(shell.frame), 0);
        std::vector<std::wstring> texts;
        bool started = false;
        for (int i = 0; i < GetMenuItemCount(file); ++i) {
            wchar_t text[1024] = {};
            GetMenuStringW(file, static_cast<UINT>(i), text, 1024, MF_BYPOSITION);
            const UINT id = GetMenuItemID(file, i);
            if (id == IDM_FILE_COMPARE_WITH) started = true;
            else if (started) texts.push_back(id == 0 ? L"-" : std::to_wstring(id) + L" " + text);
        }
        return texts;
    }
    // What Explorer hands the window it drops files on.
    void drop(const std::vector<std::filesystem::path>& paths) {
        std::wstring list;
        for (const auto& path : paths) list += path.wstring() + L'\0';
        list += L'\0';
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
        auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
        files->pFiles = sizeof(DROPFILES);
        files->fWide = TRUE;
        std::memcpy(files + 1, list.data(), list.size() * sizeof(wchar_t));
        GlobalUnlock(memory);
        SendMessageW(shell.frame, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
        pump();
    }
    void restart() {
        SendMessageW(shell.frame, WM_CLOSE, 0, 0);
        pump();
        unregisterClasses(GetModuleHandleW(nullptr));
        shell = ShellState{};
        ASSERT_NE(start(L""), nullptr);
    }
};

TEST_F(RecentFilesTest, OpensAndSaveAsListNewestFirstAndTheListComesBackAtTheNextStart) {
    const auto first = makeFile("first.bin", {1, 2, 3});
    const auto second = makeFile("R&D.bin", {4, 5});
    const auto copy = folder / "copy.bin";
    ASSERT_NE(start(first.wstring()), nullptr);
    EXPECT_EQ(fileMenuTail(), (std::vector<std::wstring>{L"-", L"100 &1 " + first.wstring(), L"-", L"14 E&xit"}));
    drop({second});
    drop({first});  // opened again: up to the head, not twice
    dialogs.handleNextDialog([&](HWND dialog) {
        SetDlgItemTextW(dialog, 1148, copy.wstring().c_str());
        pressButton(dialog, IDOK);
    });
    SendMessageW(shell.frame, WM_COMMAND, commandSaveAs, 0);
    std::wstring ampersands = second.wstring();
    ampersands.replace(ampersands.find(L'&'), 1, L"&&");
    const std::vector<std::wstring> expected = {L"-", L"100 &1 " + copy.wstring(), L"101 &2 " + first.wstring(),
                                                L"102 &3 " + ampersands, L"-", L"14 E&xit"};
    EXPECT_EQ(fileMenuTail(), expected);
    restart();
    EXPECT_EQ(fileMenuTail(), expected);
}

TEST_F(RecentFilesTest, ARecentFileOpensAfterTheSaveQuestionAndAGoneOneLeavesTheList) {
    const auto kept = makeFile("kept.bin", {1, 2, 3});
    const auto gone = makeFile("gone.bin", {4, 5});
    ASSERT_NE(start(kept.wstring()), nullptr);
    drop({gone});
    std::filesystem::remove(gone);
    drop({kept});
    shell.doc.isModified = 1;
    dialogs.answerNext(IDNO);
    SendMessageW(shell.frame, WM_COMMAND, IDM_FILE_RECENT_FIRST + 1, 0);
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, L"Save current changes in kept.bin?");
    EXPECT_EQ(boxes[1].text.rfind(L" GetLastError() returned number [2]", 0), 0u) << boxes[1].text;
    EXPECT_EQ(shell.doc.fileBytes, nullptr);
    EXPECT_EQ(fileMenuTail(), (std::vector<std::wstring>{L"-", L"100 &1 " + kept.wstring(), L"-", L"14 E&xit"}));

    SendMessageW(shell.frame, WM_COMMAND, IDM_FILE_RECENT_FIRST, 0);
    EXPECT_EQ(frameTitle(), L" Quillix-64bit - kept.bin");
    EXPECT_EQ(statusText(2), L"Bytes: 3");
}

TEST_F(RecentFilesTest, TheFirstOfSeveralDroppedFilesOpensAfterTheSaveQuestion) {
    const auto a = makeFile("a.bin", {1});
    const auto b = makeFile("b.bin", {2, 3});
    const auto c = makeFile("c.bin", {4, 5, 6});
    ASSERT_NE(start(a.wstring()), nullptr);
    shell.doc.isModified = 1;
    dialogs.answerNext(IDCANCEL);
    drop({b, c});
    EXPECT_EQ(frameTitle(), L" Quillix-64bit - " + a.wstring());  // nothing opened
    dialogs.answerNext(IDNO);
    drop({c, b, a});
    ASSERT_EQ(dialogs.messageBoxes().size(), 2u);
    EXPECT_EQ(frameTitle(), L" Quillix-64bit - c.bin");
    EXPECT_EQ(statusText(0), L"Opened the first of 3 dropped files");
    EXPECT_EQ(statusText(2), L"Bytes: 3");
}

}  // namespace
}  // namespace quillix::test
