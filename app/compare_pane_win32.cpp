// The comparison in the window. The other file's pane lives inside the hex view window,
// right of the document's rows: it shares the window's top row, scroll bar and repaints
// with no message between two windows to keep them in step, and the view's handlers
// (which know nothing of it) scroll, reveal and undo exactly as without it.

#include "app/compare_pane_win32.h"

#include <string>

#include "app/frame_window.h"
#include "app/view_host_win32.h"
#include "app/dialogs/message_box_win32.h"
#include "app/outside_take_up_win32.h"
#include "app/outside_watch_win32.h"
#include "app/shell_state.h"
#include "app/tools/window_place_win32.h"
#include "hexview/comparison_view.h"
#include "hexview/selection.h"
#include "host/text_format.h"

namespace quillix {
namespace {

// Cells between the two panes; the line between them is drawn in the first.
constexpr int paneGapCells = 2;

// The view row whose part of the other pane last had the outline drawn; -1 for none.
std::int64_t outlinedRow = -1;

int cellWidth() { return static_cast<int>(shell.view.charWidth); }
int rowHeight() { return static_cast<int>(shell.view.lineHeight); }

// The hex pair and the character of the other file's byte at the caret's offset, in the
// other pane; false when the other file has no byte there.
bool outlineRects(RECT& pair, RECT& character) {
    const ViewState& view = shell.view;
    const std::int64_t offset = offsetOf(view);
    if (offset < 0 || offset >= shell.comparison.other.fileSize) return false;
    const int left = otherPaneLeft();
    const int top = static_cast<int>(view.caretRow * view.lineHeight);
    const int high = view.layout.highCell(view.byteColumn);
    pair = {left + high * cellWidth(), top, left + (high + 2) * cellWidth(), top + rowHeight()};
    const int cell = view.layout.charCell(view.byteColumn);
    character = {left + cell * cellWidth(), top, left + (cell + 1) * cellWidth(), top + rowHeight()};
    return true;
}

void invalidatePaneRow(HWND hexView, std::int64_t viewRow) {
    if (viewRow < 0) return;
    const int top = static_cast<int>(viewRow * shell.view.lineHeight);
    RECT band{otherPaneLeft(), top, otherPaneLeft() + shell.view.layout.cells * cellWidth(),
              top + rowHeight()};
    OffsetRect(&band, -static_cast<int>(shell.view.leftCell * shell.view.charWidth), 0);
    InvalidateRect(hexView, &band, FALSE);
}

void enableComparisonCommands(bool enable) {
    const UINT state = MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED);
    HMENU menu = GetMenu(shell.frame);
    for (int command : {commandNextDifference, commandPreviousDifference, commandCloseComparison})
        EnableMenuItem(menu, command, state);
}

// Widens the frame until the hex view holds both panes whole, as far as the work area
// allows; a maximized or minimized frame keeps its size. Remembers what it added.
void widenFrame() {
    shell.comparisonWidth = 0;
    if (IsZoomed(shell.frame) || IsIconic(shell.frame)) return;
    RECT client{};
    GetClientRect(shell.hexView, &client);
    const int missing = otherPaneLeft() + shell.view.layout.cells * cellWidth() - client.right;
    if (missing <= 0) return;
    RECT before{};
    GetWindowRect(shell.frame, &before);
    RECT wanted = before;
    wanted.right += missing;
    const RECT placed = fitInto(wanted, workAreaAt(before));
    SetWindowPos(shell.frame, nullptr, placed.left, placed.top, placed.right - placed.left,
                 placed.bottom - placed.top, SWP_NOZORDER | SWP_NOACTIVATE);
    shell.comparisonWidth = (placed.right - placed.left) - (before.right - before.left);
}

void giveWidthBack() {
    const int width = shell.comparisonWidth;
    shell.comparisonWidth = 0;
    if (width <= 0 || IsZoomed(shell.frame) || IsIconic(shell.frame)) return;
    RECT now{};
    GetWindowRect(shell.frame, &now);
    SetWindowPos(shell.frame, nullptr, 0, 0, now.right - now.left - width, now.bottom - now.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The window's part of closing: the pane, its commands and its width go.
void hidePane();

void reportFailedCompare(const wchar_t* path, SystemError cause) {
    wchar_t text[titleChars];
    formatWithName(text, titleChars, L"Could not open ", nameOrUntitled(nameOfPath(path)),
                   L" to compare with it!");
    std::wstring message =
        cause == 0 ? std::wstring(text) + L"\nThe file is larger than 4 GiB." : withSystemReason(text, cause);
    showMessageBox(shell.frame, message.c_str(), programCaption, MB_TASKMODAL | MB_ICONWARNING);
}

}  // namespace

int otherPaneLeft() { return (shell.view.layout.cells + paneGapCells) * cellWidth(); }

PaneComparison documentPane() {
    if (!comparing(shell.view)) return {};
    return {&shell.comparison.other, false};
}

void paintOtherPane(HDC dc, const RECT& rect, const Palette& palette, PaintRuns& unreadable) {
    if (!comparing(shell.view)) return;
    const int left = otherPaneLeft();
    const int lineX = (shell.view.layout.cells + paneGapCells / 2) * cellWidth();
    RECT line{lineX, rect.top, lineX + 1, rect.bottom};
    HBRUSH divider = CreateSolidBrush(palette.divider);
    FillRect(dc, &line, divider);
    DeleteObject(divider);
    if (rect.right <= left) return;
    // Reused between paints, as the document's runs are.
    static PaintRuns runs;
    layoutPaint(shell.comparison.other, shell.view, PixelRect{rect.left, rect.top, rect.right, rect.bottom},
                runs, palette, PaneComparison{&shell.doc, true});
    for (const TextRun& run : runs.runs) {
        SetTextColor(dc, run.textColour);
        SetBkColor(dc, run.backColour);
        TextOutW(dc, left + run.cell * cellWidth(), run.viewRow * rowHeight(), runs.text.data() + run.start,
                 static_cast<int>(run.length));
    }
    if (unreadable.unreadableRows == 0) {
        unreadable.unreadableRows = runs.unreadableRows;
        unreadable.unreadableError = runs.unreadableError;
    }
    RECT pair{}, character{};
    outlinedRow = -1;
    if (!outlineRects(pair, character)) return;
    HBRUSH outline = CreateSolidBrush(palette.outline);
    FrameRect(dc, &pair, outline);
    FrameRect(dc, &character, outline);
    DeleteObject(outline);
    outlinedRow = shell.view.caretRow;
}

void mirrorInvalidation(HWND hexView, const RECT& rect, BOOL erase) {
    const int left = otherPaneLeft();
    if (!comparing(shell.view) || rect.left >= left) return;
    RECT mirrored{rect.left + left, rect.top, rect.right + left, rect.bottom};
    OffsetRect(&mirrored, -static_cast<int>(shell.view.leftCell * shell.view.charWidth), 0);
    InvalidateRect(hexView, &mirrored, erase);
}

void outlineFollowsCaret(HWND hexView) {
    if (!comparing(shell.view)) return;
    invalidatePaneRow(hexView, outlinedRow);
    invalidatePaneRow(hexView, shell.view.caretRow);
}

bool inOtherPane(int x) {
    return comparing(shell.view) && contentX(shell.view, x) >= shell.view.layout.cells * cellWidth();
}

LRESULT compareWithCommand() {
    if (!hasDocument(shell.doc)) return 0;
    wchar_t path[filePathChars + 1] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = shell.frame;
    dialog.lpstrFilter = L"All Files (*.*)\0*.*\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = filePathChars + 1;
    dialog.lpstrTitle = L"Compare With";
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&dialog)) return 0;
    compareWith(path);
    return 0;
}

