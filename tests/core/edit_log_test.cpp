// The edit log: what each kind of edit records, how the array grows, and what a reset
// leaves.

#include <gtest/gtest.h>

#include <random>

#include "document/document.h"

namespace quillix::test {
namespace {

struct LogFixture : ::testing::Test {
    void TearDown() override { releaseEditLog(doc); }
    void edit(EditKind kind, std::int64_t offset) {
        ASSERT_TRUE(reserveEdit(doc, kind));
        recordEdit(doc, kind, offset);
    }
    // Bit k set when an entry of 0..editCount holds byte row * 16 + k.
    std::uint16_t scannedMask(std::int64_t row) const {
        std::uint16_t mask = 0;
        if (!doc.editLog.entries) return 0;
        for (std::int64_t i = 0; i <= doc.editCount; ++i) {
            std::int64_t offset = doc.editLog.entries[i];
            if (offset >= 0 && offset / 16 == row) mask |= static_cast<std::uint16_t>(1u << (offset % 16));
        }
        return mask;
    }
    Document doc;
};

TEST_F(LogFixture, TwoDigitsOnOneByteRecordItTwice) {
    edit(EditKind::highNibble, 0);
    EXPECT_EQ(doc.editCount, 0);
    edit(EditKind::lowNibble, 0);
    EXPECT_EQ(doc.editCount, 1);
    EXPECT_EQ(doc.editLog.entries[0], 0);
    EXPECT_EQ(doc.editLog.entries[1], 0);
    // The next high nibble overwrites that second copy.
    edit(EditKind::highNibble, 5);
    EXPECT_EQ(doc.editCount, 1);
    EXPECT_EQ(doc.editLog.entries[1], 5);
    EXPECT_EQ(scannedMask(0), (1u << 0) | (1u << 5));
}

TEST_F(LogFixture, AFirstCharacterEditFillsEntriesZeroAndOne) {
    edit(EditKind::character, 33);
    EXPECT_EQ(doc.editCount, 1);
    EXPECT_EQ(doc.editLog.entries[0], 33);
    EXPECT_EQ(doc.editLog.entries[1], 33);
    EXPECT_EQ(doc.editLog.capacity, 500);
}

TEST_F(LogFixture, ThousandCharacterEditsKeepEveryEntryAndGrowByHundreds) {
    std::int64_t expectedCapacity = 0;
    for (int i = 0; i < 1000; ++i) {
        // Made at the first edit, regrown whenever the count an edit leaves is a multiple
        // of 100: each time to the count before that edit plus 500.
        if (i == 0 || (doc.editCount + 1) % 100 == 0) expectedCapacity = doc.editCount + 500;
        edit(EditKind::character, i * 3);
        EXPECT_EQ(doc.editLog.capacity, expectedCapacity) << i;
        EXPECT_GT(doc.editLog.capacity, doc.editCount);
    }
    EXPECT_EQ(doc.editCount, 1000);
    // Each edit overwrote the previous one's second copy: one entry per edited byte,
    // the latest twice.
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(doc.editLog.entries[i], i * 3) << i;
    EXPECT_EQ(doc.editLog.entries[1000], 999 * 3);
}

TEST_F(LogFixture, AfterAResetNoOldEntryCountsUntilWrittenAgain) {
    edit(EditKind::highNibble, 7);
    edit(EditKind::lowNibble, 7);
    edit(EditKind::character, 40);
    resetEditLog(doc);
    EXPECT_EQ(doc.editCount, 0);
    EXPECT_EQ(scannedMask(0), 0u);
    EXPECT_EQ(scannedMask(2), 0u);
    // A low nibble first after the reset brings in entry 1 only: byte 7 stays unmarked.
    edit(EditKind::lowNibble, 100);
    EXPECT_EQ(doc.editCount, 1);
    EXPECT_EQ(scannedMask(0), 0u);
    EXPECT_EQ(scannedMask(6), 1u << 4);
}

}  // namespace
}  // namespace quillix::test
