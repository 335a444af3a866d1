#pragma once
// The File menu's commands. Each returns what the frame's WM_COMMAND returns: 1 when
// Save, Save As or Export As succeeded, 0 otherwise (Open always 0).

#include <windows.h>

namespace quillix {

LRESULT openCommand();
LRESULT saveCommand();
LRESULT saveAsCommand();
LRESULT exportAsCommand();

// Hooks of the Explorer-style file dialogs: they propose a name as the dialog opens,
// and the export hook follows a change of file type. Both let the dialog go on.
UINT_PTR CALLBACK openDialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
UINT_PTR CALLBACK exportDialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quillix
