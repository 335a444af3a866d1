// The search results' tool window: a dialog from the SEARCHRESULTS template holding one
// report list that asks for its texts as it paints (LVN_GETDISPINFOW), as the bookmarks'
// does, over the hits Find All listed. The view points at the same hits to colour them.

#include "app/tools/search_results_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "app/clipboard_win32.h"
#include "app/dialogs/find_dialog_win32.h"
#include "app/dialogs/message_box_win32.h"
#include "app/places_win32.h"
#include "app/shell_state.h"
#include "app/tools/inspector_window_win32.h"
#include "app/tools/report_list_win32.h"
#include "app/tools/window_place_win32.h"
#include "app/view_host_win32.h"
#include "document/file/checked_view.h"
#include "hexview/selection.h"
#include "host/text_format.h"
#include "resources/resource_ids.h"

namespace quillix {
namespace {

constexpr std::int64_t shownBytes = 16;  // a longer hit shows its first 16 bytes

struct Results {
    FoundAll found;                     // the hits listed, and the search that found them
    HitList hits;                       // the same for the view's painter
    std::uint64_t searchedChanges = 0;  // the document's byteChanges when they were found
    std::uint64_t shownChanges = 0;     // and when the rows were last drawn
    std::wstring documentPath;          // the document they were found in
};
Results results;

HWND resultsList() { return GetDlgItem(shell.searchResults, IDC_RESULTS_LIST); }
std::size_t listedRows() { return results.found.offsets.size(); }

// "N matches" or "1 match", and how many of them are listed when not all are.
std::wstring countText(const FoundAll& found) {
    wchar_t text[96];
    std::size_t length = appendDecimal(text, 96, 0, found.count);
    length = appendText(text, 96, length, found.count == 1 ? L" match" : L" matches");
    if (static_cast<std::int64_t>(found.offsets.size()) < found.count) {
        length = appendText(text, 96, length, L"; the first ");
        length = appendDecimal(text, 96, length, static_cast<std::int64_t>(found.offsets.size()));
        length = appendText(text, 96, length, L" listed");
    }
    if (found.stopped) appendText(text, 96, length, L" (stopped)");
    return text;
}

void showNote() {
    const bool stale = results.searchedChanges != shell.doc.byteChanges;
    SetDlgItemTextW(shell.searchResults, IDC_RESULTS_NOTE,
                    stale ? L"Changed since searched \u2014 press F5" : countText(results.found).c_str());
}

// A row's text in a column: the hit's offset, or its bytes (now) in hex or as characters;
// "??" for bytes that cannot be read.
std::wstring cellText(std::size_t row, int column) {
    if (row >= listedRows()) return {};
    const std::int64_t offset = results.found.offsets[row];
    if (column == 0) return offsetCellText(offset);
    const std::int64_t count = std::min({shownBytes, results.found.length, shell.doc.fileSize - offset});
    if (count <= 0) return {};
    std::uint8_t bytes[shownBytes] = {};
    ReadFault fault;
    if (!checkedCopy(shell.doc, offset, count, bytes, fault)) return L"??";
    if (column == 2) return hitText(bytes, static_cast<std::size_t>(count));
    return hexPairsCellText(bytes, count);
}

// The row's hit selected in the view and shown as a search hit, in the area its search
// looks in; Back returns from it.
void showRow(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= listedRows() || !hasDocument(shell.doc)) return;
    const std::int64_t offset = results.found.offsets[static_cast<std::size_t>(row)];
    if (offset + results.found.length > shell.doc.fileSize) return;
    const std::int64_t from = offsetOf(shell.view);
    Win32ViewHost host(shell.hexView);
    const HexView hv{shell.doc, shell.view, host};
    shell.view.searchPos = offset;
    shell.view.matchLength = results.found.length;
    revealMatch(hv, results.found.buttons);
    setSelection(hv, offset, offset + results.found.length - 1);
    noteJump(from);
    keepDialogClearOfCaret();
    refreshInspector();
}

std::vector<int> selectedRows(HWND list) {
    std::vector<int> rows;
    for (int row = -1; (row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                            LVNI_SELECTED))) >= 0;)
        rows.push_back(row);
    return rows;
}

// The selected rows as "offset<Tab>hex<Tab>text" lines.
void copySelectedRows(HWND list) {
    std::wstring text;
    for (int row : selectedRows(list)) {
        const auto r = static_cast<std::size_t>(row);
        if (!text.empty()) text += L"\r\n";
        text += cellText(r, 0) + L'\t' + cellText(r, 1) + L'\t' + cellText(r, 2);
    }
    if (!text.empty()) copyTextToClipboard(shell.searchResults, text);
}

void onInitDialog(HWND dialog) {
    shell.searchResults = dialog;
    HWND list = resultsList();
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    addColumn(list, 0, L"Offset", textWidth(list, L"00000000000") + 16);
    addColumn(list, 1, L"Hex", textWidth(list, L"DD DD DD DD DD DD DD DD") + 16);
    addColumn(list, 2, L"Text", textWidth(list, L"WWWWWWWWWWWWWWWW") + 16);
    RECT place{};
    GetWindowRect(dialog, &place);
    placeBesideFrame(dialog, SIZE{place.right - place.left, place.bottom - place.top});
}

void layout(HWND dialog, int width, int height) {
    RECT note{0, 0, 4, 14};  // the template's margin and the note's height, in dialog units
    MapDialogRect(dialog, &note);
    MoveWindow(GetDlgItem(dialog, IDC_RESULTS_NOTE), note.right, note.right / 2, width - 2 * note.right,
               note.bottom - note.right, TRUE);
    MoveWindow(GetDlgItem(dialog, IDC_RESULTS_LIST), 0, note.bottom, width, height - note.bottom, TRUE);
}

