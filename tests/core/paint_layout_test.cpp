// The paint layout against a plain painter that draws byte by byte, the way the view was
// first painted: every byte's hex text and character with its own colours, each byte
// checked against every counted log entry, later text drawing over earlier text. Both
// are rendered into a grid of cells and compared cell by cell.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cwchar>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "document/document.h"
#include "hexview/paint_layout.h"
#include "hexview/view_state.h"

namespace quillix::test {
namespace {

constexpr int charWidth = 10;
constexpr int lineHeight = 18;

struct Cell {
    bool drawn = false;
    wchar_t glyph = 0;
    std::uint32_t text = 0;
    std::uint32_t back = 0;
    friend bool operator==(const Cell&, const Cell&) = default;
};

using GridRow = std::array<Cell, rowCells>;
// View row -> its cells; rows nothing was drawn on are absent.
using Grid = std::map<std::int64_t, GridRow>;

// Opaque text output onto the grid, as TextOutW does onto the window.
void textOut(Grid& grid, std::int64_t cell, std::int64_t viewRow, const wchar_t* text,
             std::uint32_t textColour, std::uint32_t backColour) {
    for (std::size_t i = 0; text[i] != 0; ++i) {
        ASSERT_LT(cell + static_cast<std::int64_t>(i), rowCells) << "text runs off the row";
        grid[viewRow][static_cast<std::size_t>(cell) + i] = Cell{true, text[i], textColour, backColour};
    }
}

// What the painter is told beyond the document and the view: pasted offsets (red like
// logged edits), and the selection's colours with the red an edited byte keeps in it.
struct PaintExtras {
    std::set<std::int64_t> pasted;
    SelectionColours selection;
    std::uint32_t editedSelectedText = 0xA0A0FF;  // light red on the default blue
    // The file compared with: a byte that differs from its byte there, or that it lacks,
    // has the difference colour behind it, mixed with the highlight when selected.
    const std::vector<std::uint8_t>* compared = nullptr;
};

// The painter as it stood before the layout existed, with the selection and pasted bytes
// added the plain way: a selected byte's pair and character in the highlight colours, its
// blank too unless it is the selection's last byte.
Grid referencePaint(const Document& doc, const ViewState& view, const PixelRect& paint,
                    const PaintExtras& extras = {}) {
    std::int64_t selFirst = -1, selLast = -2;
    if (view.selectionAnchor >= 0) {
        selFirst = std::min(view.selectionAnchor, view.selectionEnd);
        selLast = std::min(std::max(view.selectionAnchor, view.selectionEnd), doc.fileSize - 1);
    }
    // Find All's hits: their own background, under the match and the selection.
    const std::uint32_t hitBack = makePalette(PaletteKind::light).hit.back;
    const auto inHit = [&view](std::int64_t pos) {
        for (std::size_t i = 0; view.hits && i < view.hits->count; ++i)
            if (view.hits->offsets[i] <= pos && pos < view.hits->offsets[i] + view.hits->length) return true;
        return false;
    };
    Grid grid;
    std::int64_t first = view.topLine + paint.top / view.lineHeight;
    if (first < 0) first = 0;
    std::int64_t end = view.topLine + paint.bottom / view.lineHeight + 1;
    if (end > doc.lineCount) end = doc.lineCount;
    if (doc.fileSize == 0 || first >= end) return grid;
    for (std::int64_t row = first; row < end && row * 16 < doc.fileSize; ++row) {
        std::int64_t y = row - view.topLine;
        wchar_t label[16];
        std::swprintf(label, 16, L"%08lX: ",
                      static_cast<unsigned long>(static_cast<std::uint32_t>(row * 16)));
        textOut(grid, 0, y, label, colourBlack, colourWhite);
        std::int64_t s = 0;
        for (int k = 0; k < 16; ++k) {
            std::int64_t pos = row * 16 + k;
            if (pos >= doc.fileSize) break;
            unsigned byte = doc.fileBytes[pos];
            wchar_t hex[8];
            bool noBlank = k == 15 || pos == view.matchStart + view.matchLength - 1;
            std::swprintf(hex, 8, noBlank ? L"%02X" : L"%02X ", byte);
            const bool differs = extras.compared && (pos >= std::ssize(*extras.compared) ||
                                                     (*extras.compared)[static_cast<std::size_t>(pos)] != byte);
            std::uint32_t text = colourBlack, back = differs ? colourDifference : colourWhite;
            if (doc.isModified == 1 && doc.changes.marked(pos)) text = colourRed;
            if (doc.isModified == 1 && extras.pasted.count(pos)) text = colourRed;
            const std::uint32_t plainText = text, plainBack = back;
            bool selected = false, hit = false;
            if (view.matchVisible == 1 && view.matchStart <= pos &&
                pos < view.matchStart + view.matchLength) {
                text = colourWhite;
                back = colourBlack;
            } else if (selFirst <= pos && pos <= selLast) {
                selected = true;
                const std::uint32_t highlight =
                    differs ? differenceOnHighlight(extras.selection.back) : extras.selection.back;
                const std::uint32_t red = differs ? editedOnHighlight(highlight) : extras.editedSelectedText;
                text = text == colourRed ? red : extras.selection.text;
                back = highlight;
            } else if (inHit(pos)) {
                hit = true;
                back = hitBack;
            }
            textOut(grid, s + 7 + 3, y, hex, text, back);
            if (((selected && pos == selLast) || (hit && !inHit(pos + 1))) && !noBlank)
                textOut(grid, s + 7 + 5, y, L" ", plainText, plainBack);
            s += k % 2 == 0 ? 2 : 3;
            wchar_t character[2] = {static_cast<wchar_t>(byte), 0};
            if (character[0] < 32 || character[0] > 126) character[0] = L'.';
            textOut(grid, 50 + k, y, character, text, back);
        }
    }
    return grid;
}

// Draws the runs in order and checks on the way that each is well formed, that no cell
// is drawn twice and that no two touching runs of a row could have been one.
Grid renderRuns(const PaintRuns& out) {
    Grid grid;
    std::map<std::int64_t, std::array<bool, rowCells>> covered;
    for (std::size_t r = 0; r < out.runs.size(); ++r) {
        const TextRun& run = out.runs[r];
        EXPECT_GT(run.length, 0u);
        EXPECT_GE(run.cell, 0);
        EXPECT_LE(run.cell + static_cast<std::int64_t>(run.length), rowCells);
        EXPECT_LE(run.start + static_cast<std::size_t>(run.length), out.text.size());
        if (run.length == 0 || run.cell < 0 || run.cell + static_cast<std::int64_t>(run.length) > rowCells ||
            run.start + static_cast<std::size_t>(run.length) > out.text.size())
            continue;
        for (std::uint32_t i = 0; i < run.length; ++i) {
            bool& seen = covered[run.viewRow][static_cast<std::size_t>(run.cell) + i];
            EXPECT_FALSE(seen) << "cell " << run.cell + i << " of view row " << run.viewRow << " drawn twice";
            seen = true;
            grid[run.viewRow][static_cast<std::size_t>(run.cell) + i] =
                Cell{true, out.text[run.start + i], run.textColour, run.backColour};
        }
        for (std::size_t o = 0; o < out.runs.size(); ++o) {
            const TextRun& other = out.runs[o];
            bool touches = other.viewRow == run.viewRow &&
                           other.cell == run.cell + static_cast<std::int32_t>(run.length);
            if (!touches) continue;
            EXPECT_FALSE(other.textColour == run.textColour && other.backColour == run.backColour)
                << "runs at cells " << run.cell << " and " << other.cell << " could be one";
        }
    }
    return grid;
}

std::string describe(const Grid& grid) {
    std::ostringstream text;
    for (const auto& [row, cells] : grid) {
        text << "row " << row << ": ";
        for (const Cell& c : cells) text << (c.drawn ? static_cast<char>(c.glyph) : '_');
        text << "\n        ";
        for (const Cell& c : cells)
            text << (!c.drawn ? ' ' : c.back == colourBlack ? 'I' : c.text == colourRed ? 'R' : 'n');
        text << "\n";
    }
    return text.str();
}

// A document over bytes held by the test, with a real edit log.
struct PaintFixture : ::testing::Test {
    void TearDown() override { releaseEditLog(doc); }

