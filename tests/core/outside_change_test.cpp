// Another program changes the open file between the user's steps: noticed, and theirs plus mine.

#include <gtest/gtest.h>

#include <map>

#include "cut_file.h"
#include "document/outside_change.h"
#include "document/save/save_document.h"
#include "recording_host.h"
#include "temp_files.h"

namespace quillix::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

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
        Bytes file(static_cast<std::size_t>(1 + below(2000)));
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
