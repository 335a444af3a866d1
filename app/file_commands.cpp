// The File menu's commands. The three file dialogs share one record whose path and name
// buffers are the document's own filePath and fileTitle; the commands keep the
// document's names intact across everything that only proposes or exports a name, so
// Save always writes the document where its title says.

#include "app/file_commands.h"

#include <commctrl.h>

#include <cwchar>
#include <string>

#include "app/compare_pane_win32.h"
#include "app/frame_window.h"
#include "app/dialogs/message_box_win32.h"
#include "app/outside_watch_win32.h"
#include "app/places_win32.h"
#include "app/recent_files_win32.h"
#include "app/shell_state.h"
#include "document/file/checked_view.h"
#include "document/save/save_document.h"
#include "document/save/text_dump.h"
#include "hexview/selection.h"
#include "host/text_format.h"
#include "app/view_host_win32.h"

namespace quillix {
namespace {

constexpr std::size_t pathBufferChars = filePathChars + 1;
constexpr std::size_t lastErrorChars = 256;

// The document's names and what the hooks know of them, to put back after a dialog.
struct SavedNames {
    wchar_t path[pathBufferChars];
    wchar_t title[fileTitleChars];
    WORD fileOffset;
    WORD fileExtension;

    SavedNames() {
        std::wmemcpy(path, shell.doc.filePath, pathBufferChars);
        std::wmemcpy(title, shell.doc.fileTitle, fileTitleChars);
        fileOffset = shell.fileDialog.nFileOffset;
        fileExtension = shell.fileDialog.nFileExtension;
    }
    void restore() const {
        std::wmemcpy(shell.doc.filePath, path, pathBufferChars);
        std::wmemcpy(shell.doc.fileTitle, title, fileTitleChars);
        shell.fileDialog.nFileOffset = fileOffset;
        shell.fileDialog.nFileExtension = fileExtension;
    }
};

// A failure box with the name in it and, when a system call failed, the system's own
// words for why on a second line.
// advice, when given, is a last line of its own.
void showFailure(HWND owner, const wchar_t* before, const wchar_t* name, const wchar_t* after,
                 SystemError cause, const wchar_t* advice = nullptr) {
    wchar_t text[titleChars];
    formatWithName(text, titleChars, before, nameOrUntitled(name), after);
    std::wstring message = withSystemReason(text, cause);
    if (advice) message += std::wstring(L"\n") + advice;
    showMessageBox(owner, message.c_str(), programCaption, MB_TASKMODAL | MB_ICONWARNING);
}

constexpr wchar_t saveAsAdvice[] = L"Choose Save As to keep your changes in another file.";

void setOffsetStatus(const wchar_t* text) {
    SendMessageW(shell.statusBar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(text));
}

// After a save the document is clean: the red marks go at once.
void markSaved() {
    shell.doc.isModified = 0;
    InvalidateRect(shell.hexView, nullptr, FALSE);
    UpdateWindow(shell.hexView);
    resetEditLog(shell.doc);
}

void prepareDialog(const wchar_t* title, const wchar_t* filter, DWORD flags) {
    OPENFILENAMEW& dialog = shell.fileDialog;
    dialog.hwndOwner = shell.frame;
    dialog.lpstrTitle = title;
    dialog.lpstrFile = shell.doc.filePath;
    dialog.lpstrFileTitle = shell.doc.fileTitle;
    dialog.lpstrFilter = filter;
    dialog.Flags = flags;
}

// " %s" of "GetLastError() returned number [%lu], which translate to:\n%s", cut to the
// 256 characters of its buffer when the system's text is long.
void formatOpenFailure(wchar_t* message, std::size_t capacity, DWORD code) {
    wchar_t* systemText = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                       FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                   nullptr, code, 0, reinterpret_cast<LPWSTR>(&systemText), 0, nullptr);
    wchar_t lastErrorText[lastErrorChars];
    std::size_t length = appendText(lastErrorText, lastErrorChars, 0, L"GetLastError() returned number [");
    length = appendDecimal(lastErrorText, lastErrorChars, length, code);
    length = appendText(lastErrorText, lastErrorChars, length, L"], which translate to:\n");
    appendText(lastErrorText, lastErrorChars, length, systemText ? systemText : L"");
    if (systemText) LocalFree(systemText);

