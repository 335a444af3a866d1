// The data inspector's tool window: a dialog from the INSPECTOR template holding one
// report list, a row per inspector row, columns for the type and the two byte orders.
// The list holds no texts of its own: it asks for them as it paints (LVN_GETDISPINFOW),
// so an update is one invalidation of the rows that changed, not a message per text
// (under Wine each text handed to a list costs a few hundred microseconds).

#include "app/inspector_window_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

#include "app/dpi_win32.h"
#include "app/shell_state.h"
#include "host/display_scale.h"
#include "hexview/data_inspector.h"
#include "hexview/inspected_bytes.h"
#include "host/view_host.h"
#include "resources/resource_ids.h"

namespace quillix {
namespace {

constexpr int typeColumn = 0;
// Room the list leaves around a column's text, in pixels at 96 DPI.
constexpr int columnPadding96 = 16;

// What the list shows now, so that an update compares instead of redrawing.
struct ShownValues {
    InspectedBytes source;   // the bytes the texts were made from
    bool filled = false;     // false until the texts of the open window were first written
    InspectorValues values;  // the value texts the list shows, [row][column]
};
ShownValues shown;

HWND inspectorList() { return GetDlgItem(shell.inspector, IDC_INSPECTOR_LIST); }

void checkMenuItem(bool checked) {
    CheckMenuItem(GetMenu(shell.frame), IDM_VIEW_DATA_INSPECTOR,
                  MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

int textWidth(HWND list, const wchar_t* text) {
    return static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text)));
}

void addColumn(HWND list, int index, const wchar_t* title, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(title);
    column.cx = width;
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

// Three columns, each as wide as the longest text it can hold, and one row per type.
void fillList(HWND list) {
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    int typeWidth = textWidth(list, L"Type");
    for (int row = 0; row < inspectorRowCount; ++row)
        typeWidth = std::max(typeWidth, textWidth(list, inspectorRowName(row)));
    // The longest values: a GUID, and a float64 as long as its shortest text gets, subnormal.
    const int valueWidth = std::max(textWidth(list, L"{DDDDDDDD-DDDD-DDDD-DDDD-DDDDDDDDDDDD}"),
                                    textWidth(list, L"-2.2250738585072009e-308 (subnormal)"));
    // The texts are measured in the list's own font, which already follows the DPI.
    const int padding = scalePixels(columnPadding96, windowDpi(list));
    addColumn(list, typeColumn, L"Type", typeWidth + padding);
    addColumn(list, 1 + littleEndianColumn, L"Little-endian", valueWidth + padding);
    addColumn(list, 1 + bigEndianColumn, L"Big-endian", valueWidth + padding);
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

// The window's outer size for a list that shows every row and column whole.
SIZE fittingSize(HWND dialog, HWND list) {
    RECT first{};
    first.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    int width = 0;
    for (int column = 0; column < 3; ++column)
        width += static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    // The first row starts under the header.
    RECT area{0, 0, width, first.top + inspectorRowCount * (first.bottom - first.top)};
    AdjustWindowRectEx(&area, static_cast<DWORD>(GetWindowLongPtrW(list, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(list, GWL_EXSTYLE)));
    OffsetRect(&area, -area.left, -area.top);
    AdjustWindowRectEx(&area, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
    return SIZE{area.right - area.left, area.bottom - area.top};
}

}  // namespace

void placeBesideFrame(HWND dialog, SIZE size) {
    RECT frame{};
    GetWindowRect(shell.frame, &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(shell.frame, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT place = placeBeside(frame, size, monitor.rcWork);
    SetWindowPos(dialog, nullptr, place.left, place.top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

void onInitDialog(HWND dialog) {
    // Set before CreateDialogParamW returns, so that the first update below finds the window.
    shell.inspector = dialog;
    shown = ShownValues{};
    HWND list = inspectorList();
    // Filled while larger than its contents, the list takes on no scroll bars, and it keeps
    // none once it is sized down to fit them exactly; filled small, it would keep both.
    MoveWindow(list, 0, 0, 4096, 4096, FALSE);
    fillList(list);
    placeBesideFrame(dialog, fittingSize(dialog, list));
    refreshInspector();
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
    if (SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) < 0) {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    }
    SetFocus(list);
}

void selectAllRows(HWND list) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

// Owns a global memory block until the clipboard takes it.
struct GlobalBlock {
    HGLOBAL handle;
    ~GlobalBlock() {
        if (handle) GlobalFree(handle);
    }
};

// Puts text on the clipboard as CF_UNICODETEXT, replacing what it held. Returns false,
// leaving the clipboard as it was, when memory runs out or another program holds it open.
bool putOnClipboard(HWND owner, const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    GlobalBlock block{GlobalAlloc(GMEM_MOVEABLE, bytes)};
    if (!block.handle) return false;
    void* memory = GlobalLock(block.handle);
    if (!memory) return false;
    std::memcpy(memory, text.c_str(), bytes);
    GlobalUnlock(block.handle);
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    // The clipboard owns the block once it took it.
    if (SetClipboardData(CF_UNICODETEXT, block.handle)) block.handle = nullptr;
    CloseClipboard();
    return block.handle == nullptr;
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
    if (!putOnClipboard(shell.inspector, text))
        MessageBoxW(shell.inspector,
                    L"Could not copy to the clipboard.\nAnother program may be using it; please try again.",
                    programCaption, MB_TASKMODAL | MB_ICONWARNING);
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
        selectAllRows(list);
        return true;
    }
    return false;
}

}  // namespace

RECT placeBeside(const RECT& frame, SIZE size, const RECT& workArea) {
    auto clamp = [](LONG at, LONG low, LONG extent, LONG high) {
        return std::max(low, std::min(at, high - extent));
    };
    auto at = [&](LONG x, LONG y) { return RECT{x, y, x + size.cx, y + size.cy}; };
    auto inside = [&](const RECT& r) {
        return r.left >= workArea.left && r.top >= workArea.top && r.right <= workArea.right &&
               r.bottom <= workArea.bottom;
    };
    const LONG besideY = clamp(frame.top, workArea.top, size.cy, workArea.bottom);
    const LONG aboveOrBelowX = clamp(frame.left, workArea.left, size.cx, workArea.right);
    const RECT candidates[] = {at(frame.right, besideY), at(frame.left - size.cx, besideY),
                               at(aboveOrBelowX, frame.bottom), at(aboveOrBelowX, frame.top - size.cy)};
    for (const RECT& place : candidates)
        if (inside(place)) return place;
    return at(clamp(frame.right, workArea.left, size.cx, workArea.right), besideY);
}

void toggleInspector() {
    if (shell.inspector) {
        DestroyWindow(shell.inspector);
        return;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (!CreateDialogParamW(shell.instance, L"INSPECTOR", shell.frame, inspectorDialogProc, 0)) {
        shell.inspector = nullptr;
        MessageBoxW(shell.frame, L"Could not open the data inspector.", programCaption,
                    MB_TASKMODAL | MB_ICONWARNING);
        return;
    }
    checkMenuItem(true);
    // The keyboard stays where it was: the window is there to be read while the caret moves.
    ShowWindow(shell.inspector, SW_SHOWNOACTIVATE);
}

void refreshInspector() {
    if (!shell.inspector) return;
    const InspectedBytes now = inspectedBytes(shell.doc, shell.view);
    if (shown.filled && now == shown.source) return;
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
