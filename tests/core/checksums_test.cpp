// The checksums' one pass: published known answers over a selection, a pattern across
// chunk, piece and page edges, the verdict on a pasted digest, the note once the bytes
// change, Escape, and a page that cannot be read.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "checksums/checksums.h"
#include "cut_file.h"
#include "recording_host.h"
#include "temp_files.h"

namespace quillix::test {
namespace {

using Values = std::vector<std::wstring>;  // CRC-32, Adler-32, MD5, SHA-1, SHA-256, SHA-512

// RFC 1321, FIPS 180-2 and zlib's documented check values.
struct KnownAnswer {
    std::string input;
    Values values;
};
const KnownAnswer knownAnswers[] = {
    {"",
     {L"00000000", L"00000001", L"d41d8cd98f00b204e9800998ecf8427e", L"da39a3ee5e6b4b0d3255bfef95601890afd80709",
      L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
      L"cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877eec2f63b931bd4741"
      L"7a81a538327af927da3e"}},
    {"abc",
     {L"352441c2", L"024d0127", L"900150983cd24fb0d6963f7d28e17f72", L"a9993e364706816aba3e25717850c26c9cd0d89d",
      L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
      L"ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d442364"
      L"3ce80e2a9ac94fa54ca49f"}},
    {std::string(1000000, 'a'),
     {L"dc25bfbc", L"15d870f9", L"7707d6ae4e027c70eea2a935c2296f21", L"34aa973cd4c4daa4f61eeb2bdbad27316534016f",
      L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
      L"e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce577c31beb009c5c2c"
      L"49aa2e4eadb217ad8cc09b"}},
};

// Byte i is (7 i + i / 251) mod 256: no piece of it repeats another. Its values are
// python3's zlib and hashlib over the same bytes.
constexpr std::int64_t patternSize = 2 * checksumPieceBytes + 3 * 4096 + 17;
const Values patternValues = {
    L"4aaa4a50", L"8e50fb80", L"2fcc81e76361e350c76b1e8a899327ba", L"370386e2b385c5a5c38be151c055000433a98df9",
    L"772173b7648aed15ff8dcfdea03081e61c3927ee8d0647f9241447b8f57fcdb2",
    L"67f646a9811f179d25e2c6c3ec5dbca9f644902985e15c2654e7573b87b3dc95398643c2bf2c4b5e6ab86f651f2cbc902f0fb08d92cd"
    L"cee4a38c7c512b02e7bd"};

class ChecksumsTest : public ::testing::Test {
protected:
    ~ChecksumsTest() override {
        if (!bytes.empty()) doc.fileBytes = nullptr;
        closeDocumentView(doc);
    }
    void load(std::vector<std::uint8_t> content) {
        bytes = std::move(content);
        doc.fileBytes = bytes.data();
        doc.fileSize = std::ssize(bytes);
    }
    ChecksumOutcome compute(ByteRange range, bool selection, std::int64_t chunkBytes = checksumChunkBytes) {
        return computeChecksums(doc, {range, selection, allChecksums, chunkBytes}, host, results);
    }
    Values values() const {
        Values shown;
        for (int algorithm = 0; algorithm < checksumCount; ++algorithm)
            shown.push_back(checksumText(results, algorithm));
        return shown;
    }

