#include "app/activity_note_win32.h"

#include <commctrl.h>

#include <string>

#include "app/shell_state.h"
#include "app/view_host_win32.h"
#include "document/file/checked_view.h"
#include "hexview/comparison_view.h"
#include "hexview/selection.h"

namespace quillix {

std::wstring activityText() {
    const LRESULT length = LOWORD(SendMessageW(shell.statusBar, SB_GETTEXTLENGTHW, statusPartActivity, 0));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(shell.statusBar, SB_GETTEXTW, statusPartActivity, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

namespace {

bool showsUnreadableNote(const std::wstring& text) { return text.starts_with(unreadableStatusPrefix); }

}  // namespace

// "Search stopped", "Export stopped" or "Copy stopped" stays in status part 0 until the
// next search, export or copy, or the next key in the view, which puts back "Ready" or
// the selection's extent. A note about rows that cannot be read stays while they are on
// screen (see noteUnreadableRows).
void clearStoppedNote(ViewHost& host) {
    const std::wstring text = activityText();
    if (text != L"Ready" && !showsUnreadableNote(text)) showSelectionStatus(shell.view, shell.doc, host);
}

// Status part 0 says so while a paint draws rows that cannot be read; a paint of the whole
// view that draws none takes the note away again, and nothing but the note.
void noteUnreadableRows(HWND window, const PaintRuns& runs, const RECT& painted) {
    const std::wstring text = activityText();
    Win32ViewHost host(window);
    if (runs.unreadableRows > 0) {
        const std::wstring unreadableText = unreadableStatus(runs.unreadableError);
        if (text != unreadableText) host.setStatusText(statusPartActivity, unreadableText.c_str());
        return;
    }
    RECT client{};
    GetClientRect(window, &client);
    const bool wholeView = painted.top <= client.top && painted.bottom >= client.bottom;
    if (wholeView && showsUnreadableNote(text))
        host.setStatusText(statusPartActivity, restingStatusText(shell.view).c_str());
}

}  // namespace quillix
