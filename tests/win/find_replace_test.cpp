// Wildcards, UTF-16, Find All's window and Replace under Wine: the real Find and Replace
// dialogs driven through their controls, their hits checked against a plain scan.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "app/frame_window.h"
#include "app/tools/report_list_win32.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

constexpr int findEdit = 1152, replaceEdit = 1153, hexMode = 1018, asciiMode = 1019, utf16Mode = 1023;
constexpr int findAll = 1160, inSelection = 1161, matchCase = 1041;

// Where the hex pattern 41?2 (0x41, then a byte whose low nibble is 2) starts, overlapping.
std::vector<std::int64_t> plainHits(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int64_t> hits;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0x41 && (bytes[i + 1] & 0x0F) == 2) hits.push_back(static_cast<std::int64_t>(i));
    return hits;
}

class FindReplaceTest : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        dialogs.leaveOpenWhen([](HWND w) { return w == shell.findDialog || w == shell.searchResults; });
        std::mt19937 random(36);
        const std::uint8_t alphabet[] = {0x41, 0x42, 0x02, 0x41, 0x52};  // 41 41 42 overlaps
        for (auto& b : bytes) b = alphabet[random() % 5];
    }
    void openDialog(int command) {
        if (!shell.frame) start(makeFile("find.bin", bytes).wstring());
        this->command(command);
        ASSERT_NE(shell.findDialog, nullptr);
    }
    HWND control(int id) { return GetDlgItem(shell.findDialog, id); }
    void type(int edit, const std::wstring& text) {
        for (wchar_t c : text) SendMessageW(control(edit), WM_CHAR, c, 0);
        pump();
    }
    void click(int id) { SendMessageW(control(id), BM_CLICK, 0, 0), pump(); }
    void push(int id) { pressButton(shell.findDialog, id), pump(); }
    std::wstring text(HWND window, int id) {
        wchar_t buffer[300] = {};
        GetDlgItemTextW(window, id, buffer, 300);
        return buffer;
    }
    HWND list() { return GetDlgItem(shell.searchResults, 1332); }
    bool viewHolds(const std::vector<std::uint8_t>& b) {
        return std::equal(b.begin(), b.end(), shell.doc.fileBytes);
    }
    std::wstring lastBox() {
        return dialogs.messageBoxes().empty() ? L"" : dialogs.messageBoxes().back().text;
    }

    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(3000);
};

TEST_F(FindReplaceTest, TheNewButtonsAndTheFiltersOfEachDialogAndEdit) {
    openDialog(commandFind);
    EXPECT_FALSE(IsDlgButtonChecked(shell.findDialog, inSelection) || IsWindowEnabled(control(findAll)));
    // command, mode button (0: as opened), edit, the character typed, refused, the limit
    const std::tuple<int, int, int, wchar_t, bool, int> cases[] = {
        {commandFind, utf16Mode, findEdit, L'?', false, 20},
        {commandGoto, 0, findEdit, L'?', true, 8},
        {commandReplace, hexMode, replaceEdit, L'x', true, 100},
        {commandReplace, utf16Mode, replaceEdit, L'x', false, 20}};
    for (const auto& [command, mode, edit, typed, refused, limit] : cases) {
        SCOPED_TRACE(::testing::Message() << command << " " << mode << " " << edit);
        openDialog(command);
        if (mode) click(mode);
        type(findEdit, L"4");
        dialogs.clear();
        type(edit, std::wstring(1, typed));
        EXPECT_EQ(dialogs.messageBoxes().size(), refused ? 1u : 0u);
        EXPECT_EQ(text(shell.findDialog, edit).find(typed) != std::wstring::npos, !refused);
        EXPECT_EQ(SendMessageW(control(edit), EM_GETLIMITTEXT, 0, 0), limit);
        EXPECT_TRUE(command != commandFind || IsWindowEnabled(control(findAll)));
        EXPECT_TRUE(!mode || (IsWindowVisible(control(matchCase)) != 0) == (mode != hexMode));
    }
}

