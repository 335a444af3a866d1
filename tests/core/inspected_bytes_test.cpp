// The bytes the data inspector reads: up to 16 from the caret's byte, never one past the
// end of the document (the buffers are exactly the document's size, so a sanitizer build
// catches any read beyond it).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "document/document.h"
#include "hexview/inspected_bytes.h"
#include "hexview/view_state.h"

namespace quillix::test {
namespace {

// The caret on offset, placed as the view state spells it (row and column).
ViewState caretOn(std::int64_t offset) {
    ViewState view;
    view.topLine = offset / 16 > 2 ? offset / 16 - 2 : 0;
    view.caretRow = offset / 16 - view.topLine;
    view.byteColumn = offset % 16 + 1;
    return view;
}

TEST(InspectedBytes, EveryCaretOfEverySmallDocumentReadsWhatIsLeftUpToSixteenBytes) {
    for (std::int64_t size = 1; size <= 40; ++size) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0x80 + 7 * i);
        Document doc;
        doc.fileBytes = bytes.data();
        doc.fileSize = size;
        // Up to the EOF position and the blank row under it.
        for (std::int64_t offset = 0; offset <= size + 16; ++offset) {
            SCOPED_TRACE(testing::Message() << "size " << size << " offset " << offset);
            const InspectedBytes read = inspectedBytes(doc, caretOn(offset));
            const std::int64_t left = std::max<std::int64_t>(0, std::min<std::int64_t>(16, size - offset));
            EXPECT_EQ(read.offset, offset);
            ASSERT_EQ(read.available, left);
            for (std::int64_t k = 0; k < 16; ++k)
                EXPECT_EQ(read.bytes[k], k < left ? bytes[static_cast<std::size_t>(offset + k)] : 0) << k;
        }
        doc.fileBytes = nullptr;
    }
}

TEST(InspectedBytes, NoDocumentAndACaretBeforeTheStartReadNothing) {
    Document none;
    EXPECT_EQ(inspectedBytes(none, caretOn(0)), InspectedBytes{});

    std::vector<std::uint8_t> bytes(8, 0x41);
    Document doc;
    doc.fileBytes = bytes.data();
    doc.fileSize = 8;
    ViewState view;  // a view too short for the end-of-document rules can leave the caret above row 0
    view.caretRow = -1;
    const InspectedBytes read = inspectedBytes(doc, view);
    EXPECT_EQ(read.offset, -16);
    EXPECT_EQ(read.available, 0);
    doc.fileBytes = nullptr;
}

}  // namespace
}  // namespace quillix::test
