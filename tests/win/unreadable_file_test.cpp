// The open file cut shorter from outside while the program runs, under Wine: a Linux
// process cuts it (Wine, like Windows, refuses to cut a file a view maps), and the program
// meets pages it can no longer read in painting, typing, Find, Export As, Save and Save As.
// It must say so, lose nothing it could read, and close with exit code 0.

#include <windows.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/frame_window.h"
#include "support/shell_fixture.h"
#include "tests/core/cut_file.h"

namespace quillix::test {
namespace {

constexpr int fileNameField = 1148;  // cmb13 in Wine's Explorer-style dialog
constexpr std::int64_t fileSize = 1 << 20;
constexpr std::int64_t cut = 4096;

class UnreadableFileTest : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        // Should the program crash after all, the test ends at once instead of waiting in
        // the crash debugger.
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug",
                            0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            RegSetValueExW(key, L"Debugger", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
            RegCloseKey(key);
        }
        dialogs.leaveOpenWhen([](HWND window) { return window == shell.findDialog; });
        // Steps of 7: no two neighbours are FF FE, so a search for them runs into the cut.
        for (std::int64_t i = 0; i < fileSize; ++i) original.push_back(static_cast<std::uint8_t>(i * 7 + 1));
    }

    // Opens a megabyte, types 4 over the first nibble, then cuts the file to its first page.
    void openEditAndCut() {
        path = makeFile("cut.bin", original);
        ASSERT_NE(start(path.wstring()), nullptr);
        SendMessageW(shell.hexView, WM_CHAR, L'4', 0);
        ASSERT_EQ(shell.doc.isModified, 1);
        edited = original;
        edited[0] = static_cast<std::uint8_t>(0x40 | (original[0] & 0x0F));
        ASSERT_TRUE(cutFileShort(path, cut));
    }
    void pageDownPastTheCut() {
        for (int i = 0; i < 100 && shell.view.topLine * 16 <= cut; ++i)
            SendMessageW(shell.hexView, WM_KEYDOWN, VK_NEXT, 0);
        pump();
        ASSERT_GT(shell.view.topLine * 16, cut);
    }
    LRESULT command(int id) { return SendMessageW(shell.frame, WM_COMMAND, id, 0); }
    void chooseInNextDialog(const std::filesystem::path& chosen) {
        dialogs.handleNextDialog([chosen](HWND dialog) {
            SetDlgItemTextW(dialog, fileNameField, chosen.wstring().c_str());
            pressButton(dialog, IDOK);
        });
    }

    std::wstring reason() const { return systemErrorText(ERROR_READ_FAULT); }
    std::wstring couldNotRead() const { return L"Could not read " + path.wstring() + L"\n" + reason(); }
    // The boxes since the last clear: each must be the program's warning with this text.
    void expectBoxes(const std::vector<std::wstring>& texts, HWND owner) {
        const auto boxes = dialogs.messageBoxes();
        ASSERT_EQ(boxes.size(), texts.size());
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_EQ(boxes[i].text, texts[i]);
            EXPECT_EQ(boxes[i].caption, L"Quillix-64bit");
            EXPECT_EQ(boxes[i].icon, BoxIcon::warning);
            EXPECT_EQ(boxes[i].owner, owner);
        }
        dialogs.clear();
    }

    std::vector<std::uint8_t> original, edited;
    std::filesystem::path path;
};

