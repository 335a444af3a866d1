// A document whose file is cut shorter after it was mapped (SIGBUS natively, an access
// violation under Wine): the checked reads against a page-by-page model of what the
// system can still deliver, then what painting, search, export, saving and typing do
// when they meet the pages that are gone.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cwchar>
#include <set>
#include <tuple>
#include <string>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <sys/mman.h>
#endif

#include "cut_file.h"
#include "document/file/checked_view.h"
#include "document/save/save_document.h"
#include "document/save/text_dump.h"
#include "hexview/clipboard.h"
#include "hexview/paint_layout.h"
#include "recording_host.h"
#include "search/search.h"
#include "temp_files.h"

namespace quillix::test {
namespace {

constexpr std::int64_t page = viewPageBytes;
constexpr std::int64_t size = (1 << 20) + 16 * page;  // a salvage writes it in two pieces
constexpr std::int64_t edits[] = {10, page + 20};  // private pages 0 and 1

SystemError readError() {
#ifdef _WIN32
    return 30;  // ERROR_READ_FAULT
#else
    return EIO;
#endif
}

class UnreadableViewTest : public ::testing::Test {
protected:
    void TearDown() override {
        closeDocumentView(doc);
        releaseEditLog(doc);
    }
    // Maps the file, edits a byte in pages 0 and 1, then cuts the file to cutAt bytes.
    void openAndCut(std::int64_t cutAt) {
        TearDown();
        doc = Document{};
        view = ViewState{};
        view.charWidth = 10;
        view.lineHeight = 18;
        view.clientHeight = 40 * 18 + 7;
        path = folder.file("cut.bin");
        writeBytes(path, patternBytes(static_cast<std::size_t>(size), 3));
        // An hour old, so that cutting it surely moves its last-write time.
        std::filesystem::last_write_time(
            path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
        SystemError cause = 0;
        ASSERT_EQ(openDocument(doc, view, host, widePath(path).c_str(), cause), 1);
        std::wcscpy(doc.filePath, widePath(path).c_str());
        std::wcscpy(doc.fileTitle, L"cut.bin");
        for (std::int64_t offset : edits) ASSERT_TRUE(storeByte(doc, offset, 0xE0));
        before.assign(doc.fileBytes, doc.fileBytes + size);
        ASSERT_TRUE(cutFileShort(path, static_cast<std::uintmax_t>(cutAt)));
        cut = cutAt;
        limit = (cut + page - 1) / page * page;
    }
    // A private page as it was; a shared one the file's bytes up to the cut, zeros after.
    std::vector<std::uint8_t> expected(std::int64_t from, std::int64_t to) const {
        std::vector<std::uint8_t> bytes;
        for (std::int64_t o = from; o < to; ++o)
            bytes.push_back(o < cut || o / page <= 1 ? before[static_cast<std::size_t>(o)] : 0);
        return bytes;
    }
    void expectOneBox(BoxOwner owner) {
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].text, L"Could not read cut.bin\n" + systemErrorText(readError()));
        EXPECT_EQ(host.boxes[0].caption, L"Quillix-64bit");
        EXPECT_EQ(host.boxes[0].style, 0x2030u);
        EXPECT_EQ(host.boxes[0].owner, owner);
        host.boxes.clear();
    }

