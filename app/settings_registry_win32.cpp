#include "app/settings_registry_win32.h"

#include <windows.h>

#include "app/shell_state.h"

namespace quillix {
namespace {

// The key, opened for reading or made for writing; closed when the scope ends.
class SettingsKey {
public:
    explicit SettingsKey(bool forWriting) {
        const LSTATUS status =
            forWriting ? RegCreateKeyExW(HKEY_CURRENT_USER, settingsKeyPath, 0, nullptr,
                                         REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key_, nullptr)
                       : RegOpenKeyExW(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_QUERY_VALUE, &key_);
        if (status != ERROR_SUCCESS) key_ = nullptr;
    }
    ~SettingsKey() {
        if (key_) RegCloseKey(key_);
    }
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

}  // namespace

bool RegistrySettingsStore::readNumber(const wchar_t* name, std::uint32_t& value) {
    SettingsKey key(false);
    if (!key.get()) return false;
    DWORD type = 0, number = 0, size = sizeof number;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof number)
        return false;
    value = number;
    return true;
}

bool RegistrySettingsStore::readText(const wchar_t* name, std::wstring& value) {
    SettingsKey key(false);
    if (!key.get()) return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ || size > 64 * 1024)
        return false;
    // The stored text need not end in a terminator: room for one more, and cut at the first.
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = size;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &got) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    text.resize(std::min<std::size_t>(got / sizeof(wchar_t), text.size()));
    text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
    value = text;
    return true;
}

void RegistrySettingsStore::writeNumber(const wchar_t* name, std::uint32_t value) {
    SettingsKey key(true);
    if (!key.get()) return;
    const DWORD number = value;
    RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

void RegistrySettingsStore::writeText(const wchar_t* name, const std::wstring& value) {
    SettingsKey key(true);
    if (!key.get()) return;
    RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void RegistrySettingsStore::removeValue(const wchar_t* name) {
    SettingsKey key(true);
    if (key.get()) RegDeleteValueW(key.get(), name);
}

void loadShellSettings() {
    RegistrySettingsStore store;
    shell.settings = loadSettings(store);
}

void rememberSetting(SettingId id) {
    RegistrySettingsStore store;
    saveSetting(store, shell.settings, id);
}

}  // namespace quillix
