// Find and go-to: where hex and text searches land and where they leave the next search,
// the go-to range, and how a hit is brought into view.

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "document/document.h"
#include "hexview/hex_view.h"
#include "recording_host.h"
#include "search/search.h"
#include "temp_files.h"

namespace quillix::test {
namespace {

enum class Direction { down, up };

constexpr int cellWidth = 10;
constexpr int rowHeight = 20;
constexpr int viewRows = 20;

class SearchTest : public ::testing::Test {
protected:
    SearchTest() {
        view.charWidth = cellWidth;
        view.lineHeight = rowHeight;
        view.clientHeight = viewRows * rowHeight;
    }

    // The state right after a document of these bytes was opened.
    void load(std::vector<std::uint8_t> content) {
        bytes = std::move(content);
        doc.fileBytes = bytes.empty() ? nullptr : bytes.data();
        doc.fileSize = static_cast<std::int64_t>(bytes.size());
        doc.lineCount = lineCountFor(doc.fileSize);
        view.searchPos = -1;
        view.matchStart = -1;
        view.matchLength = 0;
        view.matchVisible = 0;
    }

    static void put(wchar_t (&buffer)[searchTextUnits], const std::wstring& text) {
        ASSERT_LT(text.size(), static_cast<std::size_t>(searchTextUnits));
        std::wmemset(buffer, L'#', searchTextUnits);  // anything after the terminator must not count
        std::wmemcpy(buffer, text.c_str(), text.size() + 1);
    }

    int hex(const std::wstring& digits, Direction direction = Direction::down) {
        put(state.findWhat, digits);
        DialogButtons buttons;
        buttons.findHex = true;
        (direction == Direction::down ? buttons.down : buttons.up) = true;
        return searchHex(hv, state, buttons);
    }

    int text(const std::wstring& what, Direction direction = Direction::down, bool matchCase = false) {
        put(state.findWhat, what);
        DialogButtons buttons;
        buttons.findAscii = true;
        buttons.matchCase = matchCase;
        (direction == Direction::down ? buttons.down : buttons.up) = true;
        return searchText(hv, state, buttons);
    }

    int goHex(const std::wstring& offset) {
        put(state.gotoWhat, offset);
        DialogButtons buttons;
        buttons.gotoHex = true;
        return gotoOffset(hv, state, buttons);
    }

    int goDec(const std::wstring& offset) {
        put(state.gotoWhat, offset);
        DialogButtons buttons;
        buttons.gotoDec = true;
        return gotoOffset(hv, state, buttons);
    }

    // Offsets of successive Down or Up text or hex searches until the first miss.
    std::vector<std::int64_t> hexHits(const std::wstring& digits, Direction direction) {
        std::vector<std::int64_t> hits;
        while (hex(digits, direction) == 1 && hits.size() < 1000) hits.push_back(view.searchPos);
        return hits;
    }
    std::vector<std::int64_t> textHits(const std::wstring& what, bool matchCase = false) {
        std::vector<std::int64_t> hits;
        while (text(what, Direction::down, matchCase) == 1 && hits.size() < 1000)
            hits.push_back(view.searchPos);
        return hits;
    }