TEST_F(UnreadableFileTest, EveryCommandThatMeetsTheCutSaysSoAndSaveAsKeepsWhatCanBeRead) {
    openEditAndCut();
    pageDownPastTheCut();
    EXPECT_EQ(statusText(0), L"Cannot read the file: " + reason());
    EXPECT_TRUE(dialogs.messageBoxes().empty());

    // A digit over a byte that cannot be read.
    const std::int64_t editCount = shell.doc.editCount;
    SendMessageW(shell.hexView, WM_CHAR, L'5', 0);
    expectBoxes({couldNotRead()}, shell.frame);  // owned by the hex view, shown for its frame
    EXPECT_EQ(shell.doc.editCount, editCount);

    // Find Next for bytes that are nowhere before the cut.
    SendMessageW(shell.frame, WM_COMMAND, commandFind, 0);
    pump();
    ASSERT_NE(shell.findDialog, nullptr);
    for (wchar_t c : std::wstring(L"FFFE")) SendDlgItemMessageW(shell.findDialog, 1152, WM_CHAR, c, 0);
    pressButton(shell.findDialog, IDOK);
    pump();
    expectBoxes({couldNotRead()}, shell.frame);  // and no "not found" after it
    pressButton(shell.findDialog, IDCANCEL);
    pump();

    // Export As leaves no file.
    const auto dump = folder / "cut.txt";
    chooseInNextDialog(dump);
    EXPECT_EQ(command(commandExportAs), 0);
    expectBoxes({couldNotRead()}, shell.frame);
    EXPECT_FALSE(std::filesystem::exists(dump));

    // Save into the cut file: the program asks about the other program's change, then stops.
    dialogs.answerNext(IDYES);
    EXPECT_EQ(command(commandSave), 0);
    const auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[0].text.find(L"was changed by another program"), std::wstring::npos);
    EXPECT_EQ(boxes[1].text, couldNotRead());
    dialogs.clear();
    EXPECT_EQ(shell.doc.isModified, 1);
    EXPECT_EQ(std::filesystem::file_size(path), static_cast<std::uintmax_t>(cut));

    // Save As writes what can be read, the edit included, and zeros for the rest.
    const auto copy = folder / "copy.bin";
    chooseInNextDialog(copy);
    EXPECT_EQ(command(commandSaveAs), 1);
    expectBoxes({couldNotRead() + L"\nThese bytes were saved into copy.bin as zeros:\n00001000-000FFFFF"},
                shell.frame);
    std::vector<std::uint8_t> salvaged(edited.begin(), edited.begin() + cut);
    salvaged.resize(fileSize, 0);
    EXPECT_EQ(fileBytes(copy), salvaged);
    EXPECT_EQ(shell.doc.isModified, 0);
    EXPECT_EQ(frameTitle(), L" Quillix-64bit  copy.bin");

    // Back at the top no row is unreadable, and the note goes.
    SendMessageW(shell.hexView, WM_KEYDOWN, VK_HOME, 0);
    pump();
    EXPECT_EQ(statusText(0), L"Ready");

    SendMessageW(shell.frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(pump());
    EXPECT_EQ(quitCode, 0u);
    EXPECT_TRUE(dialogs.messageBoxes().empty());
}

TEST_F(UnreadableFileTest, TheCloseQuestionAndOpeningAnotherFileStillWork) {
    openEditAndCut();
    pageDownPastTheCut();

    // Yes to saving, Yes to saving into the changed file: the save stops, the window stays.
    dialogs.answerNext(IDYES);
    dialogs.answerNext(IDYES);
    SendMessageW(shell.frame, WM_CLOSE, 0, 0);
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, L"Save current changes in " + path.wstring() + L"?");
    EXPECT_EQ(boxes[2].text, couldNotRead());
    dialogs.clear();
    EXPECT_TRUE(IsWindow(shell.frame));
    EXPECT_EQ(shell.doc.isModified, 1);

    // Open another file, dropping the edit.
    const auto other = makeFile("other.bin", std::vector<std::uint8_t>(300, 0x41));
    dialogs.answerNext(IDNO);
    chooseInNextDialog(other);
    command(commandOpen);
    EXPECT_EQ(frameTitle(), L" Quillix-64bit - other.bin");
    EXPECT_EQ(shell.doc.fileSize, 300);
    EXPECT_EQ(statusText(0), L"Ready");
    std::uint8_t first = 0;
    std::memcpy(&first, shell.doc.fileBytes, 1);
    EXPECT_EQ(first, 0x41);

    SendMessageW(shell.frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(pump());
    EXPECT_EQ(quitCode, 0u);
}

}  // namespace
}  // namespace quillix::test
