#pragma once
// The view host of the hex view window: carries the core's requests to the real caret,
// scroll bar, status bar, boxes and clipboard.

#include <windows.h>

#include <vector>

#include "hexview/hex_view.h"

namespace quillix {

// The view host of one hex view window, made for one message or command: it holds the
// handle, and for a copy or a paste the clipboard blocks in hand, which it lets go of
// when it goes.
class Win32ViewHost final : public ViewHost {
public:
    explicit Win32ViewHost(HWND hexView) : window_(hexView) {}
    ~Win32ViewHost() override;
    Win32ViewHost(const Win32ViewHost&) = delete;
    Win32ViewHost& operator=(const Win32ViewHost&) = delete;
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
    void setHorizontalPosition(int position) override;
    void fitHorizontalBar() override;
    int horizontalTrackPosition() override;
    void setStatusText(int part, const wchar_t* text) override;
    int messageBox(BoxOwner owner, const wchar_t* text, const wchar_t* caption, unsigned style) override;
    void beep() override;
    void setWaitCursor(bool on) override;
    std::uint32_t fileAttributes(const wchar_t* path) override;
    Checkpoint checkpoint() override;
    void* clipboardBlock(ClipboardFormat format, std::size_t bytes) override;
    bool putClipboard() override;
    void dropClipboardBlocks() override;
    bool clipboardHas(ClipboardFormat format) override;
    bool readClipboard(ClipboardFormat format, const void*& data, std::size_t& bytes) override;
    void endClipboardRead() override;

private:
    struct Block {
        ClipboardFormat format;
        HGLOBAL memory;  // locked while it is being filled
    };
    bool openClipboard();

    HWND window_;
    std::vector<Block> blocks_;    // filled by a copy, not yet on the clipboard
    bool reading_ = false;         // the clipboard is open for a paste
    std::vector<HGLOBAL> locked_;  // clipboard data locked for that paste
};

}  // namespace quillix
