// The settings' names in the store, their checks, and the reading and writing of each.

#include "settings/settings.h"

#include <algorithm>

#include "settings/recent_files.h"

namespace quillix {
namespace {

constexpr const wchar_t* recentNames[recentFilesMax] = {L"Recent1", L"Recent2", L"Recent3", L"Recent4",
                                                        L"Recent5", L"Recent6", L"Recent7", L"Recent8"};

const wchar_t* nameOf(SettingId id) {
    switch (id) {
        case SettingId::rowBytes: return L"BytesPerRow";
        case SettingId::groupBytes: return L"GroupBytes";
        case SettingId::decimalOffsets: return L"DecimalOffsets";
        case SettingId::characterSet: return L"CharacterSet";
        case SettingId::theme: return L"Theme";
        case SettingId::fontFace: return L"FontFace";
        case SettingId::fontHeight96: return L"FontHeight";
        case SettingId::zoomPercent: return L"Zoom";
        case SettingId::recentFiles: break;
    }
    return L"";
}

bool oneOf(std::uint32_t value, std::initializer_list<std::uint32_t> allowed) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

// Reads the number called name into field when check accepts it.
template <class Check>
void readNumber(SettingsStore& store, SettingId id, std::uint32_t& field, Check check) {
    std::uint32_t value = 0;
    if (store.readNumber(nameOf(id), value) && check(value)) field = value;
}

// A face name as LOGFONT holds one: 1..31 characters, none of them a control character.
bool isFaceName(const std::wstring& face) {
    return !face.empty() && face.size() < 32 &&
           std::none_of(face.begin(), face.end(), [](wchar_t c) { return c < 32; });
}

}  // namespace

Settings loadSettings(SettingsStore& store) {
    Settings settings;
    readNumber(store, SettingId::rowBytes, settings.rowBytes, [](std::uint32_t v) {
        return oneOf(v, {8, 16, 32, 64});
    });
    readNumber(store, SettingId::groupBytes, settings.groupBytes, [](std::uint32_t v) {
        return oneOf(v, {1, 2, 4, 8});
    });
    std::uint32_t number = 0;
    if (store.readNumber(nameOf(SettingId::decimalOffsets), number) && number <= 1)
        settings.decimalOffsets = number == 1;
    if (store.readNumber(nameOf(SettingId::characterSet), number) && number <= 3)
        settings.characterSet = static_cast<CharacterSetChoice>(number);
    if (store.readNumber(nameOf(SettingId::theme), number) && number <= 2)
        settings.theme = static_cast<ThemeChoice>(number);
    std::wstring text;
    if (store.readText(nameOf(SettingId::fontFace), text) && isFaceName(text)) settings.fontFace = text;
    readNumber(store, SettingId::fontHeight96, settings.fontHeight96,
               [](std::uint32_t v) { return v >= 6 && v <= 144; });
    readNumber(store, SettingId::zoomPercent, settings.zoomPercent,
               [](std::uint32_t v) { return v >= 50 && v <= 400; });
    for (const wchar_t* name : recentNames) {
        if (!store.readText(name, text) || !isRememberedPath(text)) continue;
        const bool known = std::any_of(settings.recentFiles.begin(), settings.recentFiles.end(),
                                       [&](const std::wstring& path) { return samePath(path, text); });
        if (!known) settings.recentFiles.push_back(text);
    }
    return settings;
}

void saveSetting(SettingsStore& store, const Settings& settings, SettingId id) {
    const wchar_t* name = nameOf(id);
    switch (id) {
        case SettingId::rowBytes: store.writeNumber(name, settings.rowBytes); return;
        case SettingId::groupBytes: store.writeNumber(name, settings.groupBytes); return;
        case SettingId::decimalOffsets: store.writeNumber(name, settings.decimalOffsets ? 1 : 0); return;
        case SettingId::characterSet:
            store.writeNumber(name, static_cast<std::uint32_t>(settings.characterSet));
            return;
        case SettingId::theme: store.writeNumber(name, static_cast<std::uint32_t>(settings.theme)); return;
        case SettingId::fontFace:
            if (settings.fontFace.empty())
                store.removeValue(name);
            else
                store.writeText(name, settings.fontFace);
            return;
        case SettingId::fontHeight96: store.writeNumber(name, settings.fontHeight96); return;
        case SettingId::zoomPercent: store.writeNumber(name, settings.zoomPercent); return;
        case SettingId::recentFiles:
            for (std::size_t k = 0; k < recentFilesMax; ++k) {
                if (k < settings.recentFiles.size())
                    store.writeText(recentNames[k], settings.recentFiles[k]);
                else
                    store.removeValue(recentNames[k]);
            }
            return;
    }
}

}  // namespace quillix
