// The data inspector's tool window under Wine: opened from the menu and with Ctrl+I, its
// texts read back from the real list and checked against the decoding of the file's bytes
// at the caret, its keys sent through the test's message pump as the loop would deliver
// them, and its copy read back from the real clipboard.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "app/frame_window.h"
#include "app/inspector_window_win32.h"
#include "hexview/data_inspector.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

constexpr int listId = 1301;
constexpr int fileNameField = 1148;  // the Open dialog's name field (cmb13 under Wine)

std::vector<std::uint8_t> randomBytes(std::size_t size) {
    std::mt19937 random(23);
    std::vector<std::uint8_t> bytes(size);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

class InspectorWindowTest : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        // The catcher cancels any dialog that activates; these two are the test's to drive.
        dialogs.leaveOpenWhen(
            [](HWND window) { return window == shell.findDialog || window == shell.inspector; });
    }
    void TearDown() override {
        setControl(false);
        ShellFixture::TearDown();
    }

    std::filesystem::path openFile(const std::vector<std::uint8_t>& bytes) {
        auto path = makeFile("inspect.bin", bytes);
        EXPECT_NE(start(path.wstring()), nullptr);
        return path;
    }
    void command(int id) {
        SendMessageW(shell.frame, WM_COMMAND, id, 0);
        pump();
    }
    void openThroughDialog(const std::filesystem::path& path) {
        dialogs.handleNextDialog([path](HWND dialog) {
            SetDlgItemTextW(dialog, fileNameField, path.wstring().c_str());
            pressButton(dialog, IDOK);
        });
        command(commandOpen);
    }
    HWND list() { return GetDlgItem(shell.inspector, listId); }
    bool menuChecked() { return (menuState(commandDataInspector) & MF_CHECKED) != 0; }

    // The Ctrl key as GetKeyState sees it on this thread.
    static void setControl(bool down) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    // A key as the loop receives it: posted, then through the pump's routing.
    void postKey(HWND window, WPARAM key, bool control = false) {
        setControl(control);
        PostMessageW(window, WM_KEYDOWN, key, 1);
        pump();
        setControl(false);
    }
    void viewKey(UINT key) {
        SendMessageW(shell.hexView, WM_KEYDOWN, key, 0);
        pump();
    }

    std::wstring cell(int row, int subItem) {
        wchar_t text[128] = {};
        LVITEMW item{};
        item.iSubItem = subItem;
        item.pszText = text;
        item.cchTextMax = 128;
        SendMessageW(list(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return text;
    }
    // Every row of the list against the decoding of bytes from offset on.
    void expectShows(const std::vector<std::uint8_t>& bytes, std::int64_t offset) {
        SCOPED_TRACE(testing::Message() << "offset " << offset);
        const auto size = static_cast<std::int64_t>(bytes.size());
        const std::int64_t available = std::clamp<std::int64_t>(size - offset, 0, 16);
        InspectorValues want{};
        inspectBytes(available > 0 ? bytes.data() + offset : bytes.data(), available, want);
        ASSERT_EQ(SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0), inspectorRowCount);
        for (int row = 0; row < inspectorRowCount; ++row) {
            EXPECT_EQ(cell(row, 0), inspectorRowName(row));
            EXPECT_EQ(cell(row, 1), want.text[row][littleEndianColumn]) << inspectorRowName(row);
            EXPECT_EQ(cell(row, 2), want.text[row][bigEndianColumn]) << inspectorRowName(row);
        }
    }
    void expectAllDashes() {
        for (int row = 0; row < inspectorRowCount; ++row) {
            EXPECT_EQ(cell(row, 1), L"-") << inspectorRowName(row);
            EXPECT_EQ(cell(row, 2), L"-") << inspectorRowName(row);
        }
    }
    std::wstring clipboardText() {
        std::wstring text;
        if (!OpenClipboard(nullptr)) return L"(clipboard busy)";
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            text = static_cast<const wchar_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
        return text;
    }
    std::wstring rowText(int row) { return cell(row, 0) + L"\t" + cell(row, 1) + L"\t" + cell(row, 2); }
};

