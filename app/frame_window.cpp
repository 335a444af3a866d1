// The frame window: it makes and lays out the hex view and the status bar, hands the
// focus on, asks about unsaved changes on closing, and dispatches the menu commands.

#include "app/frame_window.h"

#include <string>

#include "app/tools/checksums_window_win32.h"
#include "app/tools/search_results_win32.h"
#include "app/compare_pane_win32.h"
#include "hexview/comparison_view.h"
#include "app/edit_commands.h"
#include "app/file_commands.h"
#include "app/tools/inspector_window_win32.h"
#include "app/hex_paint_win32.h"
#include "app/view_host_win32.h"
#include "app/dialogs/message_box_win32.h"
#include "app/outside_take_up_win32.h"
#include "app/outside_watch_win32.h"
#include "app/recent_files_win32.h"
#include "app/shell_state.h"
#include "app/status_bar_win32.h"
#include "app/theme_win32.h"
#include "app/view_look_win32.h"
#include "host/text_format.h"
#include "app/dialogs/find_dialog_win32.h"
#include "app/dialogs/region_dialogs_win32.h"
#include "app/places_win32.h"
#include "app/tools/bookmarks_window_win32.h"

namespace quillix {
namespace {

void onCreate(HWND frame) {
    shell.frame = frame;
    ZeroMemory(&shell.fileDialog, sizeof shell.fileDialog);
    shell.fileDialog.lStructSize = sizeof(OPENFILENAMEW);
    shell.fileDialog.hwndOwner = frame;
    shell.fileDialog.nMaxFile = filePathChars;
    shell.fileDialog.nMaxFileTitle = fileTitleChars;

    // Its real place comes with the first WM_SIZE. Its WM_CREATE reads the DPI the status
    // bar is then made for.
    shell.hexView =
        CreateWindowExW(WS_EX_WINDOWEDGE, hexViewClassName, nullptr,
                        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_BORDER | WS_VSCROLL, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, frame, nullptr, nullptr, nullptr);
    createStatusBar(frame);
    shell.findMessageId = RegisterWindowMessageW(L"commdlg_FindReplace");
    showRecentFiles();
    applyTheme();
    applyCharacterSet();
    applyRowLayout(false);
    // Files dropped from Explorer open as File > Open would.
    DragAcceptFiles(frame, TRUE);
}

void onSize(int width, int height) {
    // The bar sizes itself to its font when it is moved, so it goes first and the view
    // takes what it leaves. Signed: a minimized frame has a client area 0 high, leaving
    // minus the bar's height.
    shell.view.clientHeight = static_cast<std::int64_t>(height) - layoutStatusBar(width, height);
    shell.viewHeight = shell.view.clientHeight;
    shell.view.clientWidth = width;
    MoveWindow(shell.hexView, 0, 0, width, static_cast<int>(shell.view.clientHeight), TRUE);
    // A move that keeps the view's size sends it no WM_SIZE: the bar's height still counts.
    if (shell.hexView) Win32ViewHost(shell.hexView).fitHorizontalBar();
}

// The frame went to a monitor of another DPI (or the user changed the scaling): everything
// is measured and laid out again at the new DPI in the rectangle the system suggests, and
// the view keeps its first row, the caret's byte, the edits and the match.
void onDpiChanged(HWND frame, int dpi, const RECT& suggested) {
    Win32ViewHost host(shell.hexView);
    const HexView hv{shell.doc, shell.view, host};
    // The caret is made anew at its new size.
    const bool caretShown = GetFocus() == shell.hexView;
    if (caretShown) onKillFocus(hv);
    const ViewAnchor anchor = viewAnchor(shell.view);
    shell.view.dpi = dpi;
    measureViewFont(shell.view);
    setStatusBarDpi(dpi);
    SetWindowPos(frame, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // A rectangle of the old size brings no WM_SIZE; the children are laid out all the same.
    RECT client{};
    GetClientRect(frame, &client);
    onSize(client.right, client.bottom);
    keepViewAnchor(hv, anchor);
    if (caretShown) onSetFocus(hv);
}

void onClose(HWND frame) {
    if (shell.doc.isModified && promptSaveChanges(frame) == IDCANCEL) return;
    DestroyWindow(frame);
    stopWatchingDocumentFile();
    closeDocumentView(shell.doc);
    releaseEditLog(shell.doc);
    closeComparison(shell.comparison);
}

void openWithShell(const wchar_t* target) {
    shell.shellExecute(shell.frame, L"open", target, nullptr, nullptr, SW_SHOWNORMAL);
}

// The help page ships beside the program. The bare name would be looked for in the current
// folder, which is the document's folder when the program was started by a double-click
// on a document or by "Open with". Falls back to the bare name if the program's own path
// cannot be read.
std::wstring helpPagePath() {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
    // A path cut short fills the whole buffer; no path is longer than 32767 characters.
    while (length == path.size() && path.size() <= 32767) {
        path.resize(path.size() * 2);
        length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    }
    if (length == 0 || length == path.size()) return helpFileName;
    path.resize(path.find_last_of(L"\\/", length) + 1);
    return path + helpFileName;
}

// Commands that move the caret to another place, to be walked back by Back.
bool isJumpCommand(int command) {
    return command == commandFindNext || command == commandFindPrevious || command == commandNextDifference ||
           command == commandPreviousDifference;
}

LRESULT onPlacesCommand(int command) {
    switch (command) {
        case commandSelectBlock: selectBlockCommand(); return 0;
        case commandFillSelection: fillSelectionCommand(); return 0;
        case commandCopyAsHex:
        case commandCopyAsCArray:
        case commandCopyAsBase64: copyAsCommand(command); return 0;
        case commandToggleBookmark: toggleBookmarkCommand(); return 0;
        case commandNextBookmark: stepToBookmarkCommand(true); return 0;
        case commandPreviousBookmark: stepToBookmarkCommand(false); return 0;
        case commandBack: walkJumpsCommand(true); return 0;
        case commandForward: walkJumpsCommand(false); return 0;
        case commandBookmarks: toggleBookmarksWindow(); return 0;
        default: return 0;
    }
}

LRESULT onCommand(HWND frame, int command) {
    shell.menu = GetMenu(frame);
    switch (command) {
        case commandOpen: return openCommand();
        case commandSave: return saveCommand();
        case commandSaveAs: {
            // The bookmarks and the search results go with the document to its new name.
            const LRESULT result = saveAsCommand();
            if (result) {
                storeBookmarks();
                keepSearchResultsForRenamedDocument();
            }
            return result;
        }
        case commandExportAs: return exportAsCommand();
        case commandFind:
        case commandReplace:
        case commandGoto: openFindDialog(command); return 0;
        case commandFindNext: findAgainCommand(false); return 0;
        case commandFindPrevious: findAgainCommand(true); return 0;
        case commandUndo: undoCommand(); return 0;
        case commandRedo: redoCommand(); return 0;
        case commandCopy: copyCommand(); return 0;
        case commandPaste: pasteCommand(); return 0;
        case commandSelectAll: selectAllCommand(); return 0;
        case commandExit:
            // Exit closes exactly as the close box does, question included.
            SendMessageW(frame, WM_CLOSE, 0, 0);
            return 0;
        case commandHelp: openWithShell(helpPagePath().c_str()); return 0;
        case commandAbout: DialogBoxParamW(shell.instance, L"AboutBox", frame, aboutBoxProc, 0); return 0;
        case commandUpdates: openWithShell(updatePageUrl); return 0;
        case commandDataInspector: toggleInspector(); return 0;
        case commandChecksums: checksumsCommand(); return 0;
        case commandCompareWith: return compareWithCommand();
        case commandNextDifference: stepToDifferenceCommand(true); return 0;
        case commandPreviousDifference: stepToDifferenceCommand(false); return 0;
        case commandCloseComparison: closeComparisonPane(); return 0;
        case IDM_VIEW_ZOOM_IN:
        case IDM_VIEW_ZOOM_OUT:
        case IDM_VIEW_ACTUAL_SIZE: zoomCommand(command); return 0;
        case IDM_VIEW_FONT: fontCommand(); return 0;
        case IDM_VIEW_ROW_8:
        case IDM_VIEW_ROW_16:
        case IDM_VIEW_ROW_32:
        case IDM_VIEW_ROW_64:
        case IDM_VIEW_GROUP_1:
        case IDM_VIEW_GROUP_2:
        case IDM_VIEW_GROUP_4:
        case IDM_VIEW_GROUP_8:
        case IDM_VIEW_DECIMAL_OFFSETS: rowLayoutCommand(command); return 0;
        case IDM_VIEW_CHARSET_ASCII:
        case IDM_VIEW_CHARSET_WINDOWS:
        case IDM_VIEW_CHARSET_OEM:
        case IDM_VIEW_CHARSET_EBCDIC: characterSetCommand(command); return 0;
        case IDM_VIEW_THEME_SYSTEM:
        case IDM_VIEW_THEME_LIGHT:
        case IDM_VIEW_THEME_DARK: themeCommand(command); return 0;
        default:
            if (command >= IDM_FILE_RECENT_FIRST && command <= IDM_FILE_RECENT_LAST)
                return openRecentFileCommand(command);
            return onPlacesCommand(command);
    }
}

}  // namespace

LRESULT CALLBACK frameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: onCreate(window); return 0;
        case WM_SIZE: onSize(LOWORD(lParam), HIWORD(lParam)); return 0;
        case WM_SETFOCUS:
            // The hex view takes the keyboard only while there is a document to move over.
            if (hasDocument(shell.doc)) SetFocus(shell.hexView);
            return 0;
        case WM_CLOSE: onClose(window); return 0;
        case WM_ACTIVATE:
            // Another program may have changed the other file meanwhile; looked at once the
            // activation is over, since the look may show a box.
            if (LOWORD(wParam) != WA_INACTIVE && comparing(shell.view))
                PostMessageW(window, recheckComparisonMessage, 0, 0);
            break;
        case recheckComparisonMessage: recheckOtherFile(); return 0;
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
            // Windows' app mode, high contrast or colours changed: the view follows at once.
            onSystemLookChange(message, wParam, lParam);
            break;
        case WM_DROPFILES:
            clearOutsideNote();
            onDropFiles(reinterpret_cast<HDROP>(wParam));
            refreshInspector();
            refreshChecksums();
            refreshSearchResults();
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        case WM_NCDESTROY: releaseStatusBarFont(); break;  // the bar is gone by now
        case WM_DPICHANGED:
            onDpiChanged(window, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            refreshInspector();
            return 0;
        case WM_ACTIVATEAPP:
            // Some folders send no notifications: coming back to the program looks too.
            if (wParam) requestOutsideLook();
            break;
        case WM_COMMAND: {
            clearOutsideNote();
            // A command may open a file, change bytes or move the caret from here; the data
            // inspector catches up now rather than at the view's next paint.
            const std::int64_t from = offsetOf(shell.view);
            const LRESULT result = onCommand(window, LOWORD(wParam));
            if (isJumpCommand(LOWORD(wParam))) noteJump(from);
            refreshInspector();
            refreshChecksums();
            refreshSearchResults();
            refreshBookmarksBytes();
            return result;
        }
        case WM_SYSCOMMAND:
            // Alt let go on its own opens the menu bar; not the Alt of a shortcut such as
            // Alt+Backspace, which the system (Wine at least) may still count as alone, since
            // the shortcut's key never reached the window.
            if ((wParam & 0xFFF0) == SC_KEYMENU && lParam == 0 && shell.altServedShortcut) {
                shell.altServedShortcut = false;
                return 0;
            }
            break;
        case WM_INITMENUPOPUP:
            // The clipboard and the caret change without the menu hearing of it.
            updateEditCommands();
            return 0;
        default:
            // The registered message of the Find and Goto dialogs; a hit moves the caret.
            if (message == shell.findMessageId && shell.findMessageId != 0) {
                // A Goto or a Find hit is a jump Back returns from.
                const std::int64_t from = offsetOf(shell.view);
                const LRESULT result = onFindNotification(*reinterpret_cast<const FINDREPLACEW*>(lParam));
                if (hasDocument(shell.doc)) noteJump(from);
                refreshInspector();
                refreshChecksums();
                refreshSearchResults();
                return result;
            }
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

INT_PTR CALLBACK aboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, 0);
                return TRUE;
            }
            return FALSE;
        default: return FALSE;
    }
}

