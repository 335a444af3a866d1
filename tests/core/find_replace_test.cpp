// Find Next, Find All and Replace All against a plain byte-by-byte reference, with
// wildcards, UTF-16, case folding, selections and overlapping hits; the undo of Replace
// All; and the boxes that refuse a search or a replace.

#include <algorithm>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "document/document.h"
#include "document/history/record_allocator.h"
#include "host/progress.h"
#include "hexview/selection.h"
#include "recording_host.h"
#include "search/case_fold.h"
#include "search/find_all.h"
#include "search/search.h"

namespace quillix::test {
namespace {

// One position of the reference: the byte values it accepts.
using Accepts = std::vector<bool>;

struct FindReplaceTest : ::testing::Test {
    FindReplaceTest() {
        view.charWidth = 10;
        view.lineHeight = 20;
        view.clientHeight = 400;
    }
    void load(std::vector<std::uint8_t> content) {
        bytes = std::move(content);
        doc.history.clear();
        doc.changes.clear();
        doc.fileBytes = bytes.data();
        doc.fileSize = static_cast<std::int64_t>(bytes.size());
        doc.lineCount = lineCountFor(doc.fileSize);
        view.searchPos = view.matchStart = -1;
        view.matchVisible = 0;
        clearSelection(hv);
    }
    static void put(wchar_t (&buffer)[searchTextUnits], const std::wstring& text) {
        std::wmemcpy(buffer, text.c_str(), text.size() + 1);
    }
    std::vector<std::uint8_t> bytes;
    Document doc;
    ViewState view;
    RecordingHost host;
    HexView hv{doc, view, host};
    SearchState state;
};

// What a hex pair, a character or a UTF-16 unit accepts, read off the dialog's text as a
// user would: "??" anything, "?" one open nibble, letters in either case unless matched.
std::vector<Accepts> reference(const std::wstring& what, const DialogButtons& b, CharacterSet set) {
    std::vector<Accepts> positions;
    const auto caseSet = [&](wchar_t c) {
        return b.matchCase ? std::vector<unsigned>{unsigned(c)}
                           : std::vector<unsigned>{unsigned(lowerCaseUnit(c)), unsigned(upperCaseUnit(c))};
    };
    if (b.findHex) {
        for (std::size_t k = 0; k + 1 < what.size(); k += 2) {
            Accepts a(256);
            for (unsigned v = 0; v < 256; ++v) {
                const auto digit = [](wchar_t d) {
                    return unsigned(std::wcstol(std::wstring(1, d).c_str(), nullptr, 16));
                };
                a[v] = (what[k] == L'?' || digit(what[k]) == v >> 4) &&
                       (what[k + 1] == L'?' || digit(what[k + 1]) == (v & 15));
            }
            positions.push_back(a);
        }
    } else if (b.findAscii) {
        for (wchar_t c : what) {
            Accepts a(256);
            for (unsigned u : caseSet(c))
                if (byteOf(set, wchar_t(u)) >= 0) a[unsigned(byteOf(set, wchar_t(u)))] = true;
            positions.push_back(a);
        }
    }
    return positions;
}

// The reference's hits: every start in range where each position (or UTF-16 unit) accepts.
std::vector<std::int64_t> referenceHits(const std::vector<std::uint8_t>& data, const std::wstring& what,
                                        const DialogButtons& b, CharacterSet set, std::int64_t begin,
                                        std::int64_t end) {
    const std::vector<Accepts> positions = reference(what, b, set);
    const auto length = static_cast<std::int64_t>(b.findUtf16 ? 2 * what.size() : positions.size());
    std::vector<std::int64_t> hits;
    for (std::int64_t at = begin; length > 0 && at + length <= end; ++at) {
        bool hit = true;
        for (std::int64_t k = 0; hit && k < length; ++k) {
            const auto i = static_cast<std::size_t>(at + k);
            if (b.findUtf16) {
                if (k % 2) continue;
                const unsigned unit = data[i] | data[i + 1] << 8u;
                const wchar_t c = what[static_cast<std::size_t>(k / 2)];
                const std::vector<unsigned> cases =
                    b.matchCase
                        ? std::vector<unsigned>{unsigned(c)}
                        : std::vector<unsigned>{unsigned(lowerCaseUnit(c)), unsigned(upperCaseUnit(c))};
                hit = std::count(cases.begin(), cases.end(), unit) > 0;
            } else {
                hit = positions[static_cast<std::size_t>(k)][data[i]];
            }
        }
        if (hit) hits.push_back(at);
    }
    return hits;
}

TEST_F(FindReplaceTest, FindNextFindAllAndReplaceAllAgreeWithAPlainReference) {
    std::mt19937 random(36);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    // The first seven make UTF-16 units whose two cases differ in both bytes (U+00FF and
    // U+0178, U+212A and U+006B) and the mixtures of those bytes.
    const std::uint8_t palette[] = {0xFF, 0x78, 0x00, 0x01, 0x2A, 0x21, 0x6B, 0x41, 0x61, 0xB5, 0x9C, 0x03};
    const wchar_t hexDigits[] = L"0123456789ABCDEF";
    for (int round = 0; round < 400; ++round) {
        // Mostly small documents of few values; some past a sweep's batch of hits, and one
        // a search chunk long with hits across its end.
        const bool chunkEdge = round == 0;
        const std::size_t size = chunkEdge ? searchChunkBytes + 64 : round % 40 == 1 ? 40000 : pick(300);
        const int mode = chunkEdge ? 0 : pick(3);
        std::vector<std::uint8_t> data(size);
        for (auto& byte : data)
            byte = chunkEdge ? 0
                   : pick(4) ? palette[pick(round % 40 == 1 ? 2
                                            : mode == 2     ? 7
                                                            : 12)]
                             : random();
        if (chunkEdge)
            for (std::size_t at = searchChunkBytes - 6; at < searchChunkBytes + 4; at += 3) data[at] = 0x41;
        load(data);
        DialogButtons b;
        (mode == 0 ? b.findHex : mode == 1 ? b.findAscii : b.findUtf16) = true;
        // The ASCII mode's text is the view's character set's.
        const CharacterSet set = view.characterSet = mode == 1 ? CharacterSet(pick(4)) : CharacterSet::ascii;
        b.matchCase = pick(2);
        b.inSelection = pick(3) == 0;
        // The text: a stretch of the document, its cases or nibbles varied.
        const std::size_t length = 1 + pick(mode == 2 ? 4 : 5);
        const std::size_t from = chunkEdge           ? searchChunkBytes - 6
                                 : size > length * 2 ? pick(int(size - length * 2))
                                                     : 0;
        std::wstring what, with;
        for (std::size_t k = 0; k < length && from + 2 * k + 1 < size + (mode != 2); ++k) {
            const std::uint8_t byte =
                chunkEdge ? std::uint8_t(k % 3 ? 0 : 0x41) : data[from + k * (mode == 2 ? 2 : 1)];
            const wchar_t c = mode == 2 ? wchar_t(byte | data[from + 2 * k + 1] << 8) : codeOf(set, byte);
            const int vary = pick(5);
            if (mode == 0) {
                what += vary == 0 || vary == 2 ? L'?' : hexDigits[byte >> 4];
                what += vary == 0 || vary == 1 ? L'?' : hexDigits[byte & 15];
                with += pick(4) ? hexDigits[pick(16)] : L'?';
                with += hexDigits[pick(16)];
            } else {
                what += vary == 0 ? upperCaseUnit(c) : vary == 1 ? lowerCaseUnit(c) : c;
                with += codeOf(set, std::uint8_t(0x20 + pick(200)));
            }
        }
        // A text holds no terminator, and a pattern all "??" is refused (the table below).
        if (what.empty() || what.find(L'\0') != std::wstring::npos ||
            what.find_first_not_of(L'?') == std::wstring::npos)
            continue;
        // A replacement that keeps every hit matching: found again, overlapping, it would show.
        if (pick(4) == 0) with = mode == 0 ? std::wstring(what.size(), L'?') : what;
        std::int64_t begin = 0, end = doc.fileSize;
        if (b.inSelection && size > 2) {
            begin = pick(int(size / 2));
            end = begin + 1 + pick(int(size - begin));
            setSelection(hv, begin, end - 1);
        }
        const std::vector<std::int64_t> hits = referenceHits(data, what, b, set, begin, end);
        SCOPED_TRACE(testing::Message() << "round " << round << " mode " << mode);

        put(state.findWhat, what);
        FoundAll found;
        EXPECT_EQ(findAll(hv, state, b, found), hits.empty() ? FindAllResult::none : FindAllResult::found);
        EXPECT_EQ(found.offsets, hits);
        EXPECT_EQ(found.count, static_cast<std::int64_t>(hits.size()));
        if (!hits.empty())
            EXPECT_EQ(host.status[0], hits.size() == 1
                                          ? L"Found 1 match"
                                          : L"Found " + std::to_wstring(hits.size()) + L" matches");

        // Find Next from the start, down (or up from the end), hit after hit.
        std::vector<std::int64_t> walked;
        b.up = pick(2);
        b.down = !b.up;
        view.searchPos = b.up ? doc.fileSize : -1;
        while (walked.size() <= hits.size() && !chunkEdge && findNext(hv, state, b) == 1)
            walked.push_back(view.searchPos);
        if (b.up) std::reverse(walked.begin(), walked.end());
        if (!chunkEdge) {
            EXPECT_EQ(walked, hits);
        }

        // Replace All: left to right, never overlapping, "?" keeping the matched nibble.
        put(state.replaceWhat, with);
        if (b.inSelection) setSelection(hv, begin, end - 1);
        std::vector<std::uint8_t> replaced = data;
        std::vector<bool> marked(size);
        const std::size_t hitLength = mode == 2 ? 2 * what.size() : mode == 0 ? what.size() / 2 : what.size();
        std::int64_t next = 0, count = 0;
        for (std::int64_t hit : hits) {
            if (hit < next) continue;
            ++count;
            next = hit + static_cast<std::int64_t>(hitLength);
            for (std::size_t k = 0; k < hitLength; ++k) {
                std::uint8_t& byte = replaced[static_cast<std::size_t>(hit) + k];
                marked[static_cast<std::size_t>(hit) + k] = true;
                if (mode == 0) {
                    const auto nibble = [&](std::size_t i, std::uint8_t old) {
                        return with[i] == L'?'
                                   ? old
                                   : std::uint8_t(std::wcstol(std::wstring(1, with[i]).c_str(), nullptr, 16));
                    };
                    byte = std::uint8_t(nibble(2 * k, byte >> 4) << 4 | nibble(2 * k + 1, byte & 15));
                } else {
                    const unsigned unit = with[mode == 2 ? k / 2 : k];
                    byte = std::uint8_t(mode == 2 ? (k % 2 ? unit >> 8 : unit) : byteOf(set, wchar_t(unit)));
                }
            }
        }
        // Replace after Replace, down from the start, comes to the same, a step each.
        const bool oneByOne = !chunkEdge && pick(4) == 0;
        view.searchPos = -1;
        b.up = false;
        b.down = true;
        for (std::int64_t calls = 0; oneByOne && calls <= count && replaceNext(hv, state, b) == 1;) ++calls;
        if (!oneByOne) EXPECT_EQ(replaceAll(hv, state, b, 1 + pick(9)), hits.empty() ? 0 : 1);
        EXPECT_TRUE(bytes == replaced);
        if (count > 0 && size < 1000 && !oneByOne)
            EXPECT_EQ(host.status[0],
                      count == 1 ? L"Replaced 1 match" : L"Replaced " + std::to_wstring(count) + L" matches");
        for (std::size_t i = 0; i < size && !chunkEdge; ++i)
            ASSERT_EQ(doc.changes.marked(std::int64_t(i)), marked[i]) << i;
        ByteRange touched;
        ReadFault fault;
        if (count == 0) continue;
        const std::int64_t steps = oneByOne ? count : 1;
        EXPECT_EQ(doc.history.steps(), static_cast<std::size_t>(steps));
        for (std::int64_t k = 0; k < steps; ++k) ASSERT_EQ(undoStep(doc, touched, fault), StepOutcome::done);
        EXPECT_TRUE(bytes == data);
        EXPECT_TRUE(doc.changes.empty());
        for (std::int64_t k = 0; k < steps; ++k) ASSERT_EQ(redoStep(doc, touched, fault), StepOutcome::done);
        EXPECT_TRUE(bytes == replaced);
        EXPECT_FALSE(doc.history.canRedo());
    }
}

TEST_F(FindReplaceTest, AReplaceAllStoppedPartWayKeepsWholeGroupsOfHitsAsOneStep) {
    bool partWay = false;
    for (int stopAt = 1; stopAt <= 6; ++stopAt) {
        load(std::vector<std::uint8_t>(64, 0x41));
        DialogButtons b;
        b.findHex = true;
        put(state.findWhat, L"4141");
        put(state.replaceWhat, L"?2?2");
        host.stopAt = stopAt;
        host.checkpoints = 0;
        EXPECT_EQ(replaceAll(hv, state, b, 4), 1);
        EXPECT_EQ(host.status[0], L"Replace stopped");
        // Groups of two hits (four bytes) went in whole, from the start.
        const auto replaced = std::find(bytes.begin(), bytes.end(), 0x41) - bytes.begin();
        EXPECT_EQ(replaced % 4, 0);
        EXPECT_TRUE(std::all_of(bytes.begin(), bytes.begin() + replaced, [](auto v) { return v == 0x42; }));
        EXPECT_TRUE(std::all_of(bytes.begin() + replaced, bytes.end(), [](auto v) { return v == 0x41; }));
        ByteRange touched;
        ReadFault fault;
        if (replaced == 0) continue;
        partWay = partWay || replaced < 64;
        EXPECT_EQ(doc.history.steps(), 1u);
        ASSERT_EQ(undoStep(doc, touched, fault), StepOutcome::done);
        EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](auto v) { return v == 0x41; }));
    }
    EXPECT_TRUE(partWay);
}

