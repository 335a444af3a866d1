// A document whose file was cut shorter after it was opened: what painting, the searches,
// the export, saving and typing do when they meet the pages that can no longer be read.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "cut_file.h"
#include "document/checked_view.h"
#include "document/document.h"
#include "document/text_dump.h"
#include "hexview/hex_view.h"
#include "hexview/paint_layout.h"
#include "recording_host.h"
#include "search/search.h"
#include "temp_files.h"

namespace quillix::test {
namespace {

constexpr std::int64_t page = viewPageBytes;
constexpr std::int64_t size = 16 * page;
constexpr std::int64_t cut = 3 * page;  // the first byte that cannot be read
constexpr std::int64_t editedOffset = 100;
constexpr std::uint8_t editedValue = 0xED;

SystemError expectedReadError() {
#ifdef _WIN32
    return 30;  // ERROR_READ_FAULT: Wine raises an access violation for a page past the end
#else
    return EIO;
#endif
}

struct Cell {
    wchar_t glyph = 0;
    std::uint32_t text = 0;
    std::uint32_t back = 0;
    friend bool operator==(const Cell&, const Cell&) = default;
};
using Row = std::array<Cell, rowCells>;

std::map<std::int64_t, Row> cellsOf(const PaintRuns& runs) {
    std::map<std::int64_t, Row> rows;
    for (const TextRun& run : runs.runs)
        for (std::uint32_t i = 0; i < run.length; ++i)
            rows[run.viewRow][static_cast<std::size_t>(run.cell + i)] =
                Cell{runs.text[run.start + i], run.textColour, run.backColour};
    return rows;
}

class UnreadableFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.charWidth = 10;
        view.lineHeight = 18;
        view.clientHeight = 40 * 18 + 7;
        path = folder.file("cut.bin");
        original = patternBytes(static_cast<std::size_t>(size), 3);
        writeBytes(path, original);
        SystemError cause = 0;
        ASSERT_EQ(openDocument(doc, view, host, widePath(path).c_str(), cause), 1);
        std::wcscpy(doc.filePath, widePath(path).c_str());
        std::wcscpy(doc.fileTitle, L"cut.bin");
        resetEditLog(doc);
        ASSERT_TRUE(reserveEdit(doc, EditKind::character));
        ASSERT_TRUE(storeByte(doc, editedOffset, editedValue));
        recordEdit(doc, EditKind::character, editedOffset);
        doc.isModified = 1;
        expected = original;
        expected[editedOffset] = editedValue;
    }
    void TearDown() override {
        closeDocumentView(doc);
        releaseEditLog(doc);
    }
    void cutFile() { ASSERT_TRUE(cutFileShort(path, cut)); }

    std::wstring unreadableBox() const {
        return L"Could not read cut.bin\n" + systemErrorText(expectedReadError());
    }
    void expectOneUnreadableBox(BoxOwner owner) {
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].text, unreadableBox());
        EXPECT_EQ(host.boxes[0].caption, L"Quillix-64bit");
        EXPECT_EQ(host.boxes[0].style, 0x2030u);
        EXPECT_EQ(host.boxes[0].owner, owner);
    }
    // The bytes a save into another file must leave: what could be read, zeros after.
    std::vector<std::uint8_t> salvaged() const {
        std::vector<std::uint8_t> bytes(expected.begin(), expected.begin() + cut);
        bytes.resize(static_cast<std::size_t>(size), 0);
        return bytes;
    }

    TempFolder folder;
    std::filesystem::path path;
    std::vector<std::uint8_t> original, expected;
    Document doc;
    ViewState view;
    RecordingHost host;
    HexView hv{doc, view, host};
    SearchState search;
};

