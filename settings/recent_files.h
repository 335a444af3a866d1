#pragma once
// The list of files opened or saved under a new name last, as the File menu shows it: the
// most recent first, no two paths alike (Windows' names are alike whatever the case of
// their letters), at most recentFilesMax.

#include <string>
#include <vector>

namespace quillix {

// Whether a and b name the same file as Windows compares names: letter case aside.
bool samePath(const std::wstring& a, const std::wstring& b);
// Whether path may be remembered: 1..settingsPathChars characters, no control character.
bool isRememberedPath(const std::wstring& path);

// Puts path at the head of list; the same path further down leaves its place, and the
// oldest falls off past recentFilesMax. A path that may not be remembered changes nothing.
void addRecentFile(std::vector<std::wstring>& list, const std::wstring& path);
// Takes path out of list. Returns false, leaving the list as it was, when it was not there.
bool removeRecentFile(std::vector<std::wstring>& list, const std::wstring& path);

}  // namespace quillix
