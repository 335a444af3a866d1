#include "app/clipboard_win32.h"

#include <cstring>
#include <new>

#include "app/dialogs/message_box_win32.h"
#include "app/shell_state.h"
#include "app/view_host_win32.h"

namespace quillix {

UINT bytesClipboardFormat() {
    static const UINT format = RegisterClipboardFormatW(L"Quillix-64bit bytes");
    return format;
}

namespace {

UINT formatId(ClipboardFormat format) {
    switch (format) {
        case ClipboardFormat::bytes: return bytesClipboardFormat();
        case ClipboardFormat::asciiText: return CF_TEXT;
        case ClipboardFormat::text: break;
    }
    return CF_UNICODETEXT;
}

}  // namespace

Win32ViewHost::~Win32ViewHost() {
    dropClipboardBlocks();
    endClipboardRead();
}

bool Win32ViewHost::openClipboard() {
    // Another program (a clipboard viewer, say) may hold it open for a moment.
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenClipboard(window_)) return true;
        Sleep(10);
    }
    return false;
}

void* Win32ViewHost::clipboardBlock(ClipboardFormat format, std::size_t bytes) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    void* data = memory ? GlobalLock(memory) : nullptr;
    if (!data) {
        if (memory) GlobalFree(memory);
        return nullptr;
    }
    try {
        blocks_.push_back(Block{format, memory});
    } catch (const std::bad_alloc&) {
        GlobalUnlock(memory);
        GlobalFree(memory);
        return nullptr;
    }
    return data;
}

bool Win32ViewHost::putClipboard() {
    for (const Block& block : blocks_) GlobalUnlock(block.memory);
    const bool opened = openClipboard();
    bool done = opened && EmptyClipboard();
    for (Block& block : blocks_) {
        // A block the clipboard took is the system's from then on.
        if (done && SetClipboardData(formatId(block.format), block.memory)) {
            block.memory = nullptr;
            continue;
        }
        done = false;
    }
    // Half a copy never stays on the clipboard.
    if (opened && !done) EmptyClipboard();
    if (opened) CloseClipboard();
    for (const Block& block : blocks_)
        if (block.memory) GlobalFree(block.memory);
    blocks_.clear();
    return done;
}

void Win32ViewHost::dropClipboardBlocks() {
    for (const Block& block : blocks_) {
        GlobalUnlock(block.memory);
        GlobalFree(block.memory);
    }
    blocks_.clear();
}

bool Win32ViewHost::clipboardHas(ClipboardFormat format) {
    return IsClipboardFormatAvailable(formatId(format)) != FALSE;
}

bool Win32ViewHost::readClipboard(ClipboardFormat format, const void*& data, std::size_t& bytes) {
    if (!reading_) {
        if (!openClipboard()) return false;
        reading_ = true;
    }
    HANDLE memory = GetClipboardData(formatId(format));
    void* locked = memory ? GlobalLock(memory) : nullptr;
    if (!locked) return false;
    locked_.push_back(memory);
    data = locked;
    bytes = GlobalSize(memory);
    return true;
}

void Win32ViewHost::endClipboardRead() {
    for (HGLOBAL memory : locked_) GlobalUnlock(memory);
    locked_.clear();
    if (reading_) CloseClipboard();
    reading_ = false;
}

void copyTextToClipboard(HWND boxOwner, const std::wstring& text) {
    Win32ViewHost host(shell.hexView);
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    void* block = host.clipboardBlock(ClipboardFormat::text, bytes);
    if (block) std::memcpy(block, text.c_str(), bytes);
    if (block && host.putClipboard()) return;
    showMessageBox(boxOwner, L"Could not copy to the clipboard.\nAnother program may be using it; please try again.",
                   programCaption, MB_TASKMODAL | MB_ICONWARNING);
}

}  // namespace quillix