    std::vector<std::uint8_t> bytes;
    Document doc;
    ViewState view;
    RecordingHost host;
    SearchState state;
    HexView hv{doc, view, host};
};

std::vector<std::uint8_t> ascii(const std::string& text) { return {text.begin(), text.end()}; }

// --- Hex searches ---------------------------------------------------------------------

TEST_F(SearchTest, FindAgainRepeatsTheLastFindNextDownOrUpWithItsModeCaseAndText) {
    load(ascii("ab AB ab Ab"));
    EXPECT_EQ(findAgain(hv, state, false), -1);  // no Find Next yet: nothing moves
    EXPECT_EQ(view.searchPos, -1);

    ASSERT_EQ(text(L"ab"), 1);
    EXPECT_EQ(view.searchPos, 0);
    // The dialog's text changing since (a mode switch empties it) does not matter.
    put(state.findWhat, L"");
    ASSERT_EQ(findAgain(hv, state, false), 1);
    EXPECT_EQ(view.searchPos, 3);
    EXPECT_EQ(view.caretCell, 50 + 3);  // a text hit puts the caret on the character
    ASSERT_EQ(findAgain(hv, state, false), 1);
    EXPECT_EQ(view.searchPos, 6);
    ASSERT_EQ(findAgain(hv, state, true), 1);
    EXPECT_EQ(view.searchPos, 3);

    ASSERT_EQ(text(L"Ab", Direction::down, true), 1);
    EXPECT_EQ(view.searchPos, 9);
    EXPECT_EQ(findAgain(hv, state, true), 0);  // no other "Ab" with Match case
    ASSERT_EQ(hex(L"4142", Direction::up), 1);
    EXPECT_EQ(view.searchPos, 3);
    view.selectionAnchor = 0;  // a miss keeps the selection, a hit drops it
    view.selectionEnd = 5;
    EXPECT_EQ(findAgain(hv, state, true), 0);
    EXPECT_EQ(host.status[statusPartActivity], L"Selection: 00000000-00000005, 6 bytes");
    EXPECT_EQ(findAgain(hv, state, false), 1);
    EXPECT_EQ(host.status[statusPartActivity], L"Ready");
    EXPECT_EQ(view.searchPos, 3);
    EXPECT_EQ(view.caretCell, highCellOf[4]);
    EXPECT_EQ(view.selectionAnchor, -1);
}

TEST_F(SearchTest, OverlappingHexHitsAreFoundOneByOneThenTheSearchStartsOver) {
    load({0x41, 0x41, 0x41, 0x41});
    EXPECT_EQ(hexHits(L"4141", Direction::down), (std::vector<std::int64_t>{0, 1, 2}));
    EXPECT_EQ(view.searchPos, -1);
    EXPECT_EQ(view.matchStart, 2);  // the last hit stays marked
    EXPECT_EQ(view.matchLength, 2);
    EXPECT_EQ(state.searchDirection, 1);
    ASSERT_EQ(hex(L"4141"), 1);
    EXPECT_EQ(view.searchPos, 0);
}

TEST_F(SearchTest, UpSearchesWalkBackFromTheLastHit) {
    load(ascii("xAAxAxAA"));
    ASSERT_EQ(goHex(L"7"), 1);
    EXPECT_EQ(hexHits(L"41", Direction::up), (std::vector<std::int64_t>{6, 4, 2, 1}));
    EXPECT_EQ(state.searchDirection, -1);
    // After a hex miss the next Up search starts before the file and misses at once.
    EXPECT_EQ(hex(L"41", Direction::up), 0);
}

TEST_F(SearchTest, HexDigitsOfEitherCaseNameTheSameByte) {
    load({0x00, 0x0A, 0x0A, 0xFF});
    EXPECT_EQ(hexHits(L"0a", Direction::down), (std::vector<std::int64_t>{1, 2}));
    EXPECT_EQ(hexHits(L"0A", Direction::down), (std::vector<std::int64_t>{1, 2}));
    EXPECT_EQ(hexHits(L"fF", Direction::down), (std::vector<std::int64_t>{3}));
}

TEST_F(SearchTest, AnOddNumberOfDigitsIsRefusedWithABoxAndChangesNothing) {
    load({0x0A, 0xA1, 0x0A});
    ASSERT_EQ(hex(L"0A"), 1);
    ASSERT_EQ(hex(L"0A"), 1);
    const ViewState before = view;
    const int caretMoves = host.caretMoves;
    EXPECT_EQ(hex(L"0A1", Direction::up), 1);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].owner, BoxOwner::none);
    EXPECT_EQ(host.boxes[0].text, L"Hexadecimal number must have even number of digits!");
    EXPECT_EQ(host.boxes[0].caption, L"Quillix");
    EXPECT_EQ(host.boxes[0].style, boxWarning);
    EXPECT_EQ(view.searchPos, before.searchPos);
    EXPECT_EQ(view.matchLength, before.matchLength);
    EXPECT_EQ(view.matchStart, before.matchStart);
    EXPECT_EQ(state.searchDirection, 1);  // the Up button was not taken
    EXPECT_EQ(host.caretMoves, caretMoves);
}

