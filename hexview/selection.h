#pragma once
// The selection: the bytes the user marks with Shift and a caret key, with Shift+click or
// a drag, or all at once with Select All. It is painted in the highlight colours, named in
// status part 0, copied by Copy, and Paste begins at its first byte. A plain caret key, a
// click, an edit, an open, a search hit and a paste drop it.

#include <cstdint>

#include "document/history/change_map.h"
#include "hexview/hex_view.h"

namespace quillix {

// The selected bytes as range.begin .. range.end - 1, cut to the document. Returns false,
// leaving range alone, when there is no selection or none of it lies in the document.
bool selectedRange(const ViewState& view, const Document& doc, ByteRange& range);

// Selects from anchor to end (file offsets, both included, either order), repaints the
// view and names the selection in status part 0.
void setSelection(const HexView& hv, std::int64_t anchor, std::int64_t end);
// Drops the selection. When there was one, the view is repainted and status part 0 reads
// "Ready" again; otherwise nothing at all happens.
void clearSelection(const HexView& hv);
// Selects the whole document, whatever its size, in constant time; the caret stays.
void selectAll(const HexView& hv);

// Status part 0 while a selection exists: "Selection: 00000010-0000001F, 16 bytes" (the
// first and the last offset, at least eight upper-case hex digits, and the length);
// "Ready" without one.
void showSelectionStatus(const ViewState& view, const Document& doc, ViewHost& host);
// After a long operation put "Ready" into part 0: names the selection there again, when
// there is one; does nothing otherwise.
void showSelectionAgain(const ViewState& view, const Document& doc, ViewHost& host);
// The text above for the range, into text (always terminated).
void formatSelectionStatus(wchar_t (&text)[64], const ByteRange& range);

}  // namespace quillix
