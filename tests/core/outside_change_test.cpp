// Another program changes the open file between the user's steps: what is noticed, and
// the document rebuilt as theirs plus mine, against a plain model of both.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <random>

#include "cut_file.h"
#include "document/outside_change.h"
#include "recording_host.h"
#include "temp_files.h"

namespace quillix::test {
namespace {

#ifdef _WIN32
constexpr bool onWindows = true;
#else
constexpr bool onWindows = false;
#endif

// Writes bytes at offset (growing the file when past its end) and dates the write later,
// as another program would.
void writeAsOther(const std::filesystem::path& path, std::int64_t offset,
                  const std::vector<std::uint8_t>& bytes) {
    static int writes = 0;  // each dated further on: a file time may keep whole seconds only
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(offset);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(file.good());
    }
    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) + std::chrono::seconds(3 * ++writes));
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
    auto below = [&](std::int64_t n) {
        return static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(n));
    };
    RecordingHost host;
    int kept = 0, undone = 0;
    for (int round = 0; round < 24; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const auto path = folder.file("shared" + std::to_string(round) + ".bin");
        std::vector<std::uint8_t> file(static_cast<std::size_t>(1 + below(2000)));
        for (auto& b : file) b = static_cast<std::uint8_t>(random());
        writeBytes(path, file);
        Document doc;
        SystemError cause = 0;
        ASSERT_EQ(openDocument(doc, path.wstring().c_str(), cause), 1);
        std::wcscpy(doc.filePath, path.wstring().c_str());
        std::map<std::int64_t, std::uint8_t> mine;
        for (int cycle = 0; cycle < 3; ++cycle) {
            for (int step = 0; step < 1 + below(30); ++step) {
                const std::int64_t offset = below(doc.fileSize);
                const auto value = static_cast<std::uint8_t>(random());
                ASSERT_TRUE(storeByte(doc, offset, value));
                mine[offset] = value;
            }
            // Another program writes over the user's bytes and beside them, grows the file,
            // or cuts it (short of the last changed byte or not).
            const int kind = static_cast<int>(below(3));
            // (Windows lets no program cut a mapped file: natively only.)
            if (kind == 2 && file.size() > 1 && !onWindows) {
                file.resize(static_cast<std::size_t>(1 + below(static_cast<std::int64_t>(file.size()) - 1)));
                ASSERT_TRUE(cutFileShort(path, file.size()));
            } else {
                const std::int64_t at = kind == 1 ? static_cast<std::int64_t>(file.size())
                                                  : below(static_cast<std::int64_t>(file.size()));
                std::vector<std::uint8_t> theirs(static_cast<std::size_t>(1 + below(300)));
                for (auto& b : theirs) b = static_cast<std::uint8_t>(random());
                if (!mine.empty() && kind == 0) writeAsOther(path, mine.begin()->first, {0xEE});
                writeAsOther(path, at, theirs);
                file = readBytes(path);
            }
            ASSERT_EQ(outsideChangeOf(doc, stampAt(path), FileStamp{}), OutsideChange::changed);
            const std::int64_t oldSize = doc.fileSize;
            const std::uint64_t byteChanges = doc.byteChanges;
            std::int64_t pastEnd = -1;
            ASSERT_EQ(mergeOutsideChange(doc, pastEnd, cause), 1);
            const auto size = static_cast<std::size_t>(
                std::max<std::int64_t>(oldSize, static_cast<std::int64_t>(file.size())));
            std::vector<std::uint8_t> expected(file);
            expected.resize(size);
            for (auto [offset, value] : mine) expected[static_cast<std::size_t>(offset)] = value;
            ASSERT_EQ(std::vector<std::uint8_t>(doc.fileBytes, doc.fileBytes + doc.fileSize), expected);
            EXPECT_EQ(pastEnd, static_cast<std::int64_t>(size - file.size()));
            EXPECT_EQ(doc.lineCount, lineCountFor(doc.fileSize));
            EXPECT_GT(doc.byteChanges, byteChanges);
            EXPECT_EQ(doc.changes.count(), static_cast<std::int64_t>(mine.size()));
            EXPECT_EQ(outsideChangeOf(doc, stampAt(path), FileStamp{}), OutsideChange::none);
        }
        std::vector<std::uint8_t> theirs(file);
        theirs.resize(static_cast<std::size_t>(doc.fileSize));
        if (round % 2 == 0) {
            // Undoing every step gives the file's bytes as they are now, not the old ones.
            ByteRange touched;
            ReadFault fault;
            while (undoStep(doc, touched, fault) == StepOutcome::done) {
            }
            EXPECT_EQ(std::vector<std::uint8_t>(doc.fileBytes, doc.fileBytes + doc.fileSize), theirs);
            EXPECT_EQ(doc.isModified, 0);
            ++undone;
        } else {
            // The save asks nothing about the change taken up: it writes the user's bytes
            // over the file as it is now, the whole document when the file got shorter.
            host.boxes.clear();
            SaveOutcome outcome;
            ASSERT_EQ(saveDocument(doc, host, &outcome), 1);
            EXPECT_TRUE(host.boxes.empty());
            EXPECT_EQ(outcome.way, doc.fileSize > static_cast<std::int64_t>(file.size())
                                       ? SaveWay::wholeInPlace
                                       : SaveWay::changedOnly);
            for (auto [offset, value] : mine) theirs[static_cast<std::size_t>(offset)] = value;
            EXPECT_EQ(readBytes(path), theirs);
            kept += outcome.way == SaveWay::wholeInPlace;
        }
        closeDocumentView(doc);
    }
    if (!onWindows) EXPECT_GT(kept, 0);  // only a cut leaves the document longer than its file
    EXPECT_GT(undone, 0);
}

