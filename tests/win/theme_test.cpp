// Themes under Wine: the Theme items, the dark palette's pixels in the view and the tool
// list, System following Windows' app mode as it changes, and high contrast taking the
// system's colours with changed bytes underlined and the theme items grayed.

#include <windows.h>
#include <commctrl.h>

#include "app/frame_window.h"
#include "app/theme_win32.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

constexpr wchar_t personalize[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// COLORREF (0x00BBGGRR) as the captured pixels hold colours (0x00RRGGBB).
std::uint32_t pixelOf(std::uint32_t colour) {
    return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

class ThemeTest : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        const auto path = makeFile("theme.bin", std::vector<std::uint8_t>(40, 0x41));
        ASSERT_NE(start(path.wstring()), nullptr);
        SendMessageW(shell.hexView, WM_CHAR, 'F', 0);  // byte 0 changed
        pump();
    }
    void TearDown() override {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, personalize, L"AppsUseLightTheme");
        ShellFixture::TearDown();
    }
    void settingChange(WPARAM what, const wchar_t* area) {
        SendMessageW(shell.frame, WM_SETTINGCHANGE, what, reinterpret_cast<LPARAM>(area));
        UpdateWindow(shell.hexView);
    }
    // The view's background: the blank cell after the first label, and below the data.
    void expectBackground(std::uint32_t colour) {
        const Pixels pixels = capture(shell.hexView);
        const int w = static_cast<int>(shell.view.charWidth), h = static_cast<int>(shell.view.lineHeight);
        EXPECT_EQ(pixels.at(9 * w + w / 2, 1), pixelOf(colour));
        EXPECT_EQ(pixels.at(20 * w, 5 * h), pixelOf(colour));
    }
    // How many pixel rows of a byte's high-nibble cell are the text colour across the
    // whole cell: an underline makes one (the caret stands on the low nibble).
    int solidRows(int byte, std::uint32_t text) {
        const Pixels pixels = capture(shell.hexView);
        const int w = static_cast<int>(shell.view.charWidth), h = static_cast<int>(shell.view.lineHeight);
        const int left = highCellOf[static_cast<std::size_t>(byte + 1)] * w;
        int rows = 0;
        for (int y = 0; y < h; ++y) {
            int x = left;
            while (x < left + w && pixels.at(x, y) == pixelOf(text)) ++x;
            rows += x == left + w;
        }
        return rows;
    }
    std::uint32_t storedTheme() {
        DWORD value = 99, size = sizeof value;
        RegGetValueW(HKEY_CURRENT_USER, L"Software\\Quillix-64bit", L"Theme", RRF_RT_REG_DWORD, nullptr, &value,
                     &size);
        return value;
    }
};

TEST_F(ThemeTest, DarkPaintsTheViewAndTheListsAndSystemFollowsTheAppMode) {
    EXPECT_TRUE(menuState(IDM_VIEW_THEME_SYSTEM) & MF_CHECKED);
    expectBackground(GetSysColor(COLOR_WINDOW));
    SendMessageW(shell.frame, WM_COMMAND, IDM_VIEW_DATA_INSPECTOR, 0);
    SendMessageW(shell.frame, WM_COMMAND, IDM_VIEW_THEME_DARK, 0);
    UpdateWindow(shell.hexView);
    EXPECT_TRUE(menuState(IDM_VIEW_THEME_DARK) & MF_CHECKED);
    EXPECT_FALSE(menuState(IDM_VIEW_THEME_SYSTEM) & MF_CHECKED);
    EXPECT_EQ(storedTheme(), 2u);
    const Palette dark = makePalette(PaletteKind::dark);
    expectBackground(dark.plain.back);
    // The changed byte's digits are drawn in the dark palette's red, the others in its text colour.
    const Pixels pixels = capture(shell.hexView);
    const int w = static_cast<int>(shell.view.charWidth), h = static_cast<int>(shell.view.lineHeight);
    auto count = [&](int cell, std::uint32_t colour) {
        int found = 0;
        for (int y = 0; y < h; ++y)
            for (int x = cell * w; x < (cell + 2) * w; ++x) found += pixels.at(x, y) == pixelOf(colour);
        return found;
    };
    EXPECT_GT(count(firstHexCell, dark.edited.text), 0);
    EXPECT_EQ(count(firstHexCell + 2, dark.edited.text), 0);
    EXPECT_GT(count(firstHexCell + 2, dark.plain.text), 0);
    HWND list = GetDlgItem(shell.inspector, IDC_INSPECTOR_LIST);
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0)), dark.plain.back);
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0)), dark.plain.text);

    // System: Windows' app mode, read again when Windows announces its change.
    SendMessageW(shell.frame, WM_COMMAND, IDM_VIEW_THEME_SYSTEM, 0);
    UpdateWindow(shell.hexView);
    expectBackground(GetSysColor(COLOR_WINDOW));
    const DWORD darkApps = 0;
    RegSetKeyValueW(HKEY_CURRENT_USER, personalize, L"AppsUseLightTheme", REG_DWORD, &darkApps, sizeof darkApps);
    settingChange(0, L"ImmersiveColorSet");
    expectBackground(dark.plain.back);
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0)), dark.plain.back);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, personalize, L"AppsUseLightTheme");
    settingChange(0, L"ImmersiveColorSet");
    expectBackground(GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0)), GetSysColor(COLOR_WINDOW));
}

TEST_F(ThemeTest, HighContrastTakesTheSystemsColoursUnderlinesChangesAndGraysTheThemes) {
    SendMessageW(shell.frame, WM_COMMAND, IDM_VIEW_THEME_DARK, 0);
    static bool contrast = false;
    contrast = true;
    shell.highContrastOn = [] { return contrast; };
    settingChange(SPI_SETHIGHCONTRAST, nullptr);
    expectBackground(GetSysColor(COLOR_WINDOW));
    for (int id : {IDM_VIEW_THEME_SYSTEM, IDM_VIEW_THEME_LIGHT, IDM_VIEW_THEME_DARK})
        EXPECT_TRUE(menuState(id) & MF_GRAYED) << id;
    const std::uint32_t text = GetSysColor(COLOR_WINDOWTEXT);
    EXPECT_EQ(solidRows(0, text), solidRows(1, text) + 1) << "the changed byte underlined";

    contrast = false;
    settingChange(SPI_SETHIGHCONTRAST, nullptr);
    expectBackground(makePalette(PaletteKind::dark).plain.back);
    EXPECT_FALSE(menuState(IDM_VIEW_THEME_DARK) & MF_GRAYED);
}

}  // namespace
}  // namespace quillix::test
