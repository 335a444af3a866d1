#pragma once
// The Select Block and Fill Selection dialogs: modal, owned by the frame.

#include <windows.h>

namespace quillix {

// Edit > Select Block: opens with the selection (or the caret and length 1); OK selects
// the block and jumps to its start, or keeps the dialog open after the out-of-range box.
void selectBlockCommand();
// Edit > Fill Selection: refuses a read-only document first; OK fills the selection with
// the pattern, or keeps the dialog open after the box saying what is wrong with it.
void fillSelectionCommand();

INT_PTR CALLBACK selectBlockProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK fillSelectionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quillix