    void load(std::vector<std::uint8_t> content) {
        bytes = std::move(content);
        doc.fileBytes = bytes.empty() ? nullptr : bytes.data();
        doc.fileSize = static_cast<std::int64_t>(bytes.size());
        doc.lineCount = lineCountFor(doc.fileSize);
    }
    void loadCounting(std::size_t size) {
        std::vector<std::uint8_t> content(size);
        for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<std::uint8_t>(0x41 + i % 26);
        load(std::move(content));
    }
    void setView(std::int64_t viewRows) {
        view.charWidth = charWidth;
        view.lineHeight = lineHeight;
        view.clientHeight = viewRows * lineHeight + 7;  // a partly visible row below
    }
    PixelRect wholeView() const {
        return PixelRect{0, 0, rowCells * charWidth, static_cast<int>(view.clientHeight)};
    }
    void edit(EditKind kind, std::int64_t offset) {
        ASSERT_TRUE(reserveEdit(doc, kind));
        recordEdit(doc, kind, offset);
        if (offset < doc.fileSize) doc.changes.mark(offset, doc.fileBytes[offset], doc.fileBytes[offset]);
        doc.isModified = 1;
    }
    void showMatch(std::int64_t start, std::int64_t length) {
        view.matchStart = start;
        view.matchLength = length;
        view.matchVisible = 1;
    }
    Grid laidOut(const PixelRect& paint) {
        layoutPaint(doc, view, paint, runs, extras.selection, PaneComparison{compared.get()});
        return renderRuns(runs);
    }
    // Layout and plain painter must leave the same cells.
    void expectSameAsReference(const PixelRect& paint) {
        Grid expected = referencePaint(doc, view, paint, extras);
        Grid actual = laidOut(paint);
        EXPECT_EQ(actual, expected) << "expected\n" << describe(expected) << "got\n" << describe(actual);
    }

