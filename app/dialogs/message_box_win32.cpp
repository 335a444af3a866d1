#include "app/dialogs/message_box_win32.h"

namespace quillix {

int showMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style) {
    HWND focus = GetFocus();
    const int answer = MessageBoxW(owner, text, caption, style);
    // The answer may have closed the window that had the keyboard (Yes to a close question).
    if (focus && IsWindow(focus) && GetFocus() != focus) SetFocus(focus);
    return answer;
}

}  // namespace quillix