TEST_F(SearchTest, PastedNonDigitsConvertAsTheNumberConversionReadsThem) {
    load({0x07, 0x01, 0x00, 0xFF, 0x41});
    // A leading blank or plus sign is skipped; conversion stops at a non-digit.
    EXPECT_EQ(hexHits(L" 1", Direction::down), (std::vector<std::int64_t>{1}));
    EXPECT_EQ(hexHits(L"+1", Direction::down), (std::vector<std::int64_t>{1}));
    EXPECT_EQ(hexHits(L"1z", Direction::down), (std::vector<std::int64_t>{1}));
    // A pair without a digit reads as 0.
    EXPECT_EQ(hexHits(L"zz", Direction::down), (std::vector<std::int64_t>{2}));
    // A negative pair never matches, not even 0xFF; nor does a pattern holding one.
    EXPECT_EQ(hexHits(L"-1", Direction::down), std::vector<std::int64_t>{});
    EXPECT_EQ(hexHits(L"-1", Direction::up), std::vector<std::int64_t>{});
    EXPECT_EQ(hexHits(L"00-1", Direction::down), std::vector<std::int64_t>{});
    EXPECT_EQ(view.matchLength, 2);
}

TEST_F(SearchTest, HitsEndingOnTheLastByteAreFoundAndLongerPatternsMissAtOnce) {
    load({0x10, 0x20, 0x30, 0x40, 0x50});
    EXPECT_EQ(hexHits(L"304050", Direction::down), (std::vector<std::int64_t>{2}));
    EXPECT_EQ(hexHits(L"1020304050", Direction::down), (std::vector<std::int64_t>{0}));
    EXPECT_EQ(hex(L"102030405060"), 0);
    EXPECT_EQ(view.matchLength, 6);
    EXPECT_EQ(hex(L"102030405060", Direction::up), 0);
    EXPECT_EQ(host.caretMoves, 2);  // only the two hits were revealed
}

TEST_F(SearchTest, HexPatternsOfTwentyOneToFiftyBytesAreComparedInFull) {
    std::vector<std::uint8_t> content = patternBytes(600, 3);
    // A decoy that agrees with the wanted pattern in its first 20 bytes only.
    std::copy(content.begin() + 400, content.begin() + 450, content.begin() + 100);
    content[120] ^= 0xFF;
    load(content);
    for (int length : {21, 33, 50}) {
        std::wstring digits;
        for (int k = 0; k < length; ++k) {
            wchar_t pair[3];
            std::swprintf(pair, 3, L"%02x", content[static_cast<std::size_t>(400 + k)]);
            digits += pair;
        }
        view.searchPos = -1;
        ASSERT_EQ(hex(digits), 1) << length;
        EXPECT_EQ(view.searchPos, 400) << length;
        EXPECT_EQ(view.matchLength, length);
        EXPECT_EQ(hex(digits), 0) << length;
    }
}

TEST_F(SearchTest, UpSearchFromNearTheEndStillFindsAPatternThatFitsFurtherUp) {
    std::vector<std::uint8_t> content(64, 0x11);
    const std::uint8_t pattern[] = {0xDE, 0xAD, 0xBE, 0xEF};
    std::copy(std::begin(pattern), std::end(pattern), content.begin() + 10);
    std::copy(std::begin(pattern), std::end(pattern), content.begin() + 60);
    load(content);
    ASSERT_EQ(goHex(L"3F"), 1);  // the last byte: the pattern cannot start right before it
    EXPECT_EQ(hexHits(L"DEADBEEF", Direction::up), (std::vector<std::int64_t>{60, 10}));
}

TEST_F(SearchTest, WithNoDirectionCheckedTheLastOneStaysAndTheFirstIsDown) {
    load(ascii("aXbXc"));
    put(state.findWhat, L"X");
    DialogButtons none;
    none.findAscii = true;
    ASSERT_EQ(searchText(hv, state, none), 1);
    EXPECT_EQ(view.searchPos, 1);
    ASSERT_EQ(text(L"X", Direction::up), 0);  // from 1 upward there is nothing
    ASSERT_EQ(goDec(L"4"), 1);
    ASSERT_EQ(searchText(hv, state, none), 1);
    EXPECT_EQ(view.searchPos, 3);
    EXPECT_EQ(state.searchDirection, -1);
}