TEST_F(InspectorWindowTest, OpensFromTheMenuBesideTheFrameAndFollowsKeysClicksEditsAndGoto) {
    std::vector<std::uint8_t> bytes = randomBytes(100);
    openFile(bytes);
    EXPECT_EQ(menuState(commandDataInspector) & (MF_GRAYED | MF_CHECKED), 0u);

    command(commandDataInspector);
    ASSERT_NE(shell.inspector, nullptr);
    EXPECT_TRUE(IsWindowVisible(shell.inspector));
    EXPECT_TRUE(menuChecked());
    EXPECT_EQ(GetWindow(shell.inspector, GW_OWNER), shell.frame);
    EXPECT_EQ(GetFocus(), shell.hexView) << "opening leaves the keyboard with the view";
    HWND header = reinterpret_cast<HWND>(SendMessageW(list(), LVM_GETHEADER, 0, 0));
    EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 3);
    // Beside the frame, inside the screen's work area, every column whole.
    RECT frameRect{}, inspectorRect{}, overlap{}, work{};
    GetWindowRect(shell.frame, &frameRect);
    GetWindowRect(shell.inspector, &inspectorRect);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_FALSE(IntersectRect(&overlap, &frameRect, &inspectorRect));
    EXPECT_TRUE(inspectorRect.left >= work.left && inspectorRect.right <= work.right &&
                inspectorRect.top >= work.top && inspectorRect.bottom <= work.bottom);
    RECT listArea{};
    GetClientRect(list(), &listArea);
    int columnsWidth = 0;
    for (int column = 0; column < 3; ++column)
        columnsWidth += static_cast<int>(SendMessageW(list(), LVM_GETCOLUMNWIDTH, column, 0));
    EXPECT_GE(listArea.right, columnsWidth);
    expectShows(bytes, 0);

    viewKey(VK_RIGHT);
    expectShows(bytes, 1);
    viewKey(VK_DOWN);
    expectShows(bytes, 17);
    // A click on the sixth byte of the third row.
    SendMessageW(shell.hexView, WM_LBUTTONDOWN, 0,
                 MAKELPARAM(highCellOf[6] * shell.view.charWidth + 1, 2 * shell.view.lineHeight + 1));
    pump();
    expectShows(bytes, 37);
    SendMessageW(shell.hexView, WM_CHAR, L'7', 0);
    pump();
    bytes[37] = static_cast<std::uint8_t>(0x70 | (bytes[37] & 0x0F));
    expectShows(bytes, 37);

    // The last byte alone, then the EOF position.
    viewKey(VK_END);
    expectShows(bytes, 99);
    EXPECT_NE(cell(inspectUint8, 1), L"-");
    EXPECT_EQ(cell(inspectUint16, 1), L"-");
    viewKey(VK_RIGHT);
    ASSERT_EQ(statusText(1), L"EOF");
    expectAllDashes();

    // A Goto hit moves the caret through the frame's find notification.
    command(commandGoto);
    ASSERT_NE(shell.findDialog, nullptr);
    for (wchar_t c : std::wstring(L"2A")) SendDlgItemMessageW(shell.findDialog, 1152, WM_CHAR, c, 0);
    pressButton(shell.findDialog, IDOK);
    pump();
    ASSERT_EQ(statusText(1), L"Offset: 0000002A");
    expectShows(bytes, 0x2A);
}

