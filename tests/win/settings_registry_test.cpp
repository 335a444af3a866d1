// The settings' registry key under Wine: values the program wrote come back at the next
// start, and values of the wrong type or shape are passed over.

#include <windows.h>

#include "app/settings_registry_win32.h"
#include "app/shell_state.h"
#include "support/shell_fixture.h"

namespace quillix::test {
namespace {

class SettingsRegistryTest : public ShellFixture {};

TEST_F(SettingsRegistryTest, RememberedValuesComeBackAndDamagedOnesAreIgnored) {
    ASSERT_NE(start(L""), nullptr);
    shell.settings.rowBytes = 32;
    shell.settings.fontFace = L"Lucida Console";
    shell.settings.recentFiles = {L"C:\\one.bin", L"C:\\two.bin"};
    rememberSetting(SettingId::rowBytes);
    rememberSetting(SettingId::fontFace);
    rememberSetting(SettingId::recentFiles);

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    // A theme stored as text, a zoom as binary, and a recent file without its terminator.
    RegSetValueExW(key, L"Theme", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"2"), 4);
    const BYTE zoom[4] = {200, 0, 0, 0};
    RegSetValueExW(key, L"Zoom", 0, REG_BINARY, zoom, sizeof zoom);
    RegSetValueExW(key, L"Recent3", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"C:\\three.binXX"), 12 * 2);
    RegCloseKey(key);

    shell.settings = Settings{};
    loadShellSettings();
    EXPECT_EQ(shell.settings.rowBytes, 32u);
    EXPECT_EQ(shell.settings.fontFace, L"Lucida Console");
    EXPECT_EQ(shell.settings.theme, ThemeChoice::system);
    EXPECT_EQ(shell.settings.zoomPercent, 100u);
    EXPECT_EQ(shell.settings.recentFiles,
              (std::vector<std::wstring>{L"C:\\one.bin", L"C:\\two.bin", L"C:\\three.bin"}));
}

}  // namespace
}  // namespace quillix::test
