// The File menu under Wine, through the real common dialogs: a handler fills the
// dialog's file-name field and presses its button as the dialog opens.

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/frame_window.h"
#include "document/outside_change.h"
#include "support/shell_fixture.h"
#include "support/stepping_clock.h"

namespace quillix::test {
namespace {

constexpr int fileNameField = 1148;  // cmb13 in Wine's Explorer-style dialog
constexpr int fileTypeField = 1136;  // cmb1

std::wstring fieldText(HWND dialog, int id) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(dialog, id, text, 1024);
    return text;
}

std::wstring systemText(DWORD code) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                       FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                   nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring result = text ? text : L"";
    if (text) LocalFree(text);
    return result;
}

class FileCommandsTest : public ShellFixture {
protected:
    // The next file dialog gets path typed in and its default button pressed.
    void chooseInNextDialog(const std::filesystem::path& path) {
        dialogs.handleNextDialog([path](HWND dialog) {
            SetDlgItemTextW(dialog, fileNameField, path.wstring().c_str());
            pressButton(dialog, IDOK);
        });
    }
    void cancelNextDialog() {
        dialogs.handleNextDialog([](HWND dialog) { pressButton(dialog, IDCANCEL); });
    }
    LRESULT command(int id) { return SendMessageW(shell.frame, WM_COMMAND, id, 0); }
    // Picks another entry of "Files of type", as a click in its list does.
    static void chooseType(HWND dialog, int index) {
        HWND types = GetDlgItem(dialog, fileTypeField);
        SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        for (int code : {CBN_SELCHANGE, CBN_SELENDOK})
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(fileTypeField, code),
                         reinterpret_cast<LPARAM>(types));
    }
    // Opens path through File > Open.
    void openThroughDialog(const std::filesystem::path& path) {
        chooseInNextDialog(path);
        command(commandOpen);
    }
    void edit(std::size_t offset, std::uint8_t value) {
        ASSERT_TRUE(reserveEdit(shell.doc, EditKind::character));
        ASSERT_TRUE(storeByte(shell.doc, static_cast<std::int64_t>(offset), value));
        recordEdit(shell.doc, EditKind::character, static_cast<std::int64_t>(offset));
        shell.doc.isModified = 1;
    }
    std::vector<SeenDialog> fileDialogs() {
        std::vector<SeenDialog> found;
        for (const SeenDialog& dialog : dialogs.seen())
            if (dialog.className == L"#32770" && !dialog.messageBox) found.push_back(dialog);
        return found;
    }
    void expectNoDocumentAfterFailedOpen() {
        EXPECT_EQ(frameTitle(), L" Quillix-64bit  ");
        EXPECT_EQ(statusText(2), L"Bytes: 0000000000");
        EXPECT_EQ(statusText(1), L"Offset: 00000000");
        for (int id : {11, 12, 13, 20, 21}) EXPECT_TRUE(menuState(id) & MF_GRAYED) << id;
        EXPECT_EQ(shell.doc.fileBytes, nullptr);
        EXPECT_EQ(shell.doc.fileSize, 0);
        EXPECT_EQ(shell.doc.filePath[0], L'\0');
        EXPECT_EQ(shell.doc.isModified, 0);
    }
};

TEST_F(FileCommandsTest, OpenShowsTheFileWithItsNameAndTheCaretOnTheFirstByte) {
    auto path = makeFile("data.bin", std::vector<std::uint8_t>(300, 0x41));
    ASSERT_NE(start(L""), nullptr);
    openThroughDialog(path);
    ASSERT_EQ(fileDialogs().size(), 1u);
    EXPECT_EQ(fileDialogs()[0].caption, L"Open");
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_EQ(frameTitle(), L" Quillix-64bit - data.bin");
    EXPECT_EQ(std::wstring(shell.doc.filePath), path.wstring());
    EXPECT_EQ(statusText(1), L"Offset: 00000000");
    EXPECT_EQ(statusText(2), L"Bytes: 300");
    for (int id : {11, 12, 13, 20, 21}) EXPECT_FALSE(menuState(id) & MF_GRAYED) << id;
    EXPECT_EQ(shell.view.caretCell, 10);
    EXPECT_EQ(shell.view.caretRow, 0);
    POINT caret{};
    GetCaretPos(&caret);
    EXPECT_EQ(caret.x, 10 * shell.view.charWidth);
    EXPECT_EQ(caret.y, 0);
}

