// The File menu's commands.

#include "app/file_commands.h"

#include "app/frame_window.h"
#include "app/shell_state.h"
#include "document/text_format.h"
#include "hexview/hex_window_win32.h"

namespace quillix {
namespace {

void showFailure(HWND owner, const wchar_t* before, const wchar_t* name, const wchar_t* after) {
    wchar_t text[titleChars];
    formatWithName(text, titleChars, before, nameOrUntitled(name), after);
    MessageBoxW(owner, text, programCaption, MB_TASKMODAL | MB_ICONWARNING);
}

// After a save the document is clean: the red marks go at once.
void markSaved() {
    shell.doc.isModified = 0;
    InvalidateRect(shell.hexView, nullptr, FALSE);
    UpdateWindow(shell.hexView);
    resetEditLog(shell.doc);
}

} // namespace

LRESULT saveCommand() {
    if (!shell.doc.fileTitle[0]) return 0;
    Win32ViewHost host(shell.hexView);
    SaveFailure failure = SaveFailure::none;
    if (saveDocument(shell.doc, host, &failure)) {
        markSaved();
        return 1;
    }
    // A write that failed has been reported by the save itself. Either way the document
    // keeps its path and name, so the user can try Save again or choose Save As.
    if (failure == SaveFailure::cannotOpen)
        showFailure(shell.frame, L"Could not write to file ", shell.doc.fileTitle, L"!");
    return 0;
}

} // namespace quillix
