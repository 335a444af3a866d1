// The theme: the palette chosen from the user's theme and Windows' state, and everything
// outside the view's own paint that takes its colours from it.

#include "app/theme_win32.h"

#include <commctrl.h>

#include <cwchar>

#include "app/settings_registry_win32.h"
#include "app/shell_state.h"
#include "resources/resource_ids.h"

namespace quillix {
namespace {

Palette current = makePalette(PaletteKind::light);

constexpr DWORD darkTitleBarAttribute = 20;  // DWMWA_USE_IMMERSIVE_DARK_MODE

// The title bar follows the palette where the system offers it (Windows 10 20H1 on);
// looked up at run time, since older systems have no such attribute and Wine may have
// no dwmapi at all. Its failure changes nothing.
void setDarkTitleBar(bool dark) {
    using SetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    static HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
    if (!dwm || !shell.frame) return;
    const auto set =
        reinterpret_cast<SetAttribute>(reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")));
    const BOOL value = dark;
    if (set) set(shell.frame, darkTitleBarAttribute, &value, sizeof value);
}

SystemColours systemColours() {
    SystemColours colours;
    colours.window = GetSysColor(COLOR_WINDOW);
    colours.windowText = GetSysColor(COLOR_WINDOWTEXT);
    colours.highlight = GetSysColor(COLOR_HIGHLIGHT);
    colours.highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    colours.hotlight = GetSysColor(COLOR_HOTLIGHT);
    colours.shadow = GetSysColor(COLOR_BTNSHADOW);
    return colours;
}

void updateThemeItems(bool highContrast) {
    HMENU menu = GetMenu(shell.frame);
    if (!menu) return;
    const UINT checked = IDM_VIEW_THEME_SYSTEM + static_cast<UINT>(shell.settings.theme);
    CheckMenuRadioItem(menu, IDM_VIEW_THEME_SYSTEM, IDM_VIEW_THEME_DARK, checked, MF_BYCOMMAND);
    // High contrast decides the colours whatever the theme.
    for (UINT id = IDM_VIEW_THEME_SYSTEM; id <= IDM_VIEW_THEME_DARK; ++id)
        EnableMenuItem(menu, id, MF_BYCOMMAND | (highContrast ? MF_GRAYED : MF_ENABLED));
}

void colourList(HWND list) {
    if (!list) return;
    const COLORREF back = current.light ? GetSysColor(COLOR_WINDOW) : current.plain.back;
    const COLORREF text = current.light ? GetSysColor(COLOR_WINDOWTEXT) : current.plain.text;
    SendMessageW(list, LVM_SETBKCOLOR, 0, back);
    SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, back);
    SendMessageW(list, LVM_SETTEXTCOLOR, 0, text);
    InvalidateRect(list, nullptr, TRUE);
}

}  // namespace

const Palette& viewPalette() { return current; }

bool systemHighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

bool systemAppsDark() {
    DWORD light = 1, size = sizeof light;
    // Missing (Windows before 10, or never set) is light.
    return RegGetValueW(HKEY_CURRENT_USER,
                        L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                        L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &light, &size) == ERROR_SUCCESS &&
           light == 0;
}

void applyTheme() {
    const bool highContrast = shell.highContrastOn();
    const PaletteKind kind = paletteKind(shell.settings.theme, shell.appsDark(), highContrast);
    current = makePalette(kind, systemColours());
    updateThemeItems(highContrast);
    setDarkTitleBar(kind == PaletteKind::dark);
    colourToolLists();
    if (shell.hexView) InvalidateRect(shell.hexView, nullptr, TRUE);
}

void themeCommand(int command) {
    shell.settings.theme = static_cast<ThemeChoice>(command - IDM_VIEW_THEME_SYSTEM);
    rememberSetting(SettingId::theme);
    applyTheme();
}

void onSystemLookChange(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto* area = reinterpret_cast<const wchar_t*>(lParam);
    const bool appMode = area && std::wcscmp(area, L"ImmersiveColorSet") == 0;
    if (message == WM_SYSCOLORCHANGE || wParam == SPI_SETHIGHCONTRAST || appMode) applyTheme();
}

void colourToolLists() {
    if (shell.inspector) colourList(GetDlgItem(shell.inspector, IDC_INSPECTOR_LIST));
    if (shell.checksums) colourList(GetDlgItem(shell.checksums, IDC_CHECKSUMS_LIST));
}

bool eraseViewBackground(HWND window, HDC dc) {
    if (current.light) return false;
    RECT client{};
    GetClientRect(window, &client);
    HBRUSH brush = CreateSolidBrush(current.plain.back);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    return true;
}

}  // namespace quillix