bool openWindow() {
    if (shell.searchResults) return true;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (CreateDialogParamW(shell.instance, L"SEARCHRESULTS", shell.frame, searchResultsDialogProc, 0))
        return true;
    shell.searchResults = nullptr;
    showMessageBox(shell.frame, L"Could not open the search results.", programCaption,
                   MB_TASKMODAL | MB_ICONWARNING);
    return false;
}

// The hits of a search into the window, and the view colours them.
void showHits(FoundAll& found) {
    if (!openWindow()) return;
    results.found = std::move(found);
    results.hits = HitList{results.found.offsets.data(), results.found.offsets.size(), results.found.length};
    results.searchedChanges = results.shownChanges = shell.doc.byteChanges;
    results.documentPath = shell.doc.filePath;
    shell.view.hits = &results.hits;
    HWND list = resultsList();
    SendMessageW(list, LVM_SETITEMCOUNT, listedRows(), 0);
    InvalidateRect(list, nullptr, TRUE);
    showNote();
    InvalidateRect(shell.hexView, nullptr, FALSE);
    ShowWindow(shell.searchResults, SW_SHOWNOACTIVATE);
}

void closeWindow() {
    if (shell.searchResults) DestroyWindow(shell.searchResults);
}

// F5: the same search again, over the bytes as they are now.
void searchAgain() {
    if (!hasDocument(shell.doc)) return;
    const DialogButtons buttons = results.found.buttons;
    std::wstring what(results.found.what);
    lstrcpynW(shell.search.findWhat, what.c_str(), searchTextUnits);
    if (findAllCommand(buttons) != FindAllResult::none) return;
    closeWindow();
    reportNotFound(buttons, what.c_str());
}

bool keyDown(int key) { return GetKeyState(key) < 0; }

bool onKey(const MSG& message) {
    const WPARAM key = message.wParam;
    const bool inWindow = message.hwnd == shell.searchResults || IsChild(shell.searchResults, message.hwnd);
    const bool plain = !keyDown(VK_CONTROL) && !keyDown(VK_MENU) && !keyDown(VK_SHIFT);
    // The checksums' window takes F5 anywhere else.
    if (key == VK_F5 && plain && (inWindow || !shell.checksums)) {
        searchAgain();
        return true;
    }
    HWND list = resultsList();
    if (message.hwnd != list) return false;
    if (key == VK_RETURN && plain) {
        showRow(static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
        return true;
    }
    const bool withControl = keyDown(VK_CONTROL) && !keyDown(VK_MENU) && !keyDown(VK_SHIFT);
    if (withControl && key == 'C') copySelectedRows(list);
    if (withControl && key == 'A') selectRows(list, -1);
    return withControl && (key == 'C' || key == 'A');
}

}  // namespace

std::wstring hitText(const std::uint8_t* bytes, std::size_t count) {
    std::wstring text(count, L'.');
    for (std::size_t i = 0; i < count; ++i) text[i] = shownCharacter(shell.view.characterSet, bytes[i]);
    return text;
}

FindAllResult findAllCommand(const DialogButtons& buttons) {
    Win32ViewHost host(shell.hexView);
    const HexView hv{shell.doc, shell.view, host};
    FoundAll found;
    const FindAllResult result = findAll(hv, shell.search, buttons, found);
    if ((result == FindAllResult::found || result == FindAllResult::stopped) && found.count > 0) {
        found.buttons = buttons;
        lstrcpynW(found.what, shell.search.findWhat, searchTextUnits);
        showHits(found);
    }
    return result;
}

void refreshSearchResults() {
    if (!shell.searchResults) return;
    if (!hasDocument(shell.doc) || results.documentPath != shell.doc.filePath) {
        closeWindow();
        return;
    }
    if (results.shownChanges == shell.doc.byteChanges) return;
    // The rows show the bytes as they are now.
    results.shownChanges = shell.doc.byteChanges;
    showNote();
    InvalidateRect(resultsList(), nullptr, FALSE);
}

void keepSearchResultsForRenamedDocument() {
    if (shell.searchResults) results.documentPath = shell.doc.filePath;
}

bool routeSearchResultsMessage(MSG& message) {
    if (!shell.searchResults) return false;
    if (message.message == WM_KEYDOWN && onKey(message)) return true;
    return IsDialogMessageW(shell.searchResults, &message);
}

INT_PTR CALLBACK searchResultsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: onInitDialog(dialog); return FALSE;
        case WM_SIZE: layout(dialog, LOWORD(lParam), HIWORD(lParam)); return TRUE;
        case WM_COMMAND:
            // Escape arrives as IDCANCEL.
            if (LOWORD(wParam) == IDCANCEL) DestroyWindow(dialog);
            return TRUE;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.idFrom != IDC_RESULTS_LIST) return FALSE;
            if (header.code == LVN_GETDISPINFOW) answerDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(lParam), cellText);
            if (header.code == NM_DBLCLK) showRow(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
            return TRUE;
        }
        case WM_CLOSE: DestroyWindow(dialog); return TRUE;
        case WM_DESTROY:
            // The view stops colouring the hits, and their memory goes.
            shell.searchResults = nullptr;
            shell.view.hits = nullptr;
            results = Results{};
            InvalidateRect(shell.hexView, nullptr, FALSE);
            return TRUE;
        default: return FALSE;
    }
}

}  // namespace quillix
