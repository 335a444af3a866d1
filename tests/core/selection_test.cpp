// The selection against a plain model over random keys, clicks, drags and scrolls, in
// documents of many sizes: the caret goes exactly where the rules without a selection
// put it (a second view fed the same messages without Shift), and the selection is what
// the model of anchor, end and clearing rules says.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "caret_fixture.h"
#include "hexview/selection.h"

namespace quillix::test {
namespace {

constexpr unsigned caretKeys[] = {keyBack, keyPageUp, keyPageDown, keyEnd, keyHome,
                                  keyLeft, keyUp,     keyRight,    keyDown};
constexpr unsigned otherKeys[] = {16, 17, 0x41, 0x72};  // Shift, Ctrl, A, F3

// What the selection should be, kept the plain way.
struct Model {
    bool selected = false;
    std::int64_t anchor = 0;
    std::int64_t end = 0;
    bool dragging = false;
    std::int64_t dragOrigin = 0;

    void extend(std::int64_t from, std::int64_t to) {
        if (!selected) anchor = from;
        selected = true;
        end = to;
    }
    // The selected bytes as first and one past the last, in a document of size bytes.
    bool range(std::int64_t size, std::int64_t& first, std::int64_t& last) const {
        if (!selected) return false;
        first = std::max<std::int64_t>(0, std::min(anchor, end));
        last = std::min(std::max(anchor, end), size - 1);
        return first <= last;
    }
};

class SelectionTest : public CaretViewFixture {
protected:
    // The reference: the same document in a second view that gets every message without
    // Shift and never drags.
    void openBoth(std::int64_t size, std::int64_t height) {
        view = ViewState{};
        open(size, height);
        plainDoc.fileBytes = bytes.data();
        plainDoc.fileSize = size;
        plainDoc.lineCount = lineCountFor(size);
        plainView = ViewState{};
        plainView.lineHeight = testLineHeight;
        plainView.charWidth = testCharWidth;
        plainView.clientHeight = height;
        onSize(plain);
        model = Model{};
    }
    void TearDown() override {
        plainDoc.fileBytes = nullptr;
        CaretViewFixture::TearDown();
    }

    // A click in the reference view; true when the click rules took it.
    bool plainClick(int x, int y) {
        const int moves = plainHost.caretMoves;
        onLButtonDown(plain, static_cast<unsigned>(x), static_cast<unsigned>(y));
        return plainHost.caretMoves != moves;
    }

    // Past the last byte a drag reaches it: as a click on the last byte in the area under
    // x (the blank cell between the areas keeps the caret's), where its row is in view.
    bool plainClickOnLastByte(int x) {
        const std::int64_t row = (plainDoc.fileSize - 1) / 16 - plainView.topLine;
        const std::int64_t k = (plainDoc.fileSize - 1) % 16;
        const std::int64_t cell = x / testCharWidth;
        const bool characters = cell >= 50 || (cell == 49 && plainView.caretCell >= 50);
        const std::int64_t target = characters ? 50 + k : 10 + 2 * k + k / 2;
        return row >= 0 && plainClick(static_cast<int>(target * testCharWidth + 1),
                                      static_cast<int>(row * testLineHeight + 1));
    }

    void expectSameCaret() {
        EXPECT_EQ(view.topLine, plainView.topLine);
        EXPECT_EQ(view.caretRow, plainView.caretRow);
        EXPECT_EQ(view.caretCell, plainView.caretCell);
        EXPECT_EQ(view.byteColumn, plainView.byteColumn);
    }

    void expectModelSelection() {
        std::int64_t first = 0, last = 0;
        ByteRange range;
        const bool expected = model.range(doc.fileSize, first, last);
        ASSERT_EQ(selectedRange(view, doc, range), expected);
        if (!expected) return;
        EXPECT_EQ(range.begin, first);
        EXPECT_EQ(range.end, last + 1);
        char text[64];
        std::snprintf(text, sizeof text, "Selection: %08llX-%08llX, %lld byte%s",
                      static_cast<unsigned long long>(first), static_cast<unsigned long long>(last),
                      static_cast<long long>(last - first + 1), last == first ? "" : "s");
        EXPECT_EQ(host.status[statusPartActivity], std::wstring(text, text + std::strlen(text)));
    }