TEST_F(SearchTest, WithoutADocumentEverySearchFailsAtItsBounds) {
    load({});
    EXPECT_EQ(hex(L"00"), 0);
    EXPECT_EQ(view.searchPos, -1);
    EXPECT_EQ(text(L"a", Direction::up), 0);
    EXPECT_EQ(goHex(L"0"), 0);
    EXPECT_EQ(host.caretMoves, 0);
}

// --- Text searches --------------------------------------------------------------------

TEST_F(SearchTest, TextFoldsCaseUnlessMatchCaseIsChecked) {
    const std::vector<std::uint8_t> content = {0x41, 0x42, 0x43, 0x00, 0x61, 0x42, 0x63,
                                               0x00, 0x61, 0x62, 0x63, 0x00, 0x61, 0x62};
    load(content);
    EXPECT_EQ(textHits(L"abc"), (std::vector<std::int64_t>{0, 4, 8}));
    EXPECT_EQ(std::wstring(state.findUpper), L"ABC");
    EXPECT_EQ(std::wstring(state.findLower), L"abc");
    load(content);
    EXPECT_EQ(textHits(L"abc", true), (std::vector<std::int64_t>{8}));
    EXPECT_EQ(std::wstring(state.findUpper), L"abc");
    EXPECT_EQ(std::wstring(state.findLower), L"abc");
    load(content);
    EXPECT_EQ(textHits(L"aBc"), (std::vector<std::int64_t>{0, 4, 8}));
    load(content);
    EXPECT_EQ(textHits(L"aBc", true), (std::vector<std::int64_t>{4}));
}

TEST_F(SearchTest, TextReadsBytesAsLatinOneAndNoCharacterAboveItMatches) {
    const std::vector<std::uint8_t> content = {0xE9, 0x20, 0xC9, 0x20, 0x80, 0xAC, 0x20, 0xFF, 0x78, 0xB5};
    load(content);
    EXPECT_EQ(textHits(L"\u00E9"), (std::vector<std::int64_t>{0, 2}));
    load(content);
    EXPECT_EQ(textHits(L"\u00C9", true), (std::vector<std::int64_t>{2}));
    load(content);
    EXPECT_EQ(textHits(L"\u20AC"), std::vector<std::int64_t>{});  // its byte in code page 1252 is 0x80
    load(content);
    EXPECT_EQ(textHits(L"\u0178"), (std::vector<std::int64_t>{7}));  // capital Y diaeresis folds to 0xFF
    load(content);
    EXPECT_EQ(textHits(L"\u0178", true), std::vector<std::int64_t>{});
    load(content);
    EXPECT_EQ(textHits(L"\u00B5"), (std::vector<std::int64_t>{9}));
}

TEST_F(SearchTest, ATextMissGoesBackToTheLastHitSoTheNextSearchStartsBesideIt) {
    load(ascii("cat dog cat dog"));
    ASSERT_EQ(text(L"dog"), 1);
    ASSERT_EQ(text(L"dog"), 1);
    EXPECT_EQ(view.searchPos, 12);
    EXPECT_EQ(text(L"dog"), 0);
    EXPECT_EQ(view.searchPos, 12);
    EXPECT_EQ(view.matchStart, 12);
    EXPECT_EQ(text(L"dog"), 0);  // the same miss again, not a restart at the top
    EXPECT_EQ(view.searchPos, 12);
    ASSERT_EQ(text(L"dog", Direction::up), 1);  // the other way from the last hit
    EXPECT_EQ(view.searchPos, 4);
    ASSERT_EQ(text(L"CAT", Direction::down), 1);
    EXPECT_EQ(view.searchPos, 8);
    EXPECT_EQ(text(L"bird"), 0);
    EXPECT_EQ(view.matchLength, 4);  // the new length, even after a miss
    EXPECT_EQ(view.matchStart, 8);
}

