#include "app/outside_watch_win32.h"

#include <string>

#include "app/activity_note_win32.h"
#include "app/tools/checksums_window_win32.h"
#include "app/compare_pane_win32.h"
#include "app/frame_window.h"
#include "app/hex_window_win32.h"
#include "app/view_host_win32.h"
#include "app/tools/inspector_window_win32.h"
#include "app/dialogs/message_box_win32.h"
#include "app/shell_state.h"
#include "document/file/checked_view.h"
#include "document/outside_change.h"
#include "hexview/comparison_view.h"
#include "hexview/selection.h"
#include "host/text_format.h"

namespace quillix {
namespace {

constexpr wchar_t reloadedNote[] = L"Reloaded: changed by another program";
constexpr wchar_t keptNote[] = L"Changed by another program: your changes kept on top";
constexpr wchar_t deletedNote[] = L"The file was deleted by another program";
constexpr wchar_t movedNote[] = L"The file was moved by another program";

struct Watch {
    HANDLE notification = INVALID_HANDLE_VALUE;  // FindFirstChangeNotificationW on folder
    std::wstring folder;                         // the folder watched
    FileHandle held;                             // the document's file, held lightly
    FileStamp heldStamp;                         // which file held is
    OutsideNotice notice;                        // the change last told
    bool requested = false;                      // a look waits for the loop's top
    // The user answered No, keep my changes: later changes are merged without asking
    // until the document is saved, reloaded or opened anew (watchDocumentFile).
    bool keepingMine = false;
    bool pastEndTold = false;  // the box about bytes past the file's end was shown meanwhile
};
Watch watch;

// The compared file's folder, watched the same way while a comparison is open.
struct OtherWatch {
    HANDLE notification = INVALID_HANDLE_VALUE;
    std::wstring folder;
    bool requested = false;  // a look at the other file waits for the loop's top
};
OtherWatch otherWatch;

void releaseOtherWatch() {
    if (otherWatch.notification != INVALID_HANDLE_VALUE) FindCloseChangeNotification(otherWatch.notification);
    otherWatch.notification = INVALID_HANDLE_VALUE;
    otherWatch.folder.clear();
    otherWatch.requested = false;
}

void releaseWatch() {
    if (watch.notification != INVALID_HANDLE_VALUE) FindCloseChangeNotification(watch.notification);
    watch.notification = INVALID_HANDLE_VALUE;
    watch.folder.clear();
    SystemError ignored = 0;
    if (watch.held.isOpen()) systemFileSystem().close(watch.held, ignored);
    watch.held = FileHandle{};
    watch.heldStamp = FileStamp{};
}

std::wstring folderOf(const wchar_t* path) {
    const std::wstring text = path;
    const std::size_t slash = text.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : text.substr(0, slash + 1);
}

// The note in status part 0 about a change taken up, until the next command or key.
std::wstring shownNote;

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
    watchDocumentFile();
}

void reportFailure(SystemError cause) {
    wchar_t text[fileTitleChars + 128];
    formatWithName(text, sizeof text / sizeof text[0], L"", nameOrUntitled(shell.doc.fileTitle),
                   L" was changed by another program, and could not be read again.");
    showMessageBox(shell.frame, withSystemReason(text, cause).c_str(), programCaption,
                   MB_TASKMODAL | MB_ICONWARNING);
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
    SystemError cause = 0;
    std::int64_t pastEnd = 0;
    if (!mergeOutsideChange(shell.doc, pastEnd, cause)) {
        reportFailure(cause);
        return;
    }
    showTakenUp(caretOffset, keptNote);
    watch.keepingMine = true;
    // Told once while the changes are kept: a file cut again and again asks nothing more.
    if (pastEnd == 0 || watch.pastEndTold) return;
    watch.pastEndTold = true;
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

void takeUp(OutsideChange change) {
    Win32ViewHost host(shell.hexView);
    if (change == OutsideChange::deleted || change == OutsideChange::moved) {
        host.setStatusText(statusPartActivity, change == OutsideChange::deleted ? deletedNote : movedNote);
        return;
    }
    // Changes made while the question is up are answered by it: the file is taken up as
    // it is once answered. After No, later changes are merged without asking again.
    const std::int64_t caretOffset = offsetOf(shell.view);
    if (!shell.doc.isModified || (!watch.keepingMine && askToDropChanges()))
        reload(caretOffset);
    else
        merge(caretOffset);
}

}  // namespace

void watchDocumentFile() {
    watch.keepingMine = false;
    watch.pastEndTold = false;
    if (!hasDocument(shell.doc)) {
        releaseWatch();
        return;
    }
    const std::wstring folder = folderOf(shell.doc.filePath);
    FileStamp atName;
    SystemError ignored = 0;
    systemFileSystem().stampAt(shell.doc.filePath, atName, ignored);
    if (folder == watch.folder && sameFile(atName, watch.heldStamp)) return;
    releaseWatch();
    watch.folder = folder;
    watch.notification = FindFirstChangeNotificationW(
        folder.c_str(), FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
    if (systemFileSystem().holdFile(shell.doc.filePath, watch.held, ignored))
        systemFileSystem().stampOf(watch.held, watch.heldStamp, ignored);
}

void letGoOfDeletedFile() {
    FileStamp held;
    SystemError ignored = 0;
    if (!watch.held.isOpen() || !systemFileSystem().stampOf(watch.held, held, ignored)) return;
    if (held.links != 0 && !held.deletePending) return;
    systemFileSystem().close(watch.held, ignored);
    watch.held = FileHandle{};
    watch.heldStamp = FileStamp{};
}

void watchComparedFile() {
    if (!shell.comparison.open) {
        releaseOtherWatch();
        return;
    }
    const std::wstring folder = folderOf(shell.comparison.other.filePath);
    if (folder == otherWatch.folder && otherWatch.notification != INVALID_HANDLE_VALUE) return;
    releaseOtherWatch();
    otherWatch.folder = folder;
    otherWatch.notification = FindFirstChangeNotificationW(
        folder.c_str(), FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
}

void stopWatchingDocumentFile() {
    releaseWatch();
    releaseOtherWatch();
}

bool waitForMessageOrChange(DWORD timeout) {
    HANDLE handles[2] = {};
    DWORD count = 0;
    if (watch.notification != INVALID_HANDLE_VALUE) handles[count++] = watch.notification;
    if (otherWatch.notification != INVALID_HANDLE_VALUE) handles[count++] = otherWatch.notification;
    const DWORD woke = MsgWaitForMultipleObjectsEx(count, handles, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke >= WAIT_OBJECT_0 + count) return woke == WAIT_OBJECT_0 + count;
    // Armed again before the look, so that a change made during it is not missed.
    const HANDLE changed = handles[woke - WAIT_OBJECT_0];
    FindNextChangeNotification(changed);
    if (changed == watch.notification)
        requestOutsideLook();
    else
        otherWatch.requested = true;
    serveOutsideLook();
    return false;
}

void lookForOutsideChange() {
    watch.requested = false;
    if (!hasDocument(shell.doc)) return;
    FileStamp atName, held;
    SystemError ignored = 0;
    if (!systemFileSystem().stampAt(shell.doc.filePath, atName, ignored)) return;
    if (watch.held.isOpen() && systemFileSystem().stampOf(watch.held, held, ignored)) {
        // A handle stays on the file it was opened on, so which file that is was read then:
        // through a handle opened before a rename, Wine no longer tells the file's volume.
        held.volume = watch.heldStamp.volume;
        held.index = watch.heldStamp.index;
    }
    const OutsideChange change = outsideChangeOf(shell.doc, atName, held);
    if (isNewOutsideChange(watch.notice, change, atName)) takeUp(change);
}

void requestOutsideLook() { watch.requested = true; }

void serveOutsideLook() {
    // A box or dialog up disables the frame: the look comes right after it.
    if (!IsWindowEnabled(shell.frame)) return;
    if (watch.requested) lookForOutsideChange();
    if (otherWatch.requested) {
        otherWatch.requested = false;
        recheckOtherFile();
    }
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
