// Saving over the platform's real file layer (POSIX natively, Win32 under Wine): which
// way each target is written, the calls each way makes, what a failure on any of them
// leaves, another program's changes, and a differential check that every save leaves
// exactly the view's bytes on disk.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <cwchar>
#include <random>
#include <set>
#include <string>

#include "document/document.h"
#include "hexview/hex_view.h"
#include "faulty_file_system.h"
#include "hexview/view_state.h"
#include "recording_host.h"
#include "temp_files.h"

namespace quillix::test {
namespace {

using Calls = std::vector<std::string>;

// The calls of each way of saving, in order: a dropped flush, close or look at the
// result shows up here.
const Calls changedOnlyCalls(int writes) {
    Calls calls = {"stampAt", "openExisting", "stampOf"};
    calls.insert(calls.end(), static_cast<std::size_t>(writes), "writeAt");
    calls.insert(calls.end(), {"flush", "close", "stampAt"});
    return calls;
}
const Calls wholeBesideCalls = {"stampAt", "stampAt", "createAlways", "writeAt",
                                "flush",   "close",   "replace",      "stampAt"};

class SaveTest : public ::testing::Test {
protected:
    void TearDown() override {
        closeDocumentView(doc);
        releaseEditLog(doc);
    }

    void open(const std::filesystem::path& path) {
        SystemError cause = 0;
        ASSERT_EQ(openDocument(doc, view, host, widePath(path).c_str(), cause), 1) << path;
        setPath(path);
        resetEditLog(doc);
        doc.isModified = 0;
        host.waitCursorShows = 0;  // the open's own
    }
    void setPath(const std::filesystem::path& path) {
        const std::wstring text = widePath(path);
        ASSERT_LE(text.size(), static_cast<std::size_t>(filePathChars));
        std::wcscpy(doc.filePath, text.c_str());
        const std::wstring name = path.filename().wstring();
        std::wcscpy(doc.fileTitle, name.c_str());
    }
    // Overwrites a byte as typing does: room in the log, the store with its mark, the entry.
    void type(std::int64_t offset, std::uint8_t value, EditKind kind = EditKind::character) {
        ASSERT_TRUE(reserveEdit(doc, kind));
        ASSERT_TRUE(storeByte(doc, offset, value));
        recordEdit(doc, kind, offset);
        doc.isModified = 1;
    }
    std::vector<std::uint8_t> viewBytes() const { return {doc.fileBytes, doc.fileBytes + doc.fileSize}; }

    // A save through the logging layer, every call let through unless failAt says otherwise.
    int save(int failAt = -1, FaultyFileSystem::Mode mode = FaultyFileSystem::Mode::fail) {
        fs.failCall(failAt, mode);
        return saveDocument(doc, host, &outcome, fs);
    }

    // Another program writes bytes into the file and, to be sure the file system's clock
    // moved, dates the change a little later (or, like a tool that restores times, earlier).
    static void writeBehindOurBack(const std::filesystem::path& path, std::int64_t offset,
                                   const std::vector<std::uint8_t>& bytes,
                                   std::chrono::seconds dated = std::chrono::seconds(3)) {
        {
            std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(offset);
            file.write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
            ASSERT_TRUE(file.good());
        }
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + dated);
    }

    TempFolder folder;
    Document doc;
    ViewState view;
    RecordingHost host;
    FaultyFileSystem fs{systemFileSystem()};
    SaveOutcome outcome;
};

TEST_F(SaveTest, OnlyTheChangedBytesGoIntoTheOpenFileNearbyOnesInOneWrite) {
    auto path = folder.file("self.bin");
    writeBytes(path, patternBytes(70000, 9));
    open(path);
    type(1, 0xAB);
    type(69999, 0xCD, EditKind::highNibble);  // a lone high nibble: its log entry is taken next
    type(69990, 0x11, EditKind::highNibble);

    EXPECT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::changedOnly);
    EXPECT_EQ(readBytes(path), viewBytes());
    EXPECT_EQ(fs.log, changedOnlyCalls(2));
    EXPECT_EQ(fs.bytesWritten, 1 + 10);  // 69990 .. 69999, the bytes between them included
    EXPECT_TRUE(doc.changes.empty());
    EXPECT_EQ(host.waitCursorShows, 0);
    EXPECT_TRUE(host.boxes.empty());
    ASSERT_FALSE(host.invalidates.empty());
    EXPECT_TRUE(host.invalidates.back().whole && host.invalidates.back().erase);