TEST(SearchAfterOpen, UpMissesAtOnceAndAMissBeforeAnyHitKeepsOffsetZeroInReach) {
    TempFolder folder;
    const auto path = folder.file("open.bin");
    writeBytes(path, ascii("abcabc"));
    Document doc;
    ViewState view;
    view.charWidth = cellWidth;
    view.lineHeight = rowHeight;
    view.clientHeight = 200;
    view.searchPos = 4;  // left from a previous file
    view.matchStart = 4;
    RecordingHost host;
    SystemError cause = 0;
    ASSERT_EQ(openDocument(doc, view, host, widePath(path).c_str(), cause), 1);
    const HexView hv{doc, view, host};
    SearchState state;
    DialogButtons hexUp;
    hexUp.findHex = true;
    hexUp.up = true;
    std::wcscpy(state.findWhat, L"6263");
    EXPECT_EQ(searchHex(hv, state, hexUp), 0);
    EXPECT_EQ(view.searchPos, -1);

    DialogButtons textDown;
    textDown.findAscii = true;
    textDown.down = true;
    std::wcscpy(state.findWhat, L"abd");
    EXPECT_EQ(searchText(hv, state, textDown), 0);
    EXPECT_EQ(view.searchPos, -1);  // nothing was found in this file yet
    std::wcscpy(state.findWhat, L"ab");
    ASSERT_EQ(searchText(hv, state, textDown), 1);
    EXPECT_EQ(view.searchPos, 0);
    closeDocumentView(doc);
}

// --- Go-to ----------------------------------------------------------------------------

TEST_F(SearchTest, GoToAcceptsExactlyTheOffsetsOfTheFile) {
    load(patternBytes(300));
    ASSERT_EQ(goDec(L"299"), 1);
    EXPECT_EQ(view.searchPos, 299);
    EXPECT_EQ(view.matchStart, 299);
    EXPECT_EQ(view.matchLength, 1);
    EXPECT_EQ(view.matchVisible, 1);
    const ViewState before = view;
    const int caretMoves = host.caretMoves;
    EXPECT_EQ(goDec(L"300"), 0);
    EXPECT_EQ(goHex(L"12C"), 0);
    EXPECT_EQ(goDec(L"-1"), 0);
    EXPECT_EQ(goHex(L"FFFFFFFFFFFFFFFFFFFF"), 0);  // overflows the conversion
    EXPECT_EQ(goDec(L"99999999999999999999"), 0);
    EXPECT_EQ(view.searchPos, before.searchPos);
    EXPECT_EQ(view.topLine, before.topLine);
    EXPECT_EQ(host.caretMoves, caretMoves);
}

TEST_F(SearchTest, GoToReadsHexOrDecimalAndIgnoresWhatFollowsTheDigits) {
    load(patternBytes(300));
    ASSERT_EQ(goHex(L"FF"), 1);
    EXPECT_EQ(view.searchPos, 255);
    ASSERT_EQ(goHex(L"ff"), 1);
    EXPECT_EQ(view.searchPos, 255);
    ASSERT_EQ(goDec(L"255"), 1);
    EXPECT_EQ(view.searchPos, 255);
    EXPECT_EQ(view.byteColumn, 16);
    EXPECT_EQ(view.caretCell, 47);
    ASSERT_EQ(goHex(L"10zz"), 1);
    EXPECT_EQ(view.searchPos, 16);
    ASSERT_EQ(goDec(L"10zz"), 1);
    EXPECT_EQ(view.searchPos, 10);
}

TEST_F(SearchTest, FindNextContinuesFromTheGoToTargetInEitherDirection) {
    load(ascii("ab.ab.ab.ab"));
    ASSERT_EQ(text(L"ab"), 1);  // sets the direction to Down
    ASSERT_EQ(goDec(L"4"), 1);
    EXPECT_EQ(state.searchDirection, 1);
    ASSERT_EQ(text(L"ab"), 1);
    EXPECT_EQ(view.searchPos, 6);
    ASSERT_EQ(goDec(L"4"), 1);
    ASSERT_EQ(text(L"ab", Direction::up), 1);
    EXPECT_EQ(view.searchPos, 3);
}

// --- Revealing a hit ------------------------------------------------------------------

// A document of 1000 bytes: 62 full rows and a partial one, lineCount 64; the view shows
// 20 whole rows. Reached by go-to, so each case is one offset.
class RevealTest : public SearchTest {
protected:
    void SetUp() override { load(patternBytes(1000)); }
    void reveal(std::int64_t offset) { ASSERT_EQ(goDec(std::to_wstring(offset)), 1); }
    bool erasedWhole() const {
        for (const RecordedInvalidate& i : host.invalidates)
            if (i.whole && i.erase) return true;
        return false;
    }
};

