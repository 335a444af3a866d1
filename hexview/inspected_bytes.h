#pragma once
// Which bytes the data inspector reads: the offset it starts from and a copy of the bytes
// there, as many as exist up to the most any row reads. The tool window compares one such
// copy with the last it showed, so it redraws only when something really changed.

#include <cstdint>

#include "hexview/data_inspector.h"

namespace quillix {

struct Document;
struct ViewState;

struct InspectedBytes {
    std::int64_t offset = -1;                     // where the bytes start; -1 with no document
    std::int64_t available = 0;                   // bytes copied, 0..inspectorBytesUsed
    std::uint8_t bytes[inspectorBytesUsed] = {};  // the copy; zero past available

    bool operator==(const InspectedBytes&) const = default;
};

// The offset the inspector reads from: the first selected byte while a selection exists,
// else the caret's byte. That may lie at or past the end of the document (the EOF
// position), or, in views less than three rows tall, before it.
std::int64_t inspectorOffset(const Document& doc, const ViewState& view);

// Copies the bytes from inspectorOffset on: min(16, fileSize - offset) of them, fewer when
// a page of them can no longer be read (the copy stops there). Nothing is copied
// (available 0) with no document, at or past the end or before the start, so no byte
// outside the document is ever read.
InspectedBytes inspectedBytes(const Document& doc, const ViewState& view);

}  // namespace quillix
