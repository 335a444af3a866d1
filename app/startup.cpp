#include "app/startup.h"

#include <commctrl.h>

#include <string>

#include "app/tools/checksums_window_win32.h"
#include "app/tools/search_results_win32.h"
#include "app/dpi_win32.h"
#include "app/edit_commands.h"
#include "app/frame_window.h"
#include "app/tools/inspector_window_win32.h"
#include "app/dialogs/message_box_win32.h"
#include "app/outside_watch_win32.h"
#include "app/recent_files_win32.h"
#include "app/places_win32.h"
#include "app/tools/bookmarks_window_win32.h"
#include "app/settings_registry_win32.h"
#include "app/shell_state.h"
#include "app/tools/window_place_win32.h"
#include "host/display_scale.h"
#include "host/text_format.h"
#include "app/hex_window_win32.h"
#include "app/view_host_win32.h"

namespace quillix {
namespace {

// Bits of a key message's lParam: Alt held down (context code), and the key already down
// before this message (a repeat).
constexpr LPARAM altDownBit = LPARAM{1} << 29;
constexpr LPARAM keyWasDownBit = LPARAM{1} << 30;

void showStartFailure(const std::wstring& text) {
    MessageBoxW(nullptr, text.c_str(), programCaption, MB_TASKMODAL | MB_ICONWARNING);
}

bool registerClasses(HINSTANCE instance) {
    WNDCLASSEXW frameClass{};
    frameClass.cbSize = sizeof frameClass;
    frameClass.style = CS_BYTEALIGNWINDOW | CS_HREDRAW | CS_VREDRAW;
    frameClass.lpfnWndProc = frameWindowProc;
    frameClass.hInstance = instance;
    frameClass.hIcon = LoadIconW(instance, L"Quillix-64bit");
    frameClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    frameClass.lpszMenuName = L"Quillix-64bit";
    frameClass.lpszClassName = frameClassName;
    if (!RegisterClassExW(&frameClass)) {
        showStartFailure(L"Could not register the window class \"Quillix-64bit\"!");
        return false;
    }

    WNDCLASSEXW hexClass{};
    hexClass.cbSize = sizeof hexClass;
    hexClass.style = CS_HREDRAW | CS_VREDRAW;
    hexClass.lpfnWndProc = hexViewProc;
    hexClass.hInstance = instance;
    hexClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    hexClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    hexClass.lpszClassName = hexViewClassName;
    if (!RegisterClassExW(&hexClass)) {
        UnregisterClassW(frameClassName, instance);
        showStartFailure(L"Could not register the window class \"HexClientClass\"!");
        return false;
    }
    return true;
}

// The path the command line names. The shell quotes a path with a blank in it when it
// starts the program for a file (a double-click, Open with, a drop on the program), and
// no file name can hold a double quote: a command line that is one pair of quotes around
// a path (trailing blanks aside) names the path inside them. Anything else is taken
// whole, exactly as typed.
std::wstring pathOfCommandLine(const wchar_t* commandLine) {
    std::wstring path = commandLine;
    const std::size_t end = path.find_last_not_of(L' ');
    if (end == std::wstring::npos || end < 2 || path[0] != L'"' || path[end] != L'"') return path;
    const std::wstring inside = path.substr(1, end - 1);
    if (inside.find(L'"') != std::wstring::npos) return path;
    return inside;
}

void openCommandLine(const wchar_t* commandLine) {
    Win32ViewHost host(shell.hexView);
    SystemError cause = 0;
    const std::wstring path = pathOfCommandLine(commandLine);
    // A path that could not fit the name buffers is refused as any unopenable path is.
    bool fits = path.size() < static_cast<std::size_t>(fileTitleChars);
    if (fits && openDocument(shell.doc, shell.view, host, path.c_str(), cause)) {
        shell.menu = GetMenu(shell.frame);
        copyTextIfFits(shell.doc.filePath, filePathChars + 1, path.c_str());
        copyTextIfFits(shell.doc.fileTitle, fileTitleChars, path.c_str());
        SendMessageW(shell.frame, WM_SETFOCUS, 0, 0);
        setFrameTitle(L" - ");
        enableDocumentCommands(true);
        watchDocumentFile();
        addToRecentFiles(shell.doc.filePath);
        loadBookmarks();
        return;
    }
    std::wstring text = L"Could not find file: ";
    text += path;
    showMessageBox(shell.frame, text.c_str(), programCaption, MB_TASKMODAL | MB_ICONWARNING);
}

}  // namespace

HWND startQuillix(HINSTANCE instance, const wchar_t* commandLine) {
    shell.instance = instance;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (!registerClasses(instance)) return nullptr;
    shell.accelerators = LoadAcceleratorsW(instance, L"Quillix-64bit");
    // Before the frame: the view is made in the shape and look the user chose last.
    loadShellSettings();

    // Sized for the DPI it will most likely be drawn at.
    const int dpi = systemDpi();
    HWND frame = CreateWindowExW(WS_EX_WINDOWEDGE, frameClassName, programTitle,
                                 WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, CW_USEDEFAULT,
                                 CW_USEDEFAULT, scalePixels(frameWidth96, dpi),
                                 scalePixels(frameHeight96, dpi), nullptr, nullptr, instance, nullptr);
    if (!frame) {
        unregisterClasses(instance);
        showStartFailure(L"Could not create the main window!");
        return nullptr;
    }
    // Now that the view has measured its cells at the DPI it is drawn at.
    sizeFirstFrame(frame);
    if (commandLine && commandLine[0]) openCommandLine(commandLine);
    return frame;
}

void routeMessage(MSG& message) {
    // The modeless Find or Goto dialog gets first go, for its Tab, Enter and Escape: keys
    // typed into its edit stay its own (Ctrl+V there is the edit's paste).
    if (shell.findDialog && IsDialogMessageW(shell.findDialog, &message)) return;
    // Then the data inspector's own keys (Ctrl+I, F6, and Ctrl+C and Ctrl+A in its list).
    if (routeInspectorMessage(message)) return;
    // Then the search results' window (F5 in it, Enter, Ctrl+C and Ctrl+A in its list).
    if (routeSearchResultsMessage(message)) return;
    // Then the checksums' window (F5 anywhere, its list's and its field's keys).
    if (routeChecksumsMessage(message)) return;
    // Then the bookmarks' window (Enter, Delete and Ctrl+C in its list).
    if (routeBookmarksMessage(message)) return;
    const bool keyDown = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
    const bool altKey = message.wParam == VK_MENU || message.wParam == VK_LMENU || message.wParam == VK_RMENU;
    // A fresh press of Alt (not its repeat) may be meant for the menu bar again.
    if (keyDown && altKey && !(message.lParam & keyWasDownBit)) shell.altServedShortcut = false;
    if (keyDown && shell.accelerators && shell.frame) {
        // A grayed item's shortcut does nothing: the Edit items' states must be current.
        updateEditCommands();
        if (TranslateAcceleratorW(shell.frame, shell.accelerators, &message)) {
            if (message.message == WM_SYSKEYDOWN && (message.lParam & altDownBit)) shell.altServedShortcut = true;
            return;
        }
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
    if ((message.message == WM_KEYUP || message.message == WM_SYSKEYUP) && altKey) shell.altServedShortcut = false;
}

int runMessageLoop() {
    MSG message{};
    // The one wait: for messages, and for the document's folder to change.
    for (;;) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return static_cast<int>(static_cast<DWORD>(message.wParam));
            routeMessage(message);
            serveOutsideLook();
        }
        waitForMessageOrChange(INFINITE);
    }
}

int runQuillix(HINSTANCE instance, const wchar_t* commandLine) {
    if (!startQuillix(instance, commandLine)) return 1;
    int exitCode = runMessageLoop();
    unregisterClasses(instance);
    return exitCode;
}

void unregisterClasses(HINSTANCE instance) {
    UnregisterClassW(hexViewClassName, instance);
    UnregisterClassW(frameClassName, instance);
}

}  // namespace quillix