    void paste(std::int64_t begin, std::int64_t end) {
        for (std::int64_t pos = begin; pos < end; ++pos) doc.changes.mark(pos, doc.fileBytes[pos], doc.fileBytes[pos]);
        for (std::int64_t pos = begin; pos < end; ++pos) extras.pasted.insert(pos);
        doc.isModified = 1;
    }
    void select(std::int64_t anchor, std::int64_t end) {
        view.selectionAnchor = anchor;
        view.selectionEnd = end;
    }

    // A draw from 0 .. n - 1 (0 when n is not positive).
    std::int64_t below(std::int64_t n) {
        return n <= 0 ? 0 : static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(n));
    }
    // A random document of 1 to 300 bytes in a random view, with random edits (offsets
    // past the data now and then), log resets and a match.
    void randomDocument() {
        releaseEditLog(doc);
        doc.changes.clear();
        extras.pasted.clear();
        doc.isModified = 0;
        view = ViewState{};
        std::int64_t size = 1 + below(300);
        std::vector<std::uint8_t> content(static_cast<std::size_t>(size));
        for (auto& b : content) b = static_cast<std::uint8_t>(random());
        load(std::move(content));
        setView(below(41));
        view.clientHeight -= below(8);

        int editCount = static_cast<int>(below(60));
        for (int e = 0; e < editCount; ++e) {
            int choice = static_cast<int>(below(100));
            std::int64_t offset = below(size + 4);  // now and then an offset past the data
            if (choice < 3) {
                resetEditLog(doc);  // a save
                doc.changes.clear();
            }
            else if (choice < 40)
                edit(EditKind::highNibble, offset);
            else if (choice < 70)
                edit(EditKind::lowNibble, offset);
            else
                edit(EditKind::character, offset);
        }
        doc.isModified = below(4) == 0 ? 0 : 1;
        if (below(3) != 0) {
            view.matchStart = below(size + 2);
            view.matchLength = 1 + below(20);
            view.matchVisible = below(4) == 0 ? 0 : 1;
        }
        std::int64_t viewRows = rows(view);
        std::int64_t scrollMax = std::max<std::int64_t>(0, doc.lineCount - viewRows);
        view.topLine = below(scrollMax + 1);
    }
    // The whole view, or now and then a random band of it.
    PixelRect randomPaint() {
        if (below(2) != 0) return wholeView();
        int height = static_cast<int>(view.clientHeight) + 1;
        int a = static_cast<int>(below(height)), b = static_cast<int>(below(height));
        return PixelRect{0, std::min(a, b), rowCells * charWidth, std::max(a, b)};
    }

