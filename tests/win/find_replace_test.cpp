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
        if (!shell.frame) {
            ASSERT_NE(start(makeFile("find.bin", bytes).wstring()), nullptr);
        }
        this->command(command);
        ASSERT_NE(shell.findDialog, nullptr);
    }
    HWND control(int id) { return GetDlgItem(shell.findDialog, id); }
    void type(int edit, const std::wstring& text) {
        for (wchar_t c : text) SendMessageW(control(edit), WM_CHAR, c, 0);
        pump();
    }
    void click(int id) {
        SendMessageW(control(id), BM_CLICK, 0, 0);
        pump();
    }
    std::wstring text(HWND window, int id) {
        wchar_t buffer[300] = {};
        GetDlgItemTextW(window, id, buffer, 300);
        return buffer;
    }
    std::wstring cell(int row, int column) {
        wchar_t buffer[80] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer;
        item.cchTextMax = 80;
        SendMessageW(list(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return buffer;
    }
    HWND list() { return GetDlgItem(shell.searchResults, 1332); }
    std::vector<std::uint8_t> viewBytes() {
        return {shell.doc.fileBytes, shell.doc.fileBytes + shell.doc.fileSize};
    }
    std::wstring lastBox() {
        const auto boxes = dialogs.messageBoxes();
        return boxes.empty() ? L"(none)" : boxes.back().text;
    }

    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(3000);
};

TEST_F(FindReplaceTest, TheNewButtonsAndTheFiltersOfEachDialogAndEdit) {
    openDialog(commandFind);
    EXPECT_TRUE(IsDlgButtonChecked(shell.findDialog, hexMode));  // still opens empty, Hex, Down
    EXPECT_FALSE(IsDlgButtonChecked(shell.findDialog, utf16Mode) ||
                 IsDlgButtonChecked(shell.findDialog, inSelection));
    EXPECT_FALSE(IsWindowEnabled(control(findAll)));
    struct Case {
        int command, mode, edit;
        wchar_t typed;
        bool refused;
        int limit;
    } cases[] = {{commandFind, hexMode, findEdit, L'?', false, 100},
                 {commandFind, hexMode, findEdit, L'G', true, 100},
                 {commandFind, utf16Mode, findEdit, L'?', false, 20},
                 {commandGoto, 0, findEdit, L'?', true, 8},
                 {commandReplace, hexMode, findEdit, L'?', false, 100},
                 {commandReplace, hexMode, replaceEdit, L'?', false, 100},
                 {commandReplace, hexMode, replaceEdit, L'x', true, 100},
                 {commandReplace, utf16Mode, replaceEdit, L'x', false, 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.command << " mode " << c.mode << " edit " << c.edit << " " << char(c.typed));
        openDialog(c.command);
        if (c.mode) click(c.mode);
        type(findEdit, L"4");
        dialogs.clear();
        type(c.edit, std::wstring(1, c.typed));
        EXPECT_EQ(dialogs.messageBoxes().size(), c.refused ? 1u : 0u);
        EXPECT_EQ(text(shell.findDialog, c.edit).find(c.typed) != std::wstring::npos, !c.refused);
        EXPECT_EQ(SendMessageW(control(c.edit), EM_GETLIMITTEXT, 0, 0), c.limit);
        EXPECT_TRUE(c.command != commandFind || IsWindowEnabled(control(findAll)));
        EXPECT_TRUE(!c.mode || (IsWindowVisible(control(matchCase)) != 0) == (c.mode != hexMode));
    }
    wchar_t caption[32] = {};
    GetWindowTextW(shell.findDialog, caption, 32);
    EXPECT_STREQ(caption, L"Replace");
    for (int id : {IDOK, 1024, 1025, IDCANCEL, inSelection, matchCase, hexMode, asciiMode, utf16Mode})
        EXPECT_NE(control(id), nullptr) << id;
}

TEST_F(FindReplaceTest, FindAllListsEveryHitColoursThemAndGoesStaleAtAnEdit) {
    const std::vector<std::int64_t> hits = plainHits(bytes);
    ASSERT_GT(hits.size(), 100u);
    openDialog(commandFind);
    type(findEdit, L"41?2");
    pressButton(shell.findDialog, findAll);
    pump();
    ASSERT_NE(shell.searchResults, nullptr);
    EXPECT_EQ(SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(hits.size()));
    EXPECT_EQ(statusText(0), L"Found " + std::to_wstring(hits.size()) + L" matches");
    ASSERT_NE(shell.view.hits, nullptr);
    EXPECT_EQ(std::vector<std::int64_t>(shell.view.hits->offsets,
                                        shell.view.hits->offsets + shell.view.hits->count),
              hits);
    wchar_t row3[48];
    const unsigned second = bytes[static_cast<std::size_t>(hits[3]) + 1];
    swprintf(row3, 48, L"%08X\t41 %02X\tA%lc", static_cast<unsigned>(hits[3]), second,
             second < 32 ? L'.' : second);
    EXPECT_EQ(cell(3, 0) + L'\t' + cell(3, 1) + L'\t' + cell(3, 2), row3);

    // Ctrl+A and Ctrl+C in the list copy every row; Enter selects the focused row's hit.
    SetFocus(list());
    press('A', {VK_CONTROL}, false, list());
    press('C', {VK_CONTROL}, false, list());
    const std::wstring copied = clipboardText();
    EXPECT_EQ(std::count(copied.begin(), copied.end(), L'\n') + 1, static_cast<long>(hits.size()));
    EXPECT_NE(copied.find(std::wstring(row3) + L"\r\n"), std::wstring::npos);
    LVITEMW focus{};
    focus.stateMask = focus.state = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageW(list(), LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&focus));
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
    EXPECT_EQ(shell.searchResults, nullptr);
    EXPECT_EQ(shell.view.hits, nullptr);
}

