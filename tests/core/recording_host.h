#pragma once
// A view host for native tests: it records what the core asked of the window system and
// answers message boxes from a queue.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "host/view_host.h"

namespace quillix::test {

struct RecordedBox {
    BoxOwner owner;
    std::wstring text;
    std::wstring caption;
    unsigned style;
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
        boxes.push_back({owner, text, caption, style});
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
};

}  // namespace quillix::test
