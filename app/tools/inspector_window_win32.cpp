// The data inspector's tool window: a dialog from the INSPECTOR template holding one
// report list, a row per inspector row, columns for the type and the two byte orders.
// The list holds no texts of its own: it asks for them as it paints (LVN_GETDISPINFOW),
// so an update is one invalidation of the rows that changed, not a message per text
// (under Wine each text handed to a list costs a few hundred microseconds).

#include "app/tools/inspector_window_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>

#include "app/clipboard_win32.h"
#include "app/dpi_win32.h"
#include "app/tools/report_list_win32.h"
#include "app/dialogs/message_box_win32.h"
#include "app/shell_state.h"
#include "app/theme_win32.h"
#include "app/tools/window_place_win32.h"
#include "host/display_scale.h"
#include "host/text_format.h"
#include "hexview/data_inspector.h"
#include "hexview/inspected_bytes.h"
#include "host/view_host.h"
#include "resources/resource_ids.h"

namespace quillix {
namespace {

constexpr int typeColumn = 0;
// Room the list leaves around a column's text, and a scroll bar's width, in pixels at 96 DPI.
constexpr int columnPadding96 = 16;
constexpr int scrollBarWidth96 = 17;

// What the list shows now, so that an update compares instead of redrawing.
struct ShownValues {
    InspectedBytes source;   // the bytes the texts were made from
    bool filled = false;     // false until the texts of the open window were first written
    InspectorValues values;  // the value texts the list shows, [row][column]
    wchar_t caption[48] = {};  // the window's caption, naming the offset read
};
ShownValues shown;

HWND inspectorList() { return GetDlgItem(shell.inspector, IDC_INSPECTOR_LIST); }

void checkMenuItem(bool checked) {
    CheckMenuItem(GetMenu(shell.frame), IDM_VIEW_DATA_INSPECTOR,
                  MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

// Each column as wide as the longest text it can hold in the list's font (which follows
// the DPI), with room around it for dpi.
void measureColumns(HWND list, int dpi) {
    int typeWidth = textWidth(list, L"Type");
    for (int row = 0; row < inspectorRowCount; ++row)
        typeWidth = std::max(typeWidth, textWidth(list, inspectorRowName(row)));
    // The longest values: a GUID, and a float64 as long as its shortest text gets, subnormal.
    const int valueWidth = std::max(textWidth(list, L"{DDDDDDDD-DDDD-DDDD-DDDD-DDDDDDDDDDDD}"),
                                    textWidth(list, L"-2.2250738585072009e-308 (subnormal)"));
    const int padding = scalePixels(columnPadding96, dpi);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, typeColumn, typeWidth + padding);
    for (int column : {littleEndianColumn, bigEndianColumn})
        SendMessageW(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(1 + column), valueWidth + padding);
}

// Three columns and one row per type.
void fillList(HWND list) {
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    addColumn(list, typeColumn, L"Type", 0);
    addColumn(list, 1 + littleEndianColumn, L"Little-endian", 0);
    addColumn(list, 1 + bigEndianColumn, L"Big-endian", 0);
    SendMessageW(list, LVM_SETITEMCOUNT, inspectorRowCount, 0);
}

// The list asks for the text of one cell.
void onGetDisplayInfo(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    if (item.iItem < 0 || item.iItem >= inspectorRowCount) return;
    const int column = item.iSubItem;
    if (column == typeColumn)
        lstrcpynW(item.pszText, inspectorRowName(item.iItem), item.cchTextMax);
    else if (column == 1 + littleEndianColumn || column == 1 + bigEndianColumn)
        lstrcpynW(item.pszText, shown.values.text[item.iItem][column - 1], item.cchTextMax);
}

// Marks the band of rows first..last for painting when the queue is next empty, when the
// list asks for their new texts. One call: the list's own LVM_REDRAWITEMS invalidates row
// by row, and under Wine each invalidation is a trip to the server.
void invalidateRows(HWND list, int first, int last) {
    RECT top{}, bottom{};
    top.left = bottom.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(first), reinterpret_cast<LPARAM>(&top));
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(last), reinterpret_cast<LPARAM>(&bottom));
    RECT band{};
    UnionRect(&band, &top, &bottom);
    InvalidateRect(list, &band, TRUE);
}

// The window's outer size for a list that shows every row and column whole, and the least
// it may be cut to beside the frame: the type and one value column, the header and four
// rows, with the scroll bars the list then needs.
struct InspectorSize {
    SIZE whole;
    SIZE least;
};
InspectorSize fittingSize(HWND dialog, HWND list, int dpi) {
    RECT first{};
    first.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    int columns[3] = {};
    for (int column = 0; column < 3; ++column)
        columns[column] = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    const int rowHeight = first.bottom - first.top;
    // The first row starts under the header.
    RECT area{0, 0, columns[0] + columns[1] + columns[2], first.top + inspectorRowCount * rowHeight};
    AdjustWindowRectEx(&area, static_cast<DWORD>(GetWindowLongPtrW(list, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(list, GWL_EXSTYLE)));
    OffsetRect(&area, -area.left, -area.top);
    AdjustWindowRectEx(&area, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
    const SIZE whole{area.right - area.left, area.bottom - area.top};
    const int scrollBar = scalePixels(scrollBarWidth96, dpi);
    return {whole, SIZE{whole.cx - columns[2] + scrollBar, whole.cy - (inspectorRowCount - 4) * rowHeight + scrollBar}};
}

// Measured while larger than its contents, the list takes on no scroll bars, and it keeps
// none once it is sized down to fit them exactly; sized up from small, it would keep both.
InspectorSize measureAtDpi(HWND dialog, int dpi) {
    HWND list = inspectorList();
    MoveWindow(list, 0, 0, 4096, 4096, FALSE);
    measureColumns(list, dpi);
    return fittingSize(dialog, list, dpi);
}

void onInitDialog(HWND dialog) {
    // Set before CreateDialogParamW returns, so that the first update below finds the window.
    shell.inspector = dialog;
    shown = ShownValues{};
    HWND list = inspectorList();
    // Filled large too, for the same reason as it is measured large.
    MoveWindow(list, 0, 0, 4096, 4096, FALSE);
    fillList(list);
    const InspectorSize size = measureAtDpi(dialog, windowDpi(dialog));
    placeBesideFrame(dialog, size.whole, size.least);
    refreshInspector();
}

// Moved to a monitor of another DPI, where the system has given the list a font of that
// DPI: the columns are measured again in it, and the window takes the size they need at
// the place the system suggests, inside that monitor's work area.
void onDpiChanged(HWND dialog, int dpi, const RECT& suggested) {
    const SIZE size = measureAtDpi(dialog, dpi).whole;
    const RECT place =
        fitInto(RECT{suggested.left, suggested.top, suggested.left + size.cx, suggested.top + size.cy},
                workAreaAt(suggested));
    SetWindowPos(dialog, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void onDestroy() {
    shell.inspector = nullptr;
    shown.filled = false;
    checkMenuItem(false);
}

// The focus goes to the list (its first row selected when none is, so that the keys
// have something to act on) or back to the hex view, or the frame without a document.
void switchPane() {
    HWND list = inspectorList();
    HWND focus = GetFocus();
    if (focus == shell.inspector || IsChild(shell.inspector, focus)) {
        SetFocus(hasDocument(shell.doc) ? shell.hexView : shell.frame);
        return;
    }
    if (SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) < 0) selectRows(list, 0);
    SetFocus(list);
}

// Each selected row as "type<Tab>little-endian<Tab>big-endian", the rows in the list's
// order, separated by CR LF; with every row selected, the whole table.
void copySelectedRows(HWND list) {
    std::wstring text;
    for (int row = -1; (row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                            LVNI_SELECTED))) >= 0;) {
        if (row >= inspectorRowCount) break;
        if (!text.empty()) text += L"\r\n";
        text += inspectorRowName(row);
        for (int column : {littleEndianColumn, bigEndianColumn}) {
            text += L'\t';
            text += shown.values.text[row][column];
        }
    }
    if (text.empty()) return;
    copyTextToClipboard(shell.inspector, text);
}

bool keyDown(int key) { return GetKeyState(key) < 0; }

bool onKey(const MSG& message) {
    const WPARAM key = message.wParam;
    // Ctrl+Alt is AltGr on many keyboards, which types characters: it is left alone.
    const bool control = keyDown(VK_CONTROL) && !keyDown(VK_MENU);
    const bool plainControl = control && !keyDown(VK_SHIFT);
    if (plainControl && key == 'I') {
        toggleInspector();
        return true;
    }
    if (!shell.inspector) return false;
    if (key == VK_F6 && !keyDown(VK_CONTROL) && !keyDown(VK_MENU)) {
        switchPane();
        return true;
    }
    HWND list = inspectorList();
    if (message.hwnd != list || !plainControl) return false;
    if (key == 'C') {
        copySelectedRows(list);
        return true;
    }
    if (key == 'A') {
        selectRows(list, -1);
        return true;
    }
    return false;
}

}  // namespace

void toggleInspector() {
    if (shell.inspector) {
        DestroyWindow(shell.inspector);
        return;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (!CreateDialogParamW(shell.instance, L"INSPECTOR", shell.frame, inspectorDialogProc, 0)) {
        shell.inspector = nullptr;
        showMessageBox(shell.frame, L"Could not open the data inspector.", programCaption,
                    MB_TASKMODAL | MB_ICONWARNING);
        return;
    }
    checkMenuItem(true);
    colourToolLists();
    // The keyboard stays where it was: the window is there to be read while the caret moves.
    ShowWindow(shell.inspector, SW_SHOWNOACTIVATE);
}

namespace {

// The caption names the offset the rows are read from, "Data Inspector - 0000003C" (the
// first selected byte or the caret's), "EOF" where nothing is left to read; with no
// document it is the plain name.
void showInspectedOffset(const InspectedBytes& read) {
    wchar_t caption[std::size(shown.caption)];
    std::size_t length = appendText(caption, std::size(caption), 0, L"Data Inspector");
    if (read.offset >= shell.doc.fileSize)
        appendText(caption, std::size(caption), length, L" - EOF");
    else if (read.offset >= 0)
        appendHex(caption, std::size(caption), appendText(caption, std::size(caption), length, L" - "),
                  static_cast<std::uint64_t>(read.offset), 8);
    if (std::wcscmp(caption, shown.caption) == 0) return;
    std::wcscpy(shown.caption, caption);
    SetWindowTextW(shell.inspector, caption);
}

}  // namespace

void refreshInspector() {
    if (!shell.inspector) return;
    const InspectedBytes now = inspectedBytes(shell.doc, shell.view);
    if (shown.filled && now == shown.source) return;
    showInspectedOffset(now);
    // Static: the texts are a few kilobytes, made anew on every change.
    static InspectorValues fresh;
    inspectBytes(now.bytes, now.available, fresh);
    int firstChanged = inspectorRowCount, lastChanged = -1;
    for (int row = 0; row < inspectorRowCount; ++row) {
        for (int column = 0; column < 2; ++column) {
            wchar_t* text = shown.values.text[row][column];
            if (shown.filled && std::wcscmp(text, fresh.text[row][column]) == 0) continue;
            std::wcscpy(text, fresh.text[row][column]);
            firstChanged = std::min(firstChanged, row);
            lastChanged = row;
        }
    }
    if (lastChanged >= 0) invalidateRows(inspectorList(), firstChanged, lastChanged);
    shown.source = now;
    shown.filled = true;
}

bool routeInspectorMessage(MSG& message) {
    if (message.message == WM_KEYDOWN && onKey(message)) return true;
    return shell.inspector && IsDialogMessageW(shell.inspector, &message);
}

INT_PTR CALLBACK inspectorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            onInitDialog(dialog);
            // FALSE: no control takes the focus; the window opens without it.
            return FALSE;
        case WM_SIZE:
            MoveWindow(GetDlgItem(dialog, IDC_INSPECTOR_LIST), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return TRUE;
        case WM_DPICHANGED:
            onDpiChanged(dialog, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return TRUE;
        case WM_COMMAND:
            // Escape arrives as IDCANCEL; Enter's IDOK has nothing to do.
            if (LOWORD(wParam) == IDCANCEL) DestroyWindow(dialog);
            return TRUE;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.idFrom != IDC_INSPECTOR_LIST || header.code != LVN_GETDISPINFOW) return FALSE;
            onGetDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
            return TRUE;
        }
        case WM_CLOSE: DestroyWindow(dialog); return TRUE;
        case WM_DESTROY: onDestroy(); return TRUE;
        default: return FALSE;
    }
}

}  // namespace quillix
