// Saving over the platform's real file layer (POSIX natively, Win32 under Wine): which
// way each target is written, the calls each way makes, what a failure on any of them
// leaves, another program's changes, the file the document maps after a whole write, and
// a differential check that every save leaves exactly the user's bytes where the user
// changed them and the file's own everywhere else.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include <chrono>
#include <cstring>
#include <cwchar>
#include <map>
#include <random>
#include <set>
#include <string>

#include "cut_file.h"
#include "document/outside_change.h"
#include "document/save/save_document.h"
#include "document/save/text_dump.h"
#include "hexview/hex_view.h"
#include "faulty_file_system.h"
#include "hexview/view_state.h"
#include "recording_host.h"
#include "temp_files.h"

namespace quillix::test {
namespace {

using Calls = std::vector<std::string>;

// The calls of each way of saving, in order: a dropped flush, close or look at the
// result shows up here. Changes far apart are looked at and written a call each (readAt,
// writeAt); where they crowd a page, through a window (mapShared, unmapShared).
const Calls changedOnlyCalls(int count, const char* first, const char* second) {
    Calls calls = {"stampAt", "openExisting", "stampOf"};
    calls.insert(calls.end(), static_cast<std::size_t>(count), first);
    calls.insert(calls.end(), static_cast<std::size_t>(count), second);
    calls.insert(calls.end(), {"markWritten", "flush", "close", "stampAt"});
    return calls;
}
const Calls changedByCalls(int runs) { return changedOnlyCalls(runs, "readAt", "writeAt"); }
const Calls changedThroughWindows(int windows) {
    return changedOnlyCalls(windows, "mapShared", "unmapShared");
}
// The whole document beside the target, moved over it, then mapped in place of the
// file the view showed.
const Calls wholeBesideCalls = {"stampAt",        "finalPath", "stampAt", "createAlways", "writeAt",
                                "flush",          "close",     "replace", "stampAt",      "openExisting",
                                "mapCopyOnWrite", "stampOf",   "close"};
const Calls inPlaceCalls = {"stampAt", "openExisting", "stampOf", "writeAt", "flush", "close", "stampAt"};
// The first call whose failure is a failed write (before it, nothing can be written),
// and the look at the file written.
std::size_t firstWriting(const Calls& calls) {
    return static_cast<std::size_t>(std::find_if(calls.begin(), calls.end(),
                                                 [](const std::string& call) {
                                                     return call == "readAt" || call == "writeAt" ||
                                                            call == "mapShared";
                                                 }) -
                                    calls.begin());
}
std::size_t lookAfterWriting(const Calls& calls) {
    return static_cast<std::size_t>(
        std::find(calls.begin() + static_cast<std::ptrdiff_t>(firstWriting(calls)), calls.end(), "stampAt") -
        calls.begin());
}

const std::wstring viewKeptText =
    L" was saved, but could not be opened for viewing: the view still shows the file it showed before.";

// A file's last-write time, read and put back exactly, as a tool that restores times does
// (the library's own call keeps whole seconds only on Windows).
struct WriteTime {
#ifdef _WIN32
    explicit WriteTime(const std::filesystem::path& path)
        : file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                           nullptr)) {
        EXPECT_TRUE(GetFileTime(file, nullptr, nullptr, &time));
    }
    ~WriteTime() { CloseHandle(file); }
    void putBack() const { EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time)); }
    HANDLE file;
    FILETIME time{};
#else
    explicit WriteTime(const std::filesystem::path& path)
        : path(path), time(std::filesystem::last_write_time(path)) {}
    void putBack() const { std::filesystem::last_write_time(path, time); }
    std::filesystem::path path;
    std::filesystem::file_time_type time;
#endif
};

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
    // A new file of size pattern bytes made from seed, opened as the document.
    std::filesystem::path openNew(const std::string& name, std::size_t size, unsigned seed = 0) {
        auto path = folder.file(name);
        writeBytes(path, patternBytes(size, seed));
        open(path);
        return path;
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
    // Which file the view maps now.
    bool mapsFile(const std::filesystem::path& path) {
        FileStamp stamp;
        SystemError ignored = 0;
        return systemFileSystem().stampAt(widePath(path).c_str(), stamp, ignored) &&
               sameFile(stamp, doc.mappedFile);
    }

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
    // Another program writes single bytes and puts the file's last-write time back, so
    // that only the bytes themselves tell.
    static void writeUnseen(const std::filesystem::path& path,
                            const std::map<std::int64_t, std::uint8_t>& bytes) {
        const WriteTime time(path);
        auto content = readBytes(path);
        for (const auto& [offset, value] : bytes) content[static_cast<std::size_t>(offset)] = value;
        {
            std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
            file.write(reinterpret_cast<const char*>(content.data()),
                       static_cast<std::streamsize>(content.size()));
            ASSERT_TRUE(file.good());
        }
        time.putBack();
    }

    TempFolder folder;
    Document doc;
    ViewState view;
    RecordingHost host;
    FaultyFileSystem fs{systemFileSystem()};
    SaveOutcome outcome;
};