// The keys reach the view after the first open; "Open as read-only" (chx1) opens for viewing,
// as a read-only file opens, and so it stays through a reload.
TEST_F(FileCommandsTest, TheFirstOpenGivesTheViewTheKeysAndTheReadOnlyTickIsKept) {
    auto path = makeFile("data.bin", std::vector<std::uint8_t>(40, 0x41));
    ASSERT_NE(start(L""), nullptr);
    for (bool ticked : {true, false}) {
        dialogs.clear();
        dialogs.handleNextDialog([&](HWND dialog) {
            CheckDlgButton(dialog, 1040, ticked ? BST_CHECKED : BST_UNCHECKED);
            SetDlgItemTextW(dialog, fileNameField, path.wstring().c_str());
            pressButton(dialog, IDOK);
        });
        command(commandOpen);
        ASSERT_EQ(GetFocus(), shell.hexView);
        SendMessageW(GetFocus(), WM_KEYDOWN, VK_RIGHT, 0);
        SendMessageW(GetFocus(), WM_CHAR, L'7', 0);
        EXPECT_EQ(frameTitle(), ticked ? L" Quillix-64bit - data.bin [read-only]" : L" Quillix-64bit - data.bin");
        EXPECT_EQ((menuState(commandSave) & MF_GRAYED) != 0, ticked);
        EXPECT_EQ(shell.doc.fileBytes[1], ticked ? 0x41 : 0x71);
        EXPECT_EQ(dialogs.messageBoxes().size(), ticked ? 1u : 0u);
        if (ticked) {  // and so it stays when the file is taken up again; the next open edits
            SystemError cause = 0;
            ASSERT_EQ(reloadDocument(shell.doc, cause), 1);
            EXPECT_TRUE(isReadOnly(shell.doc));
        }
        shell.doc.isModified = 0;  // the next open goes without the save question
    }
}

TEST_F(FileCommandsTest, RefusedOpensExplainWhyAndLeaveNoDocument) {
    auto good = makeFile("good.bin", {1, 2, 3});
    auto empty = makeFile("empty.bin", {});
    auto locked = makeFile("locked.bin", {4, 5, 6});
    auto huge = folder / "huge.bin";
    makeFile("huge.bin", {});
    std::filesystem::resize_file(huge, 0x100000001ull);
    HANDLE lock = CreateFileW(locked.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);

    struct Case {
        std::filesystem::path path;
        std::wstring message;
    };
    const Case cases[] = {
        {empty, L" GetLastError() returned number [1006], which translate to:\n" + systemText(1006)},
        {locked, L" GetLastError() returned number [32], which translate to:\n" + systemText(32)},
        {huge, L"Could not open file! huge.bin is over 4gb"},
    };
    ASSERT_NE(start(good.wstring()), nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.string());
        openThroughDialog(good);  // an open document goes when the next open is tried
        ASSERT_NE(shell.doc.fileBytes, nullptr);
        dialogs.clear();
        openThroughDialog(c.path);
        auto boxes = dialogs.messageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.message.substr(0, 255 + (c.message[0] == L' ')));
        EXPECT_EQ(boxes[0].caption, L"Quillix-64bit");
        EXPECT_EQ(boxes[0].icon, BoxIcon::warning);
        EXPECT_EQ(boxes[0].owner, shell.frame);  // owned by the hex view, shown for its frame
        expectNoDocumentAfterFailedOpen();
    }
    CloseHandle(lock);
}

TEST_F(FileCommandsTest, TheOpenDialogRefusesAMissingNameItself) {
    ASSERT_NE(start(L""), nullptr);
    dialogs.handleNextDialog([this](HWND dialog) {
        SetDlgItemTextW(dialog, fileNameField, (folder / "missing.bin").wstring().c_str());
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);  // the dialog's own box comes and goes
        pressButton(dialog, IDCANCEL);
    });
    command(commandOpen);
    EXPECT_EQ(dialogs.messageBoxes().size(), 1u);
    EXPECT_EQ(frameTitle(), L" Quillix-64bit");
    EXPECT_EQ(shell.doc.filePath[0], L'\0');
}

