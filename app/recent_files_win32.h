#pragma once
// The recent files on the File menu ("&1 <path>" .. "&8 <path>", ids 100-107, above Exit
// with a separator above them), choosing one of them, and files dropped on the frame.

#include <windows.h>
#include <shellapi.h>

namespace quillix {

// path was opened or saved under a new name: it heads the list, which is remembered and
// shown on the menu at once.
void addToRecentFiles(const wchar_t* path);
// Makes the menu's recent items what shell.settings.recentFiles holds (at start-up, and
// after each change of the list).
void showRecentFiles();
// The recent item command (100-107) was chosen: its file opens as File > Open would. One
// that cannot be opened gets the open's box and leaves the list. Always returns 0.
LRESULT openRecentFileCommand(int command);
// WM_DROPFILES: the first file dropped opens as File > Open would; when there were more,
// status part 0 says "Opened the first of N dropped files". Lets go of drop.
void onDropFiles(HDROP drop);

}  // namespace quillix
