// Noticing another program's change: a change notification on the folder of the document's
// file and one on the compared file's, waited on with the messages, and the looks they
// and the program's activation ask for. What is found is taken up by
// outside_take_up_win32.cpp (the document's file) or recheckOtherFile (the compared one).

#include "app/outside_watch_win32.h"

#include <string>

#include "app/compare_pane_win32.h"
#include "app/outside_take_up_win32.h"
#include "app/shell_state.h"
#include "document/outside_change.h"

namespace quillix {
namespace {

// A change notification on one folder: file names, sizes and last-write times in it.
struct FolderWatch {
    HANDLE notification = INVALID_HANDLE_VALUE;  // FindFirstChangeNotificationW on folder
    std::wstring folder;                         // the folder watched
    bool requested = false;                      // a look waits for the loop's top

    bool watches(const std::wstring& wanted) const {
        return notification != INVALID_HANDLE_VALUE && folder == wanted;
    }
    void start(const std::wstring& wanted) {
        release();
        folder = wanted;
        notification = FindFirstChangeNotificationW(
            folder.c_str(), FALSE,
            FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
    }
    void release() {
        if (notification != INVALID_HANDLE_VALUE) FindCloseChangeNotification(notification);
        notification = INVALID_HANDLE_VALUE;
        folder.clear();
    }
};

// The document's file: its folder, and the file itself held lightly so that a rename can
// be told from a deletion.
struct DocumentWatch : FolderWatch {
    FileHandle held;       // the document's file, held lightly
    FileStamp heldStamp;   // which file held is, read when it was taken
    OutsideNotice notice;  // the change last told

    void letGo() {
        SystemError ignored = 0;
        if (held.isOpen()) systemFileSystem().close(held, ignored);
        held = FileHandle{};
        heldStamp = FileStamp{};
    }
};
DocumentWatch watch;
FolderWatch otherWatch;  // the compared file's folder, while a comparison is open

void releaseWatch() {
    watch.release();
    watch.letGo();
}

std::wstring folderOf(const wchar_t* path) {
    const std::wstring text = path;
    const std::size_t slash = text.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : text.substr(0, slash + 1);
}

}  // namespace

void watchDocumentFile() {
    if (!hasDocument(shell.doc)) {
        releaseWatch();
        return;
    }
    const std::wstring folder = folderOf(shell.doc.filePath);
    FileStamp atName;
    SystemError ignored = 0;
    systemFileSystem().stampAt(shell.doc.filePath, atName, ignored);
    // Still the same file in the same folder; any other (a Save As) is let go of at once.
    if (watch.folder == folder && sameFile(atName, watch.heldStamp)) return;
    releaseWatch();
    watch.start(folder);
    if (systemFileSystem().holdFile(shell.doc.filePath, watch.held, ignored))
        systemFileSystem().stampOf(watch.held, watch.heldStamp, ignored);
}

void letGoOfDeletedFile() {
    FileStamp held;
    SystemError ignored = 0;
    if (!watch.held.isOpen() || !systemFileSystem().stampOf(watch.held, held, ignored)) return;
    if (held.links != 0 && !held.deletePending) return;
    watch.letGo();
}

void watchComparedFile() {
    if (!shell.comparison.open) {
        otherWatch.release();
        otherWatch.requested = false;
        return;
    }
    const std::wstring folder = folderOf(shell.comparison.other.filePath);
    if (!otherWatch.watches(folder)) otherWatch.start(folder);
}

void stopWatchingDocumentFile() {
    releaseWatch();
    otherWatch.release();
    otherWatch.requested = false;
}

bool waitForMessageOrChange(DWORD timeout) {
    FolderWatch* watches[2] = {};
    HANDLE handles[2] = {};
    DWORD count = 0;
    for (FolderWatch* each : {static_cast<FolderWatch*>(&watch), &otherWatch}) {
        if (each->notification == INVALID_HANDLE_VALUE) continue;
        watches[count] = each;
        handles[count++] = each->notification;
    }
    const DWORD woke = MsgWaitForMultipleObjectsEx(count, handles, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke >= WAIT_OBJECT_0 + count) return woke == WAIT_OBJECT_0 + count;
    // Armed again before the look, so that a change made during it is not missed. A folder
    // that went away leaves its notification signalled for good: it is let go, and the
    // looks on activation carry on without it.
    FolderWatch& changed = *watches[woke - WAIT_OBJECT_0];
    if (!FindNextChangeNotification(changed.notification)) changed.release();
    changed.requested = true;
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
    if (isNewOutsideChange(watch.notice, change, atName)) takeUpOutsideChange(change);
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

}  // namespace quillix
