// Another program changes the open file between the user's steps: noticed, and theirs plus mine.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "cut_file.h"
#include "document/outside_change.h"
#include "document/save/save_document.h"
#include "faulty_file_system.h"
#include "recording_host.h"
#include "temp_files.h"

namespace quillix::test {
namespace {

constexpr bool onWindows = sizeof(wchar_t) == 2;  // where no program may cut a mapped file

using Bytes = std::vector<std::uint8_t>;

// Writes bytes at offset, each write dated further on: a file time may keep whole seconds.
void writeAsOther(const std::filesystem::path& path, std::int64_t offset, const Bytes& bytes) {
    static int writes = 0;
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(offset).write(reinterpret_cast<const char*>(bytes.data()),
                             static_cast<std::streamsize>(bytes.size()));
    file.close();
    const auto later = std::chrono::seconds(3 * ++writes);
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + later);
}

FileStamp stampAt(const std::filesystem::path& path) {
    FileStamp stamp;
    SystemError ignored = 0;
    systemFileSystem().stampAt(path.wstring().c_str(), stamp, ignored);
    return stamp;
}

TEST(OutsideChange, TheirsPlusMineAfterWritesGrowthAndCutsUndoesToTheirsAndSavesOnlyMine) {
    TempFolder folder;
    std::mt19937 random(29);
    auto below = [&](std::size_t n) { return static_cast<std::int64_t>(random() % n); };
    RecordingHost host;
    int wholeSaves = 0;
    for (int round = 0; round < 24; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const auto path = folder.file("shared" + std::to_string(round) + ".bin");
        // Every other file long enough for pastes that fill pages, which the record keeps
        // apart, relying on the view where it keeps them.
        const bool pages = round % 2 == 1;
        Bytes file(static_cast<std::size_t>(1 + below(pages ? 12000 : 2000)));
        for (auto& b : file) b = static_cast<std::uint8_t>(random());
        writeBytes(path, file);
        Document doc;
        SystemError cause = 0;
        ASSERT_EQ(openDocument(doc, path.wstring().c_str(), cause), 1);
        std::wcscpy(doc.filePath, path.wstring().c_str());
        std::map<std::int64_t, std::uint8_t> mine;
        for (int cycle = 0; cycle < 3; ++cycle) {
            for (int step = 0; step < 1 + below(30); ++step) {
                const std::int64_t offset = below(static_cast<std::size_t>(doc.fileSize));
                ASSERT_TRUE(storeByte(doc, offset, mine[offset] = static_cast<std::uint8_t>(random())));
            }
            if (pages) {
                const std::int64_t offset = below(static_cast<std::size_t>(doc.fileSize));
                Bytes pasted(static_cast<std::size_t>(1 + below(static_cast<std::size_t>(doc.fileSize - offset))));
                for (std::size_t i = 0; i < pasted.size(); ++i)
                    pasted[i] = mine[offset + static_cast<std::int64_t>(i)] = static_cast<std::uint8_t>(random());
                const ByteFeed feed{[](void* from, std::int64_t at, std::int64_t n, std::uint8_t* out) {
                                        std::copy_n(static_cast<const std::uint8_t*>(from) + at, n, out);
                                    },
                                    pasted.data()};
                ASSERT_EQ(storeBytes(doc, offset, std::ssize(pasted), feed), std::ssize(pasted));
            }
            // Another program writes over a changed byte and beside it, grows or cuts the file.
            const int kind = static_cast<int>(below(3));
            if (kind == 2 && file.size() > 1 && !onWindows) {
                file.resize(static_cast<std::size_t>(1 + below(file.size() - 1)));
                ASSERT_TRUE(cutFileShort(path, file.size()));
            } else {
                writeAsOther(path, mine.begin()->first, {0xEE});
                writeAsOther(
                    path, kind == 1 ? static_cast<std::int64_t>(file.size()) : below(file.size()),
                    Bytes(static_cast<std::size_t>(1 + below(300)), static_cast<std::uint8_t>(random())));
                file = readBytes(path);
            }
            ASSERT_EQ(outsideChangeOf(doc, stampAt(path), FileStamp{}), OutsideChange::changed);
            const std::uint64_t byteChanges = doc.byteChanges;
            const std::size_t size = std::max(file.size(), static_cast<std::size_t>(doc.fileSize));
            std::int64_t pastEnd = -1;
            ASSERT_EQ(mergeOutsideChange(doc, pastEnd, cause), 1);
            Bytes expected(file);
            expected.resize(size);
            for (auto [offset, value] : mine) expected[static_cast<std::size_t>(offset)] = value;
            ASSERT_EQ(Bytes(doc.fileBytes, doc.fileBytes + doc.fileSize), expected);
            EXPECT_EQ(pastEnd, static_cast<std::int64_t>(size - file.size()));
            EXPECT_GT(doc.byteChanges, byteChanges);
            EXPECT_EQ(outsideChangeOf(doc, stampAt(path), FileStamp{}), OutsideChange::none);
        }
        Bytes theirs(file);
        theirs.resize(static_cast<std::size_t>(doc.fileSize));
        if (round % 2 == 0) {
            ByteRange touched;  // undoing every step gives the file's bytes as they are now
            ReadFault fault;
            while (undoStep(doc, touched, fault) == StepOutcome::done) continue;
            EXPECT_EQ(Bytes(doc.fileBytes, doc.fileBytes + doc.fileSize), theirs);
            EXPECT_EQ(doc.isModified, doc.fileSize > static_cast<std::int64_t>(file.size()) ? 1 : 0);
        } else {
            SaveOutcome outcome;  // asking nothing, writing mine over theirs: whole if it got shorter
            ASSERT_EQ(saveDocument(doc, host, &outcome), 1);
            const bool whole = doc.fileSize > static_cast<std::int64_t>(file.size());
            EXPECT_EQ(outcome.way, whole ? SaveWay::wholeInPlace : SaveWay::changedOnly);
            for (auto [offset, value] : mine) theirs[static_cast<std::size_t>(offset)] = value;
            EXPECT_EQ(readBytes(path), theirs);
            wholeSaves += whole;
        }
        closeDocumentView(doc);
    }
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_TRUE(onWindows || wholeSaves > 0);  // only a cut leaves the document longer than its file
}

// The name and the held file as any system reports them: another file at the name is a
// change (a rename over ours too); a held file pending deletion is deleted.
TEST(OutsideChange, WhatTheNameAndTheHeldFileSayIsToldOneWay) {
    Document doc;
    std::uint8_t byte = 0;
    doc.fileBytes = &byte;
    doc.fileSize = 1;
    const FileStamp ours = doc.baseline.stamp = {true, 1, 7, 100, 50};
    const FileStamp none{}, heldName{true, 0, 0, 0, 0, false, 0, true};  // heldName: as stampAt gives it
    FileStamp other = ours, unlinked = ours, pending = ours, written = ours, grown = ours;
    other.index ^= 1;
    unlinked.links = 0;
    pending.deletePending = true;
    written.lastWrite += 1;
    grown.size += 1;
    using O = OutsideChange;
    const std::tuple<FileStamp, FileStamp, O> table[] = {
        {ours, ours, O::none},        {ours, none, O::none},           {written, ours, O::changed},
        {grown, none, O::changed},    {other, unlinked, O::changed},   {other, pending, O::changed},
        {other, none, O::changed},    {none, ours, O::moved},          {heldName, ours, O::moved},
        {none, unlinked, O::deleted}, {heldName, pending, O::deleted}, {none, pending, O::deleted},
        {none, none, O::deleted},     {heldName, other, O::deleted}};
    for (std::size_t row = 0; row < std::size(table); ++row) {
        const auto& [atName, held, told] = table[row];
        EXPECT_EQ(outsideChangeOf(doc, atName, held), told) << "row " << row;
    }
    doc.fileBytes = nullptr;
    EXPECT_EQ(outsideChangeOf(doc, other, ours), OutsideChange::none);  // no document
}

// Theirs plus mine among nibbles, bytes, pastes, undo, redo, saves and failed saves, against a
// model: the saved state becomes the file as it is now, each other state its neighbour nearer
// the saved one with the edit between taking its bits; a save gives the file the view.
TEST(OutsideChange, TheirsPlusMineRebasesEveryStateOntoTheFileInAnyOrderOfSavesAndUndos) {
    struct Model {
        std::vector<Bytes> states;
        std::vector<std::tuple<std::int64_t, std::int64_t, std::uint8_t>> edits;  // offset, length, bits
        std::size_t at = 0, saved = 0;
        bool reachable = true, known = true;
        std::set<std::int64_t> dropped;  // bytes of edits gone from the history since the save
        Bytes file;
        void rebase(std::vector<Bytes>& to, std::size_t k, std::size_t from) const {
            to[k] = to[from];
            for (auto [offset, length, bits] = edits[std::min(k, from)]; length > 0; --length, ++offset)
                to[k][offset] =
                    static_cast<std::uint8_t>((to[k][offset] & ~bits) | (states[k][offset] & bits));
        }
        bool modified() const { return !reachable || at != saved || states[at].size() != file.size(); }
    };
    TempFolder folder;
    RecordingHost host;
    FaultyFileSystem faulty(systemFileSystem());
    std::mt19937 random(20261210);
    auto below = [&](std::int64_t n) {
        return static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(n));
    };
    int merges = 0, failedSaves = 0, undosAfterSave = 0;
    for (int round = 0; round < 30; ++round) {
        const auto path = folder.file("merged" + std::to_string(round) + ".bin");
        Model model;
        const bool pages = round % 3 == 2;  // pastes that fill pages, as in the test above
        model.states = {Bytes(static_cast<std::size_t>(1 + below(pages ? 12000 : round % 2 ? 40 : 300)))};
        for (auto& b : model.states[0]) b = static_cast<std::uint8_t>(random());
        writeBytes(path, model.file = model.states[0]);
        Document doc;
        SystemError cause = 0;
        ASSERT_EQ(openDocument(doc, path.wstring().c_str(), cause), 1);
        std::wcscpy(doc.filePath, path.wstring().c_str());
        bool savedSinceMerge = false;
        for (int action = 0; action < 150; ++action) {
            const std::int64_t choice = below(100), offset = below(doc.fileSize);
            Bytes next = model.states[model.at];
            if (choice < 36) {  // a nibble, a byte or a paste
                const std::int64_t count =
                    choice < 30 ? 1 : 1 + below(std::min<std::int64_t>(doc.fileSize - offset, pages ? 3000 : 20));
                // Half the typed steps a nibble, either one.
                const auto bits =
                    static_cast<std::uint8_t>(count > 1 ? 0xFF : 0xF0 >> 4 * below(2) | -below(2));
                for (std::int64_t i = 0; i < count; ++i)
                    next[offset + i] =
                        static_cast<std::uint8_t>((next[offset + i] & ~bits) | (random() & bits));
                const ByteFeed feed{[](void* from, std::int64_t at, std::int64_t n, std::uint8_t* out) {
                                        std::copy_n(static_cast<const std::uint8_t*>(from) + at, n, out);
                                    },
                                    next.data() + offset};
                ASSERT_TRUE(count > 1 ? storeBytes(doc, offset, count, feed) == count
                                      : storeByte(doc, offset, next[offset], nullptr, bits));
                for (std::size_t k = model.at; k < model.saved; ++k)
                    for (std::int64_t i = 0; i < std::get<1>(model.edits[k]); ++i)
                        model.dropped.insert(std::get<0>(model.edits[k]) + i);
                model.reachable = model.reachable && model.saved <= model.at;
                model.saved = std::min(model.saved, model.at);
                model.edits.resize(model.at);
                model.edits.emplace_back(offset, count, bits);
                model.states.resize(++model.at);
                model.states.push_back(next);
            } else if (choice < 66) {
                const bool back = choice < 54;
                if (back ? model.at == 0 : model.at + 1 == model.states.size()) continue;
                ByteRange touched;
                ReadFault fault;
                ASSERT_EQ((back ? undoStep : redoStep)(doc, touched, fault), StepOutcome::done);
                model.at += back ? -1 : 1;
                undosAfterSave += back && savedSinceMerge;
                ASSERT_TRUE(!model.known || doc.isModified == (model.modified() ? 1 : 0)) << round;
            } else if (choice < 78) {
                // Another program writes bytes, changed ones too, and grows or (POSIX) cuts the file.
                const auto runs = doc.changes.ranges();
                const std::int64_t red =
                    runs.empty() ? offset : runs[static_cast<std::size_t>(below(std::ssize(runs)))].begin;
                for (std::int64_t at : {offset, red, below(doc.fileSize)})
                    writeAsOther(path, std::min<std::int64_t>(at, std::ssize(model.file) - 1),
                                 {static_cast<std::uint8_t>(random())});
                const std::int64_t change = below(6);
                if (change == 0)
                    writeAsOther(path, std::ssize(model.file),
                                 Bytes(static_cast<std::size_t>(1 + below(20)), 0x5C));
                if (change == 1 && !onWindows && model.file.size() > 1) {
                    ASSERT_TRUE(cutFileShort(
                        path, static_cast<std::uintmax_t>(1 + below(std::ssize(model.file) - 1))));
                }
                std::int64_t pastEnd = 0;
                ASSERT_EQ(mergeOutsideChange(doc, pastEnd, cause), 1);
                std::vector<Bytes> rebased(model.states.size());
                rebased[model.saved] = model.file = readBytes(path);
                rebased[model.saved].resize(std::max(model.file.size(), model.states[0].size()));
                for (std::int64_t b : model.dropped) rebased[model.saved][b] = model.states[model.saved][b];
                for (std::size_t k = model.saved + 1; k < rebased.size(); ++k)
                    model.rebase(rebased, k, k - 1);
                for (std::size_t k = model.saved; k-- > 0;) model.rebase(rebased, k, k + 1);
                model.states = std::move(rebased);
                savedSinceMerge = false;
                ++merges;
            } else {
                // A save, or one failing at some call: the file then holds some of the view's bytes.
                faulty.failCall(choice < 90 ? static_cast<int>(below(8)) : -1,
                                below(2) ? FaultyFileSystem::Mode::fail : FaultyFileSystem::Mode::shortWrite);
                const Bytes before = readBytes(path);
                const bool saved = saveDocument(doc, host, nullptr, faulty, 7) == 1;
                model.file = readBytes(path);
                for (std::size_t i = 0; i < std::max(model.file.size(), saved ? next.size() : 0); ++i)
                    ASSERT_TRUE(i < model.file.size() &&
                                (model.file[i] == next[i] ||
                                 (!saved && i < before.size() && model.file[i] == before[i])));
                model.reachable = saved || (model.reachable && model.file == before);
                model.known = saved || model.file != before;
                if (saved)
                    model.saved = model.at, model.dropped.clear(), doc.isModified = 0, savedSinceMerge = true;
                failedSaves += !saved;
            }
            ASSERT_EQ(Bytes(doc.fileBytes, doc.fileBytes + doc.fileSize), model.states[model.at]) << round;
        }
        closeDocumentView(doc);
    }
    EXPECT_GT(std::min({merges, failedSaves, undosAfterSave}), 100) << merges << " " << failedSaves;
}