TEST_F(FindReplaceTest, FindAllListsEveryHitColoursThemAndGoesStaleAtAnEdit) {
    const std::vector<std::int64_t> hits = plainHits(bytes);
    openDialog(commandFind);
    type(findEdit, L"41?2");
    push(findAll);
    ASSERT_NE(shell.searchResults, nullptr);
    EXPECT_EQ(SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(hits.size()));
    EXPECT_EQ(statusText(0), L"Found " + std::to_wstring(hits.size()) + L" matches");
    ASSERT_TRUE(shell.view.hits && std::equal(hits.begin(), hits.end(), shell.view.hits->offsets));
    wchar_t row3[48];
    const unsigned second = bytes[static_cast<std::size_t>(hits[3]) + 1];
    swprintf(row3, 48, L"%08X\t41 %02X\tA%lc", static_cast<unsigned>(hits[3]), second,
             second < 32 ? L'.' : second);

    // Ctrl+A and Ctrl+C in the list copy every row; Enter selects the focused row's hit.
    press('A', {VK_CONTROL}, false, list());
    press('C', {VK_CONTROL}, false, list());
    const std::wstring copied = clipboardText();
    EXPECT_EQ(std::count(copied.begin(), copied.end(), L'\n') + 1, static_cast<long>(hits.size()));
    EXPECT_NE(copied.find(std::wstring(row3) + L"\r\n"), std::wstring::npos);
    selectRows(list(), 3);
    press(VK_RETURN, {}, false, list());
    EXPECT_EQ(std::make_tuple(shell.view.matchStart, shell.view.matchLength, shell.view.selectionAnchor,
                              shell.view.selectionEnd),
              std::make_tuple(hits[3], std::int64_t{2}, hits[3], hits[3] + 1));

    PostMessageW(shell.hexView, WM_CHAR, L'7', 1);
    pump();
    EXPECT_EQ(text(shell.searchResults, 1331), L"Changed since searched \u2014 press F5");
    press(VK_F5, {}, false, list());
    EXPECT_EQ(text(shell.searchResults, 1331).find(L"Changed"), std::wstring::npos);
    press(VK_ESCAPE, {}, false, list());
    EXPECT_TRUE(!shell.searchResults && !shell.view.hits);

    // In selection, with bytes 0..999 selected: the hits wholly inside them, in the bytes as now.
    const auto now = plainHits({shell.doc.fileBytes, shell.doc.fileBytes + shell.doc.fileSize});
    shell.view.selectionAnchor = 0, shell.view.selectionEnd = 999;
    click(inSelection);
    push(findAll);
    EXPECT_EQ(SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0),
              std::count_if(now.begin(), now.end(), [](std::int64_t at) { return at + 2 <= 1000; }));
}

TEST_F(FindReplaceTest, EachModeSaysItsOwnNotFoundAndFindAllOpensNoWindow) {
    const std::tuple<int, const wchar_t*, const wchar_t*> cases[] = {
        {hexMode, L"?7", L"Hex value\n?7\nnot found!"},
        {asciiMode, L"qq", L"Ascii string\n\"qq\"\nnot found!"},
        {utf16Mode, L"AB", L"Unicode string\n\"AB\"\nnot found!"}};  // "AB" is there, but not as UTF-16
    openDialog(commandFind);
    for (const auto& [mode, what, box] : cases) {
        click(mode);
        type(findEdit, what);
        for (int button : {IDOK, findAll}) {
            dialogs.clear(), push(button);
            EXPECT_EQ(lastBox(), box) << button;
            EXPECT_EQ(shell.searchResults, nullptr);
        }
    }
}

TEST_F(FindReplaceTest, ReplaceAllIsOneUndoStepAndTheLengthBoxChangesNothing) {
    std::vector<std::uint8_t> expected = bytes;
    std::int64_t next = 0, replaced = 0;  // "??77": the first byte kept; hits never overlapping
    for (std::int64_t at : plainHits(bytes))
        if (at >= next) expected[static_cast<std::size_t>(at) + 1] = 0x77, next = at + 2, ++replaced;
    openDialog(commandReplace);
    type(findEdit, L"41?2");
    type(replaceEdit, L"??77");
    push(1025);
    EXPECT_TRUE(viewHolds(expected));
    EXPECT_EQ(statusText(0), L"Replaced " + std::to_wstring(replaced) + L" matches");
    command(commandUndo);
    EXPECT_TRUE(viewHolds(bytes));

    type(replaceEdit, L"00");  // 3 bytes for 2
    dialogs.clear(), push(1025);
    EXPECT_EQ(lastBox(), L"Find what and Replace with must be the same length: a file never changes size.");
    EXPECT_TRUE(viewHolds(bytes));
}

TEST_F(FindReplaceTest, DialogsTakeEachOthersPlaceAndStepOffTheRevealedHit) {
    for (HWND before = nullptr; int command : {commandFind, commandReplace, commandGoto}) {
        openDialog(command);
        EXPECT_TRUE(before != shell.findDialog && !IsWindow(before)) << command;
        before = shell.findDialog;
    }
    // The dialog over view row 5, then a go-to there.
    RECT row{0, 5 * static_cast<LONG>(shell.view.lineHeight), 200,
             6 * static_cast<LONG>(shell.view.lineHeight)};
    MapWindowPoints(shell.hexView, nullptr, reinterpret_cast<POINT*>(&row), 2);
    SetWindowPos(shell.findDialog, nullptr, row.left, row.top - 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    type(findEdit, L"50");
    push(IDOK);
    ASSERT_EQ(shell.view.caretRow, 5);
    RECT place{}, overlap{};
    GetWindowRect(shell.findDialog, &place);
    EXPECT_FALSE(IntersectRect(&overlap, &place, &row));
}

}  // namespace
}  // namespace quillix::test
