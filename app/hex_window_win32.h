#pragma once
// The HexClientClass window: the hex view's window procedure, and the view host that
// carries the core's requests to the real caret, scroll bar, status bar and boxes.

#include <windows.h>

#include "hexview/hex_view.h"

namespace quillix {

LRESULT CALLBACK hexViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The view host of one hex view window. It holds nothing but the handle.
class Win32ViewHost final : public ViewHost {
public:
    explicit Win32ViewHost(HWND hexView) : window_(hexView) {}
    void createCaret(int width, int height) override;
    void destroyCaret() override;
    void showCaret() override;
    void hideCaret() override;
    void setCaretPos(int x, int y) override;
    void invalidate(const PixelRect* rect, bool erase) override;
    void updateWindow() override;
    void setScrollRange(int max, int position) override;
    void setScrollPosition(int position) override;
    int scrollTrackPosition() override;
    void setStatusText(int part, const wchar_t* text) override;
    int messageBox(BoxOwner owner, const wchar_t* text, const wchar_t* caption, unsigned style) override;
    void beep() override;
    void setWaitCursor(bool on) override;
    std::uint32_t fileAttributes(const wchar_t* path) override;
    Checkpoint checkpoint() override;

private:
    HWND window_;
};

// The view font at dpi, as measured and as painted: "Courier", 18 high, at 96 DPI;
// "Courier New", fixed pitch and TrueType, at the scaled height at any other.
HFONT createViewFont(DWORD quality, int dpi);
// Measures the view font at view.dpi: charWidth and lineHeight.
void measureViewFont(ViewState& view);

}  // namespace quillix
