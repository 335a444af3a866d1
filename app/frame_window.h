#pragma once
// The frame window: its procedure, the save question, the About box, and the helpers the
// commands share for the title and the menu.

#include <windows.h>

namespace quillix {

enum MenuCommand : int {
    commandOpen = 10,
    commandSave = 11,
    commandSaveAs = 12,
    commandExportAs = 13,
    commandExit = 14,
    commandFind = 20,
    commandGoto = 21,
    commandHelp = 30,
    commandAbout = 31,
    commandUpdates = 32,
};

inline constexpr wchar_t helpFileName[] = L"quillix-help.html";
inline constexpr wchar_t updatePageUrl[] = L"https://quillix-64bit.org/quillix/index.html#latest";

LRESULT CALLBACK frameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK aboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Asks "Save current changes in %s?" and saves on Yes. Returns IDYES only when the save
// succeeded, IDNO, or IDCANCEL (also for a Yes whose save failed or had no name).
int promptSaveChanges(HWND owner);

// Sets the frame's title to " Quillix-64bit", separator and fileTitle.
void setFrameTitle(const wchar_t* separator);
// Enables or grays the five commands that need a document (12, 11, 13, 20, 21).
void enableDocumentCommands(bool enable);

} // namespace quillix