    // Changes within a page of each other are one write; the next save writes only them.
    type(500, 1);
    type(600, 2);
    type(3000, 3);
    EXPECT_EQ(save(), 1);
    EXPECT_EQ(fs.log, changedOnlyCalls(1));
    EXPECT_EQ(fs.bytesWritten, 2501);
    EXPECT_EQ(readBytes(path), viewBytes());
}

TEST_F(SaveTest, AnotherNameGetsTheWholeDocumentBesideItThenOnlyChanges) {
    auto source = folder.file("source.bin");
    const auto original = patternBytes(1234, 5);
    writeBytes(source, original);
    open(source);
    type(0, 0xEE);

    auto fresh = folder.file("fresh.bin");
    auto longer = folder.file("longer.bin");
    auto shorter = folder.file("shorter.bin");
    writeBytes(longer, patternBytes(9999, 1));
    writeBytes(shorter, patternBytes(10, 2));
    int shows = 0;
    for (const auto& target : {fresh, longer, shorter}) {
        setPath(target);
        EXPECT_EQ(save(), 1) << target;
        EXPECT_EQ(outcome.way, SaveWay::wholeBeside) << target;
        EXPECT_EQ(fs.log, wholeBesideCalls) << target;
        EXPECT_EQ(readBytes(target), viewBytes()) << target;  // no stale tail, no short file
        EXPECT_EQ(host.waitCursorShows, ++shows);
        EXPECT_EQ(host.waitCursorDepth, 0);
    }
    // The last file written whole is where only changes go from now on.
    type(700, 0x77);
    EXPECT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::changedOnly);
    EXPECT_EQ(fs.bytesWritten, 1);
    EXPECT_EQ(readBytes(shorter), viewBytes());

    // Back onto the file the view maps, which cannot be replaced: whole, in place.
    setPath(source);
    EXPECT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::wholeInPlace);
    EXPECT_EQ(readBytes(source), viewBytes());
    EXPECT_EQ(folder.names(),
              (std::set<std::string>{"source.bin", "fresh.bin", "longer.bin", "shorter.bin"}));
}

TEST_F(SaveTest, ReadOnlyOrUnreachableTargetsGetNothingWritten) {
    auto source = folder.file("source.bin");
    writeBytes(source, patternBytes(64));
    open(source);
    type(3, 0x33);

    auto locked = folder.file("locked.bin");
    writeBytes(locked, patternBytes(100, 7));
    const auto noWrite = std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                         std::filesystem::perms::others_write;
    std::filesystem::permissions(locked, noWrite, std::filesystem::perm_options::remove);
    std::filesystem::permissions(source, noWrite, std::filesystem::perm_options::remove);

    for (const auto& target : {folder.file("no-such-folder") / "x.bin", locked, source}) {
        setPath(target);
        EXPECT_EQ(save(), 0) << target;
        EXPECT_EQ(outcome.failure, SaveFailure::cannotOpen) << target;
        EXPECT_EQ(outcome.way, SaveWay::none) << target;
        EXPECT_EQ(std::count(fs.log.begin(), fs.log.end(), "writeAt"), 0) << target;
    }
    EXPECT_EQ(outcome.cause, accessDeniedError());
    EXPECT_TRUE(host.boxes.empty());  // the caller says it
    EXPECT_EQ(readBytes(locked), patternBytes(100, 7));
    EXPECT_EQ(readBytes(source), patternBytes(64));
    EXPECT_TRUE(doc.changes.marked(3));
    for (const auto& path : {source, locked})
        std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
}

