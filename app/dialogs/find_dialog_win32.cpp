// The Find and Goto dialogs over the common find dialog (FindTextW).

#include "app/dialogs/find_dialog_win32.h"

#include "app/frame_window.h"
#include "app/dialogs/message_box_win32.h"
#include "app/shell_state.h"
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
    buttons.gotoHex = checked(dialog, IDC_GOTO_HEX);
    buttons.gotoDec = checked(dialog, IDC_GOTO_DEC);
    buttons.up = checked(dialog, IDC_DIR_UP);
    buttons.down = checked(dialog, IDC_DIR_DOWN);
    buttons.matchCase = checked(dialog, IDC_MATCH_CASE);
    return buttons;
}

void setEditLimit(HWND dialog, int limit) {
    SendDlgItemMessageW(dialog, IDC_FIND_EDIT, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
}
void emptyEdit(HWND dialog) {
    SendDlgItemMessageW(dialog, IDC_FIND_EDIT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
}
void showMatchCase(HWND dialog, bool show) {
    ShowWindow(GetDlgItem(dialog, IDC_MATCH_CASE), show ? SW_SHOW : SW_HIDE);
}

void filterEdit(HWND dialog) {
    HWND edit = GetDlgItem(dialog, IDC_FIND_EDIT);
    shell.previousEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(findEditProc)));
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

bool allDigits(const wchar_t* text, bool (*isDigit)(WPARAM)) {
    for (; *text; ++text)
        if (!isDigit(*text)) return false;
    return true;
}

// Text pasted into the edit never met the filter, and the conversions would read what
// is not a digit as nothing (a search for "zz" finds byte 00). The filter's own box
// refuses it now instead, and nothing is searched.
bool refusedByFilter(const DialogButtons& buttons, const wchar_t* text) {
    if ((buttons.findHex || buttons.gotoHex) && !allDigits(text, isHexDigit)) {
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
    const bool find = command == commandFind;
    FINDREPLACEW& record = shell.findRecord;
    ZeroMemory(&record, sizeof record);
    record.lStructSize = sizeof record;
    record.hwndOwner = shell.frame;
    record.hInstance = nullptr;
    record.Flags = FR_ENABLEHOOK | FR_ENABLETEMPLATE;
    record.lpstrFindWhat = find ? shell.search.findWhat : shell.search.gotoWhat;
    record.wFindWhatLen = searchTextUnits * sizeof(wchar_t);
    record.lpfnHook = find ? findHookProc : gotoHookProc;
    record.lpTemplateName = find ? L"FIND" : L"GOTO";
    shell.findDialogCommand = command;
    shell.findDialog = FindTextW(&record);
}

LRESULT onFindNotification(const FINDREPLACEW& record) {
    if (record.Flags & FR_DIALOGTERM) {
        shell.findDialog = nullptr;
        return 0;
    }
    if (!(record.Flags & FR_FINDNEXT)) return 0;
    Win32ViewHost host(shell.hexView);
    const HexView hv{shell.doc, shell.view, host};
    const DialogButtons buttons = readButtons(shell.findDialog);
    if (refusedByFilter(buttons, record.lpstrFindWhat)) return 0;
    const wchar_t* what = record.lpstrFindWhat;
    if (buttons.findHex && !searchHex(hv, shell.search, buttons))
        reportMiss(what, hexMissBefore, hexMissAfter);
    if (buttons.findAscii && !searchText(hv, shell.search, buttons))
        reportMiss(what, textMissBefore, textMissAfter);
    if (buttons.gotoHex && !gotoOffset(hv, shell.search, buttons))
        reportMiss(what, L"Hex offset\n", L"\nout of range!");
    if (buttons.gotoDec && !gotoOffset(hv, shell.search, buttons))
        reportMiss(what, L"Decimal offset\n", L"\nout of range!");
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
    if (found != 0) return;
    const wchar_t* what = shell.search.lastFindWhat;
    if (shell.search.lastFindButtons.findAscii)
        reportMiss(what, textMissBefore, textMissAfter);
    else
        reportMiss(what, hexMissBefore, hexMissAfter);
}

namespace {

// One mode button of a dialog: the edit's limit in that mode and whether the Match case
// box shows (Find only).
struct Mode {
    int button;
    int limit;
    enum { none, hidden, shown } matchCase;
};
constexpr Mode findModes[] = {{IDC_FIND_HEX, 100, Mode::hidden}, {IDC_FIND_ASCII, 20, Mode::shown}};
constexpr Mode gotoModes[] = {{IDC_GOTO_HEX, 8, Mode::none}, {IDC_GOTO_DEC, 10, Mode::none}};

void enterMode(HWND dialog, const Mode& mode) {
    setEditLimit(dialog, mode.limit);
    if (mode.matchCase != Mode::none) showMatchCase(dialog, mode.matchCase == Mode::shown);
    emptyEdit(dialog);
}

// What both hooks do with WM_COMMAND. A mode button gains the focus just before a click
// checks it: switching modes clears the text, which the other mode could not read.
void onHookCommand(HWND dialog, WPARAM wParam, const Mode (&modes)[2]) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == IDOK && code == 0) InvalidateRect(dialog, nullptr, FALSE);
    if (code != BN_SETFOCUS) return;
    for (const Mode& mode : modes)
        if (id == mode.button && !checked(dialog, mode.button)) enterMode(dialog, mode);
}

// Every opening starts empty in the first mode, whatever text the record held; the Find
// dialog (the one with a Match case box) also starts searching down, Match case hidden.
void onHookInit(HWND dialog, const Mode (&modes)[2]) {
    SendDlgItemMessageW(dialog, IDC_FIND_EDIT, EM_SETSEL, 0, -1);
    setEditLimit(dialog, modes[0].limit);
    if (modes[0].matchCase != Mode::none) CheckRadioButton(dialog, IDC_DIR_UP, IDC_DIR_DOWN, IDC_DIR_DOWN);
    CheckRadioButton(dialog, modes[0].button, modes[1].button, modes[0].button);
    emptyEdit(dialog);
    if (modes[0].matchCase != Mode::none) showMatchCase(dialog, false);
    filterEdit(dialog);
}

}  // namespace

UINT_PTR CALLBACK findHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
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
    if (checked(dialog, IDC_FIND_HEX) || checked(dialog, IDC_GOTO_HEX)) {
        if (message == WM_GETDLGCODE) return wantedKeys;
        if (message == WM_CHAR && !isHexDigit(wParam) && wParam != VK_BACK) {
            warn(hexRefusal, inputCaption);
            return 0;
        }
    } else if (checked(dialog, IDC_FIND_ASCII)) {
        if (message == WM_GETDLGCODE) return wantedKeys;
    } else if (checked(dialog, IDC_GOTO_DEC)) {
        if (message == WM_GETDLGCODE) return wantedKeys;
        if (message == WM_CHAR && !isDecimalDigit(wParam) && wParam != VK_BACK) {
            warn(decimalRefusal, inputCaption);
            return 0;
        }
    }
    return CallWindowProcW(shell.previousEditProc, edit, message, wParam, lParam);
}

}  // namespace quillix