// Refuses the request for record memory numbered refuseAt (from 1).
struct Refusals {
    static inline int requests = 0, refuseAt = 0;
    static bool check(std::size_t) { return ++requests != refuseAt; }
};

TEST_F(FindReplaceTest, MemoryRefusedAtAnyRequestOfAReplaceAllOrItsUndoOrRedoLeavesRedTheChangedBytesOnly) {
    // Runs of 1 to 40 bytes over four pages, some touching: lone bytes, one-byte runs, and
    // pages whose runs make a block only together; a paste before them over some, so that
    // touching runs have different counts; groups of a few runs between check-ins.
    std::mt19937 random(20261210);
    std::vector<ByteRange> runs;
    for (std::int64_t at = 3; at + 40 <= 4 * 4096; at = runs.back().end + random() % 30)
        runs.push_back({at, at + 1 + random() % 40});
    const ByteFeed feed{
        [](void*, std::int64_t, std::int64_t n, std::uint8_t* out) { std::fill_n(out, n, 0x42); }, nullptr};
    PasteControl control;
    control.chunkBytes = 300;
    const ByteRange pasted{5000, 9000};
    int refused = 0;
    for (int action = 0; action < 3; ++action)  // the replace, its undo, its redo
        for (Refusals::refuseAt = 1;; ++Refusals::refuseAt) {
            SCOPED_TRACE(std::to_string(action) + " refusing " + std::to_string(Refusals::refuseAt));
            load(std::vector<std::uint8_t>(4 * 4096, 0x41));
            ASSERT_EQ(storeBytes(doc, pasted.begin, pasted.end - pasted.begin, feed),
                      pasted.end - pasted.begin);
            ByteRange touched;
            ReadFault fault;
            if (action > 0) {
                ASSERT_EQ(storeRuns(doc, runs.data(), std::ssize(runs), feed, control), std::ssize(runs));
            }
            if (action > 1) {
                ASSERT_EQ(undoStep(doc, touched, fault), StepOutcome::done);
            }
            Refusals::requests = 0;
            allocationCheck = Refusals::check;
            const std::int64_t done = action == 0
                                          ? storeRuns(doc, runs.data(), std::ssize(runs), feed, control)
                                      : action == 1 ? undoStep(doc, touched, fault) == StepOutcome::done
                                                    : redoStep(doc, touched, fault) == StepOutcome::done;
            allocationCheck = nullptr;
            // A replace keeps whole runs from the first; an undo or a redo all of them or none.
            std::vector<std::uint8_t> expected(bytes.size(), 0x41);
            std::fill(expected.begin() + pasted.begin, expected.begin() + pasted.end, 0x42);
            const std::int64_t replaced = action == 0   ? done
                                          : action == 1 ? (1 - done) * std::ssize(runs)
                                                        : done * std::ssize(runs);
            for (std::int64_t r = 0; r < replaced; ++r)
                std::fill(expected.begin() + runs[r].begin, expected.begin() + runs[r].end, 0x42);
            ASSERT_TRUE(bytes == expected);
            // Red exactly where the view differs from the file, with the view's values.
            std::vector<std::uint8_t> mine(bytes.size(), 0);
            doc.changes.putMine({0, doc.fileSize}, mine.data());
            for (std::int64_t b = 0; b < doc.fileSize; ++b) {
                ASSERT_EQ(doc.changes.marked(b), bytes[b] == 0x42) << b;
                ASSERT_EQ(mine[b], bytes[b] == 0x42 ? 0x42 : 0) << b;
            }
            if (Refusals::requests < Refusals::refuseAt) break;
            refused += action == 0 ? done < std::ssize(runs) : !done;
        }
    EXPECT_GT(refused, 3);
}