// Another program rewrites every byte of the file but the user's and puts the time back:
// the save writes the user's bytes and nothing else, nearby or between, whether they lie
// far apart (a call each) or crowd a page (through a window).
TEST_F(SaveTest, OnlyTheChangedBytesGoIntoTheOpenFileNeverOneMore) {
    const auto path = openNew("self.bin", 70000, 9);
    type(1, 0xAB);
    type(69999, 0xCD, EditKind::highNibble);  // a lone high nibble: its log entry is taken next
    type(69990, 0x11, EditKind::highNibble);
    auto everyOtherByte = [&](std::uint8_t value) {
        std::map<std::int64_t, std::uint8_t> theirs;
        for (std::int64_t offset = 0; offset < 70000; ++offset)
            if (!doc.changes.marked(offset)) theirs[offset] = value;
        writeUnseen(path, theirs);
        auto expected = readBytes(path);
        for (std::int64_t offset = 0; offset < 70000; ++offset)
            if (doc.changes.marked(offset))
                expected[static_cast<std::size_t>(offset)] = doc.fileBytes[offset];
        return expected;
    };
    auto expected = everyOtherByte(0xEE);
#ifndef _WIN32
    // No file call runs inside the read guard: a fault in one (on a page of the view made to
    // fault) is the system's, never taken for an unreadable page.
    fs.meanwhile = [&] { (void)*static_cast<volatile std::uint8_t*>(doc.fileBytes + 50000); };
    for (fs.meanwhileAt = 3; fs.meanwhileAt < 8; fs.meanwhileAt += 3)  // the first look, the first write
        EXPECT_DEATH((mprotect(doc.fileBytes + 12 * 4096, 4096, PROT_NONE), save()), "") << fs.meanwhileAt;
    fs.meanwhileAt = -1;
#endif

    EXPECT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::changedOnly);
    EXPECT_EQ(readBytes(path), expected);
    EXPECT_EQ(fs.log, changedByCalls(3));
    EXPECT_EQ(fs.bytesWritten, 3);
    EXPECT_EQ(fs.prefetches, 0);  // a call to bring in one byte's page costs more than its fault
    EXPECT_TRUE(doc.changes.empty());
    EXPECT_EQ(host.waitCursorShows, 0);
    EXPECT_TRUE(host.boxes.empty());
    ASSERT_FALSE(host.invalidates.empty());
    EXPECT_TRUE(host.invalidates.back().whole && host.invalidates.back().erase);
    // Nothing changed since: the file is not even opened, and keeps its time.
    const auto time = std::filesystem::last_write_time(path);
    EXPECT_EQ(save(), 1);
    EXPECT_EQ(fs.log, Calls{"stampAt"});
    EXPECT_EQ(std::filesystem::last_write_time(path), time);

    // Every other byte of a stretch: many runs to a page.
    for (std::int64_t offset = 40000; offset < 40400; offset += 2)
        type(offset, static_cast<std::uint8_t>(offset));
    expected = everyOtherByte(0xDD);
    EXPECT_EQ(save(), 1);
    EXPECT_EQ(readBytes(path), expected);
    EXPECT_EQ(fs.log, changedThroughWindows(1));
    EXPECT_TRUE(host.boxes.empty());

    // Saving moved the file's time: other programs see that it changed, and the next
    // save sees no other program's change in it.
    type(30000, 0x30);
    EXPECT_EQ(save(), 1);
    EXPECT_TRUE(host.boxes.empty());
    expected[30000] = 0x30;
    EXPECT_EQ(readBytes(path), expected);
}

// Two edits 0x40 apart with another program's byte between them, its time put back: that
// byte survives. A byte it writes under an edit is a question; one it sets to the user's
// own value is none, as writing it loses nothing.
TEST_F(SaveTest, AnotherProgramsByteBetweenTwoEditsSurvivesAndOneUnderAnEditIsAskedAbout) {
    const auto path = openNew("apart.bin", 65536, 2);
    type(0, 0x5A);
    type(0x40, 0x5B);
    writeUnseen(path, {{0x20, 0x99}});
    auto expected = readBytes(path);
    EXPECT_EQ(save(), 1);
    EXPECT_TRUE(host.boxes.empty());
    expected[0] = 0x5A;
    expected[0x40] = 0x5B;
    EXPECT_EQ(readBytes(path), expected);
    EXPECT_EQ(expected[0x20], 0x99);

    type(0x100, 0x61);
    type(0x140, 0x62);
    type(0x180, 0x63);
    writeUnseen(path, {{0x140, 0x99}, {0x180, 0x63}, {0x160, 0x98}});
    expected = readBytes(path);
    host.answers = {answerNo};
    EXPECT_EQ(save(), 0);
    EXPECT_EQ(outcome.failure, SaveFailure::declined);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(
        host.boxes[0].text,
        L"apart.bin was changed by another program after it was opened.\nSave your changes into it anyway?");
    EXPECT_EQ(host.boxes[0].style, boxChangedFileQuestion);
    EXPECT_EQ(readBytes(path), expected);
    EXPECT_EQ(doc.changes.count(), 3);

    host.answers = {answerYes};
    EXPECT_EQ(save(), 1);
    expected[0x100] = 0x61;
    expected[0x140] = 0x62;
    EXPECT_EQ(readBytes(path), expected);
    EXPECT_EQ(host.boxes.size(), 2u);

    type(0x200, 0x71);
    writeUnseen(path, {{0x200, 0x71}});
    EXPECT_EQ(save(), 1);
    EXPECT_EQ(host.boxes.size(), 2u);
}

