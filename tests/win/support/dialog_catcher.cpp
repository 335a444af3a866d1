#include "dialog_catcher.h"

namespace quillix::test {

DialogCatcher* DialogCatcher::active_ = nullptr;

DialogCatcher::DialogCatcher() {
    active_ = this;
    hook_ = SetWindowsHookExW(WH_CBT, hookProc, nullptr, GetCurrentThreadId());
}

DialogCatcher::~DialogCatcher() {
    if (hook_) UnhookWindowsHookEx(hook_);
    if (active_ == this) active_ = nullptr;
}

LRESULT CALLBACK DialogCatcher::hookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && active_) {
        // A box without an owner is activated before its texts are set: look at it once
        // its own message loop runs, through a timer that loop dispatches.
        active_->pending_.push_back(reinterpret_cast<HWND>(wParam));
        SetTimer(nullptr, 0, 1, timerProc);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK DialogCatcher::timerProc(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (!active_) return;
    std::vector<HWND> pending;
    pending.swap(active_->pending_);
    for (HWND window : pending)
        if (IsWindow(window)) active_->onActivate(window);
}

namespace {

std::wstring windowText(HWND window) {
    if (!window) return {};
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

BoxIcon iconOf(HWND box) {
    // The message box's icon sits in a static control: id 0x440 under Wine, 20 on Windows.
    for (int id : {0x440, 20}) {
        HWND control = GetDlgItem(box, id);
        if (!control) continue;
        HICON icon = reinterpret_cast<HICON>(SendMessageW(control, STM_GETICON, 0, 0));
        if (!icon) continue;
        if (icon == LoadIconW(nullptr, IDI_WARNING)) return BoxIcon::warning;
        if (icon == LoadIconW(nullptr, IDI_ERROR)) return BoxIcon::error;
        if (icon == LoadIconW(nullptr, IDI_QUESTION)) return BoxIcon::question;
        if (icon == LoadIconW(nullptr, IDI_INFORMATION)) return BoxIcon::information;
        return BoxIcon::other;
    }
    return BoxIcon::none;
}

}  // namespace

void pressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void DialogCatcher::onActivate(HWND window) {
    // A dialog is activated again when a box it opened goes away: it was seen already.
    for (HWND known : handled_)
        if (known == window) return;
    handled_.push_back(window);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    SeenDialog dialog;
    dialog.window = window;
    dialog.className = className;
    dialog.caption = windowText(window);
    dialog.owner = GetWindow(window, GW_OWNER);
    dialog.style = GetWindowLongW(window, GWL_STYLE);
    dialog.frameEnabled = frame_ ? IsWindowEnabled(frame_) != FALSE : true;
    if (dialog.className != L"#32770") {
        seen_.push_back(dialog);
        return;
    }
    // A message box: its text in static 0xFFFF beside an icon control (0x440 under Wine,
    // 20 on Windows). Dialogs of our own also use 0xFFFF for their labels.
    HWND message = GetDlgItem(window, 0xFFFF);
    bool isBox = message && (GetDlgItem(window, 0x440) || GetDlgItem(window, 20));
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO})
        if (GetDlgItem(window, id)) dialog.buttons.push_back(id);
    if (isBox) {
        dialog.text = windowText(message);
        dialog.icon = iconOf(window);
        dialog.messageBox = true;
    }
    seen_.push_back(dialog);

    if (isBox) {
        int answer = 0;
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        } else {
            answer = GetDlgItem(window, IDCANCEL) ? IDCANCEL : IDOK;
        }
        pressButton(window, answer);
        return;
    }
    if (!handlers_.empty()) {
        auto handler = std::move(handlers_.front());
        handlers_.pop_front();
        handler(window);
        return;
    }
    if (leaveOpen_ && leaveOpen_(window)) return;
    // Nobody expected this dialog: close it so the test does not hang.
    pressButton(window, IDCANCEL);
}

std::vector<SeenDialog> DialogCatcher::messageBoxes() const {
    std::vector<SeenDialog> boxes;
    for (const SeenDialog& dialog : seen_)
        if (dialog.messageBox) boxes.push_back(dialog);
    return boxes;
}

}  // namespace quillix::test
