// The bookmarks' tool window: a dialog from the BOOKMARKS template holding one report list
// that asks for its texts as it paints (LVN_GETDISPINFOW), as the inspector's does.

#include "app/tools/bookmarks_window_win32.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/clipboard_win32.h"
#include "app/dialogs/message_box_win32.h"
#include "app/places_win32.h"
#include "app/shell_state.h"
#include "app/tools/report_list_win32.h"
#include "app/tools/window_place_win32.h"
#include "document/file/checked_view.h"
#include "host/text_format.h"
#include "resources/resource_ids.h"

namespace quillix {
namespace {

constexpr int shownBytes = 8;
HWND window = nullptr;
// The document's byteChanges when the rows were last drawn: their bytes are older otherwise.
std::uint64_t shownChanges = 0;

HWND bookmarksList() { return GetDlgItem(window, IDC_BOOKMARKS_LIST); }

void checkMenuItem(bool checked) {
    CheckMenuItem(GetMenu(shell.frame), IDM_VIEW_BOOKMARKS,
                  MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

// A row's text in a column: the offset, or the bytes there as hex pairs (fewer at the end
// of the file, "??" for a page that cannot be read).
std::wstring cellText(std::size_t row, int column) {
    if (row >= places.marks.offsets.size()) return {};
    const std::int64_t offset = places.marks.offsets[row];
    if (column == 0) return offsetCellText(offset);
    const std::int64_t count = std::min<std::int64_t>(shownBytes, shell.doc.fileSize - offset);
    if (count <= 0) return {};
    std::uint8_t bytes[shownBytes] = {};
    ReadFault fault;
    if (!checkedCopy(shell.doc, offset, count, bytes, fault)) return L"??";
    return hexPairsCellText(bytes, count);
}

std::vector<int> selectedRows(HWND list) {
    std::vector<int> rows;
    for (int row = -1; (row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                            LVNI_SELECTED))) >= 0;)
        rows.push_back(row);
    return rows;
}

void jumpToRow(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= places.marks.offsets.size()) return;
    jumpToPlace(places.marks.offsets[static_cast<std::size_t>(row)]);
}

void deleteSelectedRows(HWND list) {
    const std::vector<int> rows = selectedRows(list);
    if (rows.empty()) return;
    std::vector<std::int64_t> gone;
    for (int row : rows) gone.push_back(places.marks.offsets[static_cast<std::size_t>(row)]);
    for (std::int64_t offset : gone) toggleBookmark(places.marks, offset);
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    storeBookmarks();
    InvalidateRect(shell.hexView, nullptr, FALSE);
    refreshBookmarksWindow();
    const int count = static_cast<int>(places.marks.offsets.size());
    if (count > 0) selectRows(list, std::min(rows.front(), count - 1));
}

void copySelectedRows(HWND list) {
    std::wstring text;
    for (int row : selectedRows(list)) {
        if (!text.empty()) text += L"\r\n";
        text +=
            cellText(static_cast<std::size_t>(row), 0) + L'\t' + cellText(static_cast<std::size_t>(row), 1);
    }
    if (!text.empty()) copyTextToClipboard(window, text);
}

void onInitDialog(HWND dialog) {
    window = dialog;
    HWND list = bookmarksList();
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    addColumn(list, 0, L"Offset", textWidth(list, L"00000000000") + 16);
    addColumn(list, 1, L"Bytes", textWidth(list, L"DD DD DD DD DD DD DD DD") + 16);
    RECT client{};
    GetWindowRect(dialog, &client);
    placeBesideFrame(dialog, SIZE{client.right - client.left, client.bottom - client.top});
    refreshBookmarksWindow();
}

bool plainControl() { return GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0; }

}  // namespace

HWND bookmarksWindow() { return window; }

void toggleBookmarksWindow() {
    if (window) {
        DestroyWindow(window);
        return;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (!CreateDialogParamW(shell.instance, L"BOOKMARKS", shell.frame, bookmarksDialogProc, 0)) {
        window = nullptr;
        showMessageBox(shell.frame, L"Could not open the bookmarks.", programCaption,
                       MB_TASKMODAL | MB_ICONWARNING);
        return;
    }
    checkMenuItem(true);
    ShowWindow(window, SW_SHOWNOACTIVATE);
}

void refreshBookmarksBytes() {
    if (!window || shownChanges == shell.doc.byteChanges) return;
    refreshBookmarksWindow();
}

void refreshBookmarksWindow() {
    if (!window) return;
    shownChanges = shell.doc.byteChanges;
    HWND list = bookmarksList();
    SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(places.marks.offsets.size()), LVSICF_NOSCROLL);
    InvalidateRect(list, nullptr, TRUE);
}

bool routeBookmarksMessage(MSG& message) {
    if (!window) return false;
    HWND list = bookmarksList();
    if (message.message == WM_KEYDOWN && message.hwnd == list) {
        if (message.wParam == VK_RETURN) {
            jumpToRow(
                static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
            return true;
        }
        if (message.wParam == VK_DELETE) {
            deleteSelectedRows(list);
            return true;
        }
        if (message.wParam == 'C' && plainControl()) {
            copySelectedRows(list);
            return true;
        }
    }
    return IsDialogMessageW(window, &message);
}

INT_PTR CALLBACK bookmarksDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: onInitDialog(dialog); return FALSE;
        case WM_SIZE:
            MoveWindow(GetDlgItem(dialog, IDC_BOOKMARKS_LIST), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) DestroyWindow(dialog);
            return TRUE;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.idFrom != IDC_BOOKMARKS_LIST) return FALSE;
            if (header.code == LVN_GETDISPINFOW) answerDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(lParam), cellText);
            if (header.code == NM_DBLCLK) jumpToRow(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
            return TRUE;
        }
        case WM_CLOSE: DestroyWindow(dialog); return TRUE;
        case WM_DESTROY:
            window = nullptr;
            checkMenuItem(false);
            return TRUE;
        default: return FALSE;
    }
}

}  // namespace quillix
