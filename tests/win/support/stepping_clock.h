#pragma once
// A clock for the program's long operations that moves on 200 ms at each reading, so a
// test sees their progress without waiting for it. At one chosen reading it notes what
// status part 0 shows and posts Escape to a window, as a user pressing it then would,
// after the keys of any text typed first.

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/shell_state.h"

namespace quillix::test {

class SteppingClock {
public:
    // The program reads this clock from now on; Escape goes to target at reading escapeAt,
    // behind the key presses and releases of typedFirst.
    static void install(HWND target, int escapeAt, const wchar_t* typedFirst = L"") {
        now_ = 0;
        readings_ = 0;
        target_ = target;
        escapeAt_ = escapeAt;
        typedFirst_ = typedFirst;
        statusAtEscape_.clear();
        shell.tickCount = read;
    }
    static int readings() { return readings_; }
    static const std::wstring& statusAtEscape() { return statusAtEscape_; }

private:
    static ULONGLONG WINAPI read() {
        if (++readings_ == escapeAt_) {
            wchar_t text[64] = {};
            if (LOWORD(SendMessageW(shell.statusBar, SB_GETTEXTLENGTHW, 0, 0)) < 64)
                SendMessageW(shell.statusBar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
            statusAtEscape_ = text;
            // As the keyboard queues them: presses and releases, which only the message
            // loop's TranslateMessage turns into characters.
            for (const wchar_t* key = typedFirst_; *key; ++key) {
                const UINT virtualKey = LOBYTE(VkKeyScanW(*key));
                const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
                PostMessageW(target_, WM_KEYDOWN, virtualKey, scan | 1);
                PostMessageW(target_, WM_KEYUP, virtualKey, scan | 1 | 0xC0000000);
            }
            PostMessageW(target_, WM_KEYDOWN, VK_ESCAPE, 0);
        }
        now_ += 200;
        return now_;
    }

    static inline ULONGLONG now_ = 0;
    static inline int readings_ = 0;
    static inline HWND target_ = nullptr;
    static inline int escapeAt_ = 0;
    static inline const wchar_t* typedFirst_ = L"";
    static inline std::wstring statusAtEscape_;
};

}  // namespace quillix::test
