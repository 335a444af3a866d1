// The hex view window: each message becomes one call of the core's handlers on the
// process's document and view state; WM_PAINT draws the core's text runs.

#include "app/hex_window_win32.h"

#include <windowsx.h>

#include "app/activity_note_win32.h"
#include "app/tools/checksums_window_win32.h"
#include "app/tools/search_results_win32.h"
#include "app/compare_pane_win32.h"
#include "app/dpi_win32.h"
#include "app/hex_paint_win32.h"
#include "app/places_win32.h"
#include "app/tools/bookmarks_window_win32.h"
#include "app/tools/inspector_window_win32.h"
#include "app/shell_state.h"
#include "app/theme_win32.h"
#include "app/view_host_win32.h"
#include "app/view_look_win32.h"
#include "app/view_menu_win32.h"

namespace quillix {

namespace {

void readWheelStep(ViewState& view) {
    UINT lines = 0;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    updateWheelStep(view, lines);
}

LRESULT handleHexViewMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Win32ViewHost host(window);
    const HexView hv{shell.doc, shell.view, host};
    switch (message) {
        case WM_CREATE:
            shell.view.dpi = windowDpi(window);
            measureViewFont(shell.view);
            readWheelStep(shell.view);
            return 0;
        case WM_SETTINGCHANGE: readWheelStep(shell.view); return 0;
        case WM_ERASEBKGND:
            // The dark and high-contrast palettes' background, not the class's window colour.
            if (eraseViewBackground(window, reinterpret_cast<HDC>(wParam))) return 1;
            break;
        case WM_PAINT: paintHexView(window, shell.doc, shell.view); return 0;
        case WM_SIZE:
            // Sent by the frame's layout; an open or a search hit calls onSize itself. The
            // height is the frame's business (clientHeight): only the scroll range follows.
            onSize(hv);
            return 0;
        case WM_SETFOCUS: onSetFocus(hv); return 0;
        case WM_KILLFOCUS: onKillFocus(hv); return 0;
        case WM_KEYDOWN:
            clearStoppedNote(host);
            if (wParam == VK_APPS) {
                showViewMenu(window, -1, -1);
                return 0;
            }
            // Every key ends by re-placing the caret; none goes to DefWindowProcW. Shift
            // with a caret key selects.
            {
                const std::int64_t from = offsetOf(hv.view);
                const bool shift = GetKeyState(VK_SHIFT) < 0;
                onKeyDown(hv, static_cast<unsigned>(wParam), shift);
                // Home and End (Ctrl or not) go to the document's ends: a jump Back returns from.
                if ((wParam == VK_HOME || wParam == VK_END) && !shift) noteJump(from);
            }
            return 0;
        case WM_CHAR:
            if (onChar(hv, static_cast<unsigned>(wParam & 0xFFFF))) return 0;
            break;
        case WM_VSCROLL: onVScroll(hv, LOWORD(wParam)); return 0;
        case WM_HSCROLL: onHScroll(hv, LOWORD(wParam)); return 0;
        case WM_MOUSEHWHEEL: onHorizontalWheel(hv, GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
        case WM_MOUSEWHEEL:
            // Ctrl with the wheel zooms, as in every Windows program that shows text.
            if (GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) {
                zoomByWheelCommand(GET_WHEEL_DELTA_WPARAM(wParam));
                return 0;
            }
            // Shift with the wheel scrolls sideways: up is to the left.
            if (GET_KEYSTATE_WPARAM(wParam) & MK_SHIFT) {
                onHorizontalWheel(hv, -GET_WHEEL_DELTA_WPARAM(wParam));
                return 0;
            }
            if (onMouseWheel(hv, GET_WHEEL_DELTA_WPARAM(wParam))) return 0;
            break;
        case WM_LBUTTONDOWN:
            // The other file's pane has no caret to place.
            if (inOtherPane(GET_X_LPARAM(lParam))) break;
            if (!onLButtonDown(hv, LOWORD(lParam), HIWORD(lParam), (wParam & MK_SHIFT) != 0)) break;
            // A drag goes on past the edges of the view until the button comes up.
            if (shell.view.dragOrigin >= 0) SetCapture(window);
            return 0;
        case WM_MOUSEMOVE:
            if (GetCapture() != window || !(wParam & MK_LBUTTON)) break;
            onMouseMove(hv, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_LBUTTONUP:
            onLButtonUp(hv);
            if (GetCapture() == window) ReleaseCapture();
            return 0;
        case WM_CAPTURECHANGED: onLButtonUp(hv); return 0;
        case WM_RBUTTONDOWN:
            if (inOtherPane(GET_X_LPARAM(lParam))) break;
            onRightButtonDown(window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_CONTEXTMENU: showViewMenu(window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_SYSKEYDOWN:
            // Shift+F10 is the keyboard's right-click; F10 alone stays the menu bar's.
            if (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0) {
                showViewMenu(window, -1, -1);
                return 0;
            }
            break;
        default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK hexViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The handlers send the view requests of its own; the data inspector follows the caret
    // and the bytes (and the checksums' window notes a change) once the outermost message is
    // done, never a state half-way through a key.
    static int depth = 0;
    ++depth;
    const LRESULT result = handleHexViewMessage(window, message, wParam, lParam);
    if (--depth > 0) return result;
    refreshInspector();
    refreshChecksums();
    refreshSearchResults();
    refreshBookmarksBytes();
    return result;
}

}  // namespace quillix
