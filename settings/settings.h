#pragma once
// The program's settings: what the user chose of the view's shape and look, and the files
// opened last, remembered between runs. A plain record with each value's default, read
// and written one value at a time through a SettingsStore (the registry key
// HKCU\Software\Quillix-64bit in the program, app/settings_registry_win32.*; a map in the
// tests). A value that is missing, of the wrong type or out of range is passed over and
// its default kept, without a word: settings are a convenience, never a reason to fail.

#include <cstdint>
#include <string>
#include <vector>

namespace quillix {

inline constexpr int recentFilesMax = 8;  // files the File menu lists at most
// Longest path remembered: what the document's path buffer holds.
inline constexpr std::size_t settingsPathChars = 772;

enum class CharacterSetChoice : std::uint32_t { ascii, windows1252, oem437, ebcdic037 };
enum class ThemeChoice : std::uint32_t { system, light, dark };

struct Settings {
    // The view's shape.
    std::uint32_t rowBytes = 16;   // bytes a row shows: 8, 16, 32 or 64
    std::uint32_t groupBytes = 2;  // bytes between two blanks of the hex area: 1, 2, 4 or 8
    bool decimalOffsets = false;   // the offset column in decimal instead of hex
    CharacterSetChoice characterSet = CharacterSetChoice::ascii;  // the character column's set
    // The view's look.
    ThemeChoice theme = ThemeChoice::system;
    std::wstring fontFace;            // the view font's face; empty: the program's own
    std::uint32_t fontHeight96 = 0;   // its cell height in pixels at 96 DPI; 0: the face's default
    std::uint32_t zoomPercent = 100;  // the font's size against the chosen one: 50..400
    // The files opened or saved under a new name last, the most recent first; no two alike.
    std::vector<std::wstring> recentFiles;
};

// One setting of the record: how it is named in the store, and which field it is.
enum class SettingId {
    rowBytes,
    groupBytes,
    decimalOffsets,
    characterSet,
    theme,
    fontFace,
    fontHeight96,
    zoomPercent,
    recentFiles,
};

// Where settings are kept: numbers (REG_DWORD) and texts (REG_SZ) by name.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // False when the value is missing or of another type.
    virtual bool readNumber(const wchar_t* name, std::uint32_t& value) = 0;
    virtual bool readText(const wchar_t* name, std::wstring& value) = 0;
    // Failures are not reported: the setting is simply not remembered.
    virtual void writeNumber(const wchar_t* name, std::uint32_t value) = 0;
    virtual void writeText(const wchar_t* name, const std::wstring& value) = 0;
    virtual void removeValue(const wchar_t* name) = 0;
};

// Reads every setting from store: each value that is there, of its type and in range,
// replaces the default; the rest keep theirs.
Settings loadSettings(SettingsStore& store);

// Writes the one setting id of settings into store, and nothing else (the recent files
// are one setting: "Recent1" .. "Recent8", the unused ones removed).
void saveSetting(SettingsStore& store, const Settings& settings, SettingId id);

}  // namespace quillix
