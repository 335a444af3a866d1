#pragma once
// The places the caret goes back and forward over, and the bookmarks with their store
// under %APPDATA%\Quillix-64bit\Bookmarks: the shell's side of the places room.

#include <windows.h>

#include <cstdint>
#include <string>

#include "places/bookmarks.h"
#include "places/jump_list.h"

namespace quillix {

struct PlacesState {
    JumpList jumps;   // Back and Forward; emptied at every open
    Bookmarks marks;  // the document's bookmarks, read at its open, written at each change
};

extern PlacesState places;

// A jump command ran with the caret on from before it: remembered when the caret moved.
void noteJump(std::int64_t from);
// Search > Back and Forward: the caret to the place, as a search hit; a beep with none.
void walkJumpsCommand(bool back);

// Search > Toggle Bookmark: on the byte at the caret (a beep past the last byte).
void toggleBookmarkCommand();
// F2 and Shift+F2: the caret to the next or previous bookmark, wrapping; a beep with none.
void stepToBookmarkCommand(bool next);
// Puts the caret on offset as a search hit is shown, remembering the jump.
void jumpToPlace(std::int64_t offset);

// The store's folder, %APPDATA%\Quillix-64bit\Bookmarks, and the store of a document.
std::wstring bookmarkStorePath(const wchar_t* documentPath);
// After an open (successful or not): the places start afresh and the document's
// bookmarks are read from its store; a damaged or unreadable store leaves none and says
// "Bookmarks of <name> could not be read" in status part 0.
void loadBookmarks();
// Writes the bookmarks to the document's store (after each change, and after Save As
// gave the document a new name); no bookmarks remove the store.
void storeBookmarks();

// Outlines the bookmarked bytes of the view's rows inside the painted rectangle.
void outlineBookmarks(HDC dc, const RECT& painted);

}  // namespace quillix
