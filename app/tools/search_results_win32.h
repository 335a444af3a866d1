#pragma once
// Find All's "Search Results" tool window: a modeless virtual list beside the frame, a row
// per listed hit with its offset and its bytes in hex and as characters. Enter or a
// double-click shows the row's hit in the view, Ctrl+C copies the selected rows, Ctrl+A
// selects every row, F5 searches again. While it is open the view paints every listed hit.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "search/find_all.h"

namespace quillix {

// Find All over findWhat with the dialog's buttons. With hits, they go into the window,
// which opens beside the frame without taking the keyboard (or shows them in place of
// the last ones). Returns what findAll returned: on none the caller shows the mode's
// not-found box, and the window, open or not, is left as it was.
FindAllResult findAllCommand(const DialogButtons& buttons);

// After any command: the window says "Changed since searched — press F5" and redraws its
// rows' bytes once the document's bytes changed after the search, and closes when another
// document took the searched one's place. Two comparisons when nothing changed.
void refreshSearchResults();

// Save As gave the searched document a new name: its hits stay listed.
void keepSearchResultsForRenamedDocument();

// The window's share of the message loop, offered each message before the accelerators:
// F5 in the window (anywhere while the checksums' window is closed), and Enter, Ctrl+C and
// Ctrl+A in its list, and its dialog keys. True when the message was used up.
bool routeSearchResultsMessage(MSG& message);

// A hit's bytes in the Text column: a character per byte in the view's character set, '.'
// where it has none to show.
std::wstring hitText(const std::uint8_t* bytes, std::size_t count);

INT_PTR CALLBACK searchResultsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quillix