// Every call of each way of saving fails in turn: the save reports it, a file written
// beside is gone, the target is as it was (or, written in place, holds only bytes of the
// view), every change stays recorded, and the next save completes the file.
TEST_F(SaveTest, AFailureOnAnyCallOfASaveLosesNothing) {
    auto source = folder.file("source.bin");
    auto other = folder.file("other.bin");
    const auto original = patternBytes(20000, 4);
    const auto otherBytes = patternBytes(30000, 8);
    struct Way {
        std::filesystem::path target;
        Calls calls;
    };
    for (const Way& way : {Way{source, changedOnlyCalls(2)}, Way{other, wholeBesideCalls}}) {
        const auto firstWrite =
            static_cast<int>(std::find(way.calls.begin(), way.calls.end(), "writeAt") - way.calls.begin());
        const int lastLook = static_cast<int>(way.calls.size()) - 1;
        for (int failAt = 0; failAt <= lastLook; ++failAt) {
            std::vector<FaultyFileSystem::Mode> modes = {FaultyFileSystem::Mode::fail};
            if (way.calls[static_cast<std::size_t>(failAt)] == "writeAt")
                modes.push_back(FaultyFileSystem::Mode::shortWrite);
            for (auto mode : modes) {
                SCOPED_TRACE(way.target.filename().string() + " call " + std::to_string(failAt));
                closeDocumentView(doc);  // a mapped file cannot be rewritten from scratch
                writeBytes(source, original);
                writeBytes(other, otherBytes);
                open(source);
                type(10, 0xA1);
                type(15000, 0xB2, EditKind::lowNibble);
                setPath(way.target);
                host.boxes.clear();

                const int result = save(failAt, mode);
                EXPECT_EQ(fs.openFiles(), 0);
                if (failAt == lastLook) {
                    // Looking at the file once it is written is not part of writing it.
                    EXPECT_EQ(result, 1);
                    EXPECT_EQ(readBytes(way.target), viewBytes());
                    continue;
                }
                EXPECT_EQ(result, 0);
                EXPECT_EQ(doc.changes.count(), 2);
                if (failAt < firstWrite) {
                    EXPECT_EQ(outcome.failure, SaveFailure::cannotOpen);
                    EXPECT_TRUE(host.boxes.empty());
                } else {
                    EXPECT_EQ(outcome.failure, SaveFailure::writeFailed);
                    ASSERT_EQ(host.boxes.size(), 1u);
                    EXPECT_EQ(host.boxes[0].text,
                              L"File write sharing violation!\n" + systemErrorText(outcome.cause));
                    EXPECT_NE(outcome.cause, 0u);
                    EXPECT_EQ(host.boxes[0].caption, L"Quillix");
                    EXPECT_EQ(host.boxes[0].style, boxError);
                    EXPECT_EQ(host.boxes[0].owner, BoxOwner::frame);
                }
                if (way.target == other) {
                    EXPECT_EQ(readBytes(other), otherBytes);
                }
                EXPECT_EQ(folder.names(), (std::set<std::string>{"source.bin", "other.bin"}));

                EXPECT_EQ(save(), 1);
                EXPECT_EQ(readBytes(way.target), viewBytes());
                EXPECT_TRUE(host.boxes.size() <= 1u);
            }
        }
    }
}

// Another program changes the file while it is open. No writes nothing and keeps every
// change; Yes writes only the user's bytes, so the other program's survive everywhere
// else, also between two of the user's later changes; an appended tail stays.
TEST_F(SaveTest, AnotherProgramsChangesAreAskedAboutAndSurviveAYes) {
    auto path = folder.file("shared.bin");
    writeBytes(path, patternBytes(16384, 3));
    open(path);
    type(0, 0x5A);
    const std::vector<std::uint8_t> theirs(100, 0xC3);
    writeBehindOurBack(path, 100, theirs);
    auto expected = readBytes(path);

    host.answers = {answerNo};
    EXPECT_EQ(save(), 0);
    EXPECT_EQ(outcome.failure, SaveFailure::declined);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(
        host.boxes[0].text,
        L"shared.bin was changed by another program after it was opened.\nSave your changes into it anyway?");
    EXPECT_EQ(host.boxes[0].caption, L"Quillix-64bit");
    EXPECT_EQ(host.boxes[0].style, boxChangedFileQuestion);
    EXPECT_EQ(host.boxes[0].owner, BoxOwner::frame);
    EXPECT_EQ(readBytes(path), expected);
    EXPECT_TRUE(doc.changes.marked(0));

    host.answers = {answerYes};
    EXPECT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::changedOnly);
    expected[0] = 0x5A;
    EXPECT_EQ(readBytes(path), expected);

    // Nothing changed since: no question. Two changes around the other program's bytes
    // are written apart, never with the view's stale copy of what lies between.
    host.boxes.clear();
    type(50, 0x01);
    type(250, 0x02);
    EXPECT_EQ(save(), 1);
    EXPECT_TRUE(host.boxes.empty());
    expected[50] = 0x01;
    expected[250] = 0x02;
    EXPECT_EQ(readBytes(path), expected);

    // A tail another program appends is kept: the open file is never cut.
    {
        std::ofstream tail(path, std::ios::binary | std::ios::app);
        tail.write("TAIL", 4);
    }
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(3));
    type(16383, 0x7F);
    host.answers = {answerYes};
    EXPECT_EQ(save(), 1);
    expected[16383] = 0x7F;
    expected.insert(expected.end(), {'T', 'A', 'I', 'L'});
    EXPECT_EQ(readBytes(path), expected);
}

