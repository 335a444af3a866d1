#pragma once
// The data inspector's tool window: a modeless list beside the frame showing the bytes at
// the caret (from the first selected byte while there is a selection; the caption names
// the offset) as the numbers, times and characters they encode, in both byte orders. It
// follows every change of those bytes and keeps nothing between runs.

#include <windows.h>

namespace quillix {

// The View menu's command (and Ctrl+I): opens the window beside the frame without taking
// the keyboard from the view, or closes it when it is open. The menu item is checked
// exactly while the window is open. A window that cannot be made is reported in a box.
void toggleInspector();

// Brings the window's texts up to date with the bytes at the inspector's offset. Costs
// nothing while the window is closed and one copy and comparison of 16 bytes when they
// did not change; otherwise formats every row and has the list repaint only the rows
// whose texts differ from those shown (when the queue is next empty).
void refreshInspector();

// The inspector's share of the message loop, offered each message before TranslateMessage:
// Ctrl+I anywhere (open or close), F6 while it is open (the keyboard between the hex view
// and the list), Ctrl+C (copy the selected rows) and Ctrl+A (select every row) in the
// list, and the window's dialog keys (Escape closes it). Returns true when the message was
// used up and must not be translated or dispatched.
bool routeInspectorMessage(MSG& message);

INT_PTR CALLBACK inspectorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quillix