TEST_F(UnreadableFileTest, PaintingShowsQuestionMarksAndBlanksForRowsThatCannotBeRead) {
    view.topLine = cut / 16 - 8;
    view.matchStart = cut - 2;  // a match across the boundary keeps its colours
    view.matchLength = 4;
    view.matchVisible = 1;
    const PixelRect whole{0, 0, 660, static_cast<int>(view.clientHeight)};
    PaintRuns before, after;
    layoutPaint(doc, view, whole, before);
    EXPECT_EQ(before.unreadableRows, 0);
    cutFile();
    layoutPaint(doc, view, whole, after);

    const auto was = cellsOf(before), now = cellsOf(after);
    ASSERT_EQ(now.size(), was.size());
    std::int64_t unreadableRows = 0;
    for (const auto& [viewRow, row] : was) {
        SCOPED_TRACE(viewRow);
        const Row& shown = now.at(viewRow);
        if ((view.topLine + viewRow) * 16 < cut) {
            EXPECT_EQ(shown, row);
            continue;
        }
        ++unreadableRows;
        for (int c = 0; c < rowCells; ++c) {
            Cell wanted = row[static_cast<std::size_t>(c)];
            if (inHexHighCells(c) || inHexLowCells(c)) wanted.glyph = L'?';
            if (inCharCells(c)) wanted.glyph = L' ';
            EXPECT_EQ(shown[static_cast<std::size_t>(c)], wanted) << "cell " << c;
        }
    }
    EXPECT_EQ(unreadableRows, 33);
    EXPECT_EQ(after.unreadableRows, unreadableRows);
    EXPECT_EQ(after.unreadableError, expectedReadError());

    // Rows above the cut alone: nothing to report.
    view.topLine = 0;
    layoutPaint(doc, view, whole, after);
    EXPECT_EQ(after.unreadableRows, 0);
}

TEST_F(UnreadableFileTest, ASearchThatMeetsThePageStopsWithABoxAndMovesNothing) {
    cutFile();
    // A hit before the cut is found as ever.
    std::swprintf(search.findWhat, searchTextUnits, L"%02X%02X", expected[editedOffset],
                  expected[editedOffset + 1]);
    DialogButtons down;
    down.findHex = down.down = true;
    ASSERT_EQ(searchHex(hv, search, down), 1);
    EXPECT_EQ(view.searchPos, editedOffset);
    EXPECT_TRUE(host.boxes.empty());

    const ViewState placed = view;
    const auto unchanged = [&] {
        EXPECT_EQ(view.searchPos, placed.searchPos);
        EXPECT_EQ(view.matchStart, placed.matchStart);
        EXPECT_EQ(view.matchLength, placed.matchLength);
        EXPECT_EQ(view.topLine, placed.topLine);
        EXPECT_EQ(view.caretCell, placed.caretCell);
        EXPECT_EQ(host.status[statusPartActivity], L"Ready");
    };
    // Bytes that are nowhere: the scan runs into the cut.
    std::wcscpy(search.findWhat, L"FFFEFD");
    EXPECT_EQ(searchHex(hv, search, down), 1);
    expectOneUnreadableBox(BoxOwner::frame);
    unchanged();

    host.boxes.clear();
    DialogButtons text;
    text.findAscii = text.down = true;
    std::wcscpy(search.findWhat, L"no such words");
    EXPECT_EQ(searchText(hv, search, text), 1);
    expectOneUnreadableBox(BoxOwner::frame);
    unchanged();

    // Up from past the cut meets it at once.
    host.boxes.clear();
    view.searchPos = size - 1;
    DialogButtons up;
    up.findHex = up.up = true;
    std::wcscpy(search.findWhat, L"00");
    EXPECT_EQ(searchHex(hv, search, up), 1);
    expectOneUnreadableBox(BoxOwner::frame);
    EXPECT_EQ(view.searchPos, size - 1);
}

