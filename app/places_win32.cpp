// Back and forward, bookmarks and their store: the commands over the one document and view.

#include "app/places_win32.h"

#include <vector>

#include "app/shell_state.h"
#include "app/tools/bookmarks_window_win32.h"
#include "app/view_host_win32.h"
#include "hexview/selection.h"
#include "host/text_format.h"

namespace quillix {

PlacesState places;

namespace {

HexView currentView(Win32ViewHost& host) { return HexView{shell.doc, shell.view, host}; }

// The caret onto offset, as a search hit is shown, in the caret's own area.
void showPlace(std::int64_t offset) {
    Win32ViewHost host(shell.hexView);
    const HexView hv = currentView(host);
    clearSelection(hv);
    shell.view.matchVisible = 0;
    revealOffset(hv, offset,
                 shell.view.layout.inCharArea(shell.view.caretCell) ? CaretArea::character : CaretArea::hex);
}

bool placeInDocument(std::int64_t offset) { return offset >= 0 && offset < shell.doc.fileSize; }

}  // namespace

void noteJump(std::int64_t from) {
    if (offsetOf(shell.view) != from) places.jumps.jumped(from);
}

void jumpToPlace(std::int64_t offset) {
    const std::int64_t from = offsetOf(shell.view);
    showPlace(offset);
    noteJump(from);
}

void walkJumpsCommand(bool back) {
    std::int64_t place = 0;
    const std::int64_t here = offsetOf(shell.view);
    if (!hasDocument(shell.doc) ||
        !(back ? places.jumps.back(here, place) : places.jumps.forward(here, place)) ||
        !placeInDocument(place)) {
        MessageBeep(MB_OK);
        return;
    }
    showPlace(place);
}

void toggleBookmarkCommand() {
    const std::int64_t offset = offsetOf(shell.view);
    if (!hasDocument(shell.doc) || !placeInDocument(offset)) {
        MessageBeep(MB_OK);
        return;
    }
    toggleBookmark(places.marks, offset);
    storeBookmarks();
    InvalidateRect(shell.hexView, nullptr, FALSE);
    refreshBookmarksWindow();
}

void stepToBookmarkCommand(bool next) {
    std::int64_t to = 0;
    const std::int64_t from = offsetOf(shell.view);
    const bool found = next ? nextBookmark(places.marks, from, to) : previousBookmark(places.marks, from, to);
    if (!hasDocument(shell.doc) || !found || !placeInDocument(to)) {
        MessageBeep(MB_OK);
        return;
    }
    jumpToPlace(to);
}

std::wstring bookmarkStorePath(const wchar_t* documentPath) {
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"APPDATA", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    // The same file named another way (a relative path on the command line) keeps one store.
    wchar_t full[filePathChars + 1] = {};
    const DWORD fullLength = GetFullPathNameW(documentPath, filePathChars + 1, full, nullptr);
    const wchar_t* name = fullLength > 0 && fullLength <= filePathChars ? full : documentPath;
    return std::wstring(folder) + L"\\Quillix-64bit\\Bookmarks\\" + bookmarkStoreName(name);
}

void loadBookmarks() {
    places.jumps.clear();
    places.marks = {};
    refreshBookmarksWindow();
    if (!hasDocument(shell.doc)) return;
    const std::wstring path = bookmarkStorePath(shell.doc.filePath);
    HANDLE file = path.empty() ? INVALID_HANDLE_VALUE
                               : CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // No store is the usual case: a file never bookmarked.
        if (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND || path.empty())
            return;
    }
    bool read = false;
    if (file != INVALID_HANDLE_VALUE) {
        LARGE_INTEGER size{};
        // A store of a million bookmarks is 18 MB; anything larger is not one of ours.
        if (GetFileSizeEx(file, &size) && size.QuadPart < (std::int64_t{64} << 20)) {
            std::vector<char> text(static_cast<std::size_t>(size.QuadPart));
            DWORD got = 0;
            read = ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &got, nullptr) &&
                   got == text.size() &&
                   readBookmarkStore(text.data(), text.size(), shell.doc.fileSize, places.marks);
        }
        CloseHandle(file);
    }
    if (!read) {
        wchar_t text[titleChars];
        formatWithName(text, titleChars, L"Bookmarks of ", shell.doc.fileTitle, L" could not be read");
        Win32ViewHost host(shell.hexView);
        host.setStatusText(statusPartActivity, text);
    }
    refreshBookmarksWindow();
}

void storeBookmarks() {
    if (!hasDocument(shell.doc)) return;
    const std::wstring path = bookmarkStorePath(shell.doc.filePath);
    if (path.empty()) return;
    if (places.marks.offsets.empty()) {
        DeleteFileW(path.c_str());
        return;
    }
    const std::size_t folderEnd = path.find_last_of(L'\\');
    CreateDirectoryW(path.substr(0, path.find_last_of(L'\\', folderEnd - 1)).c_str(), nullptr);
    CreateDirectoryW(path.substr(0, folderEnd).c_str(), nullptr);
    const std::string text = bookmarkStoreText(places.marks);
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;  // the bookmarks stay for this session
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

void outlineBookmarks(HDC dc, const RECT& painted) {
    if (places.marks.offsets.empty() || !hasDocument(shell.doc)) return;
    const RowLayout& layout = shell.view.layout;
    const std::int64_t n = rowBytes(shell.view);
    const std::int64_t first = shell.view.topLine * n;
    const std::int64_t last = (shell.view.topLine + rows(shell.view) + 1) * n;
    HBRUSH brush = GetSysColorBrush(COLOR_WINDOWTEXT);
    for (std::size_t i = bookmarkIndexFrom(places.marks, first);
         i < places.marks.offsets.size() && places.marks.offsets[i] < last; ++i) {
        const std::int64_t offset = places.marks.offsets[i];
        if (offset >= shell.doc.fileSize) break;  // the file got shorter meanwhile
        const auto top = static_cast<int>((offset / n - shell.view.topLine) * shell.view.lineHeight);
        const auto height = static_cast<int>(shell.view.lineHeight);
        const auto width = static_cast<int>(shell.view.charWidth);
        const std::int64_t column = offset % n + 1;
        const RECT hex{layout.highCell(column) * width, top, (layout.highCell(column) + 2) * width,
                       top + height};
        const RECT character{layout.charCell(column) * width, top, (layout.charCell(column) + 1) * width,
                             top + height};
        RECT overlap;
        if (IntersectRect(&overlap, &hex, &painted)) FrameRect(dc, &hex, brush);
        if (IntersectRect(&overlap, &character, &painted)) FrameRect(dc, &character, brush);
    }
}

}  // namespace quillix
