#include "hexview/inspected_bytes.h"

#include <algorithm>

#include "document/file/checked_view.h"
#include "document/document.h"
#include "hexview/selection.h"
#include "hexview/view_state.h"

namespace quillix {

std::int64_t inspectorOffset(const Document& doc, const ViewState& view) {
    ByteRange selected;
    return selectedRange(view, doc, selected) ? selected.begin : offsetOf(view);
}

InspectedBytes inspectedBytes(const Document& doc, const ViewState& view) {
    InspectedBytes read;
    if (!hasDocument(doc)) return read;
    read.offset = inspectorOffset(doc, view);
    if (read.offset < 0 || read.offset >= doc.fileSize) return read;
    const std::int64_t wanted = std::min(inspectorBytesUsed, doc.fileSize - read.offset);
    // Bytes on a page that can no longer be read are missing like bytes past the end: the
    // rows that need them show dashes.
    ReadFault fault;
    read.available =
        checkedCopy(doc, read.offset, wanted, read.bytes, fault) ? wanted : fault.offset - read.offset;
    return read;
}

}  // namespace quillix
