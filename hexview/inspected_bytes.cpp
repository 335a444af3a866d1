#include "hexview/inspected_bytes.h"

#include <algorithm>
#include <cstring>

#include "document/document.h"
#include "hexview/view_state.h"

namespace quillix {

std::int64_t inspectorOffset(const ViewState& view) { return offsetOf(view); }

InspectedBytes inspectedBytes(const Document& doc, const ViewState& view) {
    InspectedBytes read;
    if (!hasDocument(doc)) return read;
    read.offset = inspectorOffset(view);
    if (read.offset < 0 || read.offset >= doc.fileSize) return read;
    read.available = std::min(inspectorBytesUsed, doc.fileSize - read.offset);
    std::memcpy(read.bytes, doc.fileBytes + read.offset, static_cast<std::size_t>(read.available));
    return read;
}

}  // namespace quillix
