// Long searches and exports through the host's check-ins: the progress status part 0
// shows after 0.3 s, Escape that leaves everything as it was, and hits at the edges of
// the chunks a search is scanned in.

#include <cwchar>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "document/document.h"
#include "document/save/text_dump.h"
#include "hexview/hex_view.h"
#include "host/progress.h"
#include "recording_host.h"
#include "search/search.h"
#include "temp_files.h"

namespace quillix::test {
namespace {

using Texts = std::vector<std::wstring>;

// With this many milliseconds between check-ins, the third and fourth come at 300 and
// 450 ms: an operation of four chunks shows 50 % and 75 %.
constexpr std::uint64_t checkInStep = 150;

std::wstring percentText(const wchar_t* running, int percent) {
    return running + std::to_wstring(percent) + L" %";
}

// Where the view, the caret and the match are, and where the next search starts.
auto placeOf(const ViewState& view) {
    return std::make_tuple(view.topLine, view.caretRow, view.caretCell, view.byteColumn, view.searchPos,
                           view.matchStart, view.matchLength, view.matchVisible,
                           std::wstring(view.statusText));
}

class LongSearch : public ::testing::Test {
protected:
    LongSearch() {
        view.charWidth = 10;
        view.lineHeight = 20;
        view.clientHeight = 20 * 20;
    }
    // A document of zeros; bytes at the given offsets are 1.
    void load(std::int64_t size, const std::vector<std::int64_t>& ones = {}) {
        bytes.assign(static_cast<std::size_t>(size), 0);
        for (std::int64_t at : ones) bytes[static_cast<std::size_t>(at)] = 1;
        doc.fileBytes = bytes.data();
        doc.fileSize = size;
        doc.lineCount = lineCountFor(size);
        view.searchPos = -1;
        view.matchStart = -1;
    }
    // Looks for length bytes 1 in a row, in hex or as text.
    int search(bool hex, bool down, int length = 1) {
        DialogButtons buttons;
        (hex ? buttons.findHex : buttons.findAscii) = true;
        (down ? buttons.down : buttons.up) = true;
        std::wstring what;
        for (int k = 0; k < length; ++k) what += hex ? L"01" : L"\x01";
        std::wcscpy(state.findWhat, what.c_str());
        return hex ? searchHex(hv, state, buttons) : searchText(hv, state, buttons);
    }

