#pragma once
// A view host for native tests: it records what the core asked of the window system and
// answers message boxes from a queue.

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/view_host.h"

namespace quillix::test {

struct RecordedBox {
    BoxOwner owner;
    std::wstring text;
    std::wstring caption;
    unsigned style;
    bool clipboardHeld;  // the box came up between readClipboard and endClipboardRead
};

struct RecordedInvalidate {
    bool whole;
    PixelRect rect;
    bool erase;
};

class RecordingHost : public ViewHost {
public:
    void createCaret(int width, int height) override {
        caretExists = true;
        caretWidth = width;
        caretHeight = height;
    }
    void destroyCaret() override { caretExists = false; }
    void showCaret() override { ++caretShows; }
    void hideCaret() override { ++caretHides; }
    void setCaretPos(int x, int y) override {
        caretX = x;
        caretY = y;
        ++caretMoves;
    }
    void invalidate(const PixelRect* rect, bool erase) override {
        invalidates.push_back({rect == nullptr, rect ? *rect : PixelRect{}, erase});
    }
    void updateWindow() override { ++updates; }
    void setScrollRange(int max, int position) override {
        scrollMax = max;
        scrollPos = position;
        ++rangeSets;
    }
    void setScrollPosition(int position) override {
        scrollPos = position;
        ++positionSets;
    }
    int scrollTrackPosition() override { return trackPos; }
    void setStatusText(int part, const wchar_t* text) override {
        if (part >= 0 && part < 3) status[part] = text;
        if (part == statusPartActivity) activity.push_back(text);
        ++statusWrites;
    }
    int messageBox(BoxOwner owner, const wchar_t* text, const wchar_t* caption, unsigned style) override {
        boxes.push_back({owner, text, caption, style, clipboardReading});
        if (answers.empty()) return answerOk;
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void beep() override { ++beeps; }
    void setWaitCursor(bool on) override {
        waitCursorDepth += on ? 1 : -1;
        waitCursorShows += on;
    }
    std::uint32_t fileAttributes(const wchar_t*) override { return attributes; }
    // The clock advances by clockStep at every check-in; the check-in numbered stopAt
    // (from 1) reports Escape.
    Checkpoint checkpoint() override {
        ++checkpoints;
        Checkpoint now{clock, checkpoints == stopAt};
        clock += clockStep;
        return now;
    }

    void* clipboardBlock(ClipboardFormat format, std::size_t bytes) override {
        if (++blockRequests == refuseBlockAt) return nullptr;
        pendingBlocks.emplace_back(format, std::vector<std::uint8_t>(bytes));
        return pendingBlocks.back().second.data();
    }
    bool putClipboard() override {
        std::vector<std::pair<ClipboardFormat, std::vector<std::uint8_t>>> blocks;
        blocks.swap(pendingBlocks);
        if (clipboardBusy) return false;
        clipboard.clear();
        for (auto& [format, block] : blocks) clipboard[format] = std::move(block);
        ++clipboardPuts;
        return true;
    }
    void dropClipboardBlocks() override { pendingBlocks.clear(); }
    bool clipboardHas(ClipboardFormat format) override { return clipboard.count(format) != 0; }
    bool readClipboard(ClipboardFormat format, const void*& data, std::size_t& bytes) override {
        auto found = clipboard.find(format);
        if (clipboardBusy || found == clipboard.end()) return false;
        data = found->second.data();
        bytes = found->second.size();
        clipboardReading = true;
        return true;
    }
    void endClipboardRead() override { clipboardReading = false; }
    // Puts text on the clipboard as another program would: UTF-16 with its terminator.
    void putClipboardText(const std::u16string& text) {
        std::vector<std::uint8_t> block((text.size() + 1) * 2);
        for (std::size_t i = 0; i < text.size(); ++i) {
            block[2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
            block[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
        }
        clipboard.clear();
        clipboard[ClipboardFormat::text] = std::move(block);
    }
    // The clipboard's text, up to its terminator.
    std::u16string clipboardText() const {
        auto found = clipboard.find(ClipboardFormat::text);
        if (found == clipboard.end()) return u"(none)";
        std::u16string text;
        for (std::size_t i = 0; i + 1 < found->second.size(); i += 2) {
            const char16_t unit = static_cast<char16_t>(found->second[i] | found->second[i + 1] << 8);
            if (unit == 0) break;
            text += unit;
        }
        return text;
    }

    bool caretExists = false;
    int caretWidth = 0, caretHeight = 0;
    int caretShows = 0, caretHides = 0, caretMoves = 0;
    int caretX = -1, caretY = -1;
    std::vector<RecordedInvalidate> invalidates;
    int updates = 0;
    int scrollMax = -1, scrollPos = -1, rangeSets = 0, positionSets = 0;
    int trackPos = 0;
    std::wstring status[3];
    int statusWrites = 0;
    std::vector<RecordedBox> boxes;
    std::deque<int> answers;
    int beeps = 0;
    int waitCursorDepth = 0;
    int waitCursorShows = 0;
    std::uint32_t attributes = 0x80;     // FILE_ATTRIBUTE_NORMAL: writable
    std::vector<std::wstring> activity;  // every text put into status part 0, in order
    int checkpoints = 0;
    std::uint64_t clock = 0, clockStep = 0;
    int stopAt = 0;  // no check-in reports Escape
    std::map<ClipboardFormat, std::vector<std::uint8_t>> clipboard;
    std::vector<std::pair<ClipboardFormat, std::vector<std::uint8_t>>> pendingBlocks;
    int blockRequests = 0;
    int refuseBlockAt = 0;          // the block request numbered so (from 1) gets no memory
    bool clipboardBusy = false;     // another program holds the clipboard open
    bool clipboardReading = false;  // between readClipboard and endClipboardRead
    int clipboardPuts = 0;
};

}  // namespace quillix::test
