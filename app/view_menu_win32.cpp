// The hex view's context menu.

#include "app/view_menu_win32.h"

#include "app/edit_commands.h"
#include "app/frame_window.h"
#include "app/shell_state.h"
#include "app/view_host_win32.h"
#include "hexview/selection.h"

namespace quillix {

void onRightButtonDown(HWND view, int x, int y) {
    if (!hasDocument(shell.doc) || shell.view.charWidth <= 0 || shell.view.lineHeight <= 0) return;
    const std::int64_t column = shell.view.layout.columnOf(contentX(shell.view, x) / shell.view.charWidth);
    const std::int64_t offset =
        (shell.view.topLine + y / shell.view.lineHeight) * rowBytes(shell.view) + column - 1;
    ByteRange range;
    if (column > 0 && selectedRange(shell.view, shell.doc, range) && offset >= range.begin &&
        offset < range.end)
        return;
    Win32ViewHost host(view);
    const HexView hv{shell.doc, shell.view, host};
    if (onLButtonDown(hv, static_cast<unsigned>(x), static_cast<unsigned>(y))) onLButtonUp(hv);
}

void showViewMenu(HWND view, int x, int y) {
    if (!hasDocument(shell.doc)) return;
    if (x == -1 && y == -1) {
        POINT caret{static_cast<LONG>(cellX(shell.view, shell.view.caretCell)),
                    static_cast<LONG>((shell.view.caretRow + 1) * shell.view.lineHeight)};
        ClientToScreen(view, &caret);
        x = caret.x;
        y = caret.y;
    }
    HMENU menu = buildViewMenu();
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, shell.frame, nullptr);
    DestroyMenu(menu);  // the submenu with it
}

HMENU buildViewMenu() {
    updateEditCommands();
    HMENU frameMenu = GetMenu(shell.frame);
    const auto add = [frameMenu](HMENU menu, int command, const wchar_t* text) {
        const UINT state = GetMenuState(frameMenu, static_cast<UINT>(command), MF_BYCOMMAND) & MF_GRAYED;
        AppendMenuW(menu, MF_STRING | state, static_cast<UINT_PTR>(command), text);
    };
    HMENU copyAs = CreatePopupMenu();
    add(copyAs, commandCopyAsHex, L"&Hex String");
    add(copyAs, commandCopyAsCArray, L"&C Array");
    add(copyAs, commandCopyAsBase64, L"&Base64");
    HMENU menu = CreatePopupMenu();
    add(menu, commandCopy, L"&Copy\tCtrl+C");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(copyAs), L"Copy &As");
    add(menu, commandPaste, L"&Paste\tCtrl+V");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    add(menu, commandSelectAll, L"Select &All\tCtrl+A");
    add(menu, commandSelectBlock, L"Select &Block...\tCtrl+E");
    add(menu, commandFillSelection, L"&Fill Selection...");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    add(menu, commandToggleBookmark, L"Toggle &Bookmark\tCtrl+B");
    return menu;
}

}  // namespace quillix