TEST_F(UnreadableFileTest, AnExportThatMeetsThePageLeavesNoFileAndAnExistingOneWhole) {
    cutFile();
    const int shows = host.caretShows, hides = host.caretHides;
    const auto fresh = folder.file("fresh.txt");
    SystemError cause = 0;
    EXPECT_EQ(exportTextDump(doc, host, widePath(fresh).c_str(), systemFileSystem(), &cause),
              exportUnreadable);
    EXPECT_EQ(cause, expectedReadError());
    EXPECT_FALSE(std::filesystem::exists(fresh));

    const auto existing = folder.file("old.txt");
    writeBytes(existing, {'o', 'l', 'd'});
    EXPECT_EQ(exportTextDump(doc, host, widePath(existing).c_str(), systemFileSystem(), &cause),
              exportUnreadable);
    EXPECT_EQ(readBytes(existing), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(folder.names(), (std::set<std::string>{"cut.bin", "old.txt"}));
    EXPECT_EQ(host.caretHides - hides, 2);
    EXPECT_EQ(host.caretShows - shows, 2);
    EXPECT_EQ(host.beeps, 0);
    EXPECT_TRUE(host.boxes.empty());  // the caller reports it
}

TEST_F(UnreadableFileTest, SavingInPlaceStopsAtThePageAndKeepsTheChanges) {
    cutFile();
    host.answers.push_back(answerYes);  // the file was changed by another program: save anyway
    SaveOutcome outcome;
    EXPECT_EQ(saveDocument(doc, host, &outcome, systemFileSystem(), 2 * page), 0);
    EXPECT_EQ(outcome.failure, SaveFailure::unreadable);
    EXPECT_EQ(outcome.cause, expectedReadError());
    ASSERT_EQ(host.boxes.size(), 1u);  // the question only: the caller says what went wrong
    EXPECT_NE(host.boxes[0].text.find(L"was changed by another program"), std::wstring::npos);
    EXPECT_FALSE(doc.changes.empty());
    // What was written is the document's; the file never loses bytes it had.
    const std::vector<std::uint8_t> onDisk = readBytes(path);
    ASSERT_GE(onDisk.size(), static_cast<std::size_t>(cut));
    EXPECT_TRUE(std::equal(onDisk.begin(), onDisk.end(), expected.begin()));
}

TEST_F(UnreadableFileTest, SavingIntoAnotherFileWritesZerosForWhatCannotBeReadAndNamesIt) {
    cutFile();
    const auto copy = folder.file("copy.bin");
    std::wcscpy(doc.filePath, widePath(copy).c_str());
    for (std::uint32_t chunk : {std::uint32_t{5000}, std::uint32_t{1} << 30}) {
        SCOPED_TRACE(chunk);
        std::filesystem::remove(copy);
        ASSERT_TRUE(storeByte(doc, editedOffset, editedValue));  // something to save each time
        SaveOutcome outcome;
        EXPECT_EQ(saveDocument(doc, host, &outcome, systemFileSystem(), chunk), 1);
        EXPECT_EQ(outcome.way, SaveWay::wholeBeside);
        EXPECT_EQ(outcome.unreadable, (std::vector<ByteRange>{{cut, size}}));
        EXPECT_EQ(outcome.cause, expectedReadError());
        EXPECT_EQ(readBytes(copy), salvaged());
        EXPECT_TRUE(doc.changes.empty());
        EXPECT_TRUE(host.boxes.empty());
    }
    EXPECT_EQ(folder.names(), (std::set<std::string>{"cut.bin", "copy.bin"}));
}

TEST_F(UnreadableFileTest, TypingOverAByteThatCannotBeReadChangesNothing) {
    cutFile();
    view.topLine = cut / 16;
    view.caretRow = 0;
    for (std::int64_t cell : {std::int64_t{10}, std::int64_t{11}, std::int64_t{50}}) {
        SCOPED_TRACE(cell);
        host.boxes.clear();
        view.caretCell = cell;
        view.byteColumn = columnOfCell(cell);
        const std::int64_t count = doc.editCount;
        const std::size_t invalidates = host.invalidates.size();
        EXPECT_TRUE(onChar(hv, L'5'));
        expectOneUnreadableBox(BoxOwner::hexView);
        EXPECT_EQ(doc.editCount, count);
        EXPECT_EQ(host.invalidates.size(), invalidates);
        EXPECT_EQ(view.caretCell, cell);
        EXPECT_FALSE(doc.changes.marked(cut));
    }
    // A character that is no digit is refused with the beep, as on any byte.
    host.boxes.clear();
    view.caretCell = 10;
    const int beeps = host.beeps;
    EXPECT_TRUE(onChar(hv, L'z'));
    EXPECT_EQ(host.beeps, beeps + 1);
    EXPECT_TRUE(host.boxes.empty());

    // A byte before the cut takes the digit as ever.
    host.boxes.clear();
    view.topLine = 0;
    view.caretCell = 10;
    view.byteColumn = 1;
    EXPECT_TRUE(onChar(hv, L'7'));
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(doc.fileBytes[0], (0x70 | (expected[0] & 0x0F)));
}

}  // namespace
}  // namespace quillix::test
