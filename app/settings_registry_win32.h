#pragma once
// The settings' home on Windows: the key HKCU\Software\Quillix-64bit, one value per
// setting (REG_DWORD or REG_SZ). The key is made at the first write, never at a read.

#include "settings/settings.h"

namespace quillix {

inline constexpr wchar_t settingsKeyPath[] = L"Software\\Quillix-64bit";

class RegistrySettingsStore final : public SettingsStore {
public:
    bool readNumber(const wchar_t* name, std::uint32_t& value) override;
    bool readText(const wchar_t* name, std::wstring& value) override;
    void writeNumber(const wchar_t* name, std::uint32_t value) override;
    void writeText(const wchar_t* name, const std::wstring& value) override;
    void removeValue(const wchar_t* name) override;
};

// Reads the settings into shell.settings (at start-up, before the frame is made).
void loadShellSettings();
// Remembers one setting of shell.settings (when the user has just changed it).
void rememberSetting(SettingId id);

}  // namespace quillix
