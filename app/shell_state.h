#pragma once
// The process-wide records of the Win32 program: the window handles, the frame's own
// state, the one document and the one view state. Everything runs on one thread.

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include "compare/comparison.h"
#include "document/document.h"
#include "hexview/view_state.h"
#include "search/search.h"
#include "settings/settings.h"

namespace quillix {

using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
using TickCountFunction = ULONGLONG(WINAPI*)();
using SystemStateFunction = bool (*)();
// Windows' high contrast and dark app mode, as app/theme_win32 reads them.
bool systemHighContrastOn();
bool systemAppsDark();

inline constexpr int statusBarId = 2;
inline constexpr int titleChars = 576;
inline constexpr wchar_t programTitle[] = L" Quillix-64bit";  // every title starts with this
inline constexpr wchar_t frameClassName[] = L"Quillix-64bit";
inline constexpr wchar_t hexViewClassName[] = L"HexClientClass";

// The widest texts status parts 1 and 2 can show, in pixels of the bar's font: "Offset: "
// and "Bytes: " followed by as many of the font's widest digit as the longest offset and
// size have.
struct StatusTextWidths {
    int offset = 0;
    int bytes = 0;
};

struct ShellState {
    HINSTANCE instance = nullptr;        // the process's module; written at start-up
    HWND frame = nullptr;                // the top-level window, set by its WM_CREATE
    HWND hexView = nullptr;              // the HexClientClass child, made by the frame's WM_CREATE
    HWND statusBar = nullptr;            // the status bar, id 2, made by the frame's WM_CREATE
    HMENU menu = nullptr;                // the frame's menu, read again at every WM_COMMAND
    int statusEdges[3] = {};             // right edges of the status parts, from the last WM_SIZE
    HFONT statusFont = nullptr;          // the status bar's font for the frame's DPI, owned
    StatusTextWidths statusTextWidths;   // measured in that font whenever it is set
    wchar_t titleText[titleChars] = {};  // the title last given to the frame
    UINT findMessageId = 0;              // registered "commdlg_FindReplace"
    HWND findDialog = nullptr;           // the open Find or Goto dialog, null when none
    int findDialogCommand = 0;           // which of the two it is: the Find or Goto command id
    HWND inspector = nullptr;            // the data inspector's tool window, null while closed
    HWND checksums = nullptr;            // the checksums' tool window, null while closed
    HWND searchResults = nullptr;        // Find All's "Search Results" window, null while closed
    FINDREPLACEW findRecord = {};        // shared by Find and Goto, filled anew by each
    WNDPROC previousEditProc = nullptr;  // the dialog edit's own procedure, under the filter
    OPENFILENAMEW fileDialog = {};       // shared by Open, Save As and Export As
    HACCEL accelerators = nullptr;       // the shortcut keys, loaded at start-up
    bool altServedShortcut = false;      // the Alt key held now made a shortcut: its release opens no menu
    Document doc;                        // the one document
    ViewState view;                      // the one view state
    SearchState search;                  // the dialogs' texts and the search direction
    Comparison comparison;               // the other file beside the document, while compared
    Settings settings;                   // what the user chose, read at start-up, written at each change
    std::int64_t viewHeight = 0;         // the hex view's height as the frame lays it out
    int comparisonWidth = 0;             // pixels the frame widened by to show it; given back on closing
    // Opens the help page and the update page; tests put a recorder here.
    ShellExecuteFunction shellExecute = ShellExecuteW;
    // The clock of long operations' progress; tests put in one they advance themselves.
    TickCountFunction tickCount = GetTickCount64;
    // Whether Windows' high contrast is on, and whether its apps are dark; tests answer
    // for Windows here.
    SystemStateFunction highContrastOn = systemHighContrastOn;
    SystemStateFunction appsDark = systemAppsDark;
};

extern ShellState shell;

}  // namespace quillix