// After Save As the document is the new file: another program's change to the old one
// reaches neither the view nor the new file, and the question speaks of the new file.
TEST_F(SaveTest, AfterSaveAsTheDocumentIsTheNewFile) {
    auto a = folder.file("a.bin");
    auto b = folder.file("b.bin");
    writeBytes(a, patternBytes(65536, 3));
    open(a);
    type(0x10, 0x01);
    setPath(b);
    ASSERT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::wholeBeside);
    EXPECT_EQ(fs.log, wholeBesideCalls);
    EXPECT_TRUE(mapsFile(b));
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(readBytes(b), viewBytes());
    auto expected = readBytes(b);

    writeBehindOurBack(a, 0x100, {0x99});
    type(0, 0xA0);
    type(0x200, 0xA2);
    EXPECT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::changedOnly);
    EXPECT_TRUE(host.boxes.empty());
    expected[0] = 0xA0;
    expected[0x200] = 0xA2;
    EXPECT_EQ(readBytes(b), expected);
    EXPECT_EQ(viewBytes(), expected);  // b's bytes, not a's new one
    EXPECT_EQ(readBytes(a)[0x100], 0x99);

    writeBehindOurBack(b, 0x300, {0x77});
    type(0x400, 0x44);
    host.answers = {answerNo};
    EXPECT_EQ(save(), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text.substr(0, 6), L"b.bin ");

    // Another program rewrites the next copy, keeping its size, before it is mapped: the view stays.
    const auto c = folder.file("c.bin");
    setPath(c);
    fs.meanwhileAt = static_cast<int>(lookAfterWriting(wholeBesideCalls)) + 1;
    fs.meanwhile = [&] { writeBehindOurBack(c, 0, {0x99}); };
    EXPECT_EQ(save(), 1);
    EXPECT_TRUE(mapsFile(b));
    EXPECT_EQ(host.boxes.back().text, L"c.bin" + viewKeptText);
}

TEST_F(SaveTest, AnotherNameGetsTheWholeDocumentBesideItAndBecomesTheDocument) {
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
        EXPECT_TRUE(mapsFile(target)) << target;
        EXPECT_EQ(host.waitCursorShows, ++shows);
        EXPECT_EQ(host.waitCursorDepth, 0);
    }
    EXPECT_TRUE(host.boxes.empty());
    // The last file written whole is where only changes go from now on.
    type(700, 0x77);
    EXPECT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::changedOnly);
    EXPECT_EQ(readBytes(shorter), viewBytes());

    // The file opened first is just another file now.
    setPath(source);
    EXPECT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::wholeBeside);
    EXPECT_EQ(readBytes(source), viewBytes());
    EXPECT_EQ(folder.names(),
              (std::set<std::string>{"source.bin", "fresh.bin", "longer.bin", "shorter.bin"}));
}

