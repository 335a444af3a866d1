#pragma once
// Sees every dialog and message box that opens on the test's thread (a WH_CBT hook, at
// HCBT_ACTIVATE), records what it showed, and answers it: message boxes with the next
// queued button, other dialogs through a handler the test gives.

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace quillix::test {

enum class BoxIcon { none, warning, error, question, information, other };

struct SeenDialog {
    HWND window = nullptr;
    std::wstring className;
    std::wstring caption;
    std::wstring text;  // the message of a message box (static 0xFFFF)
    HWND owner = nullptr;
    LONG style = 0;
    BoxIcon icon = BoxIcon::none;
    std::vector<int> buttons;  // IDOK, IDCANCEL, IDYES, IDNO present, in that order
    bool frameEnabled = true;  // whether the program's frame window took input meanwhile
    bool messageBox = false;   // a MessageBoxW box rather than a dialog
};

class DialogCatcher {
public:
    DialogCatcher();
    ~DialogCatcher();
    DialogCatcher(const DialogCatcher&) = delete;
    DialogCatcher& operator=(const DialogCatcher&) = delete;

    // The button the next message box is answered with; without one queued, OK or Cancel.
    void answerNext(int button) { answers_.push_back(button); }
    // Handles the next dialog that is not a plain message box (About, file dialogs, ...).
    // The handler runs as the dialog activates; it usually posts messages to it.
    void handleNextDialog(std::function<void(HWND)> handler) { handlers_.push_back(std::move(handler)); }
    // Modeless dialogs the test drives itself are left open when this says so.
    void leaveOpenWhen(std::function<bool(HWND)> predicate) { leaveOpen_ = std::move(predicate); }
    // The frame whose enabled state is recorded for each box.
    void watchFrame(HWND frame) { frame_ = frame; }

    const std::vector<SeenDialog>& seen() const { return seen_; }
    std::vector<SeenDialog> messageBoxes() const;
    void clear() {
        seen_.clear();
        answers_.clear();
        handlers_.clear();
    }

private:
    static LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK timerProc(HWND, UINT, UINT_PTR timer, DWORD);
    void onActivate(HWND window);

    HHOOK hook_ = nullptr;
    HWND frame_ = nullptr;
    std::vector<HWND> handled_;
    std::vector<HWND> pending_;
    std::deque<int> answers_;
    std::deque<std::function<void(HWND)>> handlers_;
    std::function<bool(HWND)> leaveOpen_;
    std::vector<SeenDialog> seen_;
    static DialogCatcher* active_;
};

// Posts a button press to a dialog, as a click on that button would send it.
void pressButton(HWND dialog, int id);

}  // namespace quillix::test