// A change dated before the open (a tool that restores times, a clock stepped back) is
// another program's change all the same.
TEST_F(SaveTest, AChangeDatedBackIsAskedAboutToo) {
    auto path = folder.file("dated.bin");
    writeBytes(path, patternBytes(4096, 5));
    open(path);
    type(0, 0x5A);
    writeBehindOurBack(path, 100, std::vector<std::uint8_t>(8, 0xC3), -std::chrono::seconds(60));
    const auto theirs = readBytes(path);

    host.answers = {answerNo};
    EXPECT_EQ(save(), 0);
    EXPECT_EQ(outcome.failure, SaveFailure::declined);
    EXPECT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(readBytes(path), theirs);
}

// The file last written in full is replaced by another program's new version, or cut
// shorter: after a Yes the whole document goes beside it and over it.
TEST_F(SaveTest, AFileReplacedOrCutByAnotherProgramGetsTheWholeDocument) {
    auto source = folder.file("source.bin");
    writeBytes(source, patternBytes(5000, 1));
    open(source);
    type(4, 0x44);
    auto copy = folder.file("copy.bin");
    setPath(copy);
    ASSERT_EQ(save(), 1);

    auto newer = folder.file("newer.bin");
    writeBytes(newer, patternBytes(5000, 99));
    std::filesystem::rename(newer, copy);
    type(9, 0x99);
    host.answers = {answerNo, answerYes};
    EXPECT_EQ(save(), 0);
    EXPECT_EQ(outcome.failure, SaveFailure::declined);
    EXPECT_EQ(readBytes(copy), patternBytes(5000, 99));
    EXPECT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::wholeBeside);
    EXPECT_EQ(readBytes(copy), viewBytes());

    std::filesystem::resize_file(copy, 100);
    std::filesystem::last_write_time(copy, std::filesystem::last_write_time(copy) + std::chrono::seconds(3));
    type(11, 0x11);
    host.answers = {answerYes};
    EXPECT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::wholeBeside);
    EXPECT_EQ(readBytes(copy), viewBytes());
    EXPECT_EQ(host.boxes.size(), 3u);
}

// Random edit scripts of every kind, with saves and saves under other names between them:
// after each save the file holds exactly the view's bytes, as a whole write would leave
// it, and a save into the same file wrote no more than the span of the changed bytes.
TEST_F(SaveTest, RandomScriptsSaveExactlyWhatAWholeWriteWould) {
    std::mt19937_64 random(20261208);
    for (int document = 0; document < 16; ++document) {
        const auto size = static_cast<std::int64_t>(
            document % 4 == 0 ? 1 + random() % 70 : 4096 * (1 + random() % 8) + random() % 3 - 1);
        SCOPED_TRACE("document " + std::to_string(document) + " of " + std::to_string(size) + " bytes");
        auto source = folder.file("doc" + std::to_string(document) + ".bin");
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
        writeBytes(source, bytes);
        open(source);

        std::set<std::int64_t> changed;  // the bytes a save into the same file must write
        int copies = 0;
        for (int step = 0; step < 120; ++step) {
            const int choice = static_cast<int>(random() % 100);
            if (choice < 88) {
                // Often the same few bytes again, sometimes anywhere.
                const std::int64_t offset = static_cast<std::int64_t>(
                    random() % 3 == 0 ? random() % static_cast<std::uint64_t>(size)
                                      : random() % std::min<std::int64_t>(size, 40));
                const auto kind = static_cast<EditKind>(random() % 3);
                type(offset, static_cast<std::uint8_t>(random()), kind);
                changed.insert(offset);
                continue;
            }
            const bool otherName = choice >= 96;
            if (otherName)
                setPath(folder.file("copy" + std::to_string(document) + "-" + std::to_string(copies++)));
            ASSERT_EQ(save(), 1) << step;
            ASSERT_EQ(readBytes(std::filesystem::path(doc.filePath)), viewBytes()) << step;
            if (otherName) {
                EXPECT_EQ(outcome.way, SaveWay::wholeBeside);
            } else {
                EXPECT_EQ(outcome.way, SaveWay::changedOnly);
                EXPECT_GE(fs.bytesWritten, static_cast<std::int64_t>(changed.size()));
                if (!changed.empty()) {
                    EXPECT_LE(fs.bytesWritten, *changed.rbegin() - *changed.begin() + 1);
                }
            }
            changed.clear();
        }
        closeDocumentView(doc);
    }
}

