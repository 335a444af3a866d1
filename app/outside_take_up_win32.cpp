// Taking up another program's change to the document's file: reload or merge, the
// question between them, and the notes in status part 0.

#include "app/outside_take_up_win32.h"

#include <string>

#include "app/activity_note_win32.h"
#include "app/compare_pane_win32.h"
#include "app/dialogs/message_box_win32.h"
#include "app/frame_window.h"
#include "app/outside_watch_win32.h"
#include "app/shell_state.h"
#include "app/tools/checksums_window_win32.h"
#include "app/tools/search_results_win32.h"
#include "app/tools/inspector_window_win32.h"
#include "app/view_host_win32.h"
#include "hexview/comparison_view.h"
#include "hexview/selection.h"
#include "host/text_format.h"

namespace quillix {
namespace {

constexpr wchar_t reloadedNote[] = L"Reloaded: changed by another program";
constexpr wchar_t keptNote[] = L"Changed by another program: your changes kept on top";
constexpr wchar_t deletedNote[] = L"The file was deleted by another program";
constexpr wchar_t movedNote[] = L"The file was moved by another program";

// The note in status part 0 about a change taken up, until the next command or key.
std::wstring shownNote;

// The user answered No, keep my changes: later changes are merged without asking while
// the document stands on the file the last merge left it on. A save, a reload or an open
// moves its baseline on, and the next change under new edits is asked about again.
struct KeptChanges {
    FileStamp baseline;        // the document's baseline after the last merge
    bool pastEndTold = false;  // the box about bytes past the file's end was shown meanwhile
};
KeptChanges kept;

bool keepingMine() {
    const FileStamp& now = shell.doc.baseline.stamp;
    return sameFile(now, kept.baseline) && now.lastWrite == kept.baseline.lastWrite &&
           now.size == kept.baseline.size;
}

void showNote(const wchar_t* note) {
    Win32ViewHost host(shell.hexView);
    host.setStatusText(statusPartActivity, note);
    shownNote = note;
}

// The view, the title, the menus and the tool windows follow the document's new bytes.
void showTakenUp(std::int64_t caretOffset, const wchar_t* note) {
    Win32ViewHost host(shell.hexView);
    const HexView hv{shell.doc, shell.view, host};
    showTakenUpDocument(hv, caretOffset, note);
    // The comparison's counts were kept for the bytes the document had.
    const bool counted = !comparing(shell.view) || countComparison(hv) == CompareOutcome::done;
    if (counted) showNote(note);
    refreshFrameTitle();
    enableDocumentCommands(true);
    refreshInspector();
    refreshChecksums();
    refreshSearchResults();
    watchDocumentFile();
}

void reportFailure(SystemError cause) {
    wchar_t text[fileTitleChars + 128];
    formatWithName(text, sizeof text / sizeof text[0], L"", nameOrUntitled(shell.doc.fileTitle),
                   L" was changed by another program, and could not be read again.");
    // The file layer gives no system code for a file grown past what a document may hold.
    const std::wstring message =
        cause == 0 ? std::wstring(text) + L"\nThe file is larger than 4 GiB." : withSystemReason(text, cause);
    showMessageBox(shell.frame, message.c_str(), programCaption, MB_TASKMODAL | MB_ICONWARNING);
}

void reload(std::int64_t caretOffset) {
    SystemError cause = 0;
    if (!reloadDocument(shell.doc, cause)) {
        reportFailure(cause);
        return;
    }
    resetEditLog(shell.doc);
    shell.doc.isModified = 0;
    showTakenUp(caretOffset, reloadedNote);
}

void merge(std::int64_t caretOffset) {
    const bool toldBefore = keepingMine() && kept.pastEndTold;
    SystemError cause = 0;
    std::int64_t pastEnd = 0;
    if (!mergeOutsideChange(shell.doc, pastEnd, cause)) {
        reportFailure(cause);
        return;
    }
    showTakenUp(caretOffset, keptNote);
    kept = KeptChanges{shell.doc.baseline.stamp, toldBefore || pastEnd > 0};
    // Told once while the changes are kept: a file cut again and again asks nothing more.
    if (pastEnd == 0 || toldBefore) return;
    std::wstring text = std::to_wstring(pastEnd);
    text += L" bytes of the document now lie past the end of ";
    text += nameOrUntitled(shell.doc.fileTitle);
    text += L": the next Save writes the whole document.";
    showMessageBox(shell.frame, text.c_str(), programCaption, MB_TASKMODAL | MB_ICONWARNING);
}

bool askToDropChanges() {
    wchar_t text[fileTitleChars + 128];
    formatWithName(text, sizeof text / sizeof text[0], L"", nameOrUntitled(shell.doc.fileTitle),
                   L" was changed by another program.\nReload it and drop your changes?");
    return showMessageBox(shell.frame, text, programCaption, MB_TASKMODAL | MB_YESNO | MB_ICONWARNING) ==
           IDYES;
}

}  // namespace

void takeUpOutsideChange(OutsideChange change) {
    Win32ViewHost host(shell.hexView);
    if (change == OutsideChange::deleted || change == OutsideChange::moved) {
        host.setStatusText(statusPartActivity, change == OutsideChange::deleted ? deletedNote : movedNote);
        return;
    }
    // Changes made while the question is up are answered by it: the file is taken up as
    // it is once answered. After No, later changes are merged without asking again.
    const std::int64_t caretOffset = offsetOf(shell.view);
    if (!shell.doc.isModified || (!keepingMine() && askToDropChanges()))
        reload(caretOffset);
    else
        merge(caretOffset);
}

void noteOutsideChange(const wchar_t* note) { showNote(note); }

void clearOutsideNote() {
    if (shownNote.empty()) return;
    const std::wstring text = activityText();
    const bool shown = text == shownNote;
    shownNote.clear();
    if (!shown) return;
    Win32ViewHost host(shell.hexView);
    showSelectionStatus(shell.view, shell.doc, host);
}

}  // namespace quillix
