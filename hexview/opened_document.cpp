// The view's half of opening a file: what the view shows of a new document, or of none.

#include "hexview/hex_view.h"
#include "host/text_format.h"

namespace quillix {

void showOpenedDocument(const HexView& hv, bool opened) {
    ViewState& view = hv.view;
    ViewHost& host = hv.host;
    host.hideCaret();
    view.topLine = 0;
    // Nothing of the old document stays selected, and no drag goes on into the new one.
    if (view.selectionAnchor >= 0) {
        view.selectionAnchor = -1;
        view.selectionEnd = -1;
        host.setStatusText(statusPartActivity, L"Ready");
    }
    view.dragOrigin = -1;
    if (!opened) {
        // With lineCount at 0 this brings scrollMax to 0 too.
        onSize(hv);
        return;
    }
    host.setWaitCursor(true);
    // A new document shows no match and carries none over: searches start afresh. With no
    // hit yet, a text search that misses goes back to -1 too, so offset 0 is still searched.
    view.matchVisible = 0;
    view.matchStart = -1;
    view.matchLength = 0;
    // Decimal offsets take as many digits as the new document's largest offset needs.
    const RowLayout& layout = view.layout;
    if (layout.decimal)
        view.layout = chosenRowLayout(static_cast<std::uint32_t>(layout.bytesPerRow),
                                      static_cast<std::uint32_t>(layout.groupBytes), true, hv.doc.fileSize);
    onSize(hv);

    wchar_t bytesText[20];
    const std::size_t length = appendText(bytesText, 20, 0, L"Bytes: ");
    appendDecimal(bytesText, 20, length, hv.doc.fileSize);
    host.setStatusText(statusPartBytes, bytesText);

    host.invalidate(nullptr, true);
    host.updateWindow();
    host.setWaitCursor(false);
    host.showCaret();
    view.searchPos = -1;
}

int openDocument(Document& doc, ViewState& view, ViewHost& host, const wchar_t* path, SystemError& cause,
                 FileSystem& fs) {
    const int opened = openDocument(doc, path, cause, fs);
    showOpenedDocument(HexView{doc, view, host}, opened == 1);
    return opened;
}

}  // namespace quillix