TEST_F(FindReplaceTest, RefusedSearchesAndReplacesSayWhyAndChangeNothing) {
    struct Case {
        int mode;  // 0 hex, 1 ASCII, 2 UTF-16
        const wchar_t* what;
        const wchar_t* with;  // null: Find Next and Find All alone
        bool readOnly;
        const wchar_t* box;
    };
    const Case cases[] = {
        {0, L"414", nullptr, false, L"Hexadecimal number must have even number of digits!"},
        {0, L"????", nullptr, false, L"Hex value\n????\nneeds at least one byte without ?"},
        {0, L"??41", L"42", false,
         L"Find what and Replace with must be the same length: a file never changes size."},
        {1, L"AB", L"ABC", false,
         L"Find what and Replace with must be the same length: a file never changes size."},
        {2, L"A", L"B\u00C0", false,
         L"Find what and Replace with must be the same length: a file never changes size."},
        {2, L"A", L"B", true, L"File [t.bin] is read only!"},
        {1, L"AB", L"A\u20AC", false,
         L"Replace with holds \"\u20AC\" (U+20AC), which the view's character set has no byte for.\nNothing was "
         L"replaced."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.what);
        load({0x41, 0x00, 0x41, 0x42, 0x43});
        std::wcscpy(doc.fileTitle, L"t.bin");
        doc.readOnly = c.readOnly;
        DialogButtons b;
        (c.mode == 0 ? b.findHex : c.mode == 1 ? b.findAscii : b.findUtf16) = true;
        put(state.findWhat, c.what);
        put(state.replaceWhat, c.with ? c.with : L"");
        const std::vector<std::uint8_t> before = bytes;
        host.boxes.clear();
        if (!c.with) {
            FoundAll found;
            EXPECT_EQ(findNext(hv, state, b), 1);
            EXPECT_EQ(findAll(hv, state, b, found), FindAllResult::refused);
            ASSERT_EQ(host.boxes.size(), 2u);
        } else {
            EXPECT_EQ(replaceNext(hv, state, b), 1);
            EXPECT_EQ(replaceAll(hv, state, b), 1);
            ASSERT_EQ(host.boxes.size(), 2u);
            EXPECT_FALSE(doc.history.canUndo());
        }
        EXPECT_EQ(host.boxes[1].text, c.box);
        EXPECT_TRUE(bytes == before);
        EXPECT_EQ(view.matchVisible, 0);
    }
}

}  // namespace
}  // namespace quillix::test
