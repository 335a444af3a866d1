// Every row width and grouping against a plain reference: the cells of a row, clicks (the
// gap between groups going to the nearer byte), the scroll range, the Right key's walk and
// a change of layout keeping the caret on its byte and nibble.

#include <gtest/gtest.h>

#include "caret_fixture.h"

namespace quillix::test {
namespace {

// A row as text: "00000000: " then the pairs, a blank after each group but the last, a
// blank, the characters. Per cell: the byte's column (0: none) and 'h', 'l', 'c' or ' '.
struct ReferenceRow {
    std::vector<int> column;
    std::string kind;
};
ReferenceRow referenceRow(int n, int group) {
    ReferenceRow row{std::vector<int>(10, 0), std::string(10, ' ')};
    for (int k = 1; k <= n; ++k) {
        row.column.insert(row.column.end(), {k, k});
        row.kind += "hl";
        if (k % group == 0 || k == n) row.column.push_back(0), row.kind += ' ';
    }
    for (int k = 1; k <= n; ++k) row.column.push_back(k), row.kind += 'c';
    return row;
}

class RowLayoutTest : public CaretViewFixture {};

TEST_F(RowLayoutTest, EveryWidthAndGroupingAgreesWithThePlainReference) {
    for (int n : {8, 16, 32, 64}) {
        for (int group : {1, 2, 4, 8}) {
            SCOPED_TRACE(testing::Message() << n << " bytes, groups of " << group);
            const RowLayout layout = makeRowLayout(n, group, 8);
            const ReferenceRow ref = referenceRow(n, group);
            ASSERT_EQ(layout.cells, static_cast<int>(ref.kind.size()));
            for (int cell = 0; cell < layout.cells; ++cell) {
                const char kind = ref.kind[static_cast<std::size_t>(cell)];
                EXPECT_EQ(layout.columnOf(cell), ref.column[static_cast<std::size_t>(cell)]) << cell;
                EXPECT_EQ(layout.isHigh(cell), kind == 'h') << cell;
                EXPECT_EQ(layout.isLow(cell), kind == 'l') << cell;
                EXPECT_EQ(layout.isChar(cell), kind == 'c') << cell;
                if (kind == 'h') EXPECT_EQ(layout.highCell(layout.columnOf(cell)), cell);
            }
            // The scroll range: the data rows, one blank row, less the rows shown.
            const std::int64_t size = 37 * n + 5;
            open(size, tenRowsHeight);
            changeRowLayout(hv, layout);
            EXPECT_EQ(view.scrollMax, size / n + 2 - rows(view));
            // A click on every pixel of row 1: the byte under it, or beside a gap the nearer
            // byte (default layout aside), its high nibble or its character.
            for (int x = 10 * testCharWidth + 1; x < layout.cells * testCharWidth; ++x) {
                const auto cell = static_cast<std::size_t>(x / testCharWidth);
                int column = ref.column[cell];
                const bool gap = column == 0 && ref.kind[cell - 1] == 'l' && ref.kind[cell + 1] == 'h';
                if (gap && !layout.isDefault()) column = ref.column[cell + (x % testCharWidth < 5 ? -1 : 1)];
                if (column == 0) continue;
                place(0, 10);
                ASSERT_TRUE(onLButtonDown(hv, static_cast<unsigned>(x), testLineHeight + 1)) << x;
                EXPECT_EQ(offsetOf(view), n + column - 1) << x;
                EXPECT_EQ(ref.kind[static_cast<std::size_t>(view.caretCell)],
                          ref.kind[cell] == 'c' ? 'c' : 'h')
                    << x;
            }
            // Sideways in a view 30 cells wide: Right keeps the caret's pair in sight, the view
            // moving only when it would leave it, and as far as it can; a click lands on the
            // byte under it; End and Home bring the caret back into sight.
            view.viewWidth = 30 * testCharWidth + 7;
            setHorizontalExtent(view, layout.cells);
            ASSERT_EQ(view.leftMax, std::max(layout.cells - 30, 0));
            place(0, 10);
            for (std::int64_t offset = 1; offset <= 2 * n; ++offset) {
                const std::int64_t before = view.leftCell;
                press(keyRight);
                const std::int64_t pair = view.caretCell;
                EXPECT_TRUE(pair >= view.leftCell && pair + 1 < view.leftCell + 30) << offset;
                const bool seen = pair >= before && pair + 1 < before + 30;
                EXPECT_EQ(view.leftCell, seen            ? before
                                         : pair < before ? 0
                                                         : std::min<std::int64_t>(pair, view.leftMax));
                EXPECT_EQ(host.caretX, (pair - view.leftCell) * testCharWidth);
                const std::int64_t row = view.caretRow;
                place(0, 10);
                ASSERT_TRUE(
                    onLButtonDown(hv, static_cast<unsigned>((pair + 1 - view.leftCell) * testCharWidth + 2),
                                  static_cast<unsigned>(row * testLineHeight + 1)));
                onLButtonUp(hv);
                EXPECT_EQ(offsetOf(view), offset) << offset;
            }
            view.leftCell = 0;
            press(keyEnd);
            EXPECT_TRUE(view.caretCell >= view.leftCell && view.caretCell + 1 < view.leftCell + 30);
            press(keyHome);
            EXPECT_EQ(view.leftCell, 0);
            view.viewWidth = 0;
            setHorizontalExtent(view, layout.cells);
            // Right walks every byte in order, over the rows and down the view.
            place(0, 10);
            for (std::int64_t offset = 1; offset <= 3 * n; ++offset) {
                press(keyRight);
                ASSERT_EQ(offsetOf(view), offset);
                EXPECT_EQ(ref.kind[static_cast<std::size_t>(view.caretCell)], 'h');
            }
            // To 16 bytes and back: the caret keeps its byte and its low nibble, in view.
            press(keyRight);
            type('4');
            const std::int64_t caretAt = offsetOf(view);
            for (const RowLayout& to : {defaultRowLayout, layout}) {
                changeRowLayout(hv, to);
                EXPECT_TRUE(offsetOf(view) == caretAt && to.isLow(view.caretCell));
                EXPECT_TRUE(view.caretRow >= 0 && view.caretRow < rows(view) &&
                            host.caretY == view.caretRow * testLineHeight);
            }
        }
    }
}

}  // namespace
}  // namespace quillix::test
