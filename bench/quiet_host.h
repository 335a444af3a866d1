#pragma once
// A host for the benchmarks that shows nothing and answers every question with OK, so
// only the work measured costs time.

#include "host/view_host.h"

namespace quillix::bench {

class QuietHost final : public ViewHost {
public:
    void createCaret(int, int) override {}
    void destroyCaret() override {}
    void showCaret() override {}
    void hideCaret() override {}
    void setCaretPos(int, int) override {}
    void invalidate(const PixelRect*, bool) override {}
    void updateWindow() override {}
    void setScrollRange(int, int) override {}
    void setScrollPosition(int) override {}
    int scrollTrackPosition() override { return 0; }
    void setStatusText(int, const wchar_t*) override {}
    int messageBox(BoxOwner, const wchar_t*, const wchar_t*, unsigned) override { return answerOk; }
    void beep() override {}
    void setWaitCursor(bool) override {}
    std::uint32_t fileAttributes(const wchar_t*) override { return 0x80; }
    Checkpoint checkpoint() override { return {}; }
    void* clipboardBlock(ClipboardFormat, std::size_t) override { return nullptr; }
    bool putClipboard() override { return false; }
    void dropClipboardBlocks() override {}
    bool clipboardHas(ClipboardFormat) override { return false; }
    bool readClipboard(ClipboardFormat, const void*&, std::size_t&) override { return false; }
    void endClipboardRead() override {}
};

}  // namespace quillix::bench
