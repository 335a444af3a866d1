// The recent files' list against a plain reference: each path known by its last use, the
// list being the known paths newest first, the oldest forgotten past eight.

#include "settings/recent_files.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <map>
#include <random>

#include "settings/settings.h"

namespace quillix {
namespace {

std::wstring folded(std::wstring path) {
    for (wchar_t& c : path) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return path;
}

TEST(RecentFiles, RandomAddsAndRemovalsMatchAListOrderedByLastUse) {
    const std::wstring pool[] = {L"C:\\a.bin", L"C:\\A.BIN", L"C:\\b.bin", L"D:\\c.dat", L"D:\\C.dat",
                                 L"E:\\d",     L"E:\\e",     L"E:\\f",     L"E:\\g",     L"E:\\h",
                                 L"E:\\i",     L"E:\\j",     L"\\\\server\\share\\k.bin"};
    std::mt19937 random(38);
    std::vector<std::wstring> list;
    std::map<std::wstring, std::pair<int, std::wstring>> lastUse;  // folded path: step, spelling
    for (int step = 0; step < 4000; ++step) {
        const std::wstring& path = pool[random() % std::size(pool)];
        const bool adding = random() % 3 != 0;
        if (adding) {
            addRecentFile(list, path);
            lastUse[folded(path)] = {step, path};
            if (lastUse.size() > static_cast<std::size_t>(recentFilesMax))
                lastUse.erase(std::min_element(lastUse.begin(), lastUse.end(), [](const auto& x, const auto& y) {
                    return x.second.first < y.second.first;
                }));
        } else {
            EXPECT_EQ(removeRecentFile(list, path), lastUse.erase(folded(path)) == 1) << step;
        }
        std::vector<std::pair<int, std::wstring>> uses;
        for (const auto& [key, use] : lastUse) uses.push_back(use);
        std::sort(uses.rbegin(), uses.rend());
        std::vector<std::wstring> expected;
        for (const auto& use : uses) expected.push_back(use.second);
        ASSERT_EQ(list, expected) << "step " << step;
    }
}

TEST(RecentFiles, PathsThatCannotBeRememberedAreNotAdded) {
    std::vector<std::wstring> list = {L"C:\\kept.bin"};
    for (const std::wstring& path : {std::wstring(), std::wstring(L"C:\\a\nb"),
                                     std::wstring(settingsPathChars + 1, L'x')})
        addRecentFile(list, path);
    addRecentFile(list, std::wstring(settingsPathChars, L'y'));
    EXPECT_EQ(list, (std::vector<std::wstring>{std::wstring(settingsPathChars, L'y'), L"C:\\kept.bin"}));
}

}  // namespace
}  // namespace quillix