int promptSaveChanges(HWND owner) {
    wchar_t text[titleChars];
    formatWithName(text, titleChars, L"Save current changes in ", nameOrUntitled(shell.doc.fileTitle), L"?");
    int answer = showMessageBox(owner, text, programCaption, MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer != IDYES) return answer;
    // Closing goes on only when the save really happened.
    return SendMessageW(owner, WM_COMMAND, commandSave, 0) == 0 ? IDCANCEL : IDYES;
}

namespace {
const wchar_t* titleSeparator = L"  ";  // the one the title was last given
}  // namespace

void refreshFrameTitle() { setFrameTitle(titleSeparator); }

void setFrameTitle(const wchar_t* separator) {
    titleSeparator = separator;
    std::size_t length = appendText(shell.titleText, titleChars, 0, programTitle);
    length = appendText(shell.titleText, titleChars, length, separator);
    length = appendText(shell.titleText, titleChars, length, shell.doc.fileTitle);
    if (hasDocument(shell.doc) && isReadOnly(shell.doc))
        appendText(shell.titleText, titleChars, length, L" [read-only]");
    SetWindowTextW(shell.frame, shell.titleText);
}

void enableDocumentCommands(bool enable) {
    const UINT state = enable ? MF_ENABLED : MF_GRAYED;
    for (int command : {commandSaveAs, commandSave, commandExportAs, commandCompareWith, commandFind,
                        commandReplace, commandGoto, commandChecksums})
        EnableMenuItem(shell.menu, command, MF_BYCOMMAND | state);
    // A document opened for viewing alone has nothing Save could write; Save As makes a copy.
    if (enable && isReadOnly(shell.doc)) EnableMenuItem(shell.menu, commandSave, MF_BYCOMMAND | MF_GRAYED);
    updateEditCommands();
}

}  // namespace quillix