    std::vector<std::uint8_t> bytes;
    Document doc;
    ViewState view;
    RecordingHost host;
    SearchState state;
    const HexView hv{doc, view, host};
};

TEST_F(LongSearch, ShowsItsPercentAfterAWhileAndReadyAtTheEnd) {
    load(4 * searchChunkBytes);  // four chunks of start positions for a one-byte pattern
    for (bool hex : {true, false}) {
        for (bool down : {true, false}) {
            host = RecordingHost{};
            host.clockStep = checkInStep;
            view.searchPos = down ? -1 : doc.fileSize;
            EXPECT_EQ(search(hex, down), 0) << hex << down;
            EXPECT_EQ(host.checkpoints, 4) << hex << down;
            EXPECT_EQ(host.activity, (Texts{percentText(L"Searching\u2026 ", 50),
                                            percentText(L"Searching\u2026 ", 75), L"Ready"}))
                << hex << down;
        }
    }
    // A search done before 0.3 s only puts "Ready" back.
    host = RecordingHost{};
    EXPECT_EQ(search(true, true), 0);
    EXPECT_EQ(host.activity, Texts{L"Ready"});
}

TEST_F(LongSearch, EscapeLeavesTheCaretTheMatchAndTheNextStartAsTheyWere) {
    // Two-byte hits near both ends; every search starts in the middle, so each needs a
    // second chunk; the match before is one byte long.
    const std::int64_t size = 3 * searchChunkBytes;
    load(size, {10, 11, size - 20, size - 19});
    for (bool hex : {true, false}) {
        for (bool down : {true, false}) {
            for (int stopAt : {1, 2}) {
                const std::string what = std::to_string(hex) + std::to_string(down) + std::to_string(stopAt);
                view.searchPos = view.matchStart = size / 2;
                view.matchLength = 1;
                view.matchVisible = 1;
                view.caretCell = 12;
                const auto before = placeOf(view);
                state.searchDirection = down ? -1 : 1;  // the last search went the other way
                host = RecordingHost{};
                host.stopAt = stopAt;
                EXPECT_EQ(search(hex, down, 2), 1) << what;
                EXPECT_TRUE(host.boxes.empty()) << what;
                EXPECT_EQ(host.caretMoves, 0) << what;
                EXPECT_EQ(placeOf(view), before) << what;
                EXPECT_EQ(state.searchDirection, down ? -1 : 1) << what;
                EXPECT_EQ(host.activity, Texts{L"Search stopped"}) << what;

                // Not stopped, the same search finds its hit and puts "Ready" back.
                host = RecordingHost{};
                EXPECT_EQ(search(hex, down, 2), 1) << what;
                EXPECT_EQ(view.searchPos, down ? size - 20 : 10) << what;
                EXPECT_EQ(host.activity, Texts{L"Ready"}) << what;
            }
        }
    }
}

TEST_F(LongSearch, AHitOnEitherSideOfAChunkEdgeIsFoundBothWays) {
    // A lone three-byte hit that starts from three positions before the first chunk edge
    // of the scan (the hit crossing it) to one after; the scan starts at one end.
    const std::int64_t size = 2 * searchChunkBytes + 5;
    for (std::int64_t delta = searchChunkBytes - 3; delta <= searchChunkBytes + 1; ++delta) {
        for (bool down : {true, false}) {
            const std::int64_t hit = down ? delta : size - 3 - delta;
            load(size, {hit, hit + 1, hit + 2});
            view.searchPos = down ? -1 : size;
            EXPECT_EQ(search(true, down, 3), 1) << delta << down;
            EXPECT_EQ(view.searchPos, hit) << delta << down;
        }
    }
}

// --- The export --------------------------------------------------------------------

class LongExport : public ::testing::Test {
protected:
    // Document bytes between two check-ins of the export.
    static constexpr std::int64_t bytesPerCheck = std::int64_t{dumpLinesPerWrite} * dumpWritesPerCheck * 16;

    TempFolder folder;
    RecordingHost host;
};

TEST_F(LongExport, ShowsItsPercentAndEscapeLeavesNoFileAndTheTargetWhole) {
    std::vector<std::uint8_t> bytes = patternBytes(4 * bytesPerCheck);
    Document doc;
    doc.fileBytes = bytes.data();
    doc.fileSize = static_cast<std::int64_t>(bytes.size());
    doc.lineCount = lineCountFor(doc.fileSize);
    const auto target = folder.file("dump.txt");
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};

    host.clockStep = checkInStep;
    ASSERT_EQ(exportTextDump(doc, host, widePath(target).c_str()), 1);
    EXPECT_EQ(host.checkpoints, 4);
    EXPECT_EQ(host.activity,
              (Texts{percentText(L"Exporting\u2026 ", 50), percentText(L"Exporting\u2026 ", 75), L"Ready"}));
    EXPECT_EQ(static_cast<std::int64_t>(std::filesystem::file_size(target)), textDumpSize(doc.fileSize));

    for (int stopAt : {1, 3}) {
        writeBytes(target, old);
        host = RecordingHost{};
        host.stopAt = stopAt;
        EXPECT_EQ(exportTextDump(doc, host, widePath(target).c_str()), exportStopped) << stopAt;
        EXPECT_EQ(readBytes(target), old) << stopAt;
        EXPECT_EQ(folder.names(), std::set<std::string>{"dump.txt"}) << stopAt;
        EXPECT_EQ(host.activity, Texts{L"Export stopped"}) << stopAt;
        EXPECT_EQ(host.beeps, 0) << stopAt;
        EXPECT_EQ(host.caretHides, host.caretShows) << stopAt;
        EXPECT_EQ(host.waitCursorDepth, 0) << stopAt;
    }
    // A stopped export of a new name leaves nothing at all.
    std::filesystem::remove(target);
    host = RecordingHost{};
    host.stopAt = 2;
    EXPECT_EQ(exportTextDump(doc, host, widePath(target).c_str()), exportStopped);
    EXPECT_TRUE(folder.names().empty());
}

}  // namespace
}  // namespace quillix::test