// The new file cannot be mapped, or is not found as written: the save has succeeded, a box
// says the view stays, and the view does stay. Changes then go into the new file alone,
// and the file the view maps is written in place.
TEST_F(SaveTest, AFileSavedWholeThatCannotBeMappedKeepsTheOldView) {
    auto source = folder.file("source.bin");
    auto copy = folder.file("copy.bin");
    for (std::size_t failAt = lookAfterWriting(wholeBesideCalls); failAt < wholeBesideCalls.size();
         ++failAt) {
        SCOPED_TRACE(wholeBesideCalls[failAt] + " fails");
        closeDocumentView(doc);
        writeBytes(source, patternBytes(9000, 6));
        std::filesystem::remove(copy);
        open(source);
        type(5, 0x55);
        setPath(copy);
        host.boxes.clear();
        const std::uint8_t* before = doc.fileBytes;
        EXPECT_EQ(save(static_cast<int>(failAt)), 1);
        EXPECT_EQ(outcome.failure, SaveFailure::none);
        EXPECT_EQ(readBytes(copy), viewBytes());
        EXPECT_TRUE(doc.changes.empty());
        EXPECT_EQ(fs.openFiles(), 0);
        if (wholeBesideCalls[failAt] == "close") {
            // A view, once made, stands on its own: the close does not matter.
            EXPECT_TRUE(host.boxes.empty());
            EXPECT_TRUE(mapsFile(copy));
            continue;
        }
        ASSERT_EQ(host.boxes.size(), 1u);
        const std::wstring reason = failAt == lookAfterWriting(wholeBesideCalls)
                                        ? L""
                                        : L"\n" + systemErrorText(FaultyFileSystem::injectedError);
        EXPECT_EQ(host.boxes[0].text, L"copy.bin" + viewKeptText + reason);
        EXPECT_EQ(host.boxes[0].caption, L"Quillix-64bit");
        EXPECT_EQ(host.boxes[0].style, boxWarning);
        EXPECT_EQ(host.boxes[0].owner, BoxOwner::frame);
        EXPECT_EQ(doc.fileBytes, before);
        EXPECT_TRUE(mapsFile(source));
        if (failAt == lookAfterWriting(wholeBesideCalls)) continue;  // nothing known of the copy

        // Another program changes the file the view shows: the copy gets only the
        // user's byte.
        writeBehindOurBack(source, 0x80, {0x99});
        auto expected = readBytes(copy);
        type(0x100, 0x10);
        EXPECT_EQ(save(), 1);
        EXPECT_EQ(outcome.way, SaveWay::changedOnly);
        expected[0x100] = 0x10;
        EXPECT_EQ(readBytes(copy), expected);

        // Back onto the file the view maps: whole, in place. Stopped part-way, it stays unsaved.
        type(0x200, 0x20);
        setPath(source);
        host.stopAt = host.checkpoints + 2;
        fs.failCall(-1);
        EXPECT_EQ(saveDocument(doc, host, &outcome, fs, 4096), 0);
        ByteRange touched;
        ReadFault fault;
        ASSERT_EQ(undoStep(doc, touched, fault), StepOutcome::done);
        EXPECT_EQ(doc.isModified, 1);
        EXPECT_EQ(save(), 1);
        EXPECT_EQ(fs.log, inPlaceCalls);
        EXPECT_EQ(readBytes(source), viewBytes());
        EXPECT_EQ(host.boxes.size(), 1u);
    }
}

// Another program deletes the open file; Save makes it again, with the view let go before
// the move where the name stays held until then (Windows); a failed move loses nothing.
TEST_F(SaveTest, AfterADeletionSaveMakesTheFileAgainAndAFailedMoveLosesNothing) {
    std::size_t moveAt = 0;
    for (const int round : {sizeof(wchar_t) == 2 ? 1 : 0, 1, 2}) {  // Wine hides a deleted mapped file
        SCOPED_TRACE(round);
        closeDocumentView(doc);
        const auto path = openNew("deleted.bin", 9000, 8);
        type(5, 0x55);
        auto expected = viewBytes();
        std::filesystem::remove(path);
        if (round > 0) fs.holdNameUntilUnmapped(widePath(path), doc.fileBytes);
        host.boxes.clear();
        EXPECT_EQ(save(round < 2 ? -1 : static_cast<int>(moveAt)), round < 2 ? 1 : 0);
        if (round < 2)
            moveAt = static_cast<std::size_t>(std::find(fs.log.begin(), fs.log.end(), "replace") - fs.log.begin());
        EXPECT_EQ(outcome.way, round == 0 ? SaveWay::wholeBeside : SaveWay::wholeBesideHeldName);
        if (round == 2) {
            EXPECT_EQ(outcome.failure, SaveFailure::savedAside);
            EXPECT_EQ(doc.isModified, 1);
            const auto written = folder.file(*folder.names().begin());
            EXPECT_EQ(readBytes(written), expected);
            EXPECT_TRUE(mapsFile(written));
            ASSERT_EQ(host.boxes.size(), 1u);
            const std::wstring asideText = L"deleted.bin was saved as " + widePath(written) +
                                           L", since its name is still held by the deleted file.\n" +
                                           systemErrorText(FaultyFileSystem::injectedError);
            EXPECT_EQ(host.boxes[0].text, asideText);
            // Another program still holds the deleted file: each Save tries that same copy again.
            const std::uint8_t otherHolder = 0;
            fs.holdNameUntilUnmapped(widePath(path), &otherHolder);
            for (const bool typed : {false, true}) {
                if (typed) type(7, 0x77);
                host.boxes.clear();
                EXPECT_EQ(save(), 0);
                EXPECT_EQ(outcome.way, SaveWay::copyToName);
                ASSERT_EQ(host.boxes.size(), 1u);
                EXPECT_EQ(host.boxes[0].text, asideText);
                EXPECT_EQ(folder.names(), std::set<std::string>{written.filename().string()});
                EXPECT_EQ(readBytes(written), viewBytes());
            }
            expected = viewBytes();
            fs.holdNameUntilUnmapped(widePath(path), nullptr);
            EXPECT_EQ(save(), 1);  // the name is free now: the copy takes it
        }
        EXPECT_EQ(host.boxes.size(), round < 2 ? 0u : 1u);
        EXPECT_EQ(readBytes(path), expected);
        EXPECT_EQ(viewBytes(), expected);
        EXPECT_TRUE(mapsFile(path));
        EXPECT_TRUE(doc.changes.empty());
        EXPECT_EQ(folder.names(), std::set<std::string>{"deleted.bin"});
    }
}

