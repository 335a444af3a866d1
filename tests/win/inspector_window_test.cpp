// The data inspector's tool window under Wine: its texts read back from the real list and
// checked against the decoding of the file's bytes at the caret, its keys posted through
// the test's pump as the loop delivers them, its copy read back from the real clipboard.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "app/frame_window.h"
#include "app/tools/inspector_window_win32.h"
#include "app/tools/window_place_win32.h"
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

    std::filesystem::path openFile(const std::vector<std::uint8_t>& bytes) {
        auto path = makeFile("inspect.bin", bytes);
        EXPECT_NE(start(path.wstring()), nullptr);
        return path;
    }
    void command(int id) {
        SendMessageW(shell.frame, WM_COMMAND, id, 0);
        pump();
    }
    HWND list() { return GetDlgItem(shell.inspector, listId); }
    bool menuChecked() { return (menuState(commandDataInspector) & MF_CHECKED) != 0; }

    // Posted, then through the pump's routing, with Ctrl down as GetKeyState sees it.
    void postKey(HWND window, WPARAM key, bool control = false) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = control ? 0x80 : 0;
        SetKeyboardState(keys);
        PostMessageW(window, WM_KEYDOWN, key, 1);
        pump();
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
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
    std::wstring rowText(int row) { return cell(row, 0) + L"\t" + cell(row, 1) + L"\t" + cell(row, 2); }
    // Every row of the list against the decoding of bytes from offset on, and the caption
    // naming that offset.
    void expectShows(const std::vector<std::uint8_t>& bytes, std::int64_t offset) {
        SCOPED_TRACE(testing::Message() << "offset " << offset);
        wchar_t caption[64] = {}, title[64] = L"Data Inspector - EOF";
        GetWindowTextW(shell.inspector, caption, 64);
        if (offset < std::ssize(bytes)) wsprintfW(title, L"Data Inspector - %08X", static_cast<unsigned>(offset));
        EXPECT_STREQ(caption, hasDocument(shell.doc) ? title : L"Data Inspector");
        const std::int64_t available = std::clamp<std::int64_t>(std::ssize(bytes) - offset, 0, 16);
        InspectorValues want{};
        inspectBytes(bytes.data() + std::min<std::int64_t>(offset, std::ssize(bytes)), available, want);
        ASSERT_EQ(SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0), inspectorRowCount);
        for (int row = 0; row < inspectorRowCount; ++row) {
            EXPECT_EQ(cell(row, 0), inspectorRowName(row));
            EXPECT_EQ(cell(row, 1), want.text[row][littleEndianColumn]) << inspectorRowName(row);
            EXPECT_EQ(cell(row, 2), want.text[row][bigEndianColumn]) << inspectorRowName(row);
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
};

