#pragma once
// The modeless Find and Goto dialogs: the common find dialog with our templates, hooks
// that keep the mode, limit and Match case box consistent, a character filter on the
// edit, and the notification that runs the search.

#include <windows.h>
#include <commdlg.h>

namespace quillix {

// Find (command 20) or Goto (21). With a dialog already open, the same kind comes to
// the front and the other kind takes its place: there is never more than one.
void openFindDialog(int command);
// F3 (up false) and Shift+F3 (up true): the last Find Next again, without the dialog,
// reporting a miss as Find Next does; with no Find Next yet, F3 opens Find.
void findAgainCommand(bool up);
// The frame's "commdlg_FindReplace" message: runs the search of the checked mode and
// reports a miss, or forgets the dialog when it closes.
LRESULT onFindNotification(const FINDREPLACEW& record);

UINT_PTR CALLBACK findHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
UINT_PTR CALLBACK gotoHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK findEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quillix
