#pragma once
// The modeless Find, Replace and Goto dialogs: the common find and replace dialogs with
// our templates, hooks that keep the mode, limit and Match case box consistent, a
// character filter on the edits, and the notification that runs the search.

#include <windows.h>
#include <commdlg.h>

#include "search/search.h"

namespace quillix {

// Find (command 20), Replace (26) or Goto (21). With a dialog already open, the same
// kind comes to the front and another kind takes its place: there is never more than one.
void openFindDialog(int command);
// The mode's not-found box for what: "Hex value", "Ascii string" or "Unicode string".
void reportNotFound(const DialogButtons& buttons, const wchar_t* what);
// Moves the open Find, Replace or Goto dialog off the caret's row when it covers it, so
// that the hit (or go-to target) just revealed shows.
void keepDialogClearOfCaret();
// F3 (up false) and Shift+F3 (up true): the last Find Next again, without the dialog,
// reporting a miss as Find Next does; with no Find Next yet, F3 opens Find.
void findAgainCommand(bool up);
// The frame's "commdlg_FindReplace" message: runs Find Next, Replace or Replace All in the
// checked mode, or the go-to, and reports a miss, or forgets the dialog when it closes.
LRESULT onFindNotification(const FINDREPLACEW& record);

UINT_PTR CALLBACK findHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
UINT_PTR CALLBACK replaceHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
UINT_PTR CALLBACK gotoHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK findEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quillix
