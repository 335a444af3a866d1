// The open file cut shorter from outside while the program runs, under Wine, then every
// command that reads it: the program must say what it cannot read, keep what it can, and
// still close with exit code 0.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/frame_window.h"
#include "support/shell_fixture.h"
#include "tests/core/cut_file.h"

namespace quillix::test {
namespace {

class UnreadableFileTest : public ShellFixture {
protected:
    LRESULT command(int id) { return SendMessageW(shell.frame, WM_COMMAND, id, 0); }
    void chooseInNextDialog(const std::filesystem::path& chosen) {
        dialogs.handleNextDialog([chosen](HWND dialog) {
            SetDlgItemTextW(dialog, 1148, chosen.wstring().c_str());
            pressButton(dialog, IDOK);
        });
    }
    // The boxes since the last look: the program's warnings with these texts.
    void expectBoxes(const std::vector<std::wstring>& texts) {
        const auto boxes = dialogs.messageBoxes();
        ASSERT_EQ(boxes.size(), texts.size());
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_EQ(boxes[i].text, texts[i]);
            EXPECT_EQ(boxes[i].caption, L"Quillix-64bit");
            EXPECT_EQ(boxes[i].icon, BoxIcon::warning);
            EXPECT_EQ(boxes[i].owner, shell.frame);
        }
        dialogs.clear();
    }
};

TEST_F(UnreadableFileTest, EveryCommandThatMeetsTheCutSaysSoAndSaveAsKeepsWhatCanBeRead) {
    // Should the program crash after all, the test ends at once, not in the crash debugger.
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug", 0,
                    nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    RegSetValueExW(key, L"Debugger", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
    RegCloseKey(key);
    dialogs.leaveOpenWhen([](HWND window) { return window == shell.findDialog; });

    std::vector<std::uint8_t> bytes;  // steps of 7: FF FE are never neighbours
    for (int i = 0; i < (1 << 20); ++i) bytes.push_back(static_cast<std::uint8_t>(i * 7 + 1));
    const auto path = makeFile("cut.bin", bytes);
    // An hour old, so that cutting it surely moves its last-write time.
    std::filesystem::last_write_time(path,
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    ASSERT_NE(start(path.wstring()), nullptr);
    SendMessageW(shell.hexView, WM_CHAR, L'4', 0);  // over the first nibble, which stays readable
    bytes[0] = static_cast<std::uint8_t>(0x40 | (bytes[0] & 0x0F));
    ASSERT_TRUE(cutFileShort(path, 4096));
    const std::wstring reason = systemErrorText(ERROR_READ_FAULT);
    const std::wstring couldNotRead = L"Could not read " + path.wstring() + L"\n" + reason;

    for (int i = 0; i < 100 && shell.view.topLine * 16 <= 4096; ++i)
        SendMessageW(shell.hexView, WM_KEYDOWN, VK_NEXT, 0);
    pump();
    EXPECT_EQ(statusText(0), L"Cannot read the file: " + reason);
    SendMessageW(shell.hexView, WM_CHAR, L'5', 0);  // over a byte past the cut
    expectBoxes({couldNotRead});

    command(commandFind);
    pump();
    ASSERT_NE(shell.findDialog, nullptr);
    for (wchar_t c : std::wstring(L"FFFE")) SendDlgItemMessageW(shell.findDialog, 1152, WM_CHAR, c, 0);
    pressButton(shell.findDialog, IDOK);
    pump();
    expectBoxes({couldNotRead});  // and no "not found" after it
    pressButton(shell.findDialog, IDCANCEL);
    pump();

    chooseInNextDialog(folder / "cut.txt");
    EXPECT_EQ(command(commandExportAs), 0);
    expectBoxes({couldNotRead});
    EXPECT_FALSE(std::filesystem::exists(folder / "cut.txt"));

    // The close question: Yes saves into the cut file (Yes, though another program changed
    // it), which stops there, and the window stays.
    dialogs.answerNext(IDYES);
    dialogs.answerNext(IDYES);
    SendMessageW(shell.frame, WM_CLOSE, 0, 0);
    ASSERT_EQ(dialogs.messageBoxes().size(), 3u);
    EXPECT_EQ(dialogs.messageBoxes()[0].text, L"Save current changes in " + path.wstring() + L"?");
    EXPECT_EQ(dialogs.messageBoxes()[2].text, couldNotRead);
    dialogs.clear();
    EXPECT_TRUE(IsWindow(shell.frame));
    EXPECT_EQ(shell.doc.isModified, 1);
    EXPECT_EQ(std::filesystem::file_size(path), 4096u);

    // Save As writes what can be read, the edit included, and zeros for the rest.
    chooseInNextDialog(folder / "copy.bin");
    EXPECT_EQ(command(commandSaveAs), 1);
    expectBoxes({couldNotRead + L"\nThese bytes were saved into copy.bin as zeros:\n00001000-000FFFFF"});
    std::fill(bytes.begin() + 4096, bytes.end(), 0);
    EXPECT_EQ(fileBytes(folder / "copy.bin"), bytes);
    EXPECT_EQ(shell.doc.isModified, 0);

    // Another file opens as ever, and the note goes with the rows it spoke of.
    chooseInNextDialog(makeFile("other.bin", std::vector<std::uint8_t>(300, 0x41)));
    command(commandOpen);
    EXPECT_EQ(frameTitle(), L" Quillix-64bit - other.bin");
    EXPECT_EQ(statusText(0), L"Ready");
    EXPECT_TRUE(dialogs.messageBoxes().empty());

    SendMessageW(shell.frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(pump());
    EXPECT_EQ(quitCode, 0u);
}

// A repaint of only the top or bottom edge, drawing no unreadable row, keeps the note about
// the rows still shown; a whole repaint without them takes it away.
TEST_F(UnreadableFileTest, APartialRepaintKeepsTheNoteAboutRowsStillShown) {
    const auto path = makeFile("cut.bin", std::vector<std::uint8_t>(8192, 0x41));
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    ASSERT_NE(start(path.wstring()), nullptr);
    ASSERT_TRUE(cutFileShort(path, 4096));
    RECT client{};
    GetClientRect(shell.hexView, &client);
    const LONG height = static_cast<LONG>(shell.view.lineHeight), rows = client.bottom / height;
    for (const auto& [topLine, edge] : {std::pair{LONG{256 - 2}, RECT{0, 0, client.right, height}},
                                        std::pair{512 - rows + 1, RECT{0, client.bottom - height, client.right, client.bottom}}}) {
        shell.view.topLine = topLine;
        RedrawWindow(shell.hexView, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        ASSERT_EQ(statusText(0), L"Cannot read the file: " + systemErrorText(ERROR_READ_FAULT));
        RedrawWindow(shell.hexView, &edge, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        EXPECT_EQ(statusText(0), L"Cannot read the file: " + systemErrorText(ERROR_READ_FAULT)) << topLine;
    }
    shell.view.topLine = 0;
    RedrawWindow(shell.hexView, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(statusText(0), L"Ready");
}

}  // namespace
}  // namespace quillix::test
