// The checksums' tool window: a dialog from the CHECKSUMS template. From the top: what the
// values are of, a note (stale values, or why there are none), a report list with a row
// per algorithm, and the "Compare with:" field with its verdict under it. The list asks
// for its texts as it paints (LVN_GETDISPINFOW), as the data inspector's does.

#include "app/tools/checksums_window_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "app/clipboard_win32.h"
#include "app/dpi_win32.h"
#include "app/tools/report_list_win32.h"
#include "app/view_host_win32.h"
#include "app/dialogs/message_box_win32.h"
#include "app/shell_state.h"
#include "app/theme_win32.h"
#include "app/tools/window_place_win32.h"
#include "checksums/checksums.h"
#include "hexview/selection.h"
#include "host/display_scale.h"
#include "resources/resource_ids.h"

namespace quillix {
namespace {

constexpr int nameColumn = 0;
constexpr int valueColumn = 1;
// Room the list leaves around a column's text, in pixels at 96 DPI.
constexpr int columnPadding96 = 16;
// Characters the compare field takes: a SHA-512 in hex with room for blanks between groups.
constexpr int compareChars = 512;

struct Shown {
    ChecksumResults results;        // what the window shows
    std::uint64_t notedChanges = 0;  // the document's byteChanges when the note was last made
};
Shown shown;

HWND control(int id) { return GetDlgItem(shell.checksums, id); }

// Dialog units across and down in the window's font, as pixels.
int unitsAcross(HWND dialog, int units) {
    RECT rect{0, 0, units, 0};
    MapDialogRect(dialog, &rect);
    return rect.right;
}
int unitsDown(HWND dialog, int units) {
    RECT rect{0, 0, 0, units};
    MapDialogRect(dialog, &rect);
    return rect.bottom;
}

// The measures of the layout, in pixels.
struct Measures {
    int margin, gap, line, edit, label;
    // Client height below the list: the compare row and the verdict.
    int below() const { return gap + edit + gap + line + margin; }
    int listTop() const { return margin + 2 * (line + gap); }
};

Measures measuresOf(HWND dialog) {
    Measures m{unitsAcross(dialog, 4), unitsDown(dialog, 3), unitsDown(dialog, 8), unitsDown(dialog, 12), 0};
    HWND label = GetDlgItem(dialog, IDC_CHECKSUMS_COMPARE_LABEL);
    wchar_t text[32] = {};
    GetWindowTextW(label, text, 32);
    HDC dc = GetDC(label);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    SelectObject(dc, previous);
    ReleaseDC(label, dc);
    m.label = size.cx;
    return m;
}

void layout(HWND dialog, int width, int height) {
    const Measures m = measuresOf(dialog);
    const int inner = std::max(width - 2 * m.margin, 0);
    auto place = [dialog](int id, int x, int y, int w, int h) {
        MoveWindow(GetDlgItem(dialog, id), x, y, std::max(w, 0), std::max(h, 0), TRUE);
    };
    place(IDC_CHECKSUMS_RANGE, m.margin, m.margin, inner, m.line);
    place(IDC_CHECKSUMS_NOTE, m.margin, m.margin + m.line + m.gap, inner, m.line);
    const int listBottom = std::max(height - m.below(), m.listTop());
    place(IDC_CHECKSUMS_LIST, m.margin, m.listTop(), inner, listBottom - m.listTop());
    const int row = listBottom + m.gap;
    place(IDC_CHECKSUMS_COMPARE_LABEL, m.margin, row + (m.edit - m.line) / 2, m.label, m.line);
    const int field = m.margin + m.label + m.margin;
    place(IDC_CHECKSUMS_COMPARE, field, row, width - field - m.margin, m.edit);
    place(IDC_CHECKSUMS_VERDICT, m.margin, row + m.edit + m.gap, inner, m.line);
}

// Two columns as wide as their longest texts (a SHA-512 value), and a row per algorithm.
void fillList(HWND list) {
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    int nameWidth = textWidth(list, L"Algorithm");
    for (int algorithm = 0; algorithm < checksumCount; ++algorithm)
        nameWidth = std::max(nameWidth, textWidth(list, checksumName(algorithm)));
    std::wstring longest;
    for (int k = 0; k < 8; ++k) longest += L"0123456789abcdef";
    const int padding = scalePixels(columnPadding96, windowDpi(list));
    addColumn(list, nameColumn, L"Algorithm", nameWidth + padding);
    addColumn(list, valueColumn, L"Value", textWidth(list, longest.c_str()) + padding);
    SendMessageW(list, LVM_SETITEMCOUNT, checksumCount, 0);
}

// The window's outer size for a list that shows every row and column whole, no wider than
// the work area.
SIZE fittingSize(HWND dialog, HWND list) {
    RECT first{};
    first.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    int width = 0;
    for (int column : {nameColumn, valueColumn})
        width += static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    RECT area{0, 0, width, first.top + checksumCount * (first.bottom - first.top)};
    AdjustWindowRectEx(&area, static_cast<DWORD>(GetWindowLongPtrW(list, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(list, GWL_EXSTYLE)));
    const Measures m = measuresOf(dialog);
    RECT outer{0, 0, area.right - area.left + 2 * m.margin, m.listTop() + area.bottom - area.top + m.below()};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(shell.frame, MONITOR_DEFAULTTONEAREST), &monitor);
    const LONG widest = monitor.rcWork.right - monitor.rcWork.left;
    return SIZE{std::min(outer.right - outer.left, widest), outer.bottom - outer.top};
}

void onInitDialog(HWND dialog) {
    shell.checksums = dialog;
    HWND list = GetDlgItem(dialog, IDC_CHECKSUMS_LIST);
    // Filled while larger than its contents, the list takes on no scroll bars (see the
    // data inspector's window).
    MoveWindow(list, 0, 0, 4096, 4096, FALSE);
    fillList(list);
    SendDlgItemMessageW(dialog, IDC_CHECKSUMS_COMPARE, EM_LIMITTEXT, compareChars, 0);
    placeBesideFrame(dialog, fittingSize(dialog, list));
}

void showVerdict() {
    wchar_t typed[compareChars + 1] = {};
    GetDlgItemTextW(shell.checksums, IDC_CHECKSUMS_COMPARE, typed, compareChars + 1);
    SetDlgItemTextW(shell.checksums, IDC_CHECKSUMS_VERDICT, compareVerdict(shown.results, typed).c_str());
}

void showResults() {
    SetDlgItemTextW(shell.checksums, IDC_CHECKSUMS_RANGE, checksumRangeText(shown.results).c_str());
    SetDlgItemTextW(shell.checksums, IDC_CHECKSUMS_NOTE, checksumNote(shown.results, shell.doc).c_str());
    shown.notedChanges = shell.doc.byteChanges;
    showVerdict();
    InvalidateRect(control(IDC_CHECKSUMS_LIST), nullptr, TRUE);
}

// The list asks for the text of one cell.
void onGetDisplayInfo(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    if (item.iItem < 0 || item.iItem >= checksumCount) return;
    if (item.iSubItem == nameColumn)
        lstrcpynW(item.pszText, checksumName(item.iItem), item.cchTextMax);
    else if (item.iSubItem == valueColumn)
        lstrcpynW(item.pszText, checksumText(shown.results, item.iItem).c_str(), item.cchTextMax);
}

// The selected rows as "name<Tab>value" lines on the clipboard.
void copySelectedRows(HWND list) {
    unsigned rows = 0;
    for (int row = -1; (row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                            LVNI_SELECTED))) >= 0;)
        if (row < checksumCount) rows |= 1u << row;
    const std::wstring text = checksumRowsText(shown.results, rows);
    if (text.empty()) return;
    copyTextToClipboard(shell.checksums, text);
}

