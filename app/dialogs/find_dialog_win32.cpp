// The Find and Goto dialogs over the common find dialog (FindTextW), and the Replace
// dialog over the common replace dialog (ReplaceTextW).

#include "app/dialogs/find_dialog_win32.h"

#include <span>

#include "app/frame_window.h"
#include "app/dialogs/message_box_win32.h"
#include "app/shell_state.h"
#include "app/tools/search_results_win32.h"
#include "app/tools/window_place_win32.h"
#include "host/text_format.h"
#include "app/view_host_win32.h"
#include "resources/resource_ids.h"

namespace quillix {
namespace {

bool checked(HWND dialog, int id) { return dialog && IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

DialogButtons readButtons(HWND dialog) {
    DialogButtons buttons;
    buttons.findHex = checked(dialog, IDC_FIND_HEX);
    buttons.findAscii = checked(dialog, IDC_FIND_ASCII);
    buttons.findUtf16 = checked(dialog, IDC_FIND_UTF16);
    buttons.inSelection = checked(dialog, IDC_IN_SELECTION);
    buttons.gotoHex = checked(dialog, IDC_GOTO_HEX);
    buttons.gotoDec = checked(dialog, IDC_GOTO_DEC);
    buttons.up = checked(dialog, IDC_DIR_UP);
    // Replace has no direction buttons: it always goes down.
    buttons.down = checked(dialog, IDC_DIR_DOWN) || (dialog && shell.findDialogCommand == commandReplace);
    buttons.matchCase = checked(dialog, IDC_MATCH_CASE);
    return buttons;
}

// Both edits of Replace share the mode; Find and Goto have only the first.
constexpr int editIds[] = {IDC_FIND_EDIT, IDC_REPLACE_EDIT};

void setEditLimit(HWND dialog, int limit) {
    for (int id : editIds) SendDlgItemMessageW(dialog, id, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
}
void emptyEdit(HWND dialog) {
    for (int id : editIds) SendDlgItemMessageW(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
}
void showMatchCase(HWND dialog, bool show) {
    ShowWindow(GetDlgItem(dialog, IDC_MATCH_CASE), show ? SW_SHOW : SW_HIDE);
}

// The Replace with edit's own procedure, under the filter as the find edit's is.
WNDPROC previousReplaceEditProc = nullptr;

void filterEdit(HWND dialog) {
    HWND edit = GetDlgItem(dialog, IDC_FIND_EDIT);
    shell.previousEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(findEditProc)));
    if (HWND replaceEdit = GetDlgItem(dialog, IDC_REPLACE_EDIT))
        previousReplaceEditProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(replaceEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(findEditProc)));
}

void warn(const wchar_t* text, const wchar_t* caption) {
    showMessageBox(nullptr, text, caption, MB_TASKMODAL | MB_ICONWARNING);
}

constexpr wchar_t hexRefusal[] = L"Hexadecimal numbers have to be between a-f or 0-9!";
constexpr wchar_t decimalRefusal[] = L"Decimal numbers can only be 0-9!";

bool isHexDigit(WPARAM c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f');
}
bool isDecimalDigit(WPARAM c) { return c >= L'0' && c <= L'9'; }
// A searched hex pattern may leave a byte ("??") or a nibble ("?") open; an offset may not.
bool isPatternDigit(WPARAM c) { return isHexDigit(c) || c == L'?'; }

bool allDigits(const wchar_t* text, bool (*isDigit)(WPARAM)) {
    for (; *text; ++text)
        if (!isDigit(*text)) return false;
    return true;
}

// Text pasted into the edit never met the filter, and the conversions would read what
// is not a digit as nothing (a search for "zz" finds byte 00). The filter's own box
// refuses it now instead, and nothing is searched.
bool refusedByFilter(const DialogButtons& buttons, const wchar_t* text) {
    if ((buttons.findHex && !allDigits(text, isPatternDigit)) ||
        (buttons.gotoHex && !allDigits(text, isHexDigit))) {
        warn(hexRefusal, inputCaption);
        return true;
    }
    if (buttons.gotoDec && !allDigits(text, isDecimalDigit)) {
        warn(decimalRefusal, inputCaption);
        return true;
    }
    return false;
}

void reportMiss(const wchar_t* what, const wchar_t* before, const wchar_t* after) {
    wchar_t text[searchTextUnits + 64];
    formatWithName(text, searchTextUnits + 64, before, nameOrUntitled(what), after);
    warn(text, programCaption);
}

constexpr wchar_t hexMissBefore[] = L"Hex value\n";
constexpr wchar_t hexMissAfter[] = L"\nnot found!";
constexpr wchar_t textMissBefore[] = L"Ascii string\n\"";
constexpr wchar_t textMissAfter[] = L"\"\nnot found!";

}  // namespace

void reportNotFound(const DialogButtons& buttons, const wchar_t* what) {
    if (buttons.findAscii)
        reportMiss(what, textMissBefore, textMissAfter);
    else if (buttons.findUtf16)
        reportMiss(what, L"Unicode string\n\"", textMissAfter);
    else
        reportMiss(what, hexMissBefore, hexMissAfter);
}

void keepDialogClearOfCaret() {
    if (!shell.findDialog || !IsWindowVisible(shell.findDialog) || shell.view.lineHeight <= 0) return;
    RECT client{};
    GetClientRect(shell.hexView, &client);
    const LONG top = static_cast<LONG>(shell.view.caretRow * shell.view.lineHeight);
    RECT row{client.left, top, client.right, top + static_cast<LONG>(shell.view.lineHeight)};
    MapWindowPoints(shell.hexView, nullptr, reinterpret_cast<POINT*>(&row), 2);
    moveClearOf(shell.findDialog, row);
}

void openFindDialog(int command) {
    if (shell.findDialog && IsWindow(shell.findDialog)) {
        if (shell.findDialogCommand == command) {
            SetActiveWindow(shell.findDialog);
            return;
        }
        // The record and the edit filter serve one dialog at a time.
        DestroyWindow(shell.findDialog);
        shell.findDialog = nullptr;
    }
    const bool find = command != commandGoto;
    const bool replace = command == commandReplace;
    FINDREPLACEW& record = shell.findRecord;
    ZeroMemory(&record, sizeof record);
    record.lStructSize = sizeof record;
    record.hwndOwner = shell.frame;
    record.hInstance = nullptr;
    record.Flags = FR_ENABLEHOOK | FR_ENABLETEMPLATE;
    record.lpstrFindWhat = find ? shell.search.findWhat : shell.search.gotoWhat;
    record.wFindWhatLen = searchTextUnits * sizeof(wchar_t);
    record.lpfnHook = replace ? replaceHookProc : find ? findHookProc : gotoHookProc;
    record.lpTemplateName = replace ? L"REPLACE" : find ? L"FIND" : L"GOTO";
    if (replace) {
        record.lpstrReplaceWith = shell.search.replaceWhat;
        record.wReplaceWithLen = searchTextUnits * sizeof(wchar_t);
    }
    shell.findDialogCommand = command;
    shell.findDialog = replace ? ReplaceTextW(&record) : FindTextW(&record);
}

LRESULT onFindNotification(const FINDREPLACEW& record) {
    if (record.Flags & FR_DIALOGTERM) {
        shell.findDialog = nullptr;
        return 0;
    }
    const bool replace = record.Flags & FR_REPLACE, replaceEvery = record.Flags & FR_REPLACEALL;
    if (!(record.Flags & FR_FINDNEXT) && !replace && !replaceEvery) return 0;
    Win32ViewHost host(shell.hexView);
    const HexView hv{shell.doc, shell.view, host};
    const DialogButtons buttons = readButtons(shell.findDialog);
    if (refusedByFilter(buttons, record.lpstrFindWhat)) return 0;
    if ((replace || replaceEvery) && refusedByFilter(buttons, record.lpstrReplaceWith)) return 0;
    const wchar_t* what = record.lpstrFindWhat;
    if (buttons.gotoHex || buttons.gotoDec) {
        if (!gotoOffset(hv, shell.search, buttons))
            reportMiss(what, buttons.gotoHex ? L"Hex offset\n" : L"Decimal offset\n", L"\nout of range!");
    } else if (replaceEvery) {
        if (!replaceAll(hv, shell.search, buttons)) reportNotFound(buttons, what);
        refreshSearchResults();
        return 0;
    } else if (!(replace ? replaceNext : findNext)(hv, shell.search, buttons)) {
        reportNotFound(buttons, what);
        return 0;
    }
    keepDialogClearOfCaret();
    return 0;
}

void findAgainCommand(bool up) {
    if (!hasDocument(shell.doc)) return;
    Win32ViewHost host(shell.hexView);
    const int found = findAgain(HexView{shell.doc, shell.view, host}, shell.search, up);
    if (found < 0) {
        openFindDialog(commandFind);
        return;
    }
    if (found != 0) {
        keepDialogClearOfCaret();
        return;
    }
    reportNotFound(shell.search.lastFindButtons, shell.search.lastFindWhat);
}

namespace {

// One mode button of a dialog: the edit's limit in that mode and whether the Match case
// box shows (Find only).
struct Mode {
    int button;
    int limit;
    enum { none, hidden, shown } matchCase;
};
constexpr Mode findModes[] = {
    {IDC_FIND_HEX, 100, Mode::hidden}, {IDC_FIND_ASCII, 20, Mode::shown}, {IDC_FIND_UTF16, 20, Mode::shown}};
constexpr Mode gotoModes[] = {{IDC_GOTO_HEX, 8, Mode::none}, {IDC_GOTO_DEC, 10, Mode::none}};
using Modes = std::span<const Mode>;

void enterMode(HWND dialog, const Mode& mode) {
    setEditLimit(dialog, mode.limit);
    if (mode.matchCase != Mode::none) showMatchCase(dialog, mode.matchCase == Mode::shown);
    emptyEdit(dialog);
}

// Find All: the common dialog knows no such button, so the edit's text is taken here.
void findAllFromDialog(HWND dialog) {
    wchar_t* what = shell.search.findWhat;
    if (GetDlgItemTextW(dialog, IDC_FIND_EDIT, what, searchTextUnits) <= 0 || !hasDocument(shell.doc)) return;
    const DialogButtons buttons = readButtons(dialog);
    if (refusedByFilter(buttons, what)) return;
    if (findAllCommand(buttons) == FindAllResult::none) reportNotFound(buttons, what);
}

// What the hooks do with WM_COMMAND. A mode button gains the focus just before a click
// checks it: switching modes clears the text, which the other mode could not read.
void onHookCommand(HWND dialog, WPARAM wParam, Modes modes) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == IDOK && code == 0) InvalidateRect(dialog, nullptr, FALSE);
    if (id == IDC_FIND_EDIT && code == EN_CHANGE)
        EnableWindow(GetDlgItem(dialog, IDC_FIND_ALL), GetWindowTextLengthW(GetDlgItem(dialog, id)) > 0);
    if (id == IDC_FIND_ALL && code == BN_CLICKED) findAllFromDialog(dialog);
    if (code != BN_SETFOCUS) return;
    for (const Mode& mode : modes)
        if (id == mode.button && !checked(dialog, mode.button)) enterMode(dialog, mode);
}