TEST(OutsideChange, EachChangeIsToldOnceAndOwnSavesNeverAre) {
    TempFolder folder;
    const auto path = folder.file("watched.bin");
    writeBytes(path, patternBytes(500));
    Document doc;
    SystemError cause = 0;
    ASSERT_EQ(openDocument(doc, path.wstring().c_str(), cause), 1);
    std::wcscpy(doc.filePath, path.wstring().c_str());
    FileSystem& fs = systemFileSystem();
    FileHandle held;
    ASSERT_TRUE(fs.holdFile(path.wstring().c_str(), held, cause));
    FileStamp heldStamp;
    auto look = [&] { ASSERT_TRUE(fs.stampOf(held, heldStamp, cause)); };
    OutsideNotice notice;
    look();
    EXPECT_EQ(outsideChangeOf(doc, stampAt(path), heldStamp), OutsideChange::none);

    // The program's own save moves the baseline with it.
    RecordingHost host;
    ASSERT_TRUE(storeByte(doc, 3, 0x33));
    ASSERT_EQ(saveDocument(doc, host), 1);
    look();
    EXPECT_EQ(outsideChangeOf(doc, stampAt(path), heldStamp), OutsideChange::none);

    writeAsOther(path, 10, {1, 2});
    look();
    const OutsideChange change = outsideChangeOf(doc, stampAt(path), heldStamp);
    EXPECT_EQ(change, OutsideChange::changed);
    EXPECT_TRUE(isNewOutsideChange(notice, change, stampAt(path)));
    EXPECT_FALSE(isNewOutsideChange(notice, change, stampAt(path)));
    writeAsOther(path, 20, {3});
    EXPECT_TRUE(isNewOutsideChange(notice, OutsideChange::changed, stampAt(path)));

    // With no edits the document takes the file up as it is now.
    ASSERT_EQ(reloadDocument(doc, cause), 1);
    EXPECT_EQ(doc.fileBytes[20], 3);
    EXPECT_EQ(outsideChangeOf(doc, stampAt(path), heldStamp), OutsideChange::none);
    EXPECT_FALSE(isNewOutsideChange(notice, OutsideChange::none, stampAt(path)));

    if (onWindows) {  // Wine follows a held file's rename otherwise; natively only
        fs.close(held, cause);
        closeDocumentView(doc);
        return;
    }
    const auto elsewhere = folder.file("elsewhere.bin");
    std::filesystem::rename(path, elsewhere);
    look();
    EXPECT_EQ(outsideChangeOf(doc, stampAt(path), heldStamp), OutsideChange::moved);
    std::filesystem::remove(elsewhere);
    look();
    EXPECT_EQ(outsideChangeOf(doc, stampAt(path), heldStamp), OutsideChange::deleted);
    EXPECT_EQ(outsideChangeOf(doc, stampAt(path), FileStamp{}), OutsideChange::deleted);
    fs.close(held, cause);
    closeDocumentView(doc);
}

}  // namespace
}  // namespace quillix::test
