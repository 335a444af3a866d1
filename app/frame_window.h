#pragma once
// The frame window: its procedure, the save question, the About box, and the helpers the
// commands share for the title and the menu.

#include <windows.h>

#include "resources/resource_ids.h"

namespace quillix {

enum MenuCommand : int {
    commandOpen = IDM_FILE_OPEN,
    commandSave = IDM_FILE_SAVE,
    commandSaveAs = IDM_FILE_SAVE_AS,
    commandExportAs = IDM_FILE_EXPORT_AS,
    commandExit = IDM_FILE_EXIT,
    commandFind = IDM_SEARCH_FIND,
    commandGoto = IDM_SEARCH_GOTO,
    commandReplace = IDM_SEARCH_REPLACE,
    commandFindNext = IDM_SEARCH_FIND_NEXT,
    commandFindPrevious = IDM_SEARCH_FIND_PREVIOUS,
    commandUndo = IDM_EDIT_UNDO,
    commandRedo = IDM_EDIT_REDO,
    commandCopy = IDM_EDIT_COPY,
    commandPaste = IDM_EDIT_PASTE,
    commandSelectAll = IDM_EDIT_SELECT_ALL,
    commandHelp = IDM_HELP_CONTENTS,
    commandAbout = IDM_HELP_ABOUT,
    commandUpdates = IDM_HELP_CHECK_UPDATES,
    commandDataInspector = IDM_VIEW_DATA_INSPECTOR,
    commandChecksums = IDM_TOOLS_CHECKSUMS,
    commandCompareWith = IDM_FILE_COMPARE_WITH,
    commandNextDifference = IDM_SEARCH_NEXT_DIFFERENCE,
    commandPreviousDifference = IDM_SEARCH_PREVIOUS_DIFFERENCE,
    commandCloseComparison = IDM_VIEW_CLOSE_COMPARISON,
    commandSelectBlock = IDM_EDIT_SELECT_BLOCK,
    commandFillSelection = IDM_EDIT_FILL_SELECTION,
    commandCopyAsHex = IDM_EDIT_COPY_AS_HEX,
    commandCopyAsCArray = IDM_EDIT_COPY_AS_C_ARRAY,
    commandCopyAsBase64 = IDM_EDIT_COPY_AS_BASE64,
    commandToggleBookmark = IDM_SEARCH_TOGGLE_BOOKMARK,
    commandNextBookmark = IDM_SEARCH_NEXT_BOOKMARK,
    commandPreviousBookmark = IDM_SEARCH_PREVIOUS_BOOKMARK,
    commandBack = IDM_SEARCH_BACK,
    commandForward = IDM_SEARCH_FORWARD,
    commandBookmarks = IDM_VIEW_BOOKMARKS,
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
// The same title again, with the separator it was last given (the document's name or its
// read-only state changed).
void refreshFrameTitle();
// Enables or grays the seven commands that need a document (12, 11, 13, 15, 20, 21, 60), and
// brings the Edit menu up to date.
void enableDocumentCommands(bool enable);

}  // namespace quillix
