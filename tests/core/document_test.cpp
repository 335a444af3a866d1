// The document over the platform's real file layer (POSIX natively, Win32 under Wine):
// opening through a private mapping, the failure codes, and saving.

#include <gtest/gtest.h>

#include <cstring>

#include "document/document.h"
#include "faulty_file_system.h"
#include "hexview/view_state.h"
#include "recording_host.h"
#include "temp_files.h"

namespace quillix::test {
namespace {

class DocumentTest : public ::testing::Test {
protected:
    void TearDown() override {
        closeDocumentView(doc);
        releaseEditLog(doc);
    }

    int open(const std::filesystem::path& path, FileSystem& fs = systemFileSystem()) {
        cause = 12345;
        return openDocument(doc, view, host, widePath(path).c_str(), cause, fs);
    }
    void setPath(const std::filesystem::path& path) {
        ASSERT_TRUE(copyTextIfFitsFor(doc.filePath, widePath(path)));
    }
    static bool copyTextIfFitsFor(wchar_t (&buffer)[filePathChars + 1], const std::wstring& text) {
        if (text.size() > filePathChars) return false;
        std::wcscpy(buffer, text.c_str());
        return true;
    }
    void expectClosed() {
        EXPECT_EQ(doc.fileBytes, nullptr);
        EXPECT_EQ(doc.fileSize, 0);
        EXPECT_EQ(doc.lineCount, 0);
    }

