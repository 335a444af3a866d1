// The recent files against a plain list of last uses, newest first, the oldest past eight gone.

#include "settings/recent_files.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <map>
#include <random>

#include "settings/settings.h"

namespace quillix {
namespace {

TEST(RecentFiles, RandomAddsAndRemovalsMatchAListOrderedByLastUse) {
    const std::wstring names = L"aAbcCdefghijk";  // thirteen files, two of them named twice
    std::mt19937 random(38);
    std::vector<std::wstring> list;
    std::map<std::wstring, std::pair<int, std::wstring>> lastUse;  // the path folded: step, spelling
    for (int step = 0; step < 4000; ++step) {
        const std::wstring path = L"C:\\" + std::wstring(1, names[random() % names.size()]) + L".bin";
        std::wstring folded = path;
        for (wchar_t& c : folded) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        // Now and then a path no list could hold: it changes nothing.
        if (step % 50 == 0)
            addRecentFile(list,
                          step % 100 ? std::wstring(L"C:\\a\nb") : std::wstring(settingsPathChars + 1, L'x'));
        if (random() % 3 == 0) {
            EXPECT_EQ(removeRecentFile(list, path), lastUse.erase(folded) == 1) << step;
        } else {
            addRecentFile(list, path);
            lastUse[folded] = {step, path};
            if (lastUse.size() > static_cast<std::size_t>(recentFilesMax))
                lastUse.erase(std::min_element(
                    lastUse.begin(), lastUse.end(),
                    [](const auto& x, const auto& y) { return x.second.first < y.second.first; }));
        }
        std::vector<std::pair<int, std::wstring>> uses;
        for (const auto& [key, use] : lastUse) uses.push_back(use);
        std::sort(uses.rbegin(), uses.rend());
        std::vector<std::wstring> expected;
        for (const auto& use : uses) expected.push_back(use.second);
        ASSERT_EQ(list, expected) << "step " << step;
    }
}

}  // namespace
}  // namespace quillix