    if (code != 0) {
        formatWithName(message, capacity, L" ", lastErrorText, L"");
        return;
    }
    formatWithName(message, capacity, L"Could not open file! ", nameOrUntitled(shell.doc.fileTitle),
                   L" is over 4gb");
}

void reportFailedOpen(DWORD code) {
    wchar_t message[lastErrorChars + titleChars];
    formatOpenFailure(message, lastErrorChars + titleChars, code);
    showMessageBox(shell.hexView, message, programCaption, MB_TASKMODAL | MB_ICONWARNING);

    // No document is left: the old one went when the open was attempted.
    HideCaret(shell.hexView);
    shell.doc.lineCount = 0;
    shell.doc.fileSize = 0;
    shell.doc.filePath[0] = L'\0';
    shell.doc.fileTitle[0] = L'\0';
    setFrameTitle(L"  ");
    SendMessageW(shell.statusBar, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(L"Bytes: 0000000000"));
    InvalidateRect(shell.hexView, nullptr, TRUE);
    UpdateWindow(shell.hexView);
    enableDocumentCommands(false);
}

}  // namespace

namespace {

// Opens the file the document's path names, as every way of opening one ends: the
// comparison goes, the file opens or its failure is told, and the view and the commands
// follow. Returns whether it opened.
bool openChosenFile(OpenPurpose purpose) {
    // The comparison was with the document that goes now.
    closeComparisonPane();
    Win32ViewHost host(shell.hexView);
    SystemError cause = 0;
    const bool opened = openDocument(shell.doc, shell.doc.filePath, cause, systemFileSystem(), purpose) == 1;
    showOpenedDocument(HexView{shell.doc, shell.view, host}, opened);
    if (!opened) reportFailedOpen(cause);

    if (hasDocument(shell.doc)) {
        shell.view.caretRow = 0;
        shell.view.caretCell = shell.view.layout.firstHex;
        shell.view.byteColumn = 1;
        SetCaretPos(static_cast<int>(cellX(shell.view, shell.view.layout.firstHex)), 0);
        setFrameTitle(L" - ");
        enableDocumentCommands(true);
        if (opened) addToRecentFiles(shell.doc.filePath);
        // A dialog gives the keyboard back to the frame, which passes it on only while a
        // document is open: with none before this open, nothing else would.
        if (GetFocus() == shell.frame) SetFocus(shell.hexView);
    } else {
        HideCaret(shell.hexView);
    }
    resetEditLog(shell.doc);
    shell.doc.isModified = 0;
    setOffsetStatus(L"Offset: 00000000");
    watchDocumentFile();
    loadBookmarks();
    return opened;
}

}  // namespace

LRESULT openCommand() {
    if (shell.doc.isModified && promptSaveChanges(shell.frame) == IDCANCEL) return 0;
    SavedNames names;
    prepareDialog(L"Open", L"All Files (*.*)\0*.*\0", OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ENABLEHOOK);
    // An Export As dialog leaves "txt" behind: a typed name must open the file of that name.
    shell.fileDialog.lpstrDefExt = nullptr;
    shell.fileDialog.lpfnHook = openDialogHook;
    if (!GetOpenFileNameW(&shell.fileDialog)) {
        names.restore();  // the hook wrote a "*.*" proposal into the path
        return 0;
    }
    // "Open as read-only" ticked: the document is for viewing, as a read-only file's is.
    openChosenFile((shell.fileDialog.Flags & OFN_READONLY) ? OpenPurpose::viewing : OpenPurpose::editing);
    return 0;
}

