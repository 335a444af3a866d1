// The view's half of taking up another program's change: the document's bytes and size
// are new, the user's place in them stays.

#include <algorithm>

#include "hexview/hex_view.h"
#include "host/text_format.h"

namespace quillix {

void showTakenUpDocument(const HexView& hv, std::int64_t caretOffset, const wchar_t* note) {
    ViewState& view = hv.view;
    ViewHost& host = hv.host;
    const std::int64_t last = hv.doc.fileSize - 1;
    // The match may name bytes that are not there any more; the selection keeps what is.
    view.matchVisible = 0;
    if (view.selectionAnchor > last || view.selectionEnd > last) {
        view.selectionAnchor = std::min(view.selectionAnchor, last);
        view.selectionEnd = std::min(view.selectionEnd, last);
    }
    view.dragOrigin = -1;
    onSize(hv);  // keeps the top row where it still exists
    revealOffset(hv, std::clamp<std::int64_t>(caretOffset, 0, last),
                 view.layout.inCharArea(view.caretCell) ? CaretArea::character : CaretArea::hex);

    wchar_t bytesText[20];
    appendDecimal(bytesText, 20, appendText(bytesText, 20, 0, L"Bytes: "), hv.doc.fileSize);
    host.setStatusText(statusPartBytes, bytesText);
    host.setStatusText(statusPartActivity, note);
    host.invalidate(nullptr, true);
    host.updateWindow();
}

}  // namespace quillix