#ifndef _WIN32  // a symbolic link needs a privilege on Windows
// A link's target deleted while its name reads as held: Save makes it again; the link stays.
TEST_F(SaveTest, AfterADeletionBehindALinkSaveMakesTheFileItLeadsToAgain) {
    const auto target = folder.file("target.bin");
    writeBytes(target, patternBytes(9000, 4));
    const auto link = folder.file("link.bin");
    std::filesystem::create_symlink(target, link);
    open(link);
    type(5, 0x55);
    std::filesystem::remove(target);
    fs.holdNameUntilUnmapped(widePath(link), doc.fileBytes);
    EXPECT_EQ(save(), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readBytes(target), viewBytes());
    EXPECT_EQ(folder.names(), (std::set<std::string>{"link.bin", "target.bin"}));
}
#endif

// Another program's growth during a changed-bytes save stays its change, told at the next look.
TEST_F(SaveTest, AGrowthDuringAChangedBytesSaveStaysAnotherProgramsChange) {
    const auto path = openNew("growing.bin", 9000, 5);
    type(5, 0x55);
    const Calls calls = changedByCalls(1);
    fs.meanwhileAt = static_cast<int>(std::find(calls.begin(), calls.end(), "flush") - calls.begin());
    fs.meanwhile = [&] { std::ofstream(path, std::ios::binary | std::ios::app).put('\x77'); };
    EXPECT_EQ(save(), 1);
    FileStamp now;
    SystemError ignored = 0;
    ASSERT_TRUE(systemFileSystem().stampAt(widePath(path).c_str(), now, ignored));
    EXPECT_EQ(outsideChangeOf(doc, now, FileStamp{}), OutsideChange::changed);
}

