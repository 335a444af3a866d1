#pragma once
// The hex view's context menu: right-click, Shift+F10 or the menu key.

#include <windows.h>

namespace quillix {

// A right-click at client pixel (x, y): outside the selection it first moves the caret
// there as a click does (dropping the selection); inside, the selection stays.
void onRightButtonDown(HWND view, int x, int y);
// Shows the menu (Copy, Copy As, Paste, Select All, Select Block, Fill Selection, Toggle
// Bookmark, each enabled as its item in the frame's menu is) at screen point (x, y), or
// under the caret for the keyboard (x and y -1). Its commands go to the frame.
void showViewMenu(HWND view, int x, int y);
// The menu showViewMenu shows, its items' states read from the frame's menu just brought up
// to date; the caller destroys it.
HMENU buildViewMenu();

}  // namespace quillix