    TempFolder folder;
    std::filesystem::path path;
    std::vector<std::uint8_t> before;
    std::int64_t cut = 0, limit = 0;  // limit: the first byte that cannot be read
    Document doc;
    ViewState view;
    RecordingHost host;
    HexView hv{doc, view, host};
};

TEST_F(UnreadableViewTest, CopiesStopAtTheFirstUnreadablePageAndSalvageTheRest) {
    // On and between page boundaries, inside a private page, past the private pages.
    for (std::int64_t c : {2 * page, 3 * page + 100, 11 * page, std::int64_t{1}}) {
        SCOPED_TRACE(c);
        openAndCut(c);
        for (std::int64_t a : {std::int64_t{0}, page - 1, limit - 16, limit - 1, limit, limit + 8, size - 16})
            for (std::int64_t b : {a + 1, a + 16, limit, limit + 1, limit + page + 7, size}) {
                if (a < 0 || a >= b || b > size) continue;
                SCOPED_TRACE(testing::Message() << a << ".." << b);
                const std::int64_t firstBad = std::max(a, limit), length = b - a;
                const std::int64_t bad = b > limit ? firstBad : -1;
                std::vector<std::uint8_t> out(static_cast<std::size_t>(length), 0xCC),
                    wanted = expected(a, std::min(b, limit));
                ReadFault fault;
                EXPECT_EQ(checkedCopy(doc, a, length, out.data(), fault), b <= limit);
                EXPECT_EQ(fault.offset, bad);
                EXPECT_EQ(fault.error, b > limit ? readError() : 0);
                wanted.resize(static_cast<std::size_t>(length), 0xCC);  // the rest untouched
                EXPECT_EQ(out, wanted);

                UnreadableBytes lost;
                EXPECT_EQ(copyReadable(doc, a, length, out.data(), lost), b <= limit);
                wanted = expected(a, std::min(b, limit));
                wanted.resize(static_cast<std::size_t>(length), 0);  // zeros for the lost pages
                EXPECT_EQ(out, wanted);
                const std::vector<ByteRange> gone = {{firstBad, b}};
                EXPECT_EQ(lost.ranges, b > limit ? gone : std::vector<ByteRange>{});

                ReadFault probe;
                EXPECT_EQ(findUnreadable(doc, a, length, probe), b > limit);
                EXPECT_EQ(probe.offset, bad);
            }
    }
    // Pieces that do not fall on pages, as a save copies them, give one stretch.
    UnreadableBytes lost;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(size));
    for (std::int64_t at = 0; at < size; at += 5000)
        copyReadable(doc, at, std::min<std::int64_t>(5000, size - at), out.data() + at, lost);
    EXPECT_EQ(lost.ranges, (std::vector<ByteRange>{{page, size}}));
}

TEST_F(UnreadableViewTest, StoresScansAndNestedGuardsMeetTheSameBoundary) {
    openAndCut(5 * page);
    ReadFault fault;
    std::uint8_t previous = 0;
    EXPECT_TRUE(checkedStore(doc, 5 * page - 1, 0x5A, previous, fault));
    EXPECT_EQ(previous, before[5 * page - 1]);
    EXPECT_FALSE(storeByte(doc, 7 * page + 3, 0x11, &fault));  // stores and marks nothing
    EXPECT_EQ(fault.offset, 7 * page + 3);
    EXPECT_FALSE(doc.changes.marked(7 * page + 3));

    volatile std::int64_t reached = -1;
    auto scan = [&] {
        for (std::int64_t o = 0; o < size; ++o) {
            reached = o;
            (void)*static_cast<volatile std::uint8_t*>(doc.fileBytes + o);
        }
    };
    EXPECT_FALSE(checkedRun(doc, scan, fault));
    EXPECT_EQ(fault.offset, 5 * page);
    EXPECT_EQ(reached, 5 * page);

    // A guard inside a guard takes its own fault, and the outer work goes on.
    bool innerCaught = false, outerFinished = false;
    auto outer = [&] {
        std::uint8_t byte = 0;
        ReadFault inner;
        innerCaught = !checkedCopy(doc, 6 * page, 1, &byte, inner);
        outerFinished = true;
    };
    EXPECT_TRUE(checkedRun(doc, outer, fault));
    EXPECT_TRUE(innerCaught && outerFinished);
    EXPECT_FALSE(checkedRun(doc, scan, fault));  // and the guard still stands
}