TEST_F(InspectorWindowTest, WithoutADocumentCtrlIOpensItFullOfDashesAnOpenFillsItAndCtrlIClosesIt) {
    ASSERT_NE(start(L""), nullptr);
    EXPECT_EQ(menuState(commandDataInspector) & MF_GRAYED, 0u);
    postKey(GetFocus() ? GetFocus() : shell.frame, 'I', true);
    ASSERT_NE(shell.inspector, nullptr);
    EXPECT_TRUE(menuChecked());
    expectAllDashes();

    const std::vector<std::uint8_t> bytes = randomBytes(12);
    const auto path = makeFile("opened.bin", bytes);
    openThroughDialog(path);
    ASSERT_EQ(statusText(2), L"Bytes: 12");
    expectShows(bytes, 0);
    // A failed open leaves no document.
    openThroughDialog(makeFile("empty.bin", {}));
    ASSERT_EQ(shell.doc.fileBytes, nullptr);
    expectAllDashes();

    HWND window = shell.inspector;
    postKey(GetFocus() ? GetFocus() : shell.frame, 'I', true);
    EXPECT_EQ(shell.inspector, nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(menuChecked());
}

TEST_F(InspectorWindowTest, CtrlIAndF6AndEscapeAndTheCloseBoxWorkFromTheKeyboardWithoutTypingIntoTheView) {
    const std::vector<std::uint8_t> bytes = randomBytes(40);
    auto path = openFile(bytes);
    // In the character area, the character Ctrl+I would make (a Tab) would overwrite a byte.
    SendMessageW(shell.hexView, WM_LBUTTONDOWN, 0, MAKELPARAM(50 * shell.view.charWidth + 1, 1));
    pump();
    ASSERT_EQ(shell.view.caretCell, 50);
    postKey(shell.hexView, 'I', true);
    ASSERT_NE(shell.inspector, nullptr);
    EXPECT_EQ(shell.doc.fileBytes[0], bytes[0]);
    EXPECT_EQ(shell.doc.isModified, 0);

    postKey(shell.hexView, VK_F6);
    EXPECT_EQ(GetFocus(), list());
    postKey(list(), VK_F6);
    EXPECT_EQ(GetFocus(), shell.hexView);
    postKey(shell.hexView, VK_F6);
    ASSERT_EQ(GetFocus(), list());
    // In the list, a Ctrl+I closes the window just the same.
    postKey(list(), 'I', true);
    EXPECT_EQ(shell.inspector, nullptr);
    EXPECT_FALSE(menuChecked());

    postKey(shell.hexView, 'I', true);
    ASSERT_NE(shell.inspector, nullptr);
    postKey(shell.hexView, VK_F6);
    HWND window = shell.inspector;
    postKey(list(), VK_ESCAPE);
    EXPECT_EQ(shell.inspector, nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(menuChecked());

    command(commandDataInspector);
    ASSERT_NE(shell.inspector, nullptr);
    window = shell.inspector;
    SendMessageW(shell.inspector, WM_SYSCOMMAND, SC_CLOSE, 0);
    pump();
    EXPECT_EQ(shell.inspector, nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(menuChecked());
    // Without the window, F6 is the view's own key again and Ctrl+I still typed nothing.
    EXPECT_EQ(fileBytes(path), bytes);
    EXPECT_EQ(shell.doc.isModified, 0);
}

TEST_F(InspectorWindowTest, CtrlCCopiesTheSelectedRowAndAfterCtrlATheWholeTable) {
    openFile(randomBytes(64));
    command(commandDataInspector);
    postKey(shell.hexView, VK_F6);
    ASSERT_EQ(GetFocus(), list());
    postKey(list(), VK_DOWN);  // the list's own key: from the first row to the second
    postKey(list(), 'C', true);
    EXPECT_EQ(clipboardText(), rowText(inspectUint8));
    EXPECT_TRUE(rowText(inspectUint8).starts_with(L"uint8\t"));

    postKey(list(), 'A', true);
    postKey(list(), 'C', true);
    std::wstring table;
    for (int row = 0; row < inspectorRowCount; ++row) table += (row ? L"\r\n" : L"") + rowText(row);
    EXPECT_EQ(clipboardText(), table);

    // A clipboard another window holds open is reported, and nothing is copied.
    postKey(list(), VK_HOME);
    ASSERT_TRUE(OpenClipboard(shell.frame));
    postKey(list(), 'C', true);
    CloseClipboard();
    const auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              L"Could not copy to the clipboard.\nAnother program may be using it; please try again.");
    EXPECT_EQ(boxes[0].caption, L"Quillix-64bit");
    EXPECT_EQ(boxes[0].icon, BoxIcon::warning);
    EXPECT_EQ(clipboardText(), table);
}

TEST_F(InspectorWindowTest, TheFrameKeepsWorkingWhileItIsOpen) {
    std::vector<std::uint8_t> bytes = randomBytes(64);
    auto path = openFile(bytes);
    command(commandDataInspector);
    ASSERT_NE(shell.inspector, nullptr);
    viewKey(VK_DOWN);

    // Typing reaches the view through the loop, with the window open.
    for (wchar_t c : std::wstring(L"7f")) {
        PostMessageW(shell.hexView, WM_CHAR, c, 1);
        pump();
    }
    bytes[16] = 0x7F;
    EXPECT_EQ(shell.doc.fileBytes[16], 0x7F);
    expectShows(bytes, 17);
    viewKey(VK_LEFT);
    expectShows(bytes, 16);
    EXPECT_EQ(SendMessageW(shell.frame, WM_COMMAND, commandSave, 0), 1);
    pump();
    EXPECT_EQ(fileBytes(path), bytes);
    EXPECT_NE(shell.inspector, nullptr);
}

TEST_F(InspectorWindowTest, OnlyTheRowsWhoseTextsChangeArePainted) {
    // Zeros but byte 16: from offset 0 to 1 only the GUID, the one row that reads 16 bytes,
    // sees a change; from 17 on every row reads zeros.
    std::vector<std::uint8_t> bytes(64, 0);
    bytes[16] = 1;
    openFile(bytes);
    command(commandDataInspector);
    HWND list = this->list();
    RECT guid{};
    guid.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, inspectGuid, reinterpret_cast<LPARAM>(&guid));

    // The keys arrive as the loop would send them; what the list must paint is read
    // before the queue is emptied.
    RECT update{};
    ASSERT_FALSE(GetUpdateRect(list, &update, FALSE));
    SendMessageW(shell.hexView, WM_KEYDOWN, VK_RIGHT, 0);
    ASSERT_TRUE(GetUpdateRect(list, &update, FALSE));
    EXPECT_GE(update.top, guid.top);
    EXPECT_LE(update.bottom, guid.bottom);
    pump();
    expectShows(bytes, 1);

    SendMessageW(shell.hexView, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_TRUE(GetUpdateRect(list, &update, FALSE));
    pump();
    SendMessageW(shell.hexView, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_FALSE(GetUpdateRect(list, &update, FALSE)) << "the same texts again";
    pump();
    expectShows(bytes, 18);
}

TEST(InspectorPlacement, BesideTheFrameWhereItFitsElsePushedIntoTheWorkArea) {
    const RECT work{0, 0, 1280, 1024};
    const SIZE size{400, 380};
    auto expectAt = [&](RECT frame, LONG x, LONG y) {
        const RECT place = placeBeside(frame, size, work);
        EXPECT_EQ(place.left, x);
        EXPECT_EQ(place.top, y);
        EXPECT_EQ(place.right - place.left, size.cx);
        EXPECT_EQ(place.bottom - place.top, size.cy);
    };
    expectAt({100, 100, 735, 453}, 735, 100);          // right
    expectAt({100, 800, 735, 1000}, 735, 1024 - 380);  // right, moved up to fit
    expectAt({245, 100, 880, 453}, 880, 100);          // right, to the last pixel
    expectAt({401, 100, 881, 453}, 1, 100);            // one pixel too many: left
    expectAt({0, 0, 1280, 600}, 0, 600);               // no room at the sides: below
    expectAt({0, 400, 1280, 1024}, 0, 400 - 380);      // above
    expectAt({0, 0, 1280, 700}, 1280 - 400, 0);        // nowhere: pushed in from the right
}

}  // namespace
}  // namespace quillix::test