    std::vector<std::uint8_t> bytes;
    Document doc;
    RecordingHost host;
    ChecksumResults results;
};

TEST_F(ChecksumsTest, KnownAnswersOfTheSelectedBytes) {
    for (const KnownAnswer& known : knownAnswers) {
        std::vector<std::uint8_t> content{'-', '-'};
        content.insert(content.end(), known.input.begin(), known.input.end());
        content.insert(content.end(), {'-', '-'});
        load(content);
        ASSERT_EQ(compute({2, 2 + std::ssize(known.input)}, true), ChecksumOutcome::done);
        EXPECT_EQ(values(), known.values) << known.input.size() << " bytes";
    }
    EXPECT_EQ(checksumRangeText(results), L"Selection 00000002-000F4241, 1000000 bytes");
    EXPECT_EQ(host.activity.back(), L"Ready");
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ChecksumsTest, EveryChunkSizeGivesTheSameValues) {
    std::vector<std::uint8_t> pattern(patternSize);
    for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<std::uint8_t>(7 * i + i / 251);
    load(pattern);
    for (std::int64_t chunk : {std::int64_t{1}, std::int64_t{4097}, checksumPieceBytes + 1, checksumChunkBytes}) {
        ASSERT_EQ(compute({0, patternSize}, false, chunk), ChecksumOutcome::done);
        EXPECT_EQ(values(), patternValues) << "chunks of " << chunk;
    }
    EXPECT_EQ(checksumRangeText(results), L"Whole document, 143377 bytes");
}

// The range line names unsaved changes in the range, at either end too; none outside it.
TEST_F(ChecksumsTest, TheRangeLineSaysWhenTheValuesIncludeUnsavedChanges) {
    const struct {
        ByteRange range;
        int modified;
        const wchar_t* text;  // with byte 70 changed
    } cases[] = {{{0, 200}, 0, L"Whole document, 200 bytes"},
                 {{70, 71}, 1, L"Selection 00000046-00000046, 1 byte, with unsaved changes"},
                 {{71, 200}, 1, L"Selection 00000047-000000C7, 129 bytes"},
                 {{10, 70}, 1, L"Selection 0000000A-00000045, 60 bytes"}};
    load(std::vector<std::uint8_t>(200, 0x41));
    ASSERT_TRUE(storeByte(doc, 70, 0x42));
    for (const auto& c : cases) {
        doc.isModified = c.modified;
        ASSERT_EQ(compute(c.range, c.range.end - c.range.begin < 200), ChecksumOutcome::done);
        EXPECT_EQ(checksumRangeText(results), c.text);
    }
}

TEST_F(ChecksumsTest, APastedDigestMatchesInAnyCaseWithBlanksIgnored) {
    load({'a', 'b', 'c'});
    ASSERT_EQ(compute({0, 3}, false), ChecksumOutcome::done);
    const struct {
        const wchar_t* typed;
        const wchar_t* verdict;
    } cases[] = {
        {L"BA7816BF 8F01CFEA 414140DE 5DAE2223 B00361A3 96177A9C B410FF61 F20015AD", L"Matches SHA-256"},
        {L"\t352441C2\r\n", L"Matches CRC-32"},
        {L"024d0127", L"Matches Adler-32"},
        {L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015a", L"Matches none"},
        {L"0x352441c2", L"Matches none"},
        {L" \t", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(compareVerdict(results, c.typed), c.verdict) << c.typed;
}

TEST_F(ChecksumsTest, AnyChangeOfTheBytesMakesTheValuesStaleUntilComputedAgain) {
    load({'a', 'b', 'c'});
    ASSERT_EQ(compute({0, 3}, false), ChecksumOutcome::done);
    EXPECT_EQ(checksumNote(results, doc), L"");
    ASSERT_TRUE(storeByte(doc, 1, 'B'));
    EXPECT_EQ(checksumNote(results, doc), L"Changed since computed \u2014 press F5");
    ASSERT_EQ(compute({0, 3}, false), ChecksumOutcome::done);
    EXPECT_EQ(checksumNote(results, doc), L"");
    EXPECT_NE(checksumText(results, checksumCrc32), knownAnswers[1].values[checksumCrc32]);
    ByteRange touched;
    ReadFault fault;
    ASSERT_EQ(undoStep(doc, touched, fault), StepOutcome::done);
    EXPECT_EQ(checksumNote(results, doc), L"Changed since computed \u2014 press F5");
}

TEST_F(ChecksumsTest, EscapeStopsWithNoValuesAfterShowingProgress) {
    load(std::vector<std::uint8_t>(4 * 4096, 'a'));
    host.clockStep = 150;  // check-ins at 0, 150, 300 and 450 ms
    host.stopAt = 4;
    EXPECT_EQ(compute({0, 4 * 4096}, false, 4096), ChecksumOutcome::stopped);
    EXPECT_EQ(host.activity, (std::vector<std::wstring>{L"Computing checksums\u2026 50 %", L"Checksums stopped"}));
    EXPECT_EQ(values(), Values(checksumCount));
    EXPECT_EQ(checksumNote(results, doc), L"Checksums stopped");
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ChecksumsTest, AnUnreadablePageIsReportedAndGivesNoValues) {
    TempFolder folder;
    const auto path = folder.file("cut.bin");
    writeBytes(path, std::vector<std::uint8_t>(16 * 4096, 'a'));
    // An hour old, so that the cut surely moves its last-write time (cut_file.h waits for it).
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    SystemError cause = 0;
    ASSERT_EQ(openDocument(doc, widePath(path).c_str(), cause), 1);
    std::wcscpy(doc.fileTitle, L"cut.bin");
    ASSERT_TRUE(cutFileShort(path, 5 * 4096 + 100));
    ASSERT_EQ(compute({0, 6 * 4096}, true), ChecksumOutcome::done) << "the pages before the cut";
    EXPECT_EQ(compute({0, 16 * 4096}, false), ChecksumOutcome::unreadable);
    EXPECT_EQ(values(), Values(checksumCount));
    EXPECT_EQ(checksumNote(results, doc), L"Could not read cut.bin");
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_TRUE(host.boxes[0].text.starts_with(L"Could not read cut.bin\n")) << host.boxes[0].text;
    EXPECT_EQ(host.boxes[0].owner, BoxOwner::frame);
}

}  // namespace
}  // namespace quillix::test