// Every opening starts empty in the first mode, whatever text the record held; the Find
// dialog (the one with a Match case box) also starts searching down, Match case hidden.
void onHookInit(HWND dialog, Modes modes) {
    SendDlgItemMessageW(dialog, IDC_FIND_EDIT, EM_SETSEL, 0, -1);
    setEditLimit(dialog, modes[0].limit);
    if (modes[0].matchCase != Mode::none) CheckRadioButton(dialog, IDC_DIR_UP, IDC_DIR_DOWN, IDC_DIR_DOWN);
    CheckRadioButton(dialog, modes.front().button, modes.back().button, modes[0].button);
    emptyEdit(dialog);
    EnableWindow(GetDlgItem(dialog, IDC_FIND_ALL), FALSE);  // nothing to find yet
    if (modes[0].matchCase != Mode::none) showMatchCase(dialog, false);
    filterEdit(dialog);
}

}  // namespace

UINT_PTR CALLBACK findHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) onHookInit(dialog, findModes);
    if (message == WM_COMMAND) onHookCommand(dialog, wParam, findModes);
    return 0;
}

UINT_PTR CALLBACK replaceHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) onHookInit(dialog, findModes);
    if (message == WM_COMMAND) onHookCommand(dialog, wParam, findModes);
    return 0;
}

