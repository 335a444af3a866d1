// The checked reads of the view against a real mapping whose file was cut shorter after it
// was mapped (SIGBUS natively, an access violation under Wine): every stretch read is
// compared with a model of what the system can still deliver, page by page.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "cut_file.h"
#include "document/checked_view.h"
#include "document/document.h"
#include "temp_files.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillix::test {
namespace {

constexpr std::int64_t page = viewPageBytes;
constexpr std::int64_t fileBytes = 12 * page;
// Edited before the cut, so their pages are private copies: pages 0 and 1.
constexpr std::int64_t editedOffsets[] = {10, page + 20};

SystemError expectedReadError() {
#ifdef _WIN32
    return ERROR_READ_FAULT;  // Wine raises an access violation for a page past the file's end
#else
    return EIO;
#endif
}

class CutFileTest : public ::testing::Test {
protected:
    void TearDown() override { closeDocumentView(doc); }

    // Maps a file of twelve pages, edits two bytes, then cuts the file to cut bytes.
    void openAndCut(std::int64_t cut) {
        const auto path = folder.file("cut.bin");
        writeBytes(path, patternBytes(static_cast<std::size_t>(fileBytes)));
        SystemError cause = 0;
        ASSERT_EQ(openDocument(doc, widePath(path).c_str(), cause), 1);
        for (std::int64_t offset : editedOffsets) ASSERT_TRUE(storeByte(doc, offset, 0xE0));
        before.assign(doc.fileBytes, doc.fileBytes + fileBytes);
        ASSERT_TRUE(cutFileShort(path, static_cast<std::uintmax_t>(cut)));
        this->cut = cut;
        limit = (cut + page - 1) / page * page;
    }

    // What the view can still give: a private page as it was, a shared page the file's bytes
    // up to the cut and zeros after it; nothing from the first page wholly past the cut on.
    std::uint8_t expected(std::int64_t offset) const {
        const bool privatePage = std::any_of(std::begin(editedOffsets), std::end(editedOffsets),
                                             [&](std::int64_t e) { return e / page == offset / page; });
        if (privatePage) return before[static_cast<std::size_t>(offset)];
        return offset < cut ? before[static_cast<std::size_t>(offset)] : 0;
    }
    std::vector<std::uint8_t> expectedStretch(std::int64_t from, std::int64_t to) const {
        std::vector<std::uint8_t> bytes;
        for (std::int64_t o = from; o < to; ++o) bytes.push_back(expected(o));
        return bytes;
    }

    // Stretches that start and end around the first unreadable byte and the file's ends.
    std::vector<ByteRange> stretches() const {
        std::vector<ByteRange> found;
        for (std::int64_t a :
             {std::int64_t{0}, page - 1, limit - 16, limit - 1, limit, limit + 8, fileBytes - 16})
            for (std::int64_t b : {a + 1, a + 16, limit, limit + 1, limit + page + 7, fileBytes})
                if (a >= 0 && a < b && b <= fileBytes) found.push_back({a, b});
        return found;
    }

    TempFolder folder;
    Document doc;
    std::vector<std::uint8_t> before;
    std::int64_t cut = 0;
    std::int64_t limit = 0;  // the first byte that cannot be read
};

// Cuts on and between page boundaries, through a private page (offset 1 in page 0) and
// past the private pages.
constexpr std::int64_t cuts[] = {2 * page, 3 * page + 100, 11 * page, 1};

TEST_F(CutFileTest, CopiesStopAtTheFirstUnreadablePageAndSalvageTheRest) {
    for (std::int64_t c : cuts) {
        SCOPED_TRACE(c);
        TearDown();
        openAndCut(c);
        for (const ByteRange& s : stretches()) {
            SCOPED_TRACE(testing::Message() << s.begin << ".." << s.end);
            const std::int64_t length = s.end - s.begin;
            const std::int64_t firstBad = std::max(s.begin, limit);

            std::vector<std::uint8_t> out(static_cast<std::size_t>(length), 0xCC);
            ReadFault fault;
            const bool copied = checkedCopy(doc, s.begin, length, out.data(), fault);
            EXPECT_EQ(copied, s.end <= limit);
            if (copied) {
                EXPECT_EQ(out, expectedStretch(s.begin, s.end));
            } else {
                EXPECT_EQ(fault.offset, firstBad);
                EXPECT_EQ(fault.error, expectedReadError());
                std::vector<std::uint8_t> wanted = expectedStretch(s.begin, firstBad);
                wanted.resize(static_cast<std::size_t>(length), 0xCC);  // the rest untouched
                EXPECT_EQ(out, wanted);
            }

            std::vector<std::uint8_t> salvaged(static_cast<std::size_t>(length), 0xCC);
            UnreadableBytes unreadable;
            EXPECT_EQ(copyReadable(doc, s.begin, length, salvaged.data(), unreadable), s.end <= limit);
            std::vector<std::uint8_t> wanted = expectedStretch(s.begin, std::min(s.end, limit));
            wanted.resize(static_cast<std::size_t>(length), 0);
            EXPECT_EQ(salvaged, wanted);
            const std::vector<ByteRange> lost =
                s.end > limit ? std::vector<ByteRange>{{firstBad, s.end}} : std::vector<ByteRange>{};
            EXPECT_EQ(unreadable.ranges, lost);
            EXPECT_EQ(unreadable.total(), s.end > limit ? s.end - firstBad : 0);

            ReadFault probe;
            EXPECT_EQ(findUnreadable(doc, s.begin, length, probe), s.end > limit);
            if (s.end > limit) {
                EXPECT_EQ(probe.offset, firstBad);
            }
        }
    }
}

TEST_F(CutFileTest, SalvagedStretchesJoinAcrossCallsAndKeepTheFirstError) {
    openAndCut(3 * page);
    UnreadableBytes unreadable;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(fileBytes));
    // A file copied in pieces that do not fall on pages, as a save does.
    for (std::int64_t at = 0; at < fileBytes; at += 5000)
        copyReadable(doc, at, std::min<std::int64_t>(5000, fileBytes - at), out.data() + at, unreadable);
    EXPECT_EQ(unreadable.ranges, (std::vector<ByteRange>{{3 * page, fileBytes}}));
    EXPECT_EQ(unreadable.error, expectedReadError());
    std::vector<std::uint8_t> wanted = expectedStretch(0, 3 * page);
    wanted.resize(static_cast<std::size_t>(fileBytes), 0);
    EXPECT_EQ(out, wanted);
}

