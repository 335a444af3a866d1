// The recent files' menu items, kept in step with shell.settings.recentFiles, and the two
// ways to open a file without the Open dialog: a recent item and a drop from Explorer.

#include "app/recent_files_win32.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "app/file_commands.h"
#include "app/settings_registry_win32.h"
#include "app/shell_state.h"
#include "resources/resource_ids.h"
#include "settings/recent_files.h"

namespace quillix {
namespace {

HMENU fileMenu() { return GetSubMenu(GetMenu(shell.frame), 0); }

int positionOf(HMENU menu, UINT command) {
    for (int i = 0, count = GetMenuItemCount(menu); i < count; ++i)
        if (GetMenuItemID(menu, i) == command) return i;
    return -1;
}

bool isSeparator(HMENU menu, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    return position >= 0 && GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) &&
           (info.fType & MFT_SEPARATOR);
}

// "&1 C:\a&b.bin" shown as "1 C:\a&b.bin" with 1 underlined: the path's own ampersands
// doubled so that none of them becomes a mnemonic.
std::wstring itemText(std::size_t index, const std::wstring& path) {
    std::wstring text = L"&" + std::to_wstring(index + 1) + L" ";
    for (wchar_t c : path) {
        if (c == L'&') text += L'&';
        text += c;
    }
    return text;
}

}  // namespace

void showRecentFiles() {
    HMENU menu = fileMenu();
    if (!menu) return;
    for (UINT id = IDM_FILE_RECENT_FIRST; id <= IDM_FILE_RECENT_LAST; ++id)
        DeleteMenu(menu, id, MF_BYCOMMAND);
    // The separator between the list and Exit goes with the list.
    int exit = positionOf(menu, IDM_FILE_EXIT);
    if (isSeparator(menu, exit - 1) && isSeparator(menu, exit - 2)) DeleteMenu(menu, --exit, MF_BYPOSITION);
    const std::vector<std::wstring>& files = shell.settings.recentFiles;
    if (files.empty() || exit < 0) {
        DrawMenuBar(shell.frame);
        return;
    }
    InsertMenuW(menu, static_cast<UINT>(exit), MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    for (std::size_t k = 0; k < files.size() && k < recentFilesMax; ++k)
        InsertMenuW(menu, static_cast<UINT>(exit + k), MF_BYPOSITION | MF_STRING, IDM_FILE_RECENT_FIRST + k,
                    itemText(k, files[k]).c_str());
    DrawMenuBar(shell.frame);
}

void addToRecentFiles(const wchar_t* path) {
    addRecentFile(shell.settings.recentFiles, path);
    rememberSetting(SettingId::recentFiles);
    showRecentFiles();
}

LRESULT openRecentFileCommand(int command) {
    const std::size_t index = static_cast<std::size_t>(command - IDM_FILE_RECENT_FIRST);
    if (index >= shell.settings.recentFiles.size()) return 0;
    // A copy: the open changes the list under it.
    const std::wstring path = shell.settings.recentFiles[index];
    if (openFileAt(path.c_str()) != OpenOutcome::failed) return 0;
    if (!removeRecentFile(shell.settings.recentFiles, path)) return 0;
    rememberSetting(SettingId::recentFiles);
    showRecentFiles();
    return 0;
}

void onDropFiles(HDROP drop) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    std::wstring path;
    if (count > 0) {
        path.resize(DragQueryFileW(drop, 0, nullptr, 0) + 1);
        path.resize(DragQueryFileW(drop, 0, path.data(), static_cast<UINT>(path.size())));
    }
    DragFinish(drop);
    if (path.empty()) return;
    // The drop comes from another program: the question, if any, is asked in front of it.
    SetForegroundWindow(shell.frame);
    if (openFileAt(path.c_str()) != OpenOutcome::opened || count < 2) return;
    const std::wstring note = L"Opened the first of " + std::to_wstring(count) + L" dropped files";
    SendMessageW(shell.statusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(note.c_str()));
}

}  // namespace quillix