TEST_F(RevealTest, AHitBelowTheViewBecomesItsFirstRow) {
    reveal(336);
    EXPECT_EQ(view.topLine, 21);
    EXPECT_EQ(view.caretRow, 0);
    EXPECT_EQ(view.byteColumn, 1);
    EXPECT_EQ(view.caretCell, 10);
    EXPECT_EQ(host.caretX, 10 * cellWidth);
    EXPECT_EQ(host.caretY, 0);
    EXPECT_EQ(host.status[statusPartOffset], L"Offset: 00000150");
    EXPECT_EQ(std::wstring(view.statusText), L"Offset: 00000150");
    EXPECT_FALSE(erasedWhole());
    // The scroll bar follows: range from the size rules, box at the new top line.
    EXPECT_EQ(host.scrollMax, 64 - viewRows);
    EXPECT_EQ(host.scrollPos, 21);
}

TEST_F(RevealTest, AHitNearTheEndShowsTheLastPageErasedFirst) {
    reveal(990);
    EXPECT_EQ(view.topLine, 44);  // lineCount - rows
    EXPECT_EQ(view.caretRow, 17);
    EXPECT_EQ(view.caretCell, highCellOf[15]);
    EXPECT_EQ(host.caretX, highCellOf[15] * cellWidth);
    EXPECT_EQ(host.caretY, 17 * rowHeight);
    EXPECT_EQ(host.status[statusPartOffset], L"Offset: 000003DE");
    ASSERT_EQ(host.invalidates.size(), 2u);
    EXPECT_TRUE(host.invalidates[0].whole && host.invalidates[0].erase);
    EXPECT_TRUE(host.invalidates[1].whole && !host.invalidates[1].erase);
    EXPECT_EQ(host.updates, 1);
    EXPECT_EQ(host.scrollPos, 44);
}

TEST_F(RevealTest, TheLastPageNeverScrollsPastTheHit) {
    reveal(43 * 16);  // just past the second case, but above the last page's top row 44
    EXPECT_EQ(view.topLine, 43);
    EXPECT_EQ(view.caretRow, 0);
    EXPECT_TRUE(erasedWhole());
}

TEST_F(RevealTest, AHitInViewKeepsTheViewAndTheRowBelowTheLastWholeOneCounts) {
    reveal(200);
    EXPECT_EQ(view.topLine, 0);
    EXPECT_EQ(view.caretRow, 12);
    EXPECT_EQ(view.caretCell, 30);
    reveal(viewRows * 16 + 3);
    EXPECT_EQ(view.topLine, 0);
    EXPECT_EQ(view.caretRow, viewRows);
    EXPECT_EQ(host.caretY, viewRows * rowHeight);
    EXPECT_EQ(host.status[statusPartOffset], L"Offset: 00000143");
}

TEST_F(RevealTest, AHitAboveTheViewBecomesItsFirstRow) {
    view.topLine = 30;
    reveal(5 * 16 + 15);
    EXPECT_EQ(view.topLine, 5);
    EXPECT_EQ(view.caretRow, 0);
    EXPECT_EQ(view.caretCell, 47);
}

TEST_F(RevealTest, ATextHitPutsTheCaretOnTheCharacterAndMarksTheWholeMatch) {
    // Neighbouring bytes of this document differ by 7, so the pair occurs only here.
    bytes[500] = 'Q';
    bytes[501] = 'z';
    ASSERT_EQ(text(L"qZ"), 1);
    EXPECT_EQ(view.searchPos, 500);
    EXPECT_EQ(view.matchStart, 500);
    EXPECT_EQ(view.matchLength, 2);
    EXPECT_EQ(view.matchVisible, 1);
    EXPECT_EQ(view.topLine, 31);
    EXPECT_EQ(view.byteColumn, 500 % 16 + 1);
    EXPECT_EQ(view.caretCell, firstCharCell + 500 % 16);
    EXPECT_EQ(host.caretX, (firstCharCell + 500 % 16) * cellWidth);
    EXPECT_EQ(host.status[statusPartOffset], L"Offset: 000001F4");
}

}  // namespace
}  // namespace quillix::test