// A whole save hands the system pieces of at most the chunk size, one after another
// from offset 0 to the end: with a small chunk a small document goes in pieces too, and a
// 4 GiB document is counted out in pieces well below four gigabytes whatever the chunk.
TEST_F(SaveTest, AWholeSaveHandsOverTheDocumentInPiecesOfAtMostTheChunk) {
    auto expectPieces = [&](std::int64_t size, std::uint32_t chunk) {
        std::int64_t next = 0;
        for (const auto& [offset, length] : fs.spans) {
            EXPECT_EQ(offset, next);
            EXPECT_GT(length, 0u);
            EXPECT_LE(length, chunk);
            next = offset + length;
        }
        EXPECT_EQ(next, size);
    };

    auto source = folder.file("pieces.bin");
    writeBytes(source, patternBytes(10000, 4));
    open(source);
    type(9999, 0x42);
    setPath(folder.file("pieces-copy.bin"));
    fs.failCall(-1);
    ASSERT_EQ(saveDocument(doc, host, &outcome, fs, 4096), 1);
    EXPECT_EQ(outcome.way, SaveWay::wholeBeside);
    EXPECT_EQ(fs.spans.size(), 3u);
    expectPieces(10000, 4096);
    EXPECT_EQ(readBytes(folder.file("pieces-copy.bin")), viewBytes());
    closeDocumentView(doc);

    auto huge = folder.file("4g.bin");
    makeSparse(huge, static_cast<std::uintmax_t>(maxDocumentSize));
    open(huge);
    setPath(folder.file("4g-copy.bin"));
    fs.failCall(-1);
    fs.discardWrites = true;  // counted, not written: no 4 GiB of disk needed
    ASSERT_EQ(saveDocument(doc, host, &outcome, fs), 1);
    expectPieces(maxDocumentSize, saveChunkBytes);
}

// Counts the requests for the document's record memory and refuses the one numbered
// refuseAt (from 1).
struct AllocationCounter {
    static inline int requests = 0;
    static inline int refuseAt = 0;
    static bool check(std::size_t) { return ++requests != refuseAt; }
};

struct CountedAllocations {
    CountedAllocations() { allocationCheck = AllocationCounter::check; }
    ~CountedAllocations() { allocationCheck = nullptr; }
};