TEST_F(UnreadableViewTest, PaintingShowsQuestionMarksAndBlanksInTheBytesColours) {
    openAndCut(3 * page);
    view.topLine = cut / 16 - 8;
    view.matchStart = cut - 2;  // a visible match across the boundary keeps its colours
    view.matchLength = 4;
    view.matchVisible = 1;
    // Laid out from a copy of the view taken before the cut: what the rows held.
    std::vector<std::uint8_t> copy = before;
    Document intact;
    intact.fileBytes = copy.data();
    intact.fileSize = doc.fileSize;
    intact.lineCount = doc.lineCount;
    intact.isModified = doc.isModified;
    PaintRuns was, now;
    const PixelRect whole{0, 0, 660, static_cast<int>(view.clientHeight)};
    layoutPaint(intact, view, whole, was);
    layoutPaint(doc, view, whole, now);
    intact.fileBytes = nullptr;
    ASSERT_EQ(now.runs.size(), was.runs.size());
    for (std::size_t r = 0; r < was.runs.size(); ++r) {
        const TextRun& run = now.runs[r];
        EXPECT_EQ(std::tie(run.cell, run.viewRow, run.length, run.textColour, run.backColour),
                  std::tie(was.runs[r].cell, was.runs[r].viewRow, was.runs[r].length, was.runs[r].textColour,
                           was.runs[r].backColour));
        for (std::uint32_t i = 0; i < run.length; ++i) {
            const std::int64_t cell = run.cell + i;
            wchar_t wanted = was.text[was.runs[r].start + i];
            if ((view.topLine + run.viewRow) * 16 >= cut && cell >= firstHexCell)
                wanted = inCharCells(cell) ? L' ' : inGapCells(cell) ? L' ' : L'?';
            EXPECT_EQ(now.text[run.start + i], wanted) << "row " << run.viewRow << " cell " << cell;
        }
    }
    EXPECT_EQ(now.unreadableRows, 41 - 8);
    EXPECT_EQ(now.unreadableError, readError());
}