TEST_F(FindReplaceTest, EachModeSaysItsOwnNotFoundAndFindAllOpensNoWindow) {
    const struct {
        int mode;
        const wchar_t* what;
        const wchar_t* box;
    } cases[] = {
        {hexMode, L"?7", L"Hex value\n?7\nnot found!"},
        {asciiMode, L"qq", L"Ascii string\n\"qq\"\nnot found!"},
        {utf16Mode, L"AB", L"Unicode string\n\"AB\"\nnot found!"}};  // "AB" is there, but not as UTF-16
    openDialog(commandFind);
    for (const auto& c : cases) {
        click(c.mode);
        type(findEdit, c.what);
        for (int button : {IDOK, findAll}) {
            dialogs.clear();
            pressButton(shell.findDialog, button);
            pump();
            EXPECT_EQ(lastBox(), c.box) << button;
            EXPECT_EQ(shell.searchResults, nullptr);
        }
    }
}

TEST_F(FindReplaceTest, ReplaceAllIsOneUndoStepAndTheLengthBoxChangesNothing) {
    std::vector<std::uint8_t> expected = bytes;
    std::int64_t replaced = 0;
    for (std::size_t i = 0; i + 1 < expected.size(); ++i)
        if (expected[i] == 0x41 && (expected[i + 1] & 0x0F) == 2) {
            expected[++i] = 0x77;  // "??77": the first byte kept; never overlapping
            ++replaced;
        }
    openDialog(commandReplace);
    type(findEdit, L"41?2");
    type(replaceEdit, L"??77");
    pressButton(shell.findDialog, 1025);
    pump();
    EXPECT_EQ(viewBytes(), expected);
    EXPECT_EQ(statusText(0), L"Replaced " + std::to_wstring(replaced) + L" matches");
    command(commandUndo);
    EXPECT_EQ(viewBytes(), bytes);

    type(replaceEdit, L"00");  // 3 bytes for 2
    dialogs.clear();
    pressButton(shell.findDialog, 1025);
    pump();
    EXPECT_EQ(lastBox(), L"Find what and Replace with must be the same length: a file never changes size.");
    EXPECT_EQ(viewBytes(), bytes);
}

TEST_F(FindReplaceTest, DialogsTakeEachOthersPlaceAndStepOffTheRevealedHit) {
    openDialog(commandFind);
    const HWND find = shell.findDialog;
    openDialog(commandReplace);
    EXPECT_FALSE(IsWindow(find));
    const HWND replace = shell.findDialog;
    openDialog(commandGoto);
    EXPECT_FALSE(IsWindow(replace));
    // The dialog over view row 5, then a go-to there.
    RECT row{0, 5 * static_cast<LONG>(shell.view.lineHeight), 200,
             6 * static_cast<LONG>(shell.view.lineHeight)};
    MapWindowPoints(shell.hexView, nullptr, reinterpret_cast<POINT*>(&row), 2);
    SetWindowPos(shell.findDialog, nullptr, row.left, row.top - 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    type(findEdit, L"50");
    pressButton(shell.findDialog, IDOK);
    pump();
    ASSERT_EQ(shell.view.caretRow, 5);
    RECT place{}, overlap{};
    GetWindowRect(shell.findDialog, &place);
    EXPECT_FALSE(IntersectRect(&overlap, &place, &row));
}

}  // namespace
}  // namespace quillix::test