TEST_F(SaveTest, ReadOnlyOrUnreachableTargetsGetNothingWritten) {
    const auto source = openNew("source.bin", 64);
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
        EXPECT_TRUE(fs.windows.empty()) << target;
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

// Every call of each way of saving, up to the look at the file written, fails in turn:
// the save reports it, a file written beside is gone, the target is as it was (or,
// written in place, holds only bytes of the view), every change stays recorded, and the
// next save completes the file.
TEST_F(SaveTest, AFailureOnAnyCallOfASaveLosesNothing) {
    auto source = folder.file("source.bin");
    auto other = folder.file("other.bin");
    const auto original = patternBytes(20000, 4);
    const auto otherBytes = patternBytes(30000, 8);
    struct Way {
        std::filesystem::path target;
        Calls calls;
        bool crowded;  // changes crowd a page
    };
    for (const Way& way : {Way{source, changedByCalls(2), false}, Way{source, changedThroughWindows(1), true},
                           Way{other, wholeBesideCalls, false}}) {
        for (std::size_t failAt = 0; failAt < lookAfterWriting(way.calls); ++failAt) {
            std::vector<FaultyFileSystem::Mode> modes = {FaultyFileSystem::Mode::fail};
            if (way.calls[failAt] == "writeAt") modes.push_back(FaultyFileSystem::Mode::shortWrite);
            for (auto mode : modes) {
                SCOPED_TRACE(way.target.filename().string() + " call " + std::to_string(failAt));
                closeDocumentView(doc);  // a mapped file cannot be rewritten from scratch
                writeBytes(source, original);
                writeBytes(other, otherBytes);
                open(source);
                type(10, 0xA1);
                type(15000, 0xB2, EditKind::lowNibble);
                for (std::int64_t offset = 100; way.crowded && offset < 164; offset += 2) type(offset, 0xC3);
                const std::int64_t changes = doc.changes.count();
                setPath(way.target);
                host.boxes.clear();

                EXPECT_EQ(save(static_cast<int>(failAt), mode), 0);
                // The call meant failed, after the ones meant to come before it.
                ASSERT_GT(fs.log.size(), failAt);
                EXPECT_TRUE(std::equal(way.calls.begin(),
                                       way.calls.begin() + static_cast<std::ptrdiff_t>(failAt) + 1,
                                       fs.log.begin()));
                EXPECT_EQ(fs.openFiles(), 0);
                EXPECT_EQ(doc.changes.count(), changes);
                EXPECT_TRUE(mapsFile(source));
                if (failAt < firstWriting(way.calls)) {
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

                // Undone to the open, the document is clean only where the file is too.
                ByteRange touched;
                ReadFault fault;
                while (undoStep(doc, touched, fault) == StepOutcome::done) continue;
                EXPECT_TRUE(way.target != source ||
                            (doc.isModified == 0) == (readBytes(source) == viewBytes()));
                // Bytes a failed save did write are the user's: no question about them.
                EXPECT_EQ(save(), 1);
                EXPECT_EQ(readBytes(way.target), viewBytes());
                EXPECT_TRUE(host.boxes.size() <= 1u);
            }
        }
    }
}

// Another program cuts the file right after the save mapped a window of it (on Windows a
// volume that goes away does the same): the save fails with the system's reason for the
// caller to report, every change stays, and the file layer maps no window past the end.
TEST_F(SaveTest, AFileCutUnderTheSavesWindowFailsTheSaveAndLosesNothing) {
    const auto path = openNew("cut.bin", 20000, 4);
    for (std::int64_t offset = 8300; offset < 8364; offset += 2) type(offset, 0xC3);  // a window on page 2
    fs.afterMapping = [&] { EXPECT_TRUE(cutFileShort(path, 4096)); };
    EXPECT_EQ(save(), 0);
    EXPECT_EQ(outcome.failure, SaveFailure::targetLost);
    EXPECT_NE(outcome.cause, 0u);
    EXPECT_EQ(doc.changes.count(), 32);
    ScopedFile file(systemFileSystem());
    std::uint8_t* window = nullptr;
    ASSERT_TRUE(systemFileSystem().openExisting(widePath(path).c_str(), file.handle(), outcome.cause));
    EXPECT_FALSE(systemFileSystem().mapShared(file.get(), 4096, 4096, window, outcome.cause));
}

// Another program changes the file while it is open. No writes nothing and keeps every
// change; Yes writes only the user's bytes, so the other program's survive everywhere
// else, also between two of the user's later changes; an appended tail stays.
TEST_F(SaveTest, AnotherProgramsChangesAreAskedAboutAndSurviveAYes) {
    const auto path = openNew("shared.bin", 16384, 3);
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
    const auto path = openNew("dated.bin", 4096, 5);
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
// shorter: after a Yes the whole document goes beside it and over it, and is the
// document from then on. (Each time the file written is one the view does not map, as
// its mapping was refused: a mapped file can be neither replaced on Windows nor cut short
// without making its pages unreadable.)
TEST_F(SaveTest, AFileReplacedOrCutByAnotherProgramGetsTheWholeDocument) {
    const auto mapping =
        static_cast<int>(std::find(wholeBesideCalls.begin(), wholeBesideCalls.end(), "mapCopyOnWrite") -
                         wholeBesideCalls.begin());
    const auto source = openNew("source.bin", 5000, 1);
    type(4, 0x44);
    auto copy = folder.file("copy.bin");
    setPath(copy);
    ASSERT_EQ(save(mapping), 1);
    EXPECT_TRUE(mapsFile(source));

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
    EXPECT_TRUE(mapsFile(copy));

    auto cut = folder.file("cut.bin");
    setPath(cut);
    ASSERT_EQ(save(mapping), 1);
    EXPECT_TRUE(mapsFile(copy));
    std::filesystem::resize_file(cut, 100);
    std::filesystem::last_write_time(cut, std::filesystem::last_write_time(cut) + std::chrono::seconds(3));
    type(11, 0x11);
    host.answers = {answerYes};
    EXPECT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::wholeBeside);
    EXPECT_EQ(readBytes(cut), viewBytes());
    EXPECT_TRUE(mapsFile(cut));
    EXPECT_EQ(host.boxes.size(), 5u);  // the view kept, two questions, the view kept, one question
}

// Random edit scripts of every kind, with another program writing bytes unseen (its time
// put back) and saves and saves under other names between them. After a save into the
// same file it holds the user's bytes where they changed and its own everywhere else, and
// the user was asked exactly when the other program wrote under a change to something
// neither the first value nor the user's; after a save under another name that file holds
// the view's bytes and is the document.
TEST_F(SaveTest, RandomScriptsSaveExactlyTheUsersBytes) {
    std::mt19937_64 random(20261208);
    for (int document = 0; document < 16; ++document) {
        const auto size = static_cast<std::int64_t>(
            document % 4 == 0   ? 1 + random() % 70
            : document % 8 == 1 ? (5 << 19) + random() % 3 - 1  // changes far apart: several windows
                                : 4096 * (1 + random() % 8) + random() % 3 - 1);
        SCOPED_TRACE("document " + std::to_string(document) + " of " + std::to_string(size) + " bytes");
        auto source = folder.file("doc" + std::to_string(document) + ".bin");
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
        writeBytes(source, bytes);
        open(source);

        // Offset -> the view's byte before its first change since the last save.
        std::map<std::int64_t, std::uint8_t> firstRead;
        auto anyOffset = [&] {
            // Often the same few bytes again, sometimes anywhere.
            return static_cast<std::int64_t>(random() % 3 == 0 ? random() % static_cast<std::uint64_t>(size)
                                                               : random() % std::min<std::int64_t>(size, 40));
        };
        int copies = 0;
        for (int step = 0; step < 120; ++step) {
            const std::filesystem::path path(doc.filePath);
            const int choice = static_cast<int>(random() % 100);
            if (choice < 80) {
                const std::int64_t offset = anyOffset();
                firstRead.emplace(offset, doc.fileBytes[offset]);
                type(offset, static_cast<std::uint8_t>(random()), static_cast<EditKind>(random() % 3));
                continue;
            }
            if (choice < 88) {
                std::map<std::int64_t, std::uint8_t> theirs;
                for (int i = 0; i < 3; ++i) {
                    auto changed = firstRead.begin();
                    std::advance(changed, firstRead.empty() ? 0 : random() % firstRead.size());
                    const bool under = !firstRead.empty() && random() % 2 == 0;
                    theirs[under ? changed->first : anyOffset()] = static_cast<std::uint8_t>(random());
                }
                writeUnseen(path, theirs);
                continue;
            }
            if (choice >= 96) {
                const auto copy =
                    folder.file("copy" + std::to_string(document) + "-" + std::to_string(copies++));
                setPath(copy);
                ASSERT_EQ(save(), 1) << step;
                EXPECT_EQ(outcome.way, SaveWay::wholeBeside);
                ASSERT_EQ(readBytes(copy), viewBytes()) << step;
                EXPECT_TRUE(mapsFile(copy));
                firstRead.clear();
                continue;
            }
            const auto before = readBytes(path);
            bool othersUnder = false;
            auto expected = before;
            for (const auto& [offset, first] : firstRead) {
                const auto at = static_cast<std::size_t>(offset);
                othersUnder = othersUnder || (before[at] != first && before[at] != doc.fileBytes[offset]);
                expected[at] = doc.fileBytes[offset];
            }
            const bool yes = random() % 2 == 0;
            host.answers = {yes ? answerYes : answerNo};
            const std::size_t boxes = host.boxes.size();
            const int saved = save();
            ASSERT_EQ(host.boxes.size() - boxes, othersUnder ? 1u : 0u) << step;
            host.answers.clear();
            if (othersUnder && !yes) {
                EXPECT_EQ(saved, 0);
                EXPECT_EQ(outcome.failure, SaveFailure::declined);
                ASSERT_EQ(readBytes(path), before) << step;
                continue;
            }
            ASSERT_EQ(saved, 1) << step;
            EXPECT_EQ(outcome.way, firstRead.empty() ? SaveWay::none : SaveWay::changedOnly);
            ASSERT_EQ(readBytes(path), expected) << step;
            firstRead.clear();
        }
        closeDocumentView(doc);
    }
}

// A whole save shows its progress as the other long operations do, and Escape stops it:
// nothing is left beside the target, which stays as it was, and every change stays.
TEST_F(SaveTest, AWholeSaveShowsItsProgressAndEscapeStopsItLeavingTheTargetAsItWas) {
    const auto source = openNew("source.bin", 4 * 4096, 1);
    type(5, 0x55);
    auto other = folder.file("other.bin");
    writeBytes(other, patternBytes(7000, 8));
    setPath(other);
    // Check-ins 150 ms apart: the third and fourth of the four chunks show.
    host.clockStep = 150;
    fs.failCall(-1);
    ASSERT_EQ(saveDocument(doc, host, &outcome, fs, 4096), 1);
    EXPECT_EQ(host.activity,
              (std::vector<std::wstring>{L"Saving\u2026 50 %", L"Saving\u2026 75 %", L"Ready"}));

    auto third = folder.file("third.bin");
    writeBytes(third, patternBytes(100, 3));
    setPath(third);
    type(6, 0x66);
    host.activity.clear();
    host.checkpoints = 0;
    host.stopAt = 3;
    fs.failCall(-1);
    EXPECT_EQ(saveDocument(doc, host, &outcome, fs, 4096), 0);
    EXPECT_EQ(outcome.failure, SaveFailure::stopped);
    EXPECT_EQ(host.checkpoints, 3);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(host.activity.back(), L"Save stopped");
    EXPECT_EQ(host.waitCursorDepth, 0);
    EXPECT_EQ(readBytes(third), patternBytes(100, 3));
    EXPECT_EQ(folder.names(), (std::set<std::string>{"source.bin", "other.bin", "third.bin"}));
    EXPECT_TRUE(doc.changes.marked(6));
    EXPECT_TRUE(mapsFile(other));

    host.stopAt = 0;
    EXPECT_EQ(save(), 1);
    EXPECT_EQ(readBytes(third), viewBytes());
}

#ifndef _WIN32
// Replacing a file keeps its permissions, and a symbolic link stays a link while the file
// it leads to gets the bytes, for saves and exports alike. (POSIX only: Wine cannot make
// a link, and keeps no permissions through ReplaceFileW.)
TEST_F(SaveTest, ReplacingAFileKeepsItsPermissionsAndALinkStaysALink) {
    namespace files = std::filesystem;
    const auto privateMode = files::perms::owner_read | files::perms::owner_write;
    const auto source = openNew("source.bin", 3000, 1);
    type(7, 0x70);
    auto kept = folder.file("private.bin");
    writeBytes(kept, patternBytes(10, 2));
    files::permissions(kept, privateMode, files::perm_options::replace);
    setPath(kept);
    ASSERT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::wholeBeside);
    EXPECT_EQ(files::status(kept).permissions(), privateMode);
    EXPECT_EQ(readBytes(kept), viewBytes());

    const auto sub = folder.file("sub");
    files::create_directory(sub);
    const auto real = sub / "real.bin";
    writeBytes(real, patternBytes(20, 3));
    files::permissions(real, privateMode, files::perm_options::replace);
    const auto link = folder.file("link.bin");
    const auto chain = folder.file("chain.bin");
    files::create_symlink("sub/real.bin", link);  // relative to the link's folder
    files::create_symlink(link, chain);
    type(8, 0x80);
    setPath(chain);
    ASSERT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::wholeBeside);
    EXPECT_EQ(files::read_symlink(link), files::path("sub/real.bin"));
    EXPECT_EQ(files::read_symlink(chain), link);
    EXPECT_EQ(readBytes(real), viewBytes());
    EXPECT_EQ(files::status(real).permissions(), privateMode);
    EXPECT_TRUE(mapsFile(real));
    EXPECT_EQ(folder.names(),
              (std::set<std::string>{"source.bin", "private.bin", "sub", "link.bin", "chain.bin"}));
    EXPECT_EQ(files::directory_iterator(sub)->path().filename(), "real.bin");

    // Later saves go through the links into the same file.
    type(9, 0x90);
    ASSERT_EQ(save(), 1);
    EXPECT_EQ(outcome.way, SaveWay::changedOnly);
    EXPECT_EQ(readBytes(real), viewBytes());
    EXPECT_TRUE(files::is_symlink(files::symlink_status(chain)));

    const auto dump = sub / "dump.txt";
    const auto dumpLink = folder.file("dump-link.txt");
    writeBytes(dump, {'x'});
    files::create_symlink("sub/dump.txt", dumpLink);
    EXPECT_EQ(exportTextDump(doc, host, widePath(dumpLink).c_str(), fs), 1);
    EXPECT_TRUE(files::is_symlink(files::symlink_status(dumpLink)));
    EXPECT_EQ(files::file_size(dump), static_cast<std::uintmax_t>(textDumpSize(doc.fileSize)));
}
#endif

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

    const auto source = openNew("pieces.bin", 10000, 4);
    type(9999, 0x42);
    setPath(folder.file("pieces-copy.bin"));
    fs.failCall(-1);
    ASSERT_EQ(saveDocument(doc, host, &outcome, fs, 4096), 1);
    EXPECT_EQ(outcome.way, SaveWay::wholeBeside);
    EXPECT_EQ(fs.spans.size(), 3u);
    EXPECT_EQ(fs.prefetches, 0);
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
    EXPECT_EQ(fs.prefetches, static_cast<int>(fs.spans.size()));  // each big piece in one call
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
    const auto path = openNew("memory.bin", size, 3);
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
            const std::uint16_t maskBefore = changedMaskOfRow(doc, offset / 16);
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
            ASSERT_EQ(changedMaskOfRow(doc, offset / 16), maskBefore) << edit;
        }
    }
    ASSERT_GT(refusals, 10);  // the tables and the log grew many times over
    ASSERT_EQ(viewBytes(), model);
    ASSERT_EQ(doc.changes.count(), static_cast<std::int64_t>(changed.size()));
    for (std::int64_t offset : changed) ASSERT_TRUE(doc.changes.marked(offset)) << offset;
    // The red marks are exactly the accepted edits.
    std::vector<std::uint16_t> masks(size / 16);
    for (std::int64_t offset : changed)
        masks[static_cast<std::size_t>(offset / 16)] |= static_cast<std::uint16_t>(1u << (offset % 16));
    for (std::int64_t row = 0; row < size / 16; ++row)
        ASSERT_EQ(changedMaskOfRow(doc, row), masks[static_cast<std::size_t>(row)]) << row;

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