    std::vector<std::uint8_t> bytes;
    std::unique_ptr<Document> compared;  // the other file, while comparing
    std::vector<std::uint8_t> comparedBytes;
    Document doc;
    ViewState view;
    PaintRuns runs;
    PaintExtras extras;
    std::mt19937_64 random;
};

const Cell& at(const Grid& grid, std::int64_t row, int cell) {
    return grid.at(row)[static_cast<std::size_t>(cell)];
}

std::wstring glyphsOf(const Grid& grid, std::int64_t row, int from, int to) {
    std::wstring text;
    for (int cell = from; cell <= to; ++cell)
        text += at(grid, row, cell).drawn ? at(grid, row, cell).glyph : L'_';
    return text;
}

TEST_F(PaintFixture, SeventeenBytesShowOneFullRowAndOneByte) {
    loadCounting(17);
    bytes[16] = 0xAB;
    setView(10);
    Grid grid = laidOut(wholeView());
    ASSERT_EQ(grid.size(), 2u);  // nothing on row 2 or below
    EXPECT_EQ(glyphsOf(grid, 0, 0, 65),
              L"00000000: 4142 4344 4546 4748 494A 4B4C 4D4E 4F50_ABCDEFGHIJKLMNOP");
    // The lone byte's trailing blank has no next byte to draw over it.
    EXPECT_EQ(glyphsOf(grid, 1, 0, 13), L"00000010: AB _");
    EXPECT_EQ(glyphsOf(grid, 1, 50, 51), L"._");
    for (int cell = 13; cell < rowCells; ++cell) {
        if (cell == 50) continue;
        EXPECT_FALSE(at(grid, 1, cell).drawn) << cell;
    }
    for (int cell : {0, 10, 48, 50, 65}) {
        EXPECT_EQ(at(grid, 0, cell).text, colourBlack);
        EXPECT_EQ(at(grid, 0, cell).back, colourWhite);
    }
    // A plain full row is one run up to the last hex digit and one over the characters.
    ASSERT_EQ(runs.runs.size(), 2u + 2u);
    EXPECT_EQ(runs.runs[0].cell, 0);
    EXPECT_EQ(runs.runs[0].length, 49u);
    EXPECT_EQ(runs.runs[1].cell, 50);
    EXPECT_EQ(runs.runs[1].length, 16u);
    EXPECT_EQ(runs.runs[2].viewRow, 1);
    expectSameAsReference(wholeView());
}

TEST_F(PaintFixture, MatchEndingARowIsOneBandWithoutTheCellAfterIt) {
    loadCounting(40);
    setView(5);
    showMatch(0x0D, 3);
    Grid grid = laidOut(wholeView());
    for (int cell = 42; cell <= 48; ++cell) {
        EXPECT_TRUE(at(grid, 0, cell).drawn) << cell;
        EXPECT_EQ(at(grid, 0, cell).back, colourBlack) << cell;
        EXPECT_EQ(at(grid, 0, cell).text, colourWhite) << cell;
    }
    EXPECT_EQ(at(grid, 0, 44).glyph, L' ');  // the gap cell inside the match
    EXPECT_FALSE(at(grid, 0, 49).drawn);
    EXPECT_EQ(at(grid, 0, 41).back, colourWhite);  // byte 0x0C is not in the match
    for (int cell = 50; cell <= 65; ++cell)
        EXPECT_EQ(at(grid, 0, cell).back, cell >= 63 ? colourBlack : colourWhite) << cell;
    bool bandIsOneRun = false;
    for (const TextRun& run : runs.runs)
        if (run.viewRow == 0 && run.cell == 42 && run.length == 7 && run.backColour == colourBlack)
            bandIsOneRun = true;
    EXPECT_TRUE(bandIsOneRun);
    expectSameAsReference(wholeView());
}

TEST_F(PaintFixture, TwoByteMatchLeavesItsGapCellPlain) {
    loadCounting(40);
    setView(5);
    showMatch(0x10, 2);
    Grid grid = laidOut(wholeView());
    for (int cell = 10; cell <= 13; ++cell) EXPECT_EQ(at(grid, 1, cell).back, colourBlack) << cell;
    // Drawn without its blank, the last byte leaves the gap to nobody.
    EXPECT_FALSE(at(grid, 1, 14).drawn);
    EXPECT_EQ(at(grid, 1, 15).back, colourWhite);
    EXPECT_EQ(at(grid, 1, 50).back, colourBlack);
    EXPECT_EQ(at(grid, 1, 51).back, colourBlack);
    EXPECT_EQ(at(grid, 1, 52).back, colourWhite);
    expectSameAsReference(wholeView());
}

TEST_F(PaintFixture, AHiddenMatchStillDropsTheBlankAfterItsLastByte) {
    loadCounting(40);
    setView(5);
    view.matchStart = 0x10;
    view.matchLength = 2;
    view.matchVisible = 0;
    Grid grid = laidOut(wholeView());
    EXPECT_FALSE(at(grid, 1, 14).drawn);
    EXPECT_EQ(at(grid, 1, 10).back, colourWhite);
    expectSameAsReference(wholeView());
}

TEST_F(PaintFixture, EditsAreRedWhileModifiedAndTheMatchWinsOverThem) {
    loadCounting(48);
    setView(4);
    edit(EditKind::highNibble, 3);
    edit(EditKind::lowNibble, 3);
    edit(EditKind::character, 0x14);
    edit(EditKind::character, 0x21);
    showMatch(0x13, 3);
    Grid grid = laidOut(wholeView());
    EXPECT_EQ(at(grid, 0, 17).text, colourRed);  // byte 3's digits
    EXPECT_EQ(at(grid, 0, 18).text, colourRed);
    EXPECT_EQ(at(grid, 0, 19).text, colourRed);  // its blank fills the gap cell
    EXPECT_EQ(at(grid, 0, 53).text, colourRed);
    EXPECT_EQ(at(grid, 0, 16).text, colourBlack);
    EXPECT_EQ(at(grid, 1, 20).back, colourBlack);  // 0x14: edited, inside the match
    EXPECT_EQ(at(grid, 1, 20).text, colourWhite);
    EXPECT_EQ(at(grid, 1, 54).text, colourWhite);
    EXPECT_EQ(at(grid, 2, 12).text, colourRed);  // 0x21
    expectSameAsReference(wholeView());

    // A save clears the flag but leaves the entries: nothing is red any more.
    doc.isModified = 0;
    grid = laidOut(wholeView());
    for (const auto& [row, cells] : grid)
        for (const Cell& cell : cells) EXPECT_NE(cell.text, colourRed);
    expectSameAsReference(wholeView());

    // After a save no old edit counts, even once the document is modified again.
    resetEditLog(doc);
    doc.changes.clear();
    doc.isModified = 1;
    grid = laidOut(wholeView());
    EXPECT_EQ(at(grid, 0, 17).text, colourBlack);
    EXPECT_EQ(at(grid, 2, 12).text, colourBlack);
    expectSameAsReference(wholeView());
}

TEST_F(PaintFixture, CharacterAreaShowsOnlyPrintableAscii) {
    load({0x00, 0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xFF, 0x41, 0x30, 0x9F, 0xA0});
    setView(3);
    Grid grid = laidOut(wholeView());
    EXPECT_EQ(glyphsOf(grid, 0, 50, 61), L".. ~...A0.._");
    EXPECT_EQ(glyphsOf(grid, 0, 10, 43), L"001F 207E 7F80 FF41 309F A0 ______");
    expectSameAsReference(wholeView());
}

TEST_F(PaintFixture, EmptyDocumentPaintsNothing) {
    load({});
    setView(10);
    layoutPaint(doc, view, wholeView(), runs);
    EXPECT_TRUE(runs.runs.empty());
    EXPECT_TRUE(runs.text.empty());

    // Runs left from an earlier paint go too.
    loadCounting(5);
    layoutPaint(doc, view, wholeView(), runs);
    EXPECT_FALSE(runs.runs.empty());
    load({});
    layoutPaint(doc, view, wholeView(), runs);
    EXPECT_TRUE(runs.runs.empty());
    EXPECT_TRUE(runs.text.empty());
}

TEST_F(PaintFixture, OnlyRowsTheRectangleTouchesArePainted) {
    loadCounting(16 * 30);
    setView(10);
    view.topLine = 5;
    constexpr std::int64_t none = -1;
    struct Case {
        PixelRect rect;
        std::int64_t firstViewRow, lastViewRow;
    } cases[] = {
        {{0, 0, 660, 18}, 0, 1},  // a bottom on a row edge still takes the row below it
        {{0, 18, 660, 19}, 1, 1}, {{0, 17, 660, 17}, 0, 0},  // an empty rectangle still names its row
        {{0, 40, 660, 80}, 2, 4}, {{300, 100, 310, 110}, 5, 6}, {{0, 200, 660, 150}, none, none},
    };
    for (const Case& c : cases) {
        Grid grid = laidOut(c.rect);
        if (c.firstViewRow == none) {
            EXPECT_TRUE(grid.empty());
            continue;
        }
        ASSERT_FALSE(grid.empty());
        EXPECT_EQ(grid.begin()->first, c.firstViewRow) << c.rect.top;
        EXPECT_EQ(grid.rbegin()->first, c.lastViewRow) << c.rect.bottom;
        EXPECT_EQ(grid.size(), static_cast<std::size_t>(c.lastViewRow - c.firstViewRow + 1));
        wchar_t label[16];
        std::swprintf(label, 16, L"%08X: ", static_cast<unsigned>((view.topLine + c.firstViewRow) * 16));
        EXPECT_EQ(glyphsOf(grid, c.firstViewRow, 0, 9), label);
        expectSameAsReference(c.rect);
    }
    // Near the end, rows without bytes and rows at or past lineCount are left alone.
    view.topLine = 25;
    Grid grid = laidOut(wholeView());
    ASSERT_FALSE(grid.empty());
    EXPECT_EQ(grid.rbegin()->first, 4);
    EXPECT_EQ(glyphsOf(grid, 4, 0, 9), L"000001D0: ");
    expectSameAsReference(wholeView());
}

TEST_F(PaintFixture, LabelsKeepThirtyTwoBitsNearFourGigabytes) {
    // Only the painted rows are read, so a small buffer stands in for the tail of a
    // 4 GiB file placed so that its last row lands on view row 1.
    std::vector<std::uint8_t> tail(48, 0x5A);
    doc.fileSize = maxDocumentSize;
    doc.lineCount = lineCountFor(doc.fileSize);
    view.topLine = maxDocumentSize / 16 - 2;
    doc.fileBytes = tail.data() - (view.topLine * 16);
    setView(3);
    Grid grid = laidOut(wholeView());
    EXPECT_EQ(glyphsOf(grid, 0, 0, 9), L"FFFFFFE0: ");
    EXPECT_EQ(glyphsOf(grid, 1, 0, 9), L"FFFFFFF0: ");
    EXPECT_EQ(grid.size(), 2u);
    doc.fileBytes = nullptr;
}

TEST_F(PaintFixture, AgreesWithThePlainPainterOnRandomDocuments) {
    random.seed(20240611);
    for (int trial = 0; trial < 3000; ++trial) {
        randomDocument();
        const std::int64_t size = doc.fileSize;
        const PixelRect paint = randomPaint();
        SCOPED_TRACE(::testing::Message() << "trial " << trial << " size " << size << " top " << view.topLine
                                          << " rect " << paint.top << ".." << paint.bottom);
        expectSameAsReference(paint);
        if (HasFailure()) return;
    }
}

TEST_F(PaintFixture, SelectionsAndPastedBytesAgreeWithThePlainPainterOnRandomDocuments) {
    random.seed(77);
    for (int trial = 0; trial < 3000; ++trial) {
        randomDocument();
        const std::int64_t size = doc.fileSize;
        for (std::int64_t pastes = below(4); pastes > 0; --pastes) {
            const std::int64_t begin = below(size);
            paste(begin, begin + 1 + below(size - begin));
        }
        if (below(5) != 0) select(below(size + 3), below(size + 3));  // ends past the data too
        // The default dark highlight, or a light one, on which edited bytes keep full red.
        const bool light = trial % 2 != 0;
        extras.selection = light ? SelectionColours{colourBlack, 0x00FFFF} : SelectionColours{};
        extras.editedSelectedText = light ? colourRed : 0xA0A0FF;
        // Compared now and then with a file of a few changed bytes, shorter, longer or empty;
        // its own pane is painted as its bytes compared with the document, with no match,
        // selection or edit.
        compared.reset();
        extras.compared = nullptr;
        if (trial % 3 == 0) {
            comparedBytes = bytes;
            comparedBytes.resize(static_cast<std::size_t>(below(size + 40)), 0x5A);
            for (auto& b : comparedBytes) b = below(6) == 0 ? static_cast<std::uint8_t>(b ^ 1) : b;
            compared = std::make_unique<Document>();
            compared->fileBytes = comparedBytes.empty() ? nullptr : comparedBytes.data();
            compared->fileSize = std::ssize(comparedBytes);
            compared->lineCount = lineCountFor(compared->fileSize);
            extras.compared = &comparedBytes;
        }
        // Find All's hits now and then: increasing, overlapping or not, some past the data.
        std::vector<std::int64_t> hitOffsets;
        for (std::int64_t n = trial % 4 == 1 ? below(12) : 0; n > 0; --n)
            hitOffsets.push_back(below(size + 2));
        std::sort(hitOffsets.begin(), hitOffsets.end());
        const HitList hits{hitOffsets.data(), hitOffsets.size(), 1 + below(20)};
        view.hits = hitOffsets.empty() ? nullptr : &hits;
        const PixelRect paint = randomPaint();
        SCOPED_TRACE(::testing::Message() << "trial " << trial << " size " << size << " selection "
                                          << view.selectionAnchor << ".." << view.selectionEnd);
        expectSameAsReference(paint);
        if (HasFailure() || !compared) continue;
        ViewState paneView = view;
        paneView.matchStart = paneView.matchLength = paneView.matchVisible = 0;
        paneView.selectionAnchor = paneView.selectionEnd = -1;
        paneView.hits = nullptr;
        PaintExtras paneExtras;
        paneExtras.compared = &bytes;
        const Grid expected = referencePaint(*compared, paneView, paint, paneExtras);
        layoutPaint(*compared, view, paint, runs, extras.selection, PaneComparison{&doc, true});
        EXPECT_EQ(renderRuns(runs), expected) << "the other file's pane";
        if (HasFailure()) return;
    }
}

}  // namespace
}  // namespace quillix::test