TEST_F(InspectorWindowTest, OpensBesideTheFrameAndFollowsKeysClicksTypingGotoAndSave) {
    std::vector<std::uint8_t> bytes = randomBytes(100);
    auto path = openFile(bytes);
    EXPECT_EQ(menuState(commandDataInspector) & (MF_GRAYED | MF_CHECKED), 0u);
    command(commandDataInspector);
    ASSERT_NE(shell.inspector, nullptr);
    EXPECT_TRUE(IsWindowVisible(shell.inspector));
    EXPECT_TRUE(menuChecked());
    EXPECT_EQ(GetWindow(shell.inspector, GW_OWNER), shell.frame);
    EXPECT_EQ(GetFocus(), shell.hexView) << "opening leaves the keyboard with the view";
    // Beside the frame, inside the work area, every row and column whole (no scroll bars).
    RECT frameRect{}, inspectorRect{}, overlap{}, work{};
    GetWindowRect(shell.frame, &frameRect);
    GetWindowRect(shell.inspector, &inspectorRect);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_FALSE(IntersectRect(&overlap, &frameRect, &inspectorRect));
    EXPECT_TRUE(UnionRect(&overlap, &work, &inspectorRect) && EqualRect(&overlap, &work));
    EXPECT_EQ(GetWindowLongPtrW(list(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), 0);
    expectShows(bytes, 0);

    viewKey(VK_RIGHT);
    expectShows(bytes, 1);
    viewKey(VK_DOWN);
    expectShows(bytes, 17);
    // A click on the sixth byte of the third row, then two digits typed through the loop.
    SendMessageW(shell.hexView, WM_LBUTTONDOWN, 0,
                 MAKELPARAM(highCellOf[6] * shell.view.charWidth + 1, 2 * shell.view.lineHeight + 1));
    pump();
    expectShows(bytes, 37);
    for (wchar_t c : std::wstring(L"7f")) {
        PostMessageW(shell.hexView, WM_CHAR, c, 1);
        pump();
    }
    bytes[37] = 0x7F;
    expectShows(bytes, 38);
    // Shift+click three bytes on: the rows read from the first selected byte, not the caret's.
    SendMessageW(shell.hexView, WM_LBUTTONDOWN, MK_SHIFT,
                 MAKELPARAM(highCellOf[10] * shell.view.charWidth + 1, 2 * shell.view.lineHeight + 1));
    SendMessageW(shell.hexView, WM_LBUTTONUP, 0, 0);
    pump();
    ASSERT_EQ(statusText(1), L"Offset: 00000029");
    expectShows(bytes, 38);

    // The last byte alone, then the EOF position.
    viewKey(VK_END);
    expectShows(bytes, 99);
    EXPECT_EQ(cell(inspectUint16, 1), L"-");
    viewKey(VK_RIGHT);
    ASSERT_EQ(statusText(1), L"EOF");
    expectShows(bytes, 100);

    // A Goto hit moves the caret through the frame's find notification.
    command(commandGoto);
    ASSERT_NE(shell.findDialog, nullptr);
    for (wchar_t c : std::wstring(L"25")) SendDlgItemMessageW(shell.findDialog, 1152, WM_CHAR, c, 0);
    pressButton(shell.findDialog, IDOK);
    pump();
    ASSERT_EQ(statusText(1), L"Offset: 00000025");
    expectShows(bytes, 37);
    EXPECT_EQ(SendMessageW(shell.frame, WM_COMMAND, commandSave, 0), 1);
    EXPECT_EQ(fileBytes(path), bytes);
}

TEST_F(InspectorWindowTest, WithoutADocumentItShowsDashesAndAnOpenFillsIt) {
    ASSERT_NE(start(L""), nullptr);
    EXPECT_EQ(menuState(commandDataInspector) & MF_GRAYED, 0u);
    postKey(shell.frame, 'I', true);
    ASSERT_NE(shell.inspector, nullptr);
    EXPECT_TRUE(menuChecked());
    expectShows({}, 0);
    EXPECT_EQ(cell(inspectInt8, 1), L"-");

    const std::vector<std::uint8_t> bytes = randomBytes(12);
    const auto path = makeFile("opened.bin", bytes);
    dialogs.handleNextDialog([path](HWND dialog) {
        SetDlgItemTextW(dialog, fileNameField, path.wstring().c_str());
        pressButton(dialog, IDOK);
    });
    command(commandOpen);
    ASSERT_EQ(statusText(2), L"Bytes: 12");
    expectShows(bytes, 0);
}

TEST_F(InspectorWindowTest, KeysOpenCloseAndCrossToItAndCtrlCCopiesRowsToTheClipboard) {
    const std::vector<std::uint8_t> bytes = randomBytes(40);
    auto path = openFile(bytes);
    // In the character area the character Ctrl+I makes, a Tab, would overwrite a byte.
    SendMessageW(shell.hexView, WM_LBUTTONDOWN, 0, MAKELPARAM(50 * shell.view.charWidth + 1, 1));
    ASSERT_EQ(shell.view.caretCell, 50);
    postKey(shell.hexView, 'I', true);
    ASSERT_NE(shell.inspector, nullptr);
    postKey(shell.hexView, VK_F6);
    EXPECT_EQ(GetFocus(), list());
    postKey(list(), VK_F6);
    EXPECT_EQ(GetFocus(), shell.hexView);
    postKey(shell.hexView, VK_F6);
    ASSERT_EQ(GetFocus(), list());

    // F6 selected the first row; the list's own Down key moves to the second.
    postKey(list(), VK_DOWN);
    postKey(list(), 'C', true);
    EXPECT_EQ(clipboardText(), rowText(inspectUint8));
    EXPECT_TRUE(clipboardText().starts_with(L"uint8\t"));
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
    ASSERT_EQ(dialogs.messageBoxes().size(), 1u);
    EXPECT_EQ(dialogs.messageBoxes()[0].text,
              L"Could not copy to the clipboard.\nAnother program may be using it; please try again.");
    EXPECT_EQ(dialogs.messageBoxes()[0].icon, BoxIcon::warning);
    EXPECT_EQ(clipboardText(), table);

    // Closed with Ctrl+I in the list, Escape, and the close box; the menu follows.
    postKey(list(), 'I', true);
    EXPECT_EQ(shell.inspector, nullptr);
    EXPECT_FALSE(menuChecked());
    postKey(shell.hexView, 'I', true);
    postKey(shell.hexView, VK_F6);
    postKey(list(), VK_ESCAPE);
    EXPECT_EQ(shell.inspector, nullptr);
    EXPECT_FALSE(menuChecked());
    command(commandDataInspector);
    HWND window = shell.inspector;
    SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(shell.inspector, nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(menuChecked());
    EXPECT_EQ(shell.doc.isModified, 0);
    EXPECT_EQ(fileBytes(path), bytes);
}

TEST_F(InspectorWindowTest, OnlyTheRowsWhoseTextsChangeArePainted) {
    // Zeros but byte 16: from offset 0 to 1 only the GUID, the one row that reads 16 bytes,
    // sees a change; from 17 on every row reads zeros.
    std::vector<std::uint8_t> bytes(64, 0);
    bytes[16] = 1;
    openFile(bytes);
    command(commandDataInspector);
    HWND list = this->list();
    RECT guid{}, update{};
    guid.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, inspectGuid, reinterpret_cast<LPARAM>(&guid));

    // What the list must paint is read before the queue is emptied.
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

TEST(InspectorPlacement, BesideTheFrameWhereItFitsElseCutToTheLargestRoomNeverOverTheFrame) {
    const RECT work{0, 0, 1280, 1024};
    // At least 200 x 150 of the window, whose whole size is 400 x 380 unless given.
    auto placed = [&](RECT frame, LONG cx = 400, LONG cy = 380, SIZE size = {400, 380}) {
        const RECT place = placeBeside(frame, size, SIZE{200, 150}, work);
        EXPECT_EQ(place.right - place.left, cx);
        EXPECT_EQ(place.bottom - place.top, cy);
        return POINT{place.left, place.top};
    };
    auto at = [](POINT p, LONG x, LONG y) { return p.x == x && p.y == y; };
    EXPECT_TRUE(at(placed({245, 100, 880, 453}), 880, 100));   // right, to the last pixel
    EXPECT_TRUE(at(placed({100, 800, 735, 1000}), 735, 644));  // right, moved up to fit
    EXPECT_TRUE(at(placed({401, 100, 881, 453}), 1, 100));     // one pixel too many: left
    EXPECT_TRUE(at(placed({0, 0, 1280, 600}), 0, 600));        // no room at the sides: below
    EXPECT_TRUE(at(placed({0, 400, 1280, 1024}), 0, 20));      // above
    // Nowhere whole: cut to the side that shows the most (at 200 % on this screen, below).
    EXPECT_TRUE(at(placed({0, 0, 1270, 706}, 1280, 318, {1294, 548}), 0, 706));
    EXPECT_TRUE(at(placed({0, 0, 980, 774}, 300, 380), 980, 0));
    EXPECT_TRUE(at(placed({0, 0, 1080, 700}, 400, 324), 0, 700));
    // No room for the least (a maximized frame): in the corner, over the frame.
    EXPECT_TRUE(at(placed({-8, -8, 1288, 1032}, 200, 150), 1080, 874));
}

}  // namespace
}  // namespace quillix::test
