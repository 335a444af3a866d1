// The text dump over the platform's real file layer: its format against a plain
// reference, the document's current bytes, and files left sound after any failure.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <string>

#include "document/document.h"
#include "hexview/hex_view.h"
#include "document/save/text_dump.h"
#include "faulty_file_system.h"
#include "hexview/view_state.h"
#include "recording_host.h"
#include "temp_files.h"
#include "write_sink.h"

namespace quillix::test {
namespace {

// One line written the obvious way, independent of the exporter's tables.
std::string referenceLine(const std::uint8_t* bytes, std::size_t count, std::uint64_t offset, bool last) {
    char text[32];
    std::snprintf(text, sizeof text, "%08llX: ", static_cast<unsigned long long>(offset));
    std::string line = text;
    for (std::size_t k = 0; k < 16; ++k) {
        if (k < count) {
            std::snprintf(text, sizeof text, "%02X", bytes[k]);
            line += text;
        } else {
            line += "  ";
        }
        if (k % 2 == 1) line += ' ';
    }
    for (std::size_t k = 0; k < 16; ++k) {
        if (k >= count)
            line += ' ';
        else if (bytes[k] >= 0x20 && bytes[k] <= 0x7E)
            line += static_cast<char>(bytes[k]);
        else
            line += '.';
    }
    line += last ? "\n" : "\r\n";
    return line;
}

std::string referenceDump(const std::vector<std::uint8_t>& bytes) {
    std::string dump;
    const std::size_t lines = (bytes.size() + 15) / 16;
    for (std::size_t i = 0; i < lines; ++i) {
        std::size_t count = std::min<std::size_t>(16, bytes.size() - i * 16);
        dump += referenceLine(bytes.data() + i * 16, count, i * 16, i + 1 == lines);
    }
    return dump;
}

std::string readText(const std::filesystem::path& path) {
    auto bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> randomBytes(std::size_t size, std::mt19937& random) {
    std::vector<std::uint8_t> bytes(size);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

// Line by line, so that a fault names the first line it spoils.
void expectSameDump(const std::string& actual, const std::string& expected, const std::string& what) {
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (std::size_t at = 0; at < expected.size(); at += dumpLineBytes) {
        if (actual.compare(at, dumpLineBytes, expected, at, dumpLineBytes) != 0) {
            ADD_FAILURE() << what << ": line " << at / dumpLineBytes << "\n  got      ["
                          << actual.substr(at, dumpLineBytes) << "]\n  expected ["
                          << expected.substr(at, dumpLineBytes) << "]";
            return;
        }
    }
}

// Notes what the exporter asked of the host while each write ran.
class ObservingFileSystem : public FaultyFileSystem {
public:
    ObservingFileSystem(FileSystem& real, const RecordingHost& host) : FaultyFileSystem(real), host_(host) {}
    bool write(FileHandle file, const void* data, std::uint32_t length, std::uint32_t& written,
               SystemError& error) override {
        ++writes;
        writesWithoutWaitCursor += host_.waitCursorDepth != 1;
        writesWithCaretShown += host_.caretHides <= host_.caretShows;
        return FaultyFileSystem::write(file, data, length, written, error);
    }
    int writes = 0;
    int writesWithoutWaitCursor = 0;
    int writesWithCaretShown = 0;

private:
    const RecordingHost& host_;
};

class TextDumpTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (ownBytes) doc.fileBytes = nullptr;
        closeDocumentView(doc);
    }

    // The document is the given buffer, as if a file of those bytes were open.
    void useBytes(std::vector<std::uint8_t>& bytes) {
        // A buffer given before is not a mapping: only a view the test opened is released.
        if (ownBytes) doc.fileBytes = nullptr;
        closeDocumentView(doc);
        ownBytes = true;
        doc.fileBytes = bytes.data();
        doc.fileSize = static_cast<std::int64_t>(bytes.size());
        doc.lineCount = lineCountFor(doc.fileSize);
    }
    void openFile(const std::filesystem::path& path) {
        if (ownBytes) doc.fileBytes = nullptr;
        ownBytes = false;
        SystemError cause = 0;
        ASSERT_EQ(openDocument(doc, view, host, widePath(path).c_str(), cause), 1) << path;
        host = RecordingHost{};
    }
    int exportTo(const std::filesystem::path& path, FileSystem& fs = systemFileSystem()) {
        return exportTextDump(doc, host, widePath(path).c_str(), fs, &cause);
    }
    void expectCaretBackAndCursorRestored(const std::string& what) {
        EXPECT_EQ(host.caretHides, host.caretShows) << what;
        EXPECT_EQ(host.waitCursorDepth, 0) << what;
    }

    TempFolder folder;
    Document doc;
    ViewState view;
    SystemError cause = 0;  // of the last export
    RecordingHost host;
    bool ownBytes = false;
};

TEST_F(TextDumpTest, EveryLineMatchesThePlainFormatAtEdgeAndRandomSizes) {
    std::mt19937 random(20240611);
    const std::int64_t bufferBytes = std::int64_t{dumpLinesPerWrite} * 16;
    std::vector<std::size_t> sizes = {1,
                                      15,
                                      16,
                                      17,
                                      20,
                                      32,
                                      256,
                                      static_cast<std::size_t>(bufferBytes - 1),
                                      static_cast<std::size_t>(bufferBytes),
                                      static_cast<std::size_t>(bufferBytes + 1),
                                      static_cast<std::size_t>(bufferBytes + 16)};
    for (int i = 0; i < 4; ++i) sizes.push_back(1 + random() % (1u << 20));

    for (std::size_t size : sizes) {
        auto bytes = randomBytes(size, random);
        if (size == 256)
            for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i);
        useBytes(bytes);
        auto out = folder.file("dump.txt");
        host = RecordingHost{};
        ASSERT_EQ(exportTo(out), 1) << size;
        const std::string dump = readText(out);
        expectSameDump(dump, referenceDump(bytes), "size " + std::to_string(size));
        EXPECT_EQ(static_cast<std::int64_t>(dump.size()), textDumpSize(doc.fileSize));
        EXPECT_EQ(host.beeps, 1);
        expectCaretBackAndCursorRestored("size " + std::to_string(size));
    }
}

TEST_F(TextDumpTest, TwentyBytesGiveAFullLineAndAShortLastLine) {
    std::vector<std::uint8_t> bytes(20);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
    useBytes(bytes);
    ASSERT_EQ(exportTo(folder.file("twenty.txt")), 1);
    EXPECT_EQ(readText(folder.file("twenty.txt")),
              "00000000: 0001 0203 0405 0607 0809 0A0B 0C0D 0E0F ................\r\n"
              "00000010: 1011 1213 " +
                  std::string(30, ' ') + "...." + std::string(12, ' ') + "\n");
}

TEST_F(TextDumpTest, OnlyBytes32To126ShowAsThemselves) {
    std::vector<std::uint8_t> bytes = {0x00, 0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xFF};
    useBytes(bytes);
    ASSERT_EQ(exportTo(folder.file("chars.txt")), 1);
    EXPECT_EQ(readText(folder.file("chars.txt")),
              "00000000: 001F 207E 7F80 FF" + std::string(23, ' ') + ".. ~..." + std::string(9, ' ') + "\n");

    // The same bytes on a full line, which takes the other path through the formatter.
    std::vector<std::uint8_t> full(32, 'A');
    std::copy(bytes.begin(), bytes.end(), full.begin() + 3);
    useBytes(full);
    ASSERT_EQ(exportTo(folder.file("chars.txt")), 1);
    EXPECT_EQ(readText(folder.file("chars.txt")).substr(0, dumpLineBytes),
              "00000000: 4141 4100 1F20 7E7F 80FF 4141 4141 4141 AAA.. ~...AAAAAA\r\n");
}

TEST_F(TextDumpTest, ShowsUnsavedEditsAndLeavesTheDocumentAlone) {
    auto source = folder.file("source.bin");
    auto bytes = patternBytes(100, 1);
    writeBytes(source, bytes);
    openFile(source);
    doc.fileBytes[0] = 'Q';
    doc.fileBytes[99] = 0xAB;
    auto edited = bytes;
    edited[0] = 'Q';
    edited[99] = 0xAB;

    auto out = folder.file("edited.txt");
    ASSERT_EQ(exportTo(out), 1);
    expectSameDump(readText(out), referenceDump(edited), "edited");
    EXPECT_EQ(readBytes(source), bytes);
    EXPECT_EQ(std::memcmp(doc.fileBytes, edited.data(), edited.size()), 0);
    EXPECT_EQ(doc.fileSize, 100);
}

TEST_F(TextDumpTest, ExportOverALongerFileReplacesItWholeAndLeavesNothingElse) {
    auto bytes = patternBytes(40, 3);
    useBytes(bytes);
    auto out = folder.file("old.txt");
    writeBytes(out, std::vector<std::uint8_t>(100000, 'x'));
    ASSERT_EQ(exportTo(out), 1);
    EXPECT_EQ(readText(out), referenceDump(bytes));
    EXPECT_EQ(folder.names(), std::set<std::string>{"old.txt"});
}

TEST_F(TextDumpTest, WritesWholeBuffersUnderTheWaitCursorWithTheCaretHidden) {
    std::mt19937 random(7);
    // Three writes: two full buffers and one holding the last line alone.
    auto bytes = randomBytes(std::size_t{dumpLinesPerWrite} * 32 + 5, random);
    useBytes(bytes);
    ObservingFileSystem fs(systemFileSystem(), host);
    fs.failCall(-1);
    auto out = folder.file("big.txt");
    ASSERT_EQ(exportTo(out, fs), 1);
    EXPECT_EQ(fs.writes, 3);
    EXPECT_EQ(fs.writesWithoutWaitCursor, 0);
    EXPECT_EQ(fs.writesWithCaretShown, 0);
    EXPECT_EQ(fs.openFiles(), 0);
    expectCaretBackAndCursorRestored("big");
    expectSameDump(readText(out), referenceDump(bytes), "big");
}

TEST_F(TextDumpTest, AFailureOnAnyCallLeavesTheOldFileAndNoTemporary) {
    std::mt19937 random(11);
    auto bytes = randomBytes(std::size_t{dumpLinesPerWrite} * 16 * 2 + 100, random);
    useBytes(bytes);
    auto out = folder.file("keep.txt");
    const auto before = std::vector<std::uint8_t>(5000, 'k');
    const std::set<std::string> onlyTheTarget = {"keep.txt"};

    FaultyFileSystem fs(systemFileSystem());
    fs.failCall(-1);
    writeBytes(out, before);
    ASSERT_EQ(exportTo(out, fs), 1);
    EXPECT_EQ(cause, 0u);
    // A dropped flush, close or look at the target shows up here.
    const std::vector<std::string> callsOfAnExport = {
        "finalPath", "stampAt", "createAlways", "write", "write", "write", "flush", "close", "replace"};
    EXPECT_EQ(fs.log, callsOfAnExport);

    for (int failAt = 0; failAt < static_cast<int>(callsOfAnExport.size()); ++failAt) {
        for (auto mode : {FaultyFileSystem::Mode::fail, FaultyFileSystem::Mode::shortWrite}) {
            const std::string what = "call " + std::to_string(failAt) +
                                     (mode == FaultyFileSystem::Mode::fail ? " fails" : " writes short");
            writeBytes(out, before);
            host = RecordingHost{};
            fs.failCall(failAt, mode);
            EXPECT_EQ(exportTo(out, fs), 0) << what;
            const bool shortWrite =
                mode == FaultyFileSystem::Mode::shortWrite && callsOfAnExport[failAt] == "write";
            EXPECT_EQ(cause, shortWrite ? diskFullError() : FaultyFileSystem::injectedError) << what;
            EXPECT_EQ(readBytes(out), before) << what;
            EXPECT_EQ(folder.names(), onlyTheTarget) << what;
            EXPECT_EQ(fs.openFiles(), 0) << what;
            EXPECT_EQ(host.beeps, 0) << what;
            EXPECT_EQ(host.caretShows, 1) << what;
            expectCaretBackAndCursorRestored(what);
            // Nothing follows a refused create: there is nothing to write or remove.
            if (failAt == 0) {
                EXPECT_EQ(fs.calls(), 1) << what;
            }
        }
    }
}

TEST_F(TextDumpTest, NothingIsWrittenWithoutAPlaceOrADocument) {
    auto bytes = patternBytes(64);
    useBytes(bytes);
    auto nowhere = folder.file("no-such-folder") / "out.txt";
    EXPECT_EQ(exportTo(nowhere), 0);
    EXPECT_FALSE(std::filesystem::exists(nowhere.parent_path()));
    EXPECT_EQ(host.caretHides, 1);
    EXPECT_EQ(host.beeps, 0);
    expectCaretBackAndCursorRestored("nowhere");

    // A read-only file is left alone, however the system would treat replacing it.
    auto readOnly = folder.file("keep.txt");
    writeBytes(readOnly, {'k'});
    std::filesystem::permissions(readOnly,
                                 std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_EQ(exportTo(readOnly), 0);
    EXPECT_EQ(cause, accessDeniedError());
    EXPECT_EQ(readBytes(readOnly), std::vector<std::uint8_t>{'k'});
    EXPECT_EQ(folder.names(), std::set<std::string>{"keep.txt"});
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    std::filesystem::remove(readOnly);

    doc.fileBytes = nullptr;
    doc.fileSize = 0;
    doc.lineCount = 0;
    EXPECT_EQ(exportTo(folder.file("none.txt")), 0);
    EXPECT_TRUE(folder.names().empty());
}

TEST_F(TextDumpTest, ExportOntoTheOpenFileNeverSpoilsTheViewOrTheFile) {
    auto source = folder.file("self.bin");
    auto bytes = patternBytes(5000, 2);
    writeBytes(source, bytes);
    openFile(source);

    // Windows refuses to replace a mapped file, and elsewhere it would take the document's
    // file away from under it: it is refused before anything is written.
    EXPECT_EQ(exportTo(source), 0);
    EXPECT_EQ(cause, accessDeniedError());
    EXPECT_EQ(readBytes(source), bytes);
    EXPECT_EQ(std::memcmp(doc.fileBytes, bytes.data(), bytes.size()), 0);
    EXPECT_EQ(folder.names(), std::set<std::string>{"self.bin"});
}

// Swallows the dump of a 4 GiB document of zeros, checking every full line against the
// line of zeros with the next offset and keeping the rest, so that no 17 GiB file is needed.
class ZeroDumpSink : public WriteSink {
public:
    bool write(FileHandle, const void* data, std::uint32_t length, std::uint32_t& written,
               SystemError&) override {
        const char* text = static_cast<const char*>(data);
        ++writes;
        largest = std::max(largest, length);
        total += length;
        written = length;
        std::size_t at = 0;
        if (!rest.empty()) {
            at = std::min<std::size_t>(dumpLineBytes - rest.size(), length);
            rest.append(text, at);
            if (rest.size() < static_cast<std::size_t>(dumpLineBytes)) return true;
            checkLine(rest.data());
            rest.clear();
        }
        for (; length - at >= static_cast<std::size_t>(dumpLineBytes); at += dumpLineBytes)
            checkLine(text + at);
        rest.assign(text + at, length - at);
        return true;
    }

    std::uint64_t total = 0;
    std::uint64_t writes = 0;
    std::uint32_t largest = 0;
    std::uint64_t fullLines = 0;
    std::uint64_t wrongLines = 0;
    std::string firstWrong;
    std::string rest;  // after the last write: the last line

private:
    void checkLine(const char* line) {
        std::memcpy(zeroLine_, nextOffset_, 8);
        if (std::memcmp(line, zeroLine_, dumpLineBytes) != 0 && wrongLines++ == 0)
            firstWrong.assign(line, dumpLineBytes);
        ++fullLines;
        // The next offset: add one to the sixteens digit, carrying leftwards.
        for (int i = 6; i >= 0; --i) {
            char& digit = nextOffset_[i];
            if (digit == 'F') {
                digit = '0';
                continue;
            }
            digit = digit == '9' ? 'A' : static_cast<char>(digit + 1);
            break;
        }
    }
    char nextOffset_[9] = "00000000";
    char zeroLine_[dumpLineBytes + 1] =
        "00000000: 0000 0000 0000 0000 0000 0000 0000 0000 ................\r\n";
};

TEST_F(TextDumpTest, SlowFourGibDocumentDumpsEveryLineWithItsOffset) {
    auto source = folder.file("4g.bin");
    makeSparse(source, static_cast<std::uintmax_t>(maxDocumentSize));
    openFile(source);
    ASSERT_EQ(doc.fileSize, maxDocumentSize);
    doc.fileBytes[maxDocumentSize - 2] = 'Y';
    doc.fileBytes[maxDocumentSize - 1] = 0xFE;

    ZeroDumpSink sink;
    ASSERT_EQ(exportTo(folder.file("4g.txt"), sink), 1);
    const std::uint64_t lines = static_cast<std::uint64_t>(maxDocumentSize) / 16;
    EXPECT_EQ(sink.total, lines * dumpLineBytes - 1);
    EXPECT_EQ(sink.total, static_cast<std::uint64_t>(textDumpSize(maxDocumentSize)));
    EXPECT_EQ(sink.writes, (lines + dumpLinesPerWrite - 1) / dumpLinesPerWrite);
    EXPECT_LT(sink.largest, 0x100000000ull);
    EXPECT_EQ(sink.fullLines, lines - 1);
    EXPECT_EQ(sink.wrongLines, 0u) << sink.firstWrong;

    std::uint8_t lastBytes[16] = {};
    lastBytes[14] = 'Y';
    lastBytes[15] = 0xFE;
    EXPECT_EQ(sink.rest, referenceLine(lastBytes, 16, lines * 16 - 16, true));
    EXPECT_EQ(sink.rest.substr(0, 10), "FFFFFFF0: ");
}

}  // namespace
}  // namespace quillix::test