namespace {

// Opens path as the other file, shows both panes and counts; false with cause when it
// cannot be opened, the comparison before it then closed.
bool openAndCount(const wchar_t* path, SystemError& cause) {
    shell.view.comparison = &shell.comparison;
    const bool wasOpen = shell.comparison.open;
    if (!openComparison(shell.comparison, path, cause)) {
        if (wasOpen) hidePane();  // the failed open closed the comparison before it
        return false;
    }
    if (!wasOpen) {
        widenFrame();
        keepToolWindowsClear();
    }
    enableComparisonCommands(true);
    watchComparedFile();
    Win32ViewHost host(shell.hexView);
    const HexView hv{shell.doc, shell.view, host};
    host.invalidate(nullptr, true);
    host.updateWindow();
    countComparison(hv);
    UpdateWindow(shell.hexView);
    return true;
}

}  // namespace

void compareWith(const wchar_t* path) {
    // The path may be the other file's own, which the open below empties first.
    const std::wstring chosen = path;
    SystemError cause = 0;
    if (!openAndCount(chosen.c_str(), cause)) reportFailedCompare(chosen.c_str(), cause);
}

void closeComparisonPane() {
    if (!comparing(shell.view)) return;
    closeComparison(shell.comparison);
    hidePane();
}

namespace {

void hidePane() {
    outlinedRow = -1;
    enableComparisonCommands(false);
    watchComparedFile();
    Win32ViewHost host(shell.hexView);
    showSelectionStatus(shell.view, shell.doc, host);
    giveWidthBack();
    InvalidateRect(shell.hexView, nullptr, TRUE);
}

}  // namespace

void stepToDifferenceCommand(bool forward) {
    Win32ViewHost host(shell.hexView);
    stepToDifference(HexView{shell.doc, shell.view, host}, forward);
}

void recheckOtherFile() {
    if (!comparing(shell.view)) return;
    const Document& other = shell.comparison.other;
    FileStamp now;
    SystemError cause = 0;
    if (!systemFileSystem().stampAt(other.filePath, now, cause)) return;
    const FileStamp& then = other.mappedFile;
    const auto unchanged = [&now](const FileStamp& known) {
        return sameFile(now, known) && now.size == known.size && now.lastWrite == known.lastWrite;
    };
    if (unchanged(then)) return;
    const std::wstring path = other.filePath;
    std::wstring name = nameOrUntitled(other.fileTitle);
    if (!now.exists || now.deletePending) {
        closeComparisonPane();
        name += L" was moved or deleted by another program: the comparison is closed.";
        showMessageBox(shell.frame, name.c_str(), programCaption, MB_TASKMODAL | MB_ICONWARNING);
        return;
    }
    if (!openAndCount(path.c_str(), cause)) {
        name += L" can no longer be opened: the comparison is closed.";
        showMessageBox(shell.frame, withSystemReason(name, cause).c_str(), programCaption,
                       MB_TASKMODAL | MB_ICONWARNING);
        return;
    }
    // The file as the program's own save left it (the document compared with its own
    // file, or saved over the compared one) is counted again without a word.
    if (unchanged(shell.doc.baseline.stamp)) return;
    // A note rather than a box: a file another program keeps writing would raise one
    // after another, and the user could not work for them.
    noteOutsideChange((name + L" was changed by another program: compared again").c_str());
}

}  // namespace quillix