TEST_F(FileCommandsTest, OpenWithUnsavedChangesAsksFirst) {
    auto first = makeFile("first.bin", {1, 2});
    auto second = makeFile("second.bin", {3, 4, 5});
    ASSERT_NE(start(first.wstring()), nullptr);
    edit(0, 0xEE);

    dialogs.answerNext(IDCANCEL);
    command(commandOpen);
    EXPECT_EQ(dialogs.messageBoxes().size(), 1u);
    EXPECT_TRUE(fileDialogs().empty());  // Cancel: no dialog at all
    EXPECT_EQ(shell.doc.isModified, 1);

    dialogs.clear();
    dialogs.answerNext(IDNO);
    chooseInNextDialog(second);
    command(commandOpen);
    EXPECT_EQ(fileDialogs().size(), 1u);
    EXPECT_EQ(shell.doc.fileSize, 3);
    EXPECT_EQ(shell.doc.isModified, 0);
    EXPECT_EQ(shell.doc.editCount, 0);
    EXPECT_EQ(fileBytes(first)[0], 1);  // the changes were dropped
}

TEST_F(FileCommandsTest, ACancelledOpenKeepsTheDocumentsNames) {
    auto path = makeFile("keep.bin", {1, 2, 3});
    ASSERT_NE(start(L""), nullptr);
    openThroughDialog(path);
    cancelNextDialog();
    command(commandOpen);
    EXPECT_EQ(std::wstring(shell.doc.filePath), path.wstring());
    EXPECT_EQ(std::wstring(shell.doc.fileTitle), L"keep.bin");
    edit(1, 0x77);
    EXPECT_EQ(command(commandSave), 1);
    EXPECT_EQ(fileBytes(path), (std::vector<std::uint8_t>{1, 0x77, 3}));
}