TEST_F(UnreadableViewTest, SearchesAndExportsStopWithABoxAndChangeNothing) {
    openAndCut(3 * page);
    SearchState search;
    DialogButtons down, up;
    down.findHex = down.down = up.findHex = up.up = true;
    std::wcscpy(search.findWhat, L"FFFEFD");  // steps of 7: nowhere in the file
    EXPECT_EQ(searchHex(hv, search, down), 1);
    expectOneBox(BoxOwner::frame);
    EXPECT_EQ(view.searchPos, -1);
    EXPECT_EQ(view.matchLength, 0);
    EXPECT_EQ(host.status[statusPartActivity], L"Ready");
    view.searchPos = size - 1;  // up from past the cut meets it at once
    EXPECT_EQ(searchHex(hv, search, up), 1);
    expectOneBox(BoxOwner::frame);
    EXPECT_EQ(view.searchPos, size - 1);

    const auto existing = folder.file("old.txt");
    writeBytes(existing, {'o', 'l', 'd'});
    SystemError cause = 0;
    EXPECT_EQ(exportTextDump(doc, host, widePath(existing).c_str(), systemFileSystem(), &cause),
              exportUnreadable);
    EXPECT_EQ(cause, readError());
    EXPECT_EQ(readBytes(existing), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(folder.names(), (std::set<std::string>{"cut.bin", "old.txt"}));
    EXPECT_TRUE(host.boxes.empty());  // the caller reports it
}

TEST_F(UnreadableViewTest, ASaveInPlaceStopsAndASaveElsewhereWritesZerosForWhatIsLost) {
    openAndCut(3 * page);
    host.answers.push_back(answerYes);  // changed by another program: save anyway
    SaveOutcome outcome;
    EXPECT_EQ(saveDocument(doc, host, &outcome, systemFileSystem(), 2 * page), 0);
    EXPECT_EQ(outcome.failure, SaveFailure::unreadable);
    EXPECT_EQ(outcome.cause, readError());
    EXPECT_EQ(host.boxes.size(), 1u);  // the question only: the caller names the failure
    EXPECT_FALSE(doc.changes.empty());
    const auto onDisk = readBytes(path);
    EXPECT_EQ(onDisk, expected(0, static_cast<std::int64_t>(onDisk.size())));
    // Undone, the document still differs from the file, which holds the edits it wrote.
    ByteRange touched;
    ReadFault fault;
    while (undoStep(doc, touched, fault) == StepOutcome::done) continue;
    EXPECT_EQ(doc.isModified, 1);

    const auto copy = folder.file("copy.bin");
    for (std::uint32_t chunk : {std::uint32_t{5000}, std::uint32_t{1} << 30}) {
        SCOPED_TRACE(chunk);
        openAndCut(3 * page);
        std::filesystem::remove(copy);
        std::wcscpy(doc.filePath, widePath(copy).c_str());
        std::vector<std::uint8_t> salvaged = expected(0, cut);
        salvaged.resize(static_cast<std::size_t>(size), 0);
        EXPECT_EQ(saveDocument(doc, host, &outcome, systemFileSystem(), chunk), 1);
        EXPECT_EQ(outcome.unreadable, (std::vector<ByteRange>{{cut, size}}));
        EXPECT_EQ(outcome.cause, readError());
        EXPECT_EQ(readBytes(copy), salvaged);
        // The document is the file just written now: every byte of it can be read again.
        EXPECT_FALSE(findUnreadable(doc, 0, size, fault));
        EXPECT_EQ(std::vector<std::uint8_t>(doc.fileBytes, doc.fileBytes + size), salvaged);
    }
    EXPECT_EQ(folder.names(), (std::set<std::string>{"cut.bin", "copy.bin"}));
}

TEST_F(UnreadableViewTest, TypingOverALostByteChangesNothingButAWrongKeyStillBeeps) {
    openAndCut(3 * page);
    view.topLine = cut / 16;
    for (std::int64_t cell : {10, 11, 50}) {
        view.caretCell = cell;
        EXPECT_TRUE(onChar(hv, L'5'));
        expectOneBox(BoxOwner::hexView);
        EXPECT_EQ(view.caretCell, cell);
        EXPECT_FALSE(doc.changes.marked(cut));
    }
    EXPECT_EQ(doc.editCount, 0);
    // No step was left behind: the two edits before the cut are what undo takes back.
    EXPECT_EQ(doc.history.steps(), 2u);
    ByteRange touched;
    ReadFault fault;
    for (std::int64_t offset : {edits[1], edits[0]}) {
        ASSERT_EQ(undoStep(doc, touched, fault), StepOutcome::done);
        EXPECT_EQ(touched, (ByteRange{offset, offset + 1}));
        EXPECT_EQ(doc.fileBytes[offset], patternBytes(static_cast<std::size_t>(size), 3)[offset]);
    }
    EXPECT_EQ(undoStep(doc, touched, fault), StepOutcome::nothing);
    view.caretCell = 10;
    EXPECT_TRUE(onChar(hv, L'z'));
    EXPECT_EQ(host.beeps, 1);
    EXPECT_TRUE(host.boxes.empty());
}

// A copy across the cut leaves the clipboard as it was; a paste across it stores nothing,
// not even on the pages still there.
TEST_F(UnreadableViewTest, CopyAndPasteAcrossTheCutChangeNothing) {
    openAndCut(3 * page);
    host.putClipboardText(u"old");
    view.selectionAnchor = cut - 100;
    view.selectionEnd = cut + 100;
    EXPECT_EQ(copyToClipboard(hv), 0);
    expectOneBox(BoxOwner::frame);
    EXPECT_EQ(host.clipboardText(), u"old");

    host.putClipboardText(std::u16string(200, u'A'));
    view.selectionAnchor = view.selectionEnd = -1;
    view.topLine = 0;
    view.caretRow = (cut - 100) / 16;
    view.byteColumn = (cut - 100) % 16 + 1;
    view.caretCell = firstCharCell + (cut - 100) % 16;
    EXPECT_EQ(pasteFromClipboard(hv), 0);
    expectOneBox(BoxOwner::hexView);
    EXPECT_EQ(expected(cut - 100, cut),
              std::vector<std::uint8_t>(doc.fileBytes + cut - 100, doc.fileBytes + cut));
    EXPECT_FALSE(doc.changes.marked(cut - 100));
    EXPECT_EQ(changedMaskOfRow(doc, (cut - 100) / 16), 0);
    EXPECT_EQ(doc.history.steps(), 2u);
}

// A paste or a fill whose first chunk runs into the cut many pages after its start, past
// the pieces it stores at a time, leaves those pages as they were, unmarked, undoable or not.
TEST_F(UnreadableViewTest, AStoreRunningIntoTheCutPastItsFirstPiecesChangesNothing) {
    for (const bool undoable : {true, false}) {
        openAndCut(12 * page);
        const ByteFeed feed{[](void*, std::int64_t, std::int64_t n, std::uint8_t* out) { std::fill_n(out, n, 0x41); },
                            nullptr};
        ReadFault fault;
        const std::int64_t from = cut - 9 * page;
        EXPECT_EQ(storeBytes(doc, from, 12 * page, feed, PasteControl{undoable}, &fault), 0);
        EXPECT_EQ(fault.offset, limit);
        EXPECT_EQ(expected(from, cut), std::vector<std::uint8_t>(doc.fileBytes + from, doc.fileBytes + cut));
        for (std::int64_t offset = from; offset < cut; ++offset) ASSERT_FALSE(doc.changes.marked(offset)) << offset;
    }
}

// The undo or redo of a paste that the cut runs into pages after its start changes nothing:
// not the pages before the cut, not their marks. (The view is taken as one whose written
// pages may go, as when they could not be made the process's own: those it keeps survive
// the cut, and the undo with them.)
TEST_F(UnreadableViewTest, AnUndoOrRedoRunningIntoTheCutPastItsFirstPiecesChangesNothing) {
    for (const bool redo : {false, true}) {
        openAndCut(size);
        doc.ownPages = OwnPages::unknown;
        const ByteFeed feed{[](void*, std::int64_t, std::int64_t n, std::uint8_t* out) { std::fill_n(out, n, 0x41); },
                            nullptr};
        const std::int64_t from = 4 * page, to = from + 12 * page;
        ASSERT_EQ(storeBytes(doc, from, to - from, feed), to - from);
        ByteRange touched;
        ReadFault fault;
        if (redo) ASSERT_EQ(undoStep(doc, touched, fault), StepOutcome::done);
        const std::vector<std::uint8_t> held(doc.fileBytes + from, doc.fileBytes + from + 9 * page);
        ASSERT_TRUE(cutFileShort(path, static_cast<std::uintmax_t>(from + 9 * page)));
        EXPECT_EQ((redo ? redoStep : undoStep)(doc, touched, fault), StepOutcome::unreadable);
        EXPECT_EQ(fault.offset, from + 9 * page);
        EXPECT_EQ(held, std::vector<std::uint8_t>(doc.fileBytes + from, doc.fileBytes + from + 9 * page));
        for (std::int64_t offset = from; offset < from + 9 * page; ++offset)
            ASSERT_EQ(doc.changes.marked(offset), !redo) << offset;
    }
}

#ifndef _WIN32
// A fault no guard owns goes to the handler that was there before, run as the system would
// run it: on the alternate stack it asked for, with the signals it asked to block blocked.
void faultWithAHandlerBeforeTheGuards() {
    static std::vector<char> alternate(1 << 16);
    const stack_t stack{alternate.data(), 0, alternate.size()};
    sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_sigaction = [](int, siginfo_t*, void*) {
        stack_t now{};
        sigset_t blocked;
        sigaltstack(nullptr, &now);
        pthread_sigmask(SIG_SETMASK, nullptr, &blocked);
        const bool asked = sigismember(&blocked, SIGUSR1) && sigismember(&blocked, SIGSEGV);
        _exit((now.ss_flags & SS_ONSTACK) && asked ? 7 : 1);
    };
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGUSR1);
    sigaction(SIGSEGV, &action, nullptr);
    std::uint8_t byte = 0;
    GuardedFault fault;
    runGuarded(
        &byte, &byte + 1, [](void*) {}, nullptr, fault);  // the guard's handler goes in
    *static_cast<volatile char*>(mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)) = 1;
}