OpenOutcome openFileAt(const wchar_t* path) {
    if (shell.doc.isModified && promptSaveChanges(shell.frame) == IDCANCEL) return OpenOutcome::declined;
    const std::size_t length = textLength(path);
    std::size_t nameStart = length;
    while (nameStart > 0 && path[nameStart - 1] != L'\\' && path[nameStart - 1] != L'/') --nameStart;
    if (length > static_cast<std::size_t>(filePathChars) || length - nameStart >= fileTitleChars) {
        // No name buffer holds it: refused as the open refuses a path it cannot use.
        closeComparisonPane();
        reportFailedOpen(ERROR_FILENAME_EXCED_RANGE);
        return OpenOutcome::failed;
    }
    // The names as the Open dialog would have left them, which Export As proposes from.
    std::wmemcpy(shell.doc.filePath, path, length + 1);
    std::wmemcpy(shell.doc.fileTitle, path + nameStart, length - nameStart + 1);
    const wchar_t* dot = std::wcsrchr(path + nameStart, L'.');
    shell.fileDialog.nFileOffset = static_cast<WORD>(nameStart);
    shell.fileDialog.nFileExtension = dot ? static_cast<WORD>(dot - path + 1) : 0;
    return openChosenFile(OpenPurpose::editing) ? OpenOutcome::opened : OpenOutcome::failed;
}

// Runs the save and reports a target that could not be written at all or went away while
// it was written, and pages of the document that could not be read: they stopped a save
// in place, or went into another file as zeros. A write that failed later has been
// reported by the save itself, and a declined save needs no word. documentName is the
// document's name before a Save As. A Save refused by a file that may not be written
// points to Save As, the way left to keep the changes.
bool saveAndReport(const wchar_t* documentName, bool intoOwnFile) {
    Win32ViewHost host(shell.hexView);
    SaveOutcome outcome;
    letGoOfDeletedFile();  // so that a save can put a new file at a deleted file's name
    if (saveDocument(shell.doc, host, &outcome)) {
        if (!outcome.unreadable.empty()) {
            const UnreadableBytes unreadable{outcome.unreadable, outcome.cause};
            showMessageBox(shell.frame,
                        unreadableSaveMessage(documentName, shell.doc.fileTitle, unreadable).c_str(),
                        programCaption, MB_TASKMODAL | MB_ICONWARNING);
        }
        return true;
    }
    if (outcome.failure == SaveFailure::cannotOpen || outcome.failure == SaveFailure::targetLost) {
        const bool refused = intoOwnFile && outcome.cause == accessDeniedError();
        showFailure(shell.frame, L"Could not write to file ", shell.doc.fileTitle, L"!", outcome.cause,
                    refused ? saveAsAdvice : nullptr);
    }
    if (outcome.failure == SaveFailure::unreadable)
        reportUnreadable(host, BoxOwner::frame, documentName, outcome.cause);
    return false;
}

LRESULT saveCommand() {
    if (!hasDocument(shell.doc) || isReadOnly(shell.doc)) return 0;
    // After a failure the document keeps its path and name, so the user can try Save
    // again or choose Save As.
    if (!saveAndReport(shell.doc.fileTitle, true)) return 0;
    markSaved();
    watchDocumentFile();  // a whole save may have put a new file at the name
    return 1;
}

