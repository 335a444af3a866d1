#pragma once
// The program's message boxes.

#include <windows.h>

namespace quillix {

// MessageBoxW, then the keyboard goes back to the window that had it before the box, if
// that window is still there. Without this a box with no owner (the input refusals) leaves
// no window with the keyboard once it closes, and an owned box leaves it with its owner's
// default rather than in the Find dialog's field or the inspector's list. Returns the
// button pressed, as MessageBoxW does.
int showMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style);

}  // namespace quillix