TEST(ReadGuardTest, AFaultNoGuardOwnsReachesTheHandlerBeforeAsTheSystemWouldRunIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: no guard installed yet
    EXPECT_EXIT(faultWithAHandlerBeforeTheGuards(), ::testing::ExitedWithCode(7), "");
}
#endif

TEST(UnreadableMessages, NameTheDocumentTheReasonAndTheStretches) {
    const std::wstring reason = systemErrorText(readError());
    EXPECT_EQ(unreadableMessage(L"", readError()), L"Could not read (untitled)\n" + reason);
    EXPECT_EQ(unreadableStatus(readError()), L"Cannot read the file: " + reason);
    UnreadableBytes lost{{}, readError()};
    for (std::int64_t i = 0; i < 11; ++i)
        lost.ranges.push_back({i * 0x10000 + 0x1000, i * 0x10000 + 0x10000});
    EXPECT_EQ(unreadableSaveMessage(L"a.bin", L"b.bin", lost),
              L"Could not read a.bin\n" + reason +
                  L"\nThese bytes were saved into b.bin as zeros:\n00001000-0000FFFF\n00011000-0001FFFF"
                  L"\n00021000-0002FFFF\n00031000-0003FFFF\n00041000-0004FFFF\n00051000-0005FFFF"
                  L"\n00061000-0006FFFF\n00071000-0007FFFF\nand 3 more");
}

}  // namespace
}  // namespace quillix::test