TEST_F(FileCommandsTest, SaveAsWritesTheNewFileAndTitlesItWithTwoBlanks) {
    auto path = makeFile("orig.bin", {1, 2, 3, 4});
    ASSERT_NE(start(L""), nullptr);
    openThroughDialog(path);
    edit(2, 0xAB);
    auto copy = folder / "copy.bin";
    chooseInNextDialog(copy);
    EXPECT_EQ(command(commandSaveAs), 1);
    ASSERT_EQ(fileDialogs().size(), 2u);
    EXPECT_EQ(fileDialogs()[1].caption, L"Save As");
    EXPECT_EQ(frameTitle(), L" Quillix-64bit  copy.bin");
    EXPECT_EQ(fileBytes(copy), (std::vector<std::uint8_t>{1, 2, 0xAB, 4}));
    EXPECT_EQ(fileBytes(path), (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(shell.doc.isModified, 0);
    EXPECT_EQ(shell.doc.editCount, 0);
    // Save now goes to the new name.
    edit(0, 0x55);
    EXPECT_EQ(command(commandSave), 1);
    EXPECT_EQ(fileBytes(copy)[0], 0x55);
}

TEST_F(FileCommandsTest, ExportProposesATextNameAndFollowsTheTypeButSaveKeepsTheDocument) {
    auto path = makeFile("data.bin", {0x30, 0x31, 0x32});
    ASSERT_NE(start(L""), nullptr);
    openThroughDialog(path);
    edit(0, 0x39);

    const std::wstring base = (folder / "data").wstring();
    std::wstring atStart, fieldAtStart, afterDoc, fieldAfterDoc, afterText;
    dialogs.handleNextDialog([&](HWND dialog) {
        atStart = shell.doc.filePath;
        fieldAtStart = fieldText(dialog, fileNameField);
        chooseType(dialog, 1);
        afterDoc = shell.doc.filePath;
        fieldAfterDoc = fieldText(dialog, fileNameField);
        chooseType(dialog, 0);
        afterText = shell.doc.filePath;
        SetDlgItemTextW(dialog, fileNameField, (base + L".txt").c_str());
        pressButton(dialog, IDOK);
    });
    EXPECT_EQ(command(commandExportAs), 1);
    EXPECT_EQ(atStart, base + L".txt");
    EXPECT_EQ(fieldAtStart, L"data.txt");
    EXPECT_EQ(afterDoc, base + L".doc");
    EXPECT_EQ(fieldAfterDoc, L"data.doc");
    EXPECT_EQ(afterText, base + L".txt");
    ASSERT_EQ(fileDialogs().size(), 2u);
    EXPECT_EQ(fileDialogs()[1].caption, L"Export As");
    // The dump holds the edited byte: one last line of 67 bytes.
    auto dump = fileBytes(folder / "data.txt");
    ASSERT_EQ(dump.size(), 67u);
    EXPECT_EQ(std::string(dump.begin(), dump.begin() + 17), "00000000: 3931 32");
    EXPECT_EQ(std::string(dump.begin() + 50, dump.begin() + 53), "912");
    EXPECT_EQ(dump.back(), '\n');

    // The document keeps its own names, its edits and its title.
    EXPECT_EQ(std::wstring(shell.doc.filePath), path.wstring());
    EXPECT_EQ(std::wstring(shell.doc.fileTitle), L"data.bin");
    EXPECT_EQ(frameTitle(), L" Quillix-64bit - data.bin");
    EXPECT_EQ(shell.doc.isModified, 1);
    EXPECT_EQ(command(commandSave), 1);
    EXPECT_EQ(fileBytes(path), (std::vector<std::uint8_t>{0x39, 0x31, 0x32}));

    // A cancelled export leaves the names alone too.
    cancelNextDialog();
    EXPECT_EQ(command(commandExportAs), 0);
    EXPECT_EQ(std::wstring(shell.doc.filePath), path.wstring());
}

TEST_F(FileCommandsTest, AnExportThatCannotReplaceItsTargetSaysSoAndLeavesItWhole) {
    auto path = makeFile("data.bin", {1, 2, 3});
    auto target = makeFile("busy.txt", {'o', 'l', 'd'});
    ASSERT_NE(start(L""), nullptr);
    openThroughDialog(path);
    HANDLE lock = CreateFileW(target.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    dialogs.handleNextDialog([&](HWND dialog) {
        SetDlgItemTextW(dialog, fileNameField, target.wstring().c_str());
        pressButton(dialog, IDOK);
    });
    dialogs.answerNext(IDYES);  // the dialog's own "replace it?" question
    EXPECT_EQ(command(commandExportAs), 0);
    CloseHandle(lock);
    auto boxes = dialogs.messageBoxes();
    ASSERT_FALSE(boxes.empty());
    // The system's words for why follow on a second line (Wine and Windows word it apart).
    const std::wstring failure = L"Could not write file busy.txt\n";
    EXPECT_EQ(boxes.back().text.substr(0, failure.size()), failure);
    EXPECT_GT(boxes.back().text.size(), failure.size());
    EXPECT_EQ(boxes.back().caption, L"Quillix-64bit");
    EXPECT_EQ(boxes.back().owner, shell.frame);
    EXPECT_EQ(fileBytes(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::wstring(shell.doc.filePath), path.wstring());
    std::size_t leftovers = 0;
    for (auto& entry : std::filesystem::directory_iterator(folder))
        leftovers += entry.path().extension() == ".tmp";
    EXPECT_EQ(leftovers, 0u);
}

TEST_F(FileCommandsTest, ALongExportShowsItsProgressAndEscapeLeavesNoFileBehind) {
    auto path = folder / "big.bin";
    { std::ofstream create(path, std::ios::binary); }
    std::filesystem::resize_file(path, std::uintmax_t{256} << 20);  // zeros that take no disk
    ASSERT_NE(start(path.wstring()), nullptr);
    const auto target = folder / "big.txt";
    SteppingClock::install(shell.hexView, 4);
    chooseInNextDialog(target);
    EXPECT_EQ(command(commandExportAs), 0);
    const std::wstring progress = SteppingClock::statusAtEscape();
    EXPECT_EQ(progress.rfind(L"Exporting\u2026 ", 0), 0u) << progress;
    EXPECT_EQ(progress.substr(progress.size() - 2), L" %") << progress;
    EXPECT_EQ(statusText(0), L"Export stopped");
    EXPECT_TRUE(dialogs.messageBoxes().empty());  // the user asked for it: no failure box
    std::vector<std::string> names;
    for (auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"big.bin"});
    EXPECT_EQ(std::wstring(shell.doc.filePath), path.wstring());
}

// Keys typed while an export runs are the export's: "77" and then Escape stop it, and
// neither digit is typed into the document once it is over.
TEST_F(FileCommandsTest, KeysTypedDuringALongExportAreDroppedAndAnEscapeAmongThemStopsIt) {
    auto path = folder / "big.bin";
    { std::ofstream create(path, std::ios::binary); }
    std::filesystem::resize_file(path, std::uintmax_t{256} << 20);
    ASSERT_NE(start(path.wstring()), nullptr);
    SteppingClock::install(shell.hexView, 4, L"77");
    chooseInNextDialog(folder / "big.txt");
    EXPECT_EQ(command(commandExportAs), 0);
    EXPECT_EQ(statusText(0), L"Export stopped");
    pump();
    EXPECT_EQ(shell.doc.fileBytes[0], 0);
    EXPECT_EQ(shell.doc.isModified, 0);
    EXPECT_EQ(statusText(1), L"Offset: 00000000");
    dialogs.clear();
    SendMessageW(shell.frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(dialogs.messageBoxes().empty());  // nothing to save
    EXPECT_FALSE(IsWindow(shell.frame));
    EXPECT_FALSE(std::filesystem::exists(folder / "big.txt"));
}

TEST_F(FileCommandsTest, ExportOfACommandLineDocumentProposesEverything) {
    auto path = makeFile("cmd.bin", {1});
    ASSERT_NE(start(path.wstring()), nullptr);
    std::wstring atStart;
    dialogs.handleNextDialog([&](HWND dialog) {
        atStart = shell.doc.filePath;
        pressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(command(commandExportAs), 0);
    EXPECT_EQ(atStart, L"*.*");
    EXPECT_EQ(std::wstring(shell.doc.filePath), path.wstring());
}

TEST_F(FileCommandsTest, APathWithNoRoomForTxtIsNotOverrun) {
    auto path = makeFile("x.bin", {1});
    ASSERT_NE(start(path.wstring()), nullptr);
    std::wstring longPath(769, L'a');
    lstrcpyW(shell.doc.filePath, longPath.c_str());
    shell.doc.filePath[770] = L'#';  // past the terminator: must survive
    std::wstring proposed;
    dialogs.handleNextDialog([&](HWND dialog) {
        proposed = shell.doc.filePath;
        pressButton(dialog, IDCANCEL);
    });
    command(commandExportAs);
    EXPECT_EQ(proposed.find(L".txt"), std::wstring::npos);
    EXPECT_EQ(shell.doc.filePath[770], L'#');
    EXPECT_EQ(std::wstring(shell.doc.filePath), longPath);
}

TEST_F(FileCommandsTest, AFailedSaveKeepsTheNamesSoSaveCanBeTriedAgain) {
    auto path = makeFile("first.bin", {1, 2, 3});
    ASSERT_NE(start(L""), nullptr);
    openThroughDialog(path);
    auto target = folder / "target.bin";
    chooseInNextDialog(target);
    ASSERT_EQ(command(commandSaveAs), 1);
    edit(0, 0x10);
    // Another program holds the file without sharing it: the save cannot open it.
    HANDLE lock = CreateFileW(target.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    dialogs.clear();
    EXPECT_EQ(command(commandSave), 0);
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              L"Could not write to file target.bin!\n" + systemErrorText(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(boxes[0].owner, shell.frame);
    EXPECT_EQ(std::wstring(shell.doc.fileTitle), L"target.bin");
    EXPECT_EQ(std::wstring(shell.doc.filePath), target.wstring());
    EXPECT_EQ(frameTitle(), L" Quillix-64bit  target.bin");
    EXPECT_EQ(shell.doc.isModified, 1);

    // The close question still names the file; its Yes cannot close while saving fails.
    dialogs.clear();
    dialogs.answerNext(IDYES);
    SendMessageW(shell.frame, WM_CLOSE, 0, 0);
    boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, L"Save current changes in target.bin?");
    EXPECT_EQ(boxes[1].text,
              L"Could not write to file target.bin!\n" + systemErrorText(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(IsWindow(shell.frame));

    CloseHandle(lock);
    EXPECT_EQ(command(commandSave), 1);
    EXPECT_EQ(fileBytes(target)[0], 0x10);
    EXPECT_EQ(fileBytes(path)[0], 1);
    // The Save As into the same folder let go of the old file at once.
    ASSERT_TRUE(DeleteFileW(path.wstring().c_str()));
    HANDLE fresh = CreateFileW(path.wstring().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    EXPECT_NE(fresh, INVALID_HANDLE_VALUE) << GetLastError();
    CloseHandle(fresh);
}

TEST_F(FileCommandsTest, OpenAndSaveAsTakeTheNameAsTypedAfterAnExport) {
    auto data = makeFile("data.bin", {1, 2, 3});
    auto plain = makeFile("b", {0xB0});
    makeFile("b.txt", {'t', 'x', 't', '!'});
    ASSERT_NE(start(L""), nullptr);
    openThroughDialog(data);
    cancelNextDialog();
    ASSERT_EQ(command(commandExportAs), 0);

    openThroughDialog(plain);
    EXPECT_EQ(std::wstring(shell.doc.filePath), plain.wstring());
    EXPECT_EQ(shell.doc.fileSize, 1);
    edit(0, 0xB1);
    chooseInNextDialog(folder / "copy");
    EXPECT_EQ(command(commandSaveAs), 1);
    EXPECT_EQ(fileBytes(folder / "copy"), std::vector<std::uint8_t>{0xB1});
    EXPECT_FALSE(std::filesystem::exists(folder / "copy.txt"));
}

// A read-only target is left exactly as it is by Save As and by Export As, and the box
// says why in the system's words.
TEST_F(FileCommandsTest, ReadOnlyTargetsAreRefusedAndLeftAlone) {
    auto data = makeFile("data.bin", {1, 2, 3});
    auto keptBin = makeFile("kept.bin", {7, 7});
    auto keptTxt = makeFile("kept.txt", {'k'});
    for (const auto& path : {keptBin, keptTxt})
        SetFileAttributesW(path.wstring().c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_NE(start(L""), nullptr);
    openThroughDialog(data);
    edit(1, 0x22);

    dialogs.clear();
    chooseInNextDialog(keptBin);
    dialogs.answerNext(IDYES);  // the dialog's own "replace it?" question
    EXPECT_EQ(command(commandSaveAs), 0);
    chooseInNextDialog(keptTxt);
    dialogs.answerNext(IDYES);
    EXPECT_EQ(command(commandExportAs), 0);

    std::vector<std::wstring> ours;  // leaving out the dialogs' own questions
    for (const SeenDialog& box : dialogs.messageBoxes())
        if (box.caption == L"Quillix-64bit") ours.push_back(box.text);
    const std::wstring why = L"\n" + systemErrorText(ERROR_ACCESS_DENIED);
    EXPECT_EQ(ours, (std::vector<std::wstring>{L"Could not write to file kept.bin!" + why,
                                               L"Could not write file kept.txt" + why}));
    EXPECT_EQ(fileBytes(keptBin), (std::vector<std::uint8_t>{7, 7}));
    EXPECT_EQ(fileBytes(keptTxt), std::vector<std::uint8_t>{'k'});
    for (const auto& path : {keptBin, keptTxt})
        EXPECT_EQ(GetFileAttributesW(path.wstring().c_str()) & FILE_ATTRIBUTE_READONLY,
                  DWORD{FILE_ATTRIBUTE_READONLY});
    EXPECT_EQ(frameTitle(), L" Quillix-64bit - data.bin");
    EXPECT_EQ(shell.doc.isModified, 1);
}

// A file whose read-only attribute is set, or that another handle holds open for writing
// sharing only reads, opens for viewing; Save As makes the document a writable copy.
TEST_F(FileCommandsTest, FilesThatMayOnlyBeReadOpenForViewingAndSaveAsMakesACopy) {
    auto marked = makeFile("marked.bin", {1, 2, 3});
    auto held = makeFile("held.bin", {4, 5, 6, 7});
    SetFileAttributesW(marked.wstring().c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE writer = CreateFileW(held.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(start(L""), nullptr);
    for (const auto& path : {marked, held}) {
        openThroughDialog(path);
        EXPECT_EQ(frameTitle(), L" Quillix-64bit - " + path.filename().wstring() + L" [read-only]");
        EXPECT_TRUE(menuState(commandSave) & MF_GRAYED);
        dialogs.clear();
        SendMessageW(shell.hexView, WM_CHAR, '4', 0);
        command(commandUndo);
        ASSERT_EQ(dialogs.messageBoxes().size(), 2u);
        EXPECT_EQ(dialogs.messageBoxes()[1].text, L"File [" + path.filename().wstring() + L"] is read only!");
    }
    chooseInNextDialog(folder / "copy.bin");
    EXPECT_EQ(command(commandSaveAs), 1);
    EXPECT_EQ(frameTitle(), L" Quillix-64bit  copy.bin");
    SendMessageW(shell.hexView, WM_CHAR, '9', 0);
    EXPECT_EQ(command(commandSave), 1);
    EXPECT_EQ(fileBytes(folder / "copy.bin"), (std::vector<std::uint8_t>{0x94, 5, 6, 7}));
    CloseHandle(writer);
    SetFileAttributesW(marked.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Another program writes into the open file: Save asks first, in the program's own box.
// No saves nothing, so neither does the Yes of the close question; Yes keeps the other
// program's bytes beside the user's.
TEST_F(FileCommandsTest, SavingIntoAFileAnotherProgramChangedAsksFirst) {
    auto path = makeFile("shared.bin", std::vector<std::uint8_t>(5000, 0x11));
    ASSERT_NE(start(L""), nullptr);
    openThroughDialog(path);
    edit(0, 0xAA);
    {
        HANDLE other = CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(other, INVALID_HANDLE_VALUE);
        SetFilePointer(other, 3000, nullptr, FILE_BEGIN);
        DWORD written = 0;
        const char theirs[] = "theirs";
        WriteFile(other, theirs, 6, &written, nullptr);
        FILETIME lastWrite{};
        GetFileTime(other, nullptr, nullptr, &lastWrite);
        ULARGE_INTEGER later{{lastWrite.dwLowDateTime, lastWrite.dwHighDateTime}};
        later.QuadPart += 30000000;  // three seconds on
        lastWrite = {later.LowPart, later.HighPart};
        SetFileTime(other, nullptr, nullptr, &lastWrite);
        CloseHandle(other);
    }
    auto expected = fileBytes(path);

    dialogs.clear();
    dialogs.answerNext(IDNO);
    EXPECT_EQ(command(commandSave), 0);
    auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(
        boxes[0].text,
        L"shared.bin was changed by another program after it was opened.\nSave your changes into it anyway?");
    EXPECT_EQ(boxes[0].caption, L"Quillix-64bit");
    EXPECT_EQ(boxes[0].icon, BoxIcon::warning);
    EXPECT_EQ(boxes[0].buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(boxes[0].owner, shell.frame);
    EXPECT_EQ(fileBytes(path), expected);
    EXPECT_EQ(shell.doc.isModified, 1);

    dialogs.clear();
    dialogs.answerNext(IDYES);  // save the changes?
    dialogs.answerNext(IDNO);   // into the changed file?
    SendMessageW(shell.frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(dialogs.messageBoxes().size(), 2u);
    EXPECT_TRUE(IsWindow(shell.frame));
    EXPECT_EQ(fileBytes(path), expected);

    dialogs.answerNext(IDYES);
    EXPECT_EQ(command(commandSave), 1);
    expected[0] = 0xAA;
    EXPECT_EQ(fileBytes(path), expected);
    EXPECT_EQ(shell.doc.isModified, 0);
}

}  // namespace
}  // namespace quillix::test