TEST_F(CutFileTest, StoresAndScansMeetTheSameBoundary) {
    openAndCut(5 * page);
    ReadFault fault;
    std::uint8_t previous = 0;
    EXPECT_TRUE(checkedStore(doc, 5 * page - 1, 0x5A, previous, fault));
    EXPECT_EQ(doc.fileBytes[5 * page - 1], 0x5A);
    EXPECT_EQ(previous, expected(5 * page - 1));
    EXPECT_FALSE(checkedStore(doc, 5 * page, 0x5A, previous, fault));
    EXPECT_EQ(fault.offset, 5 * page);
    EXPECT_EQ(fault.error, expectedReadError());

    // storeByte refuses the byte whole, marks nothing and says why.
    ReadFault storeFault;
    EXPECT_FALSE(storeByte(doc, 7 * page + 3, 0x11, &storeFault));
    EXPECT_EQ(storeFault.offset, 7 * page + 3);
    EXPECT_FALSE(doc.changes.marked(7 * page + 3));

    // A scan over the view in place stops at the first byte it cannot read.
    volatile std::int64_t reached = -1;
    auto scan = [&] {
        for (std::int64_t o = 0; o < fileBytes; ++o) {
            reached = o;
            (void)*static_cast<volatile std::uint8_t*>(doc.fileBytes + o);
        }
    };
    ReadFault scanFault;
    EXPECT_FALSE(checkedRun(doc, scan, scanFault));
    EXPECT_EQ(scanFault.offset, 5 * page);
    EXPECT_EQ(reached, 5 * page);
}

TEST_F(CutFileTest, NestedGuardsLeaveTheFaultToTheOneWhoseRangeHoldsIt) {
    openAndCut(2 * page);
    std::uint8_t other[64] = {};
    const std::uint8_t* view = doc.fileBytes;
    // The inner guard watches another buffer: the view's fault goes to the outer one.
    struct Inner {
        const std::uint8_t* view;
        std::uint8_t* other;
        bool innerReturned = false;
        void operator()() {
            GuardedFault ignored;
            innerReturned = runGuarded(
                other, other + 64,
                [](void* context) {
                    auto* self = static_cast<Inner*>(context);
                    (void)*static_cast<const volatile std::uint8_t*>(self->view + 3 * page);
                },
                this, ignored);
        }
    } inner{view, other};
    ReadFault fault;
    EXPECT_FALSE(checkedRun(doc, inner, fault));
    EXPECT_FALSE(inner.innerReturned);
    EXPECT_EQ(fault.offset, 3 * page);

    // The inner guard watches the view: it takes the fault and the outer work goes on.
    struct Outer {
        const Document& doc;
        bool innerCaught = false;
        bool finished = false;
        void operator()() {
            std::uint8_t byte = 0;
            ReadFault innerFault;
            innerCaught = !checkedCopy(doc, 4 * page, 1, &byte, innerFault);
            finished = true;
        }
    } outer{doc};
    EXPECT_TRUE(checkedRun(doc, outer, fault));
    EXPECT_TRUE(outer.innerCaught);
    EXPECT_TRUE(outer.finished);

    // After all that the guard still stands, and readable pages read as ever.
    std::uint8_t byte = 0;
    EXPECT_FALSE(checkedCopy(doc, 9 * page, 1, &byte, fault));
    EXPECT_TRUE(checkedCopy(doc, page + 20, 1, &byte, fault));
    EXPECT_EQ(byte, 0xE0);
}

TEST(UnreadableMessages, NameTheDocumentTheReasonAndTheStretches) {
    const std::wstring reason = systemErrorText(expectedReadError());
    ASSERT_FALSE(reason.empty());
    EXPECT_EQ(unreadableMessage(L"data.bin", expectedReadError()), L"Could not read data.bin\n" + reason);
    EXPECT_EQ(unreadableMessage(L"", expectedReadError()), L"Could not read (untitled)\n" + reason);
    EXPECT_EQ(unreadableStatus(expectedReadError()), L"Cannot read the file: " + reason);

    UnreadableBytes few{{{0x1000, 0x100000}, {0x200000, 0x200010}}, expectedReadError()};
    EXPECT_EQ(unreadableSaveMessage(L"data.bin", L"copy.bin", few),
              L"Could not read data.bin\n" + reason +
                  L"\nThese bytes were saved into copy.bin as zeros:\n00001000-000FFFFF\n00200000-0020000F");
    UnreadableBytes many;
    many.error = expectedReadError();
    for (std::int64_t i = 0; i < 11; ++i) many.ranges.push_back({i * 0x10000, i * 0x10000 + 0x1000});
    const std::wstring text = unreadableSaveMessage(L"data.bin", L"copy.bin", many);
    EXPECT_NE(text.find(L"\n00070000-00070FFF\nand 3 more"), std::wstring::npos) << text;
    EXPECT_EQ(text.find(L"00080000"), std::wstring::npos);
    EXPECT_EQ(text.substr(text.size() - 11), L"\nand 3 more");
}

}  // namespace
}  // namespace quillix::test
