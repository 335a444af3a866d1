#pragma once
// The File menu's commands. Each returns what the frame's WM_COMMAND returns: 1 when
// Save, Save As or Export As succeeded, 0 otherwise (Open always 0).

#include <windows.h>

namespace quillix {

LRESULT openCommand();
LRESULT saveCommand();
LRESULT saveAsCommand();
LRESULT exportAsCommand();

// Opens the file at path as File > Open does once its dialog has closed: the save
// question first, then the file, or the open's own failure box and no document. A path
// too long for the document's names gets that box too (the system's "file name too long").
enum class OpenOutcome { opened, declined, failed };
OpenOutcome openFileAt(const wchar_t* path);

// Hooks of the Explorer-style file dialogs: they propose a name as the dialog opens,
// and the export hook follows a change of file type. Both let the dialog go on.
UINT_PTR CALLBACK openDialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
UINT_PTR CALLBACK exportDialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quillix
