// Paste: the clipboard's bytes written over the document from the caret or the selection.

#include <algorithm>

#include "document/file/checked_view.h"
#include "hexview/clipboard.h"
#include "hexview/comparison_view.h"
#include "hexview/paste_source.h"
#include "hexview/selection.h"
#include "host/progress.h"
#include "host/text_format.h"

namespace quillix {
namespace {

constexpr wchar_t cannotUndoPasteText[] = L"This paste cannot be undone. Paste anyway?";
constexpr wchar_t notHexText[] = L"Hexadecimal numbers have to be between a-f or 0-9!";

// "The clipboard holds N bytes, but only M fit from offset X to the end of the file."
void reportNoRoom(const HexView& hv, std::int64_t held, std::int64_t room, std::int64_t start) {
    wchar_t text[160];
    std::size_t length = appendText(text, 160, 0, L"The clipboard holds ");
    length = appendDecimal(text, 160, length, held);
    length = appendText(text, 160, length, held == 1 ? L" byte, but only " : L" bytes, but only ");
    length = appendDecimal(text, 160, length, room);
    length = appendText(text, 160, length, L" fit from offset ");
    length = appendHex(text, 160, length, static_cast<std::uint64_t>(start), 8);
    appendText(text, 160, length, L" to the end of the file.\nNothing was pasted.");
    warnInView(hv, text);
}

// A paste under way, from the moment the clipboard is read.
struct Paste {
    const HexView& hv;
    std::int64_t start;  // the first byte it writes: the first selected byte or the caret's
    Progress progress;   // its total becomes the bytes to store once the clipboard is read
    PasteSource source;
    bool waitCursorShown = false;

    // Every way out: the clipboard let go before a box comes up, and part 0 at rest again
    // (the selection's extent, the comparison's counts) unless it says the paste stopped.
    void settle() {
        hv.host.endClipboardRead();
        if (waitCursorShown) hv.host.setWaitCursor(false);
        finishProgress(progress);
        if (progress.stopped)
            showSelectionAgain(hv.view, hv.doc, hv.host);
        else
            showSelectionStatus(hv.view, hv.doc, hv.host);
    }
};

// Counts the bytes the clipboard's text stands for (a binary block is counted already).
// Returns true when it can be pasted; otherwise false after settling and the box that
// says why, with result what the paste returns.
bool countText(Paste& paste, int& result) {
    wchar_t text[256];
    result = 0;
    switch (paste.source.bytes ? TextOutcome::ready : readText(paste.source, paste.progress)) {
        case TextOutcome::ready: return true;
        case TextOutcome::stopped:
            paste.settle();
            result = pasteStopped;
            return false;
        case TextOutcome::notHex:
            paste.settle();
            paste.hv.host.messageBox(BoxOwner::none, notHexText, inputCaption, boxWarning);
            return false;
        case TextOutcome::wideCharacter:
            formatWideCharacter(text, paste.source);
            paste.settle();
            warnInView(paste.hv, text);
            return false;
    }
    return true;
}

// Whether the counted bytes can go in from start: they fit before the end and there is
// at least one. Otherwise false after settling and the box or beep that says why.
bool fits(Paste& paste) {
    const Document& doc = paste.hv.doc;
    const std::int64_t count = paste.source.count;
    const std::int64_t start = paste.start;
    const std::int64_t room = std::max<std::int64_t>(doc.fileSize - std::max<std::int64_t>(start, 0), 0);
    if (count > room || start < 0) {
        paste.settle();
        reportNoRoom(paste.hv, count, start < 0 ? 0 : room, std::max<std::int64_t>(start, 0));
        return false;
    }
    if (count == 0) {
        paste.settle();
        paste.hv.host.beep();
        return false;
    }
    return true;
}

// Whether the user agrees to a paste larger than the history may keep, which takes every
// step with it. Asked with the clipboard let go, so other programs have it while the box
// waits for an answer.
bool agreesToLoseHistory(Paste& paste) {
    paste.settle();
    return paste.hv.host.messageBox(BoxOwner::hexView, cannotUndoPasteText, programCaption, boxPasteQuestion) ==
           answerYes;
}

// Stores the counted bytes from start, a chunk at a time, and puts the caret after the
// last one stored. Returns what pasteFromClipboard returns.
int storePaste(Paste& paste, bool undoable, std::int64_t chunkBytes) {
    const HexView& hv = paste.hv;
    paste.progress.total = paste.source.count;
    ReadFault fault;
    CompareFault uncounted;
    const ByteRange range{paste.start, paste.start + paste.source.count};
    comparedBytesChanging(hv, range, uncounted);
    const std::int64_t stored =
        storeBytes(hv.doc, paste.start, paste.source.count, ByteFeed{readPasted, &paste.source},
                   PasteControl{undoable, &paste.progress, chunkBytes}, &fault);
    comparedBytesChanged(hv, range, uncounted);
    if (stored > 0) {
        hv.view.matchVisible = 0;
        hv.doc.isModified = 1;
        clearSelection(hv);
        moveCaretTo(hv, paste.start + stored);
    }
    paste.settle();
    reportChangeFault(hv, fault, uncounted);
    if (fault.happened()) return 0;
    if (paste.progress.stopped) return pasteStopped;
    if (stored == 0) {
        warnInView(hv, noMemoryForEditText);
        return 0;
    }
    return 1;
}

}  // namespace

bool canPaste(const HexView& hv) {
    return hasDocument(hv.doc) &&
           (hv.host.clipboardHas(ClipboardFormat::bytes) || hv.host.clipboardHas(ClipboardFormat::text));
}

int pasteFromClipboard(const HexView& hv, std::int64_t chunkBytes) {
    if (refuseReadOnlyFile(hv)) return 0;
    if (!hasDocument(hv.doc)) return 0;
    ByteRange selected;
    const std::int64_t start = selectedRange(hv.view, hv.doc, selected) ? selected.begin : offsetOf(hv.view);
    // After a Yes to the question the clipboard is read again: another program may have
    // changed it while the box was up.
    for (bool agreed = false;;) {
        Paste paste{hv, start, Progress{hv.host, pasteProgressTexts, 1}, PasteSource{}};
        ClipboardReading reading{hv.host};
        if (!readSource(hv, paste.source)) {
            hv.host.beep();
            return 0;
        }
        paste.waitCursorShown = paste.source.blockBytes > static_cast<std::size_t>(chunkBytes);
        if (paste.waitCursorShown) hv.host.setWaitCursor(true);
        int result = 0;
        if (!countText(paste, result)) return result;
        if (!fits(paste)) return 0;
        const bool undoable = paste.source.count <= static_cast<std::int64_t>(hv.doc.history.cap());
        if (undoable || agreed) return storePaste(paste, undoable, chunkBytes);
        if (!agreesToLoseHistory(paste)) return 0;
        agreed = true;
    }
}

}  // namespace quillix
