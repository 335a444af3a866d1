// The recent files' list: adding at the head, taking out, and the likeness of two paths.

#include "settings/recent_files.h"

#include <algorithm>
#include <cwctype>

#include "settings/settings.h"

namespace quillix {

bool samePath(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
           });
}

bool isRememberedPath(const std::wstring& path) {
    return !path.empty() && path.size() <= settingsPathChars &&
           std::none_of(path.begin(), path.end(), [](wchar_t c) { return c < 32; });
}

void addRecentFile(std::vector<std::wstring>& list, const std::wstring& path) {
    if (!isRememberedPath(path)) return;
    removeRecentFile(list, path);
    list.insert(list.begin(), path);
    if (list.size() > static_cast<std::size_t>(recentFilesMax)) list.resize(recentFilesMax);
}

bool removeRecentFile(std::vector<std::wstring>& list, const std::wstring& path) {
    const auto found = std::find_if(list.begin(), list.end(),
                                    [&](const std::wstring& known) { return samePath(known, path); });
    if (found == list.end()) return false;
    list.erase(found);
    return true;
}

}  // namespace quillix