bool keyDown(int key) { return GetKeyState(key) < 0; }

bool onKey(const MSG& message) {
    const WPARAM key = message.wParam;
    const bool withControl = keyDown(VK_CONTROL) && !keyDown(VK_MENU);
    const bool shift = keyDown(VK_SHIFT);
    if (key == VK_F5 && !keyDown(VK_CONTROL) && !keyDown(VK_MENU) && !shift) {
        checksumsCommand();
        return true;
    }
    const bool inWindow = message.hwnd == shell.checksums || IsChild(shell.checksums, message.hwnd);
    // The accelerator would never see it: the dialog keys below take every key of the window.
    if (inWindow && withControl && shift && key == 'C') {
        checksumsCommand();
        return true;
    }
    HWND list = control(IDC_CHECKSUMS_LIST);
    if (message.hwnd != list || !withControl || shift) return false;
    if (key == 'C') copySelectedRows(list);
    if (key == 'A') selectRows(list, -1);
    return key == 'C' || key == 'A';
}

bool openWindow() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (CreateDialogParamW(shell.instance, L"CHECKSUMS", shell.frame, checksumsDialogProc, 0)) {
        colourToolLists();  // in the view's colours
        return true;
    }
    shell.checksums = nullptr;
    showMessageBox(shell.frame, L"Could not open the checksums window.", programCaption, MB_TASKMODAL | MB_ICONWARNING);
    return false;
}

}  // namespace

