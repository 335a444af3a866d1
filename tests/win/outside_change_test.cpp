// Another program writes the open file while the program waits in its message loop: taken
// up with no box when nothing is unsaved, with one question when something is.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>

#include "app/frame_window.h"
#include "app/outside_watch_win32.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

class OutsideChangeTest : public ShellFixture {
protected:
    // Another program writes; then a wait as the message loop's until part 0 leaves "Ready".
    // attributes, when given, are set on the file once written.
    bool writeAsOtherAndWait(LONG offset, std::vector<std::uint8_t> bytes, DWORD attributes = 0) {
        HANDLE other = CreateFileW(path.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
        SetFilePointer(other, offset, nullptr, FILE_BEGIN);
        DWORD written = 0;
        WriteFile(other, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(other);
        if (attributes) SetFileAttributesW(path.wstring().c_str(), attributes);
        return waitFor([&] { return statusText(0) != L"Ready"; });
    }
    std::filesystem::path path;
};

TEST_F(OutsideChangeTest, WithNothingUnsavedTheNewBytesAndSizeAreTakenUpAtOnce) {
    path = makeFile("live.bin", std::vector<std::uint8_t>(100, 0x11));
    ASSERT_NE(start(path.wstring()), nullptr);
    std::vector<double> delays;
    for (int round = 0; round < 20; ++round) {
        SendMessageW(shell.hexView, WM_KEYDOWN, VK_RIGHT, 0);  // the note goes with the next key
        const auto begin = std::chrono::steady_clock::now();
        ASSERT_TRUE(writeAsOtherAndWait(100 + round, {static_cast<std::uint8_t>(0x80 + round)}));
        delays.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
        EXPECT_EQ(statusText(0), L"Reloaded: changed by another program");
        EXPECT_EQ(statusText(2), L"Bytes: " + std::to_wstring(101 + round));
        EXPECT_EQ(shell.doc.fileBytes[100 + round], 0x80 + round);
        EXPECT_EQ(offsetOf(shell.view), 1 + round);  // the caret stayed on its byte
    }
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    std::sort(delays.begin(), delays.end());
    std::printf("write to status bar: median %.1f ms of 20\n", (delays[9] + delays[10]) / 2);
}

TEST_F(OutsideChangeTest, WithUnsavedChangesOneQuestionAndNoKeepsTheirsPlusMine) {
    path = makeFile("edited.bin", std::vector<std::uint8_t>(5000, 0x11));
    ASSERT_NE(start(path.wstring()), nullptr);
    SendMessageW(shell.hexView, WM_CHAR, 'A', 0);  // byte 0 gets 0xA1
    dialogs.answerNext(IDNO);
    ASSERT_TRUE(writeAsOtherAndWait(0, {0x22, 0x33}));  // under the edit and beside it
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              path.wstring() + L" was changed by another program.\nReload it and drop your changes?");
    EXPECT_EQ(boxes[0].buttons, (std::vector<int>{IDYES, IDNO}));
    std::vector<std::uint8_t> expected(5000, 0x11);
    expected[0] = 0xA2;  // the typed high nibble over theirs, so that undoing it gives theirs
    expected[1] = 0x33;
    EXPECT_EQ(std::vector<std::uint8_t>(shell.doc.fileBytes, shell.doc.fileBytes + 5000), expected);
    EXPECT_EQ(SendMessageW(shell.frame, WM_COMMAND, commandSave, 0), 1);
    EXPECT_EQ(dialogs.messageBoxes().size(), 1u);
    EXPECT_EQ(fileBytes(path), expected);
}

// A file made read-only under unsaved changes: Save and the close question's Yes say why not.
TEST_F(OutsideChangeTest, AFileMadeReadOnlyUnderUnsavedChangesRefusesTheSaveAloud) {
    path = makeFile("locked.bin", std::vector<std::uint8_t>(100, 0x11));
    ASSERT_NE(start(path.wstring()), nullptr);
    SendMessageW(shell.hexView, WM_CHAR, 'A', 0);
    dialogs.answerNext(IDNO);
    ASSERT_TRUE(writeAsOtherAndWait(1, {0x22}, FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(frameTitle().find(L"[read-only]"), std::wstring::npos);
    const std::wstring refusal = L"Could not write to file " + path.wstring() + L"!\n" +
                                 systemErrorText(ERROR_ACCESS_DENIED) +
                                 L"\nChoose Save As to keep your changes in another file.";
    dialogs.clear();
    EXPECT_EQ(SendMessageW(shell.frame, WM_COMMAND, commandSave, 0), 0);
    dialogs.answerNext(IDYES);
    SendMessageW(shell.frame, WM_CLOSE, 0, 0);
    std::vector<std::wstring> texts;
    for (const SeenDialog& box : dialogs.messageBoxes()) texts.push_back(box.text);
    EXPECT_EQ(texts, (std::vector<std::wstring>{refusal, L"Save current changes in " + path.wstring() + L"?",
                                                refusal}));
    EXPECT_TRUE(IsWindow(shell.frame));
    SetFileAttributesW(path.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A growing log under unsaved edits: one question; after No, no more until a Save.
TEST_F(OutsideChangeTest, AfterNoLaterChangesAreKeptWithoutAskingUntilTheNextSave) {
    path = makeFile("growing.log", std::vector<std::uint8_t>(100, 0x11));
    ASSERT_NE(start(path.wstring()), nullptr);
    SendMessageW(shell.hexView, WM_CHAR, 'A', 0);
    for (int answer = 0; answer < 8; ++answer) dialogs.answerNext(IDNO);
    auto append = [&](char value) {
        std::ofstream(path, std::ios::binary | std::ios::app).put(value);
        return waitFor([&] { return shell.doc.fileSize == std::filesystem::file_size(path); });
    };
    for (char value : {'a', 'b', 'c', 'd', 'e'}) ASSERT_TRUE(append(value));
    EXPECT_EQ(dialogs.messageBoxes().size(), 1u);
    EXPECT_EQ(statusText(0), L"Changed by another program: your changes kept on top");
    EXPECT_EQ(shell.doc.fileBytes[0], 0xA1);

    ASSERT_EQ(SendMessageW(shell.frame, WM_COMMAND, commandSave, 0), 1);
    SendMessageW(shell.hexView, WM_CHAR, 'B', 0);
    ASSERT_TRUE(append('f'));
    EXPECT_EQ(dialogs.messageBoxes().size(), 2u);
}

// A file renamed away is told as moved; one grown past 4 GiB with why it cannot be read.
TEST_F(OutsideChangeTest, AFileMovedOrGrownPast4GiBIsToldAsItIs) {
    path = makeFile("away.bin", std::vector<std::uint8_t>(100, 0x11));
    ASSERT_NE(start(path.wstring()), nullptr);
    const auto elsewhere = (folder / "elsewhere.bin").wstring();
    ASSERT_TRUE(MoveFileExW(path.wstring().c_str(), elsewhere.c_str(), 0));
    EXPECT_TRUE(waitFor([&] { return statusText(0) == L"The file was moved by another program"; }));

    ASSERT_TRUE(MoveFileExW(elsewhere.c_str(), path.wstring().c_str(), 0));
    HANDLE other = CreateFileW(path.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(SetFilePointerEx(other, LARGE_INTEGER{.QuadPart = 0x100000001LL}, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(other));
    CloseHandle(other);
    ASSERT_TRUE(waitFor([&] { return !dialogs.messageBoxes().empty(); }));
    EXPECT_EQ(
        dialogs.messageBoxes()[0].text,
        path.wstring() +
            L" was changed by another program, and could not be read again.\nThe file is larger than 4 GiB.");
}

}  // namespace
}  // namespace quillix::test
