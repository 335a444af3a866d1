#pragma once
// The bookmarks' tool window: a modeless list beside the frame, a row per bookmark with its
// offset and the 8 bytes there in hex. Enter or a double-click jumps to the row's
// bookmark, Delete removes the selected ones, Ctrl+C copies the selected rows.

#include <windows.h>

namespace quillix {

// View > Bookmarks: opens the window without taking the keyboard from the view, or closes
// it; the menu item is checked exactly while it is open.
void toggleBookmarksWindow();
// The rows again, after the bookmarks changed; nothing while it is closed.
void refreshBookmarksWindow();
// The rows again when the document's bytes changed since they were drawn (cheap otherwise).
void refreshBookmarksBytes();
// The window's share of the message loop, offered each message before TranslateMessage:
// its keys (Enter, Delete, Ctrl+C) and its dialog keys. True when the message was used up.
bool routeBookmarksMessage(MSG& message);
// The open window, or null.
HWND bookmarksWindow();

INT_PTR CALLBACK bookmarksDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quillix