// Typed edits where each memory request the edit path makes is refused in turn: a
// refused edit changes nothing (byte, mark, log, flag), and the accepted ones all reach
// the disk with the next save.
TEST_F(SaveTest, AnEditRefusedForWantOfMemoryChangesNothingAndEveryAcceptedOneIsSaved) {
    constexpr std::int64_t size = 4096;
    auto path = folder.file("memory.bin");
    writeBytes(path, patternBytes(size, 3));
    open(path);
    view.lineHeight = 18;
    view.charWidth = 10;
    view.clientHeight = 18 * (size / 16 + 4);
    const HexView hv{doc, view, host};
    onSize(hv);

    std::vector<std::uint8_t> model = viewBytes();
    std::set<std::int64_t> changed;
    std::mt19937 random(17);
    int refusals = 0;
    const CountedAllocations counted;
    for (int edit = 0; edit < 400; ++edit) {
        const auto offset = static_cast<std::int64_t>(random() % size);
        const int column = static_cast<int>(offset % 16);
        const int area = static_cast<int>(random() % 3);  // high nibble, low nibble, character
        const int digit = static_cast<int>(random() % 16);
        const unsigned unit =
            area == 2 ? 32 + random() % 95 : static_cast<unsigned>("0123456789abcdef"[digit]);
        const std::uint8_t old = model[static_cast<std::size_t>(offset)];
        const std::uint8_t value = area == 0   ? static_cast<std::uint8_t>(digit << 4 | (old & 0x0F))
                                   : area == 1 ? static_cast<std::uint8_t>((old & 0xF0) | digit)
                                               : static_cast<std::uint8_t>(unit);
        for (int refuseAt = 1;; ++refuseAt) {
            const std::int64_t countBefore = doc.editCount;
            const std::uint16_t maskBefore = editedMaskOfRow(doc, offset / 16);
            const std::size_t boxesBefore = host.boxes.size();
            view.topLine = 0;
            view.caretRow = offset / 16;
            view.byteColumn = column + 1;
            view.caretCell =
                area == 2 ? firstCharCell + column : highCellOf[static_cast<std::size_t>(column + 1)] + area;
            AllocationCounter::requests = 0;
            AllocationCounter::refuseAt = refuseAt;
            ASSERT_TRUE(onChar(hv, unit));
            if (AllocationCounter::requests < refuseAt) {
                // Every request this edit made was granted: it went through.
                ASSERT_EQ(host.boxes.size(), boxesBefore) << edit;
                model[static_cast<std::size_t>(offset)] = value;
                changed.insert(offset);
                break;
            }
            ++refusals;
            ASSERT_EQ(host.boxes.size(), boxesBefore + 1) << edit;
            EXPECT_EQ(host.boxes.back().text, L"Not enough memory to record this edit!");
            ASSERT_EQ(doc.fileBytes[offset], old) << edit;
            ASSERT_EQ(doc.changes.marked(offset), changed.count(offset) == 1) << edit;
            ASSERT_EQ(doc.editCount, countBefore) << edit;
            ASSERT_EQ(editedMaskOfRow(doc, offset / 16), maskBefore) << edit;
        }
    }
    ASSERT_GT(refusals, 10);  // the tables and the log grew many times over
    ASSERT_EQ(viewBytes(), model);
    ASSERT_EQ(doc.changes.count(), static_cast<std::int64_t>(changed.size()));
    for (std::int64_t offset : changed) ASSERT_TRUE(doc.changes.marked(offset)) << offset;
    // The painter's index still agrees with the log it indexes.
    std::vector<std::uint16_t> masks(size / 16);
    for (std::int64_t i = 0; i <= doc.editCount; ++i)
        if (doc.editLog.entries[i] >= 0)
            masks[static_cast<std::size_t>(doc.editLog.entries[i] / 16)] |=
                static_cast<std::uint16_t>(1u << (doc.editLog.entries[i] % 16));
    for (std::int64_t row = 0; row < size / 16; ++row)
        ASSERT_EQ(editedMaskOfRow(doc, row), masks[static_cast<std::size_t>(row)]) << row;

    allocationCheck = nullptr;
    ASSERT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::changedOnly);
    EXPECT_EQ(readBytes(path), model);
}

// Needs over 8 GiB of free disk: the 4 GiB file to open and the 4 GiB written by the save.
TEST_F(SaveTest, SlowFourGibDocumentIsSavedWholeInSeveralWrites) {
    auto source = folder.file("4g.bin");
    makeSparse(source, static_cast<std::uintmax_t>(maxDocumentSize));
    open(source);
    ASSERT_EQ(doc.fileSize, maxDocumentSize);
    type(0, 0x5A);
    type(maxDocumentSize - 1, 0xA5);

    // Into the open file: two bytes, in place.
    EXPECT_EQ(save(), 1);
    EXPECT_EQ(fs.bytesWritten, 2);

    auto target = folder.file("4g-copy.bin");
    setPath(target);
    ASSERT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::wholeBeside);
    EXPECT_GT(std::count(fs.log.begin(), fs.log.end(), "writeAt"), 1);
    EXPECT_EQ(fs.bytesWritten, maxDocumentSize);
    EXPECT_EQ(std::filesystem::file_size(target), static_cast<std::uintmax_t>(maxDocumentSize));
    for (const auto& path : {source, target}) {
        std::ifstream in(path, std::ios::binary);
        char first = 0, last = 0;
        in.read(&first, 1);
        in.seekg(static_cast<std::streamoff>(maxDocumentSize - 1));
        in.read(&last, 1);
        EXPECT_EQ(static_cast<unsigned char>(first), 0x5A) << path;
        EXPECT_EQ(static_cast<unsigned char>(last), 0xA5) << path;
    }
}

}  // namespace
}  // namespace quillix::test
