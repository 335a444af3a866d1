// The document over the platform's real file layer (POSIX natively, Win32 under Wine):
// opening through a private mapping and the failure codes. Saving is in save_test.cpp.

#include <gtest/gtest.h>

#include <cstring>

#include "document/document.h"
#include "hexview/hex_view.h"
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

    // A file that cannot be opened for writing opens for viewing alone.
    fs.failCall(0);
    EXPECT_EQ(open(good, fs), 1);
    EXPECT_TRUE(isReadOnly(doc));
    fs.failCall(-1);
    EXPECT_EQ(open(missing, fs), 0);
    EXPECT_EQ(fs.log, (std::vector<std::string>{"openExisting", "openForReading"}));

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

}  // namespace
}  // namespace quillix::test