    Document plainDoc;
    ViewState plainView;
    RecordingHost plainHost;
    HexView plain{plainDoc, plainView, plainHost};
    Model model;
};

TEST_F(SelectionTest, RandomKeysClicksAndDragsMoveTheCaretAsWithoutSelectingAndSelectAsTheModelSays) {
    std::mt19937 random(4711);
    for (std::int64_t size : {1, 15, 16, 17, 100, 200, 255, 256, 300, 1000}) {
        for (std::int64_t height : {2 * testLineHeight + 5, tenRowsHeight, 41 * testLineHeight}) {
            SCOPED_TRACE(testing::Message() << "size " << size << ", height " << height);
            openBoth(size, height);
            for (int step = 0; step < 400; ++step) {
                const int what = static_cast<int>(random() % 100);
                const int x = static_cast<int>(random() % (70 * testCharWidth)) - 20;
                const int y = static_cast<int>(random() % (height + 60)) - 30;
                const std::int64_t before = offsetOf(view);
                if (what < 45) {
                    const unsigned key = caretKeys[random() % std::size(caretKeys)];
                    const bool shift = random() % 2 == 0;
                    onKeyDown(hv, key, shift);
                    applyKeyRule(plain, key);
                    if (shift)
                        model.extend(before, offsetOf(view));
                    else
                        model.selected = false;
                } else if (what < 50) {
                    const unsigned key = otherKeys[random() % std::size(otherKeys)];
                    onKeyDown(hv, key, random() % 2 == 0);
                    applyKeyRule(plain, key);
                } else if (what < 65) {
                    const bool shift = random() % 3 == 0;
                    onLButtonDown(hv, static_cast<unsigned>(std::max(x, 0)),
                                  static_cast<unsigned>(std::max(y, 0)), shift);
                    if (plainClick(std::max(x, 0), std::max(y, 0))) {
                        if (shift) model.extend(before, offsetOf(view));
                        if (!shift) model.selected = false;
                        model.dragging = true;
                        model.dragOrigin = model.selected ? model.anchor : offsetOf(view);
                    }
                } else if (what < 85) {
                    onMouseMove(hv, x, y);
                    if (model.dragging) {
                        // Past an edge the view scrolls a row; beside the rows the pointer
                        // counts as on the nearest byte of its row.
                        int clampedY = y;
                        if (y < 0) {
                            onVScroll(plain, scrollLineUp);
                            clampedY = 0;
                        } else if (y >= height) {
                            onVScroll(plain, scrollLineDown);
                            clampedY = static_cast<int>(height - 1);
                        }
                        const int clampedX = std::clamp(x, 10 * static_cast<int>(testCharWidth) + 1,
                                                        66 * static_cast<int>(testCharWidth) - 1);
                        const bool moved = plainClick(clampedX, clampedY) || plainClickOnLastByte(clampedX);
                        if (moved && (model.selected || offsetOf(view) != model.dragOrigin)) {
                            model.selected = false;
                            model.extend(model.dragOrigin, offsetOf(view));
                        }
                    }
                } else if (what < 88) {
                    onLButtonUp(hv);
                    model.dragging = false;
                } else if (what < 98) {
                    const int request = static_cast<int>(random() % 9);
                    onVScroll(hv, request);
                    onVScroll(plain, request);
                } else {
                    selectAll(hv);
                    model.selected = true;
                    model.anchor = 0;
                    model.end = size - 1;
                }
                SCOPED_TRACE(testing::Message() << "step " << step << ", action " << what);
                expectSameCaret();
                expectModelSelection();
                if (HasFailure()) return;
            }
        }
    }
}

TEST_F(SelectionTest, SelectAllTakesTheWholeDocumentAndAnEditOrAnOpenDropsIt) {
    open(300);
    place(2, 20);
    const std::int64_t caret = offsetOf(view);
    selectAll(hv);
    ByteRange range;
    ASSERT_TRUE(selectedRange(view, doc, range));
    EXPECT_EQ(range, (ByteRange{0, 300}));
    EXPECT_EQ(offsetOf(view), caret);
    EXPECT_EQ(host.status[statusPartActivity], L"Selection: 00000000-0000012B, 300 bytes");
    type('7');
    EXPECT_FALSE(selectedRange(view, doc, range));
    EXPECT_EQ(host.status[statusPartActivity], L"Ready");

    selectAll(hv);
    showOpenedDocument(hv, true);
    EXPECT_FALSE(selectedRange(view, doc, range));
    EXPECT_EQ(host.status[statusPartActivity], L"Ready");
}

}  // namespace
}  // namespace quillix::test
