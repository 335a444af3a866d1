#pragma once
// Status part 0's notes that outlive the operation that made them: "... stopped" until the
// next key, and the note about rows that cannot be read while they are on screen.

#include <windows.h>

#include <string>

#include "hexview/paint_layout.h"
#include "host/view_host.h"

namespace quillix {

// What status part 0 shows now.
std::wstring activityText();
// Puts back "Ready" or the selection's extent after a key, unless part 0 shows "Ready" or
// the note about unreadable rows already.
void clearStoppedNote(ViewHost& host);
// After a paint of painted: notes the unreadable rows it drew, or, when it drew the whole
// view and none, takes that note away.
void noteUnreadableRows(HWND window, const PaintRuns& runs, const RECT& painted);

}  // namespace quillix
