#pragma once
// The checksums' tool window: a modeless window beside the frame with what the values are
// of, the six values, and a field that says which of them a pasted digest is.

#include <windows.h>

namespace quillix {

// Tools > Checksums (and Ctrl+Shift+C, and F5 while the window is open): computes the
// checksums of the selection, or of the whole document when nothing is selected, and shows
// them, opening the window beside the frame with the keyboard in its list when it is not
// open yet. Beeps without a document. A window that cannot be made is reported in a box.
void checksumsCommand();

// Puts "Changed since computed — press F5" under the range once the document's bytes
// changed after the values were computed. Costs one comparison when nothing changed.
void refreshChecksums();

// The window's share of the message loop, offered each message before the accelerators:
// F5 anywhere while it is open (compute anew), Ctrl+Shift+C, Ctrl+C (copy the selected
// rows) and Ctrl+A (select every row) in its list, and its dialog keys (Tab, Escape
// closes it). Returns true when the message was used up.
bool routeChecksumsMessage(MSG& message);

INT_PTR CALLBACK checksumsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quillix
