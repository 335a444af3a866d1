// The settings record against its store: every value read back as written, anything else
// in the store (missing, mistyped, out of range, damaged) passed over for the default.

#include "settings/settings.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <variant>

namespace quillix {
namespace {

struct MapStore final : SettingsStore {
    std::map<std::wstring, std::variant<std::uint32_t, std::wstring>> values;
    int writes = 0;
    bool readNumber(const wchar_t* name, std::uint32_t& value) override {
        auto found = values.find(name);
        if (found == values.end() || !std::holds_alternative<std::uint32_t>(found->second)) return false;
        value = std::get<std::uint32_t>(found->second);
        return true;
    }
    bool readText(const wchar_t* name, std::wstring& value) override {
        auto found = values.find(name);
        if (found == values.end() || !std::holds_alternative<std::wstring>(found->second)) return false;
        value = std::get<std::wstring>(found->second);
        return true;
    }
    void writeNumber(const wchar_t* name, std::uint32_t value) override { values[name] = value, ++writes; }
    void writeText(const wchar_t* name, const std::wstring& value) override {
        values[name] = value, ++writes;
    }
    void removeValue(const wchar_t* name) override { values.erase(name), ++writes; }
};

constexpr SettingId allSettings[] = {
    SettingId::rowBytes,     SettingId::groupBytes,  SettingId::decimalOffsets,
    SettingId::characterSet, SettingId::theme,       SettingId::fontFace,
    SettingId::fontHeight96, SettingId::zoomPercent, SettingId::recentFiles};

bool sameSettings(const Settings& a, const Settings& b) {
    return a.rowBytes == b.rowBytes && a.groupBytes == b.groupBytes && a.decimalOffsets == b.decimalOffsets &&
           a.characterSet == b.characterSet && a.theme == b.theme && a.fontFace == b.fontFace &&
           a.fontHeight96 == b.fontHeight96 && a.zoomPercent == b.zoomPercent &&
           a.recentFiles == b.recentFiles;
}

TEST(SettingsTest, WhatIsSavedLoadsBackAndEachSaveWritesOneSetting) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        Settings chosen;
        chosen.rowBytes = 8u << (random() % 4);
        chosen.groupBytes = 1u << (random() % 4);
        chosen.decimalOffsets = random() % 2;
        chosen.characterSet = static_cast<CharacterSetChoice>(random() % 4);
        chosen.theme = static_cast<ThemeChoice>(random() % 3);
        chosen.fontFace = random() % 2 ? L"" : L"Consolas";
        chosen.fontHeight96 = random() % 2 ? 0 : 6 + random() % 139;
        chosen.zoomPercent = 50 + random() % 351;
        for (std::uint32_t k = 0, count = random() % (recentFilesMax + 1); k < count; ++k)
            chosen.recentFiles.push_back(L"C:\\files\\" + std::to_wstring(k) + L".bin");
        MapStore store;
        for (SettingId id : allSettings) {
            const int before = store.writes;
            saveSetting(store, chosen, id);
            EXPECT_EQ(store.writes - before, id == SettingId::recentFiles ? recentFilesMax : 1);
        }
        EXPECT_TRUE(sameSettings(loadSettings(store), chosen)) << "round " << round;
    }
}

TEST(SettingsTest, MissingMistypedOrOutOfRangeValuesKeepTheDefaults) {
    const Settings defaults;
    MapStore empty;
    EXPECT_TRUE(sameSettings(loadSettings(empty), defaults));

    using Value = std::variant<std::uint32_t, std::wstring>;
    const std::pair<const wchar_t*, std::vector<Value>> refused[] = {
        {L"BytesPerRow", {0u, 12u, 128u, std::wstring(L"32")}},
        {L"GroupBytes", {0u, 3u, 16u, std::wstring(L"4")}},
        {L"DecimalOffsets", {2u, std::wstring(L"1")}},
        {L"CharacterSet", {4u, 0xFFFFFFFFu}},
        {L"Theme", {3u, std::wstring(L"dark")}},
        {L"FontFace", {std::wstring(), std::wstring(32, L'A'), std::wstring(L"Cour\nier"), 5u}},
        {L"FontHeight", {5u, 145u}},
        {L"Zoom", {49u, 401u, std::wstring(L"100")}},
    };
    for (const auto& [name, values] : refused)
        for (const Value& value : values) {
            MapStore store;
            store.values[name] = value;
            EXPECT_TRUE(sameSettings(loadSettings(store), defaults))
                << "value of " << std::wstring(name).size();
        }

    // The edges that are accepted.
    MapStore edges;
    edges.values = {{L"BytesPerRow", 64u}, {L"GroupBytes", 8u}, {L"DecimalOffsets", 1u},
                    {L"CharacterSet", 3u}, {L"Theme", 2u},      {L"FontFace", std::wstring(31, L'A')},
                    {L"FontHeight", 144u}, {L"Zoom", 50u}};
    const Settings loaded = loadSettings(edges);
    EXPECT_EQ(loaded.rowBytes, 64u);
    EXPECT_EQ(loaded.groupBytes, 8u);
    EXPECT_TRUE(loaded.decimalOffsets);
    EXPECT_EQ(loaded.characterSet, CharacterSetChoice::ebcdic037);
    EXPECT_EQ(loaded.theme, ThemeChoice::dark);
    EXPECT_EQ(loaded.fontFace.size(), 31u);
    EXPECT_EQ(loaded.fontHeight96, 144u);
    EXPECT_EQ(loaded.zoomPercent, 50u);
}

TEST(SettingsTest, DamagedRecentFilesArePassedOverOneByOne) {
    MapStore store;
    store.values = {{L"Recent1", std::wstring(L"C:\\a.bin")},
                    {L"Recent2", 7u},
                    {L"Recent3", std::wstring()},
                    {L"Recent4", std::wstring(L"c:\\A.BIN")},  // the first again, as Windows names go
                    {L"Recent5", std::wstring(settingsPathChars + 1, L'x')},
                    {L"Recent6", std::wstring(L"C:\\b\tc.bin")},
                    {L"Recent8", std::wstring(L"C:\\last.bin")},
                    {L"Recent9", std::wstring(L"C:\\ninth.bin")}};
    EXPECT_EQ(loadSettings(store).recentFiles, (std::vector<std::wstring>{L"C:\\a.bin", L"C:\\last.bin"}));
}

}  // namespace
}  // namespace quillix