void checksumsCommand() {
    Win32ViewHost host(shell.hexView);
    if (!hasDocument(shell.doc)) {
        host.beep();
        return;
    }
    const bool opening = !shell.checksums;
    if (opening && !openWindow()) return;
    ChecksumRequest request;
    request.selection = selectedRange(shell.view, shell.doc, request.range);
    if (!request.selection) request.range = {0, shell.doc.fileSize};
    // The progress left "Ready" in status part 0; a selection is named there again.
    if (computeChecksums(shell.doc, request, host, shown.results) != ChecksumOutcome::stopped)
        showSelectionAgain(shell.view, shell.doc, host);
    showResults();
    if (!opening) return;
    // Shown with the keyboard in the list on its first row, ready for Ctrl+C or a Tab to
    // the compare field.
    ShowWindow(shell.checksums, SW_SHOW);
    HWND list = control(IDC_CHECKSUMS_LIST);
    selectRows(list, 0);
    SetFocus(list);
}

void refreshChecksums() {
    if (!shell.checksums || shown.notedChanges == shell.doc.byteChanges) return;
    shown.notedChanges = shell.doc.byteChanges;
    SetDlgItemTextW(shell.checksums, IDC_CHECKSUMS_NOTE, checksumNote(shown.results, shell.doc).c_str());
}

bool routeChecksumsMessage(MSG& message) {
    if (!shell.checksums) return false;
    if (message.message == WM_KEYDOWN && onKey(message)) return true;
    return IsDialogMessageW(shell.checksums, &message);
}

INT_PTR CALLBACK checksumsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            onInitDialog(dialog);
            // FALSE: the command gives the focus once the window shows.
            return FALSE;
        case WM_SIZE: layout(dialog, LOWORD(lParam), HIWORD(lParam)); return TRUE;
        case WM_COMMAND:
            // Escape arrives as IDCANCEL; Enter's IDOK has nothing to do.
            if (LOWORD(wParam) == IDCANCEL) DestroyWindow(dialog);
            if (LOWORD(wParam) == IDC_CHECKSUMS_COMPARE && HIWORD(wParam) == EN_CHANGE) showVerdict();
            return TRUE;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.idFrom != IDC_CHECKSUMS_LIST || header.code != LVN_GETDISPINFOW) return FALSE;
            onGetDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
            return TRUE;
        }
        case WM_CLOSE: DestroyWindow(dialog); return TRUE;
        case WM_DESTROY: shell.checksums = nullptr; return TRUE;
        default: return FALSE;
    }
}

}  // namespace quillix