LRESULT saveAsCommand() {
    if (!hasDocument(shell.doc)) return 0;
    SavedNames names;
    prepareDialog(L"Save As", L"All Files (*.*)\0*.*\0",
                  OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
    // A document is saved under the name typed: no ".txt" left behind by Export As.
    shell.fileDialog.lpstrDefExt = nullptr;
    if (!GetSaveFileNameW(&shell.fileDialog)) {
        names.restore();
        return 0;
    }
    if (saveAndReport(names.title, false)) {
        setFrameTitle(L"  ");
        addToRecentFiles(shell.doc.filePath);
        enableDocumentCommands(true);  // a read-only document is a copy it may save now
        markSaved();
        watchDocumentFile();
        return 1;
    }
    // The document stays tied to the file its title names.
    names.restore();
    return 0;
}

LRESULT exportAsCommand() {
    if (!hasDocument(shell.doc)) return 0;
    SavedNames names;
    // The proposal gets ".txt" only when the path has room for it.
    if (textLength(shell.doc.filePath) + 4 < static_cast<std::size_t>(filePathChars))
        appendText(shell.doc.filePath, filePathChars, textLength(shell.doc.filePath), L".txt");
    prepareDialog(L"Export As", L"Text (*.txt)\0*.txt\0Doc (*.doc)\0*.doc\0",
                  OFN_FORCESHOWHIDDEN | OFN_EXPLORER | OFN_CREATEPROMPT | OFN_ENABLEHOOK | OFN_HIDEREADONLY |
                      OFN_OVERWRITEPROMPT);
    shell.fileDialog.nMaxFile = filePathChars;
    shell.fileDialog.nFilterIndex = 1;
    shell.fileDialog.lpstrDefExt = L"txt";
    shell.fileDialog.lpfnHook = exportDialogHook;
    if (!GetSaveFileNameW(&shell.fileDialog)) {
        names.restore();
        return 0;
    }
    Win32ViewHost host(shell.hexView);
    SystemError cause = 0;
    int exported = exportTextDump(shell.doc, host, shell.doc.filePath, systemFileSystem(), &cause);
    if (exported != exportStopped) showSelectionAgain(shell.view, shell.doc, host);
    wchar_t exportName[fileTitleChars];
    std::wmemcpy(exportName, shell.doc.fileTitle, fileTitleChars);
    // The export's names were only borrowed: the document keeps its own.
    names.restore();
    if (exported == 1) return 1;
    // A stop was the user's own wish: no failure to report.
    if (exported == exportStopped) return 0;
    if (exported == exportUnreadable) {
        reportUnreadable(host, BoxOwner::frame, shell.doc.fileTitle, cause);
        return 0;
    }
    showFailure(shell.frame, L"Could not write file ", exportName, L"", cause);
    return 0;
}

namespace {

// Writes text and its terminator into the path buffer at index, when it fits.
void writeIntoPath(std::size_t index, const wchar_t* text) {
    std::size_t length = textLength(text);
    if (index + length + 1 > pathBufferChars) return;
    std::wmemcpy(shell.doc.filePath + index, text, length + 1);
}

// Puts the name part of the path buffer into the dialog's file-name field: edt1 (1152)
// in the classic template, the combo box cmb13 (1148) in newer dialogs such as Wine's.
void showProposedName(HWND hookDialog) {
    const OPENFILENAMEW& record = shell.fileDialog;
    if (record.nFileOffset >= pathBufferChars) return;
    HWND parent = GetParent(hookDialog);
    int field = GetDlgItem(parent, 1152) ? 1152 : 1148;
    SetDlgItemTextW(parent, field, shell.doc.filePath + record.nFileOffset);
}

}  // namespace

UINT_PTR CALLBACK openDialogHook(HWND, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) writeIntoPath(shell.fileDialog.nFileOffset, L"*.*");
    return 0;
}

UINT_PTR CALLBACK exportDialogHook(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    const OPENFILENAMEW& record = shell.fileDialog;
    if (message == WM_INITDIALOG) {
        if (record.nFileExtension == 0) writeIntoPath(record.nFileOffset, L"*.*");
        if (record.nFilterIndex == 1 && record.nFileExtension != 0)
            writeIntoPath(record.nFileExtension, L"txt");
        return 0;
    }
    if (message != WM_NOTIFY) return 0;
    const UINT code = reinterpret_cast<NMHDR*>(lParam)->code;
    if (code == CDN_TYPECHANGE) {
        DWORD filterIndex = reinterpret_cast<OFNOTIFYW*>(lParam)->lpOFN->nFilterIndex;
        if (filterIndex == 1 && record.nFileExtension != 0) writeIntoPath(record.nFileExtension, L"txt");
        if (filterIndex == 2 && record.nFileExtension != 0) writeIntoPath(record.nFileExtension, L"doc");
        showProposedName(dialog);
    }
    // Some dialogs, Wine's among them, fill the name field from the path before the
    // hook's WM_INITDIALOG has rewritten it: show the rewritten proposal once they are done.
    if (code == CDN_INITDONE) showProposedName(dialog);
    return 0;
}

}  // namespace quillix