UINT_PTR CALLBACK gotoHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) onHookInit(dialog, gotoModes);
    if (message == WM_COMMAND) onHookCommand(dialog, wParam, gotoModes);
    return 0;
}

LRESULT CALLBACK findEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    // DLGC_WANTARROWS | DLGC_WANTCHARS, without DLGC_HASSETSEL: tabbing in keeps the text unselected.
    constexpr LRESULT wantedKeys = DLGC_WANTARROWS | DLGC_WANTCHARS;
    HWND dialog = shell.findDialog;
    const bool pattern = checked(dialog, IDC_FIND_HEX);
    if (pattern || checked(dialog, IDC_GOTO_HEX)) {
        if (message == WM_GETDLGCODE) return wantedKeys;
        if (message == WM_CHAR && !(pattern ? isPatternDigit : isHexDigit)(wParam) && wParam != VK_BACK) {
            warn(hexRefusal, inputCaption);
            return 0;
        }
    } else if (checked(dialog, IDC_FIND_ASCII) || checked(dialog, IDC_FIND_UTF16)) {
        if (message == WM_GETDLGCODE) return wantedKeys;
    } else if (checked(dialog, IDC_GOTO_DEC)) {
        if (message == WM_GETDLGCODE) return wantedKeys;
        if (message == WM_CHAR && !isDecimalDigit(wParam) && wParam != VK_BACK) {
            warn(decimalRefusal, inputCaption);
            return 0;
        }
    }
    const bool replaceEdit = GetDlgCtrlID(edit) == IDC_REPLACE_EDIT && previousReplaceEditProc;
    return CallWindowProcW(replaceEdit ? previousReplaceEditProc : shell.previousEditProc, edit, message,
                           wParam, lParam);
}

}  // namespace quillix
