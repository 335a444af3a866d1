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

TEST(InspectedBytes, EveryCaretOfEverySmallDocumentReadsWhatIsLeftUpToSixteenBytes) {
    EXPECT_EQ(inspectedBytes(Document{}, ViewState{}), InspectedBytes{}) << "no document";
    for (std::int64_t size = 1; size <= 40; ++size) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0x80 + 7 * i);
        Document doc;
        doc.fileBytes = bytes.data();
        doc.fileSize = size;
        // From a row above the first (views under three rows tall can leave the caret there)
        // to the EOF position and the blank row under it.
        for (std::int64_t offset = -16; offset <= size + 16; ++offset) {
            SCOPED_TRACE(testing::Message() << "size " << size << " offset " << offset);
            ViewState view;
            view.caretRow = (offset + 16) / 16 - 1;
            view.byteColumn = offset - 16 * view.caretRow + 1;
            const InspectedBytes read = inspectedBytes(doc, view);
            const std::int64_t left = offset < 0 ? 0 : std::clamp<std::int64_t>(size - offset, 0, 16);
            EXPECT_EQ(read.offset, offset);
            ASSERT_EQ(read.available, left);
            for (std::int64_t k = 0; k < 16; ++k)
                EXPECT_EQ(read.bytes[k], k < left ? bytes[static_cast<std::size_t>(offset + k)] : 0) << k;
            // A selection, made either way round, is read from its first byte wherever the caret is.
            if (offset < 0 || offset >= size) continue;
            view.selectionAnchor = size - 1;
            view.selectionEnd = offset;
            EXPECT_EQ(inspectedBytes(doc, view).offset, offset);
            std::swap(view.selectionAnchor, view.selectionEnd);
            view.caretRow = 0;
            view.byteColumn = 1;
            EXPECT_EQ(inspectedBytes(doc, view).offset, offset);
        }
        doc.fileBytes = nullptr;
    }
}

}  // namespace
}  // namespace quillix::test
