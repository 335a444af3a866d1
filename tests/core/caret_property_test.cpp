// Random keys, characters and scroll requests over documents of 1 to 300 bytes in views
// from minimized to 40 rows: whatever the sequence, the caret stays on a byte cell of a
// row at or after the start of the document, End lands on the last byte, and only bytes
// the caret stood on when a character was typed ever change.

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "caret_fixture.h"

namespace quillix::test {
namespace {

constexpr unsigned keys[] = {keyBack, keyPageUp, keyPageDown, keyEnd,  keyHome,
                             keyLeft, keyUp,     keyRight,    keyDown, 0x41};
// Digits, letters in and out of the hex range, a blank, Backspace, controls and
// characters beyond Latin-1.
constexpr unsigned characters[] = {'0', '7', '9', 'a', 'F', 'g', ' ', 8, 0x0D, 0x09, 0xE9, 0x20AC, 'z'};

class CaretProperty : public CaretViewFixture {
protected:
    // Checks what must hold after every message; returns false after the first failure.
    bool invariantsHold(const char* after) {
        SCOPED_TRACE(after);
        const std::int64_t cell = view.caretCell;
        EXPECT_TRUE(inHexHighCells(cell) || inHexLowCells(cell) || inCharCells(cell)) << cell;
        EXPECT_EQ(view.byteColumn, columnOfCell(cell));
        EXPECT_GE(view.caretRow, 0);
        EXPECT_GE(view.topLine, 0);
        EXPECT_LE(view.topLine, view.scrollMax);
        EXPECT_GE(offsetOf(view), 0);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] != original[i] && !typedOn.count(static_cast<std::int64_t>(i))) {
                ADD_FAILURE() << "byte " << i << " changed without being typed on";
                break;
            }
        }
        return !HasFailure();
    }

    std::set<std::int64_t> typedOn;  // offsets the caret stood on when a character came
};

TEST_F(CaretProperty, RandomSequencesKeepTheCaretOnTheDocument) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> action(0, 99);
    for (std::int64_t size = 1; size <= 300; ++size) {
        // Minimized (-20), no whole row, a few rows, and heights up to 40 rows.
        const std::int64_t heights[] = {-20, static_cast<std::int64_t>(random() % 18),
                                        static_cast<std::int64_t>(random() % (3 * testLineHeight)),
                                        static_cast<std::int64_t>(random() % (41 * testLineHeight))};
        for (std::int64_t height : heights) {
            SCOPED_TRACE(testing::Message() << "size " << size << ", height " << height);
            open(size, height);
            view.topLine = 0;
            view.caretRow = 0;
            view.caretCell = random() % 2 ? firstHexCell : firstCharCell;
            view.byteColumn = 1;
            typedOn.clear();
            for (int step = 0; step < 150; ++step) {
                const int what = action(random);
                if (what < 50) {
                    const unsigned key = keys[random() % std::size(keys)];
                    const bool charArea = inCharArea(view.caretCell);
                    press(key);
                    if (key == keyEnd) {
                        EXPECT_EQ(offsetOf(view), size - 1);
                        EXPECT_EQ(inCharArea(view.caretCell), charArea);
                    }
                    const std::wstring expected =
                        offsetOf(view) >= size ? std::wstring(L"EOF") : offsetText(offsetOf(view));
                    EXPECT_EQ(host.status[statusPartOffset], expected);
                } else if (what < 90) {
                    const std::int64_t offset = offsetOf(view);
                    if (offset >= 0 && offset < size) typedOn.insert(offset);
                    type(characters[random() % std::size(characters)]);
                } else {
                    onVScroll(hv, static_cast<int>(random() % 9));
                }
                if (!invariantsHold("a message")) return;
            }
            host.invalidates.clear();
            for (std::int64_t i = size; i < size + canaryBytes; ++i)
                ASSERT_EQ(bytes[static_cast<std::size_t>(i)], canaryValue);
        }
    }
}

}  // namespace
}  // namespace quillix::test