    TempFolder folder;
    Document doc;
    ViewState view;
    RecordingHost host;
    SystemError cause = 0;
};

TEST_F(DocumentTest, LineCountIsOneMoreThanTheRowsHoldingBytes) {
    const std::pair<std::int64_t, std::int64_t> cases[] = {
        {1, 2}, {15, 2}, {16, 2}, {17, 3}, {32, 3}, {maxDocumentSize, maxDocumentSize / 16 + 1}};
    for (auto [size, lines] : cases) {
        std::string name = "f";
        name += std::to_string(size);
        auto path = folder.file(name);
        if (size > 4096)
            makeSparse(path, static_cast<std::uintmax_t>(size));
        else
            writeBytes(path, patternBytes(static_cast<std::size_t>(size)));
        ASSERT_EQ(open(path), 1) << size;
        EXPECT_EQ(doc.fileSize, size);
        EXPECT_EQ(doc.lineCount, lines) << size;
    }
}

TEST_F(DocumentTest, OpenShowsTheNewDocumentAndResetsTheViewAndSearch) {
    auto path = folder.file("data.bin");
    writeBytes(path, patternBytes(1000));
    view.lineHeight = 18;
    view.clientHeight = 185;
    view.topLine = 7;
    view.searchPos = 40;
    view.matchStart = 33;
    view.matchLength = 4;
    view.matchVisible = 1;

    ASSERT_EQ(open(path), 1);
    EXPECT_EQ(std::memcmp(doc.fileBytes, patternBytes(1000).data(), 1000), 0);
    EXPECT_EQ(view.topLine, 0);
    EXPECT_EQ(view.scrollMax, lineCountFor(1000) - 10);
    EXPECT_EQ(host.scrollMax, view.scrollMax);
    EXPECT_EQ(view.searchPos, -1);
    EXPECT_EQ(view.matchVisible, 0);
    EXPECT_EQ(view.matchStart, -1);
    EXPECT_EQ(view.matchLength, 0);
    EXPECT_EQ(host.status[statusPartBytes], L"Bytes: 1000");
    EXPECT_EQ(host.caretHides, 1);
    EXPECT_EQ(host.caretShows, 1);
    EXPECT_EQ(host.waitCursorDepth, 0);
    ASSERT_FALSE(host.invalidates.empty());
    EXPECT_TRUE(host.invalidates.back().whole);
    EXPECT_TRUE(host.invalidates.back().erase);
    // Open leaves the names, the modified flag and the caret to its callers.
    EXPECT_EQ(doc.filePath[0], L'\0');
    EXPECT_EQ(doc.fileTitle[0], L'\0');
}

TEST_F(DocumentTest, EditsInTheViewNeverReachTheFileBeforeASave) {
    auto path = folder.file("private.bin");
    auto original = patternBytes(5000, 3);
    writeBytes(path, original);
    ASSERT_EQ(open(path), 1);
    doc.fileBytes[0] ^= 0xFF;
    doc.fileBytes[4999] ^= 0xFF;
    EXPECT_EQ(readBytes(path), original);
}

TEST_F(DocumentTest, RefusedFilesGiveTheSystemCodeAndLeaveNoDocument) {
    auto good = folder.file("good.bin");
    writeBytes(good, patternBytes(100));
    auto empty = folder.file("empty.bin");
    writeBytes(empty, {});
    auto missing = folder.file("missing.bin");
    auto huge = folder.file("over4g.bin");
    makeSparse(huge, static_cast<std::uintmax_t>(maxDocumentSize) + 1);

    FaultyFileSystem fs(systemFileSystem());
    ASSERT_EQ(open(good, fs), 1);

    // An empty file is refused by the mapping step with the system's own code.
    EXPECT_EQ(open(empty, fs), 0);
    EXPECT_EQ(cause, emptyFileError());
    expectClosed();

    EXPECT_EQ(open(good, fs), 1);
    EXPECT_EQ(open(missing, fs), 0);
    EXPECT_NE(cause, 0u);
    expectClosed();

    // One byte over 4 GiB: code 0, and the view made for the test is released.
    EXPECT_EQ(open(good, fs), 1);
    EXPECT_EQ(open(huge, fs), 0);
    EXPECT_EQ(cause, 0u);
    expectClosed();
    EXPECT_EQ(fs.openFiles(), 0);
    EXPECT_EQ(fs.liveViews(), 0);
    // The status keeps whatever the caller shows for a failed open.
    EXPECT_EQ(host.waitCursorDepth, 0);
}

TEST_F(DocumentTest, EveryFailingStepOfAnOpenLeavesNoViewAndNoHandle) {
    auto good = folder.file("good.bin");
    writeBytes(good, patternBytes(300));
    FaultyFileSystem fs(systemFileSystem());
    fs.failCall(-1);
    ASSERT_EQ(open(good, fs), 1);
    closeDocumentView(doc, fs);
    const int callsOfAnOpen = fs.calls();
    ASSERT_GE(callsOfAnOpen, 3);

    for (int failAt = 0; failAt < callsOfAnOpen; ++failAt) {
        fs.failCall(-1);
        ASSERT_EQ(open(good, fs), 1);
        fs.failCall(failAt);
        int result = open(good, fs);
        if (result == 0) {
            EXPECT_EQ(cause, FaultyFileSystem::injectedError) << failAt;
            expectClosed();
        }
        EXPECT_EQ(fs.openFiles(), 0) << failAt;
        EXPECT_EQ(fs.liveViews(), result) << failAt;
        closeDocumentView(doc, fs);
    }
}

TEST_F(DocumentTest, SaveOntoTheOpenFileKeepsItsLengthAndTheView) {
    auto path = folder.file("self.bin");
    auto bytes = patternBytes(70000, 9);
    writeBytes(path, bytes);
    ASSERT_EQ(open(path), 1);
    setPath(path);
    doc.fileBytes[1] = 0xAB;
    doc.fileBytes[69999] = 0xCD;
    bytes[1] = 0xAB;
    bytes[69999] = 0xCD;

    SaveFailure failure = SaveFailure::cannotOpen;
    EXPECT_EQ(saveDocument(doc, host, &failure), 1);
    EXPECT_EQ(failure, SaveFailure::none);
    EXPECT_EQ(readBytes(path), bytes);
    EXPECT_EQ(std::memcmp(doc.fileBytes, bytes.data(), bytes.size()), 0);
    EXPECT_TRUE(host.boxes.empty());
    ASSERT_FALSE(host.invalidates.empty());
    EXPECT_TRUE(host.invalidates.back().whole && host.invalidates.back().erase);

    // A second save after more edits still writes the view as it stands.
    doc.fileBytes[500] = 0x11;
    bytes[500] = 0x11;
    EXPECT_EQ(saveDocument(doc, host), 1);
    EXPECT_EQ(readBytes(path), bytes);
}

TEST_F(DocumentTest, SaveUnderAnotherNameLeavesExactlyTheDocumentsBytes) {
    auto source = folder.file("source.bin");
    auto bytes = patternBytes(1234, 5);
    writeBytes(source, bytes);
    ASSERT_EQ(open(source), 1);
    doc.fileBytes[0] = 0xEE;
    bytes[0] = 0xEE;

    auto fresh = folder.file("fresh.bin");
    setPath(fresh);
    EXPECT_EQ(saveDocument(doc, host), 1);
    EXPECT_EQ(readBytes(fresh), bytes);

    auto longer = folder.file("longer.bin");
    writeBytes(longer, patternBytes(9999, 1));
    setPath(longer);
    EXPECT_EQ(saveDocument(doc, host), 1);
    EXPECT_EQ(readBytes(longer), bytes);  // no stale tail

    auto shorter = folder.file("shorter.bin");
    writeBytes(shorter, patternBytes(10, 2));
    setPath(shorter);
    EXPECT_EQ(saveDocument(doc, host), 1);
    EXPECT_EQ(readBytes(shorter), bytes);

    // The view stays a mapping of the file opened first, which is untouched.
    auto original = patternBytes(1234, 5);
    EXPECT_EQ(readBytes(source), original);
}

TEST_F(DocumentTest, SaveToAPathThatCannotBeOpenedWritesNothing) {
    auto source = folder.file("source.bin");
    writeBytes(source, patternBytes(64));
    ASSERT_EQ(open(source), 1);
    setPath(folder.file("no-such-folder") / "x.bin");
    SaveFailure failure = SaveFailure::none;
    EXPECT_EQ(saveDocument(doc, host, &failure), 0);
    EXPECT_EQ(failure, SaveFailure::cannotOpen);
    EXPECT_TRUE(host.boxes.empty());  // the caller says it
}

TEST_F(DocumentTest, AFailureOnAnyCallOfASaveIsAFailedSave) {
    auto source = folder.file("source.bin");
    auto bytes = patternBytes(4096, 4);
    writeBytes(source, bytes);
    ASSERT_EQ(open(source), 1);
    auto target = folder.file("target.bin");
    writeBytes(target, patternBytes(8192, 8));  // longer: the save must also trim it
    setPath(target);

    FaultyFileSystem fs(systemFileSystem());
    fs.failCall(-1);
    ASSERT_EQ(saveDocument(doc, host, nullptr, fs), 1);
    const int callsOfASave = fs.calls();
    ASSERT_GE(callsOfASave, 5);  // open, write, size, truncate, flush, close

    for (int failAt = 0; failAt < callsOfASave; ++failAt) {
        for (auto mode : {FaultyFileSystem::Mode::fail, FaultyFileSystem::Mode::shortWrite}) {
            writeBytes(target, patternBytes(8192, 8));
            host.boxes.clear();
            fs.failCall(failAt, mode);
            SaveFailure failure = SaveFailure::none;
            int result = saveDocument(doc, host, &failure, fs);
            EXPECT_EQ(fs.openFiles(), 0) << failAt;
            EXPECT_EQ(result, 0) << failAt;
            if (failAt == 0) {
                EXPECT_EQ(failure, SaveFailure::cannotOpen);
                EXPECT_TRUE(host.boxes.empty());
                continue;
            }
            EXPECT_EQ(failure, SaveFailure::writeFailed) << failAt;
            ASSERT_EQ(host.boxes.size(), 1u) << failAt;
            EXPECT_EQ(host.boxes[0].text, L"File write sharing violation!");
            EXPECT_EQ(host.boxes[0].caption, L"Quillix");
            EXPECT_EQ(host.boxes[0].style, boxError);
            EXPECT_EQ(host.boxes[0].owner, BoxOwner::frame);
        }
    }
    EXPECT_EQ(fs.liveViews(), 0);  // saving never maps anything
}

// Needs over 8 GiB of free disk: the 4 GiB file to open and the 4 GiB written by the save.
TEST_F(DocumentTest, SlowFourGibDocumentIsSavedWholeInSeveralWrites) {
    auto source = folder.file("4g.bin");
    makeSparse(source, static_cast<std::uintmax_t>(maxDocumentSize));
    ASSERT_EQ(open(source), 1);
    ASSERT_EQ(doc.fileSize, maxDocumentSize);
    doc.fileBytes[0] = 0x5A;
    doc.fileBytes[maxDocumentSize - 1] = 0xA5;

    class CountingWrites : public FaultyFileSystem {
    public:
        using FaultyFileSystem::FaultyFileSystem;
        bool write(FileHandle file, const void* data, std::uint32_t length, std::uint32_t& written,
                   SystemError& error) override {
            ++writes;
            largest = std::max<std::uint64_t>(largest, length);
            return FaultyFileSystem::write(file, data, length, written, error);
        }
        int writes = 0;
        std::uint64_t largest = 0;
    } fs(systemFileSystem());

    auto target = folder.file("4g-copy.bin");
    setPath(target);
    ASSERT_EQ(saveDocument(doc, host, nullptr, fs), 1);
    EXPECT_GT(fs.writes, 1);
    EXPECT_LT(fs.largest, 0x100000000ull);
    EXPECT_EQ(std::filesystem::file_size(target), static_cast<std::uintmax_t>(maxDocumentSize));
    std::ifstream in(target, std::ios::binary);
    char first = 0, last = 0;
    in.read(&first, 1);
    in.seekg(static_cast<std::streamoff>(maxDocumentSize - 1));
    in.read(&last, 1);
    EXPECT_EQ(static_cast<unsigned char>(first), 0x5A);
    EXPECT_EQ(static_cast<unsigned char>(last), 0xA5);
}

}  // namespace
}  // namespace quillix::test
