#include "hexview/selection.h"

#include <algorithm>

#include "hexview/comparison_view.h"
#include "host/text_format.h"

namespace quillix {

bool selectedRange(const ViewState& view, const Document& doc, ByteRange& range) {
    if (view.selectionAnchor < 0 || view.selectionEnd < 0 || !hasDocument(doc)) return false;
    // An end past the document (the caret on the EOF position, or below the data after a
    // scroll) selects up to the last byte.
    const std::int64_t first = std::min(view.selectionAnchor, view.selectionEnd);
    const std::int64_t last = std::min(std::max(view.selectionAnchor, view.selectionEnd), doc.fileSize - 1);
    if (first > last) return false;
    range = {first, last + 1};
    return true;
}

void formatSelectionStatus(wchar_t (&text)[64], const ByteRange& range) {
    std::size_t length = appendText(text, 64, 0, L"Selection: ");
    length = appendHex(text, 64, length, static_cast<std::uint64_t>(range.begin), 8);
    length = appendText(text, 64, length, L"-");
    length = appendHex(text, 64, length, static_cast<std::uint64_t>(range.end - 1), 8);
    length = appendText(text, 64, length, L", ");
    length = appendDecimal(text, 64, length, range.end - range.begin);
    appendText(text, 64, length, range.end - range.begin == 1 ? L" byte" : L" bytes");
}

void showSelectionStatus(const ViewState& view, const Document& doc, ViewHost& host) {
    ByteRange range;
    if (!selectedRange(view, doc, range)) {
        host.setStatusText(statusPartActivity, restingStatusText(view).c_str());
        return;
    }
    wchar_t text[64];
    formatSelectionStatus(text, range);
    host.setStatusText(statusPartActivity, text);
}

void showSelectionAgain(const ViewState& view, const Document& doc, ViewHost& host) {
    ByteRange range;
    if (selectedRange(view, doc, range)) showSelectionStatus(view, doc, host);
}

void setSelection(const HexView& hv, std::int64_t anchor, std::int64_t end) {
    // Only views under three rows tall could hand in a negative offset.
    hv.view.selectionAnchor = std::max<std::int64_t>(anchor, 0);
    hv.view.selectionEnd = std::max<std::int64_t>(end, 0);
    // The whole view: the rows that change colour may be anywhere on it.
    hv.host.invalidate(nullptr, false);
    showSelectionStatus(hv.view, hv.doc, hv.host);
}

void clearSelection(const HexView& hv) {
    ViewState& view = hv.view;
    if (view.selectionAnchor < 0) return;
    view.selectionAnchor = -1;
    view.selectionEnd = -1;
    hv.host.invalidate(nullptr, false);
    showSelectionStatus(view, hv.doc, hv.host);
}

void selectAll(const HexView& hv) {
    if (!hasDocument(hv.doc)) return;
    setSelection(hv, 0, hv.doc.fileSize - 1);
}

}  // namespace quillix