TEST(OutsideChange, EachChangeIsToldOnceOwnSavesNeverAndADeletionIsToldFromAMove) {
    TempFolder folder;
    const auto path = folder.file("watched.bin");
    writeBytes(path, patternBytes(500));
    Document doc;
    SystemError cause = 0;
    ASSERT_EQ(openDocument(doc, path.wstring().c_str(), cause), 1);
    std::wcscpy(doc.filePath, path.wstring().c_str());
    FileHandle held;
    ASSERT_TRUE(systemFileSystem().holdFile(path.wstring().c_str(), held, cause));
    FileStamp heldStamp;
    auto look = [&] {
        return outsideChangeOf(doc, stampAt(path),
                               systemFileSystem().stampOf(held, heldStamp, cause) ? heldStamp : FileStamp{});
    };
    RecordingHost host;
    ASSERT_TRUE(storeByte(doc, 3, 0x33));
    ASSERT_EQ(saveDocument(doc, host), 1);
    EXPECT_EQ(look(), OutsideChange::none);

    OutsideNotice notice;
    writeAsOther(path, 10, {1, 2});
    EXPECT_EQ(look(), OutsideChange::changed);
    EXPECT_TRUE(isNewOutsideChange(notice, OutsideChange::changed, stampAt(path)));
    EXPECT_FALSE(isNewOutsideChange(notice, OutsideChange::changed, stampAt(path)));
    ASSERT_EQ(reloadDocument(doc, cause), 1);  // nothing unsaved: the file as it is now
    EXPECT_EQ(doc.fileBytes[11], 2);
    EXPECT_EQ(look(), OutsideChange::none);

    if (!onWindows) {  // Wine tells a held file's rename otherwise
        std::filesystem::rename(path, folder.file("elsewhere.bin"));
        EXPECT_EQ(look(), OutsideChange::moved);
        std::filesystem::remove(folder.file("elsewhere.bin"));
        EXPECT_EQ(look(), OutsideChange::deleted);
    }
    systemFileSystem().close(held, cause);
    closeDocumentView(doc);
}

}  // namespace
}  // namespace quillix::test
