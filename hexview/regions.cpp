// Copy As, Select Block and Fill Selection over the view.

#include "hexview/regions.h"

#include <algorithm>

#include "document/file/checked_view.h"
#include "hexview/clipboard.h"
#include "hexview/comparison_view.h"
#include "hexview/selection.h"

namespace quillix {
namespace {

// Bytes formatted in one go, and between two check-ins: whole pieces (copyAsPieceAlign).
constexpr std::int64_t copyAsPieceBytes = std::int64_t{48} << 10;
constexpr std::int64_t copyAsChunkBytes = std::int64_t{48} << 16;

constexpr wchar_t cannotUndoFillText[] = L"This fill cannot be undone. Fill anyway?";

// Formats the range's text into text a chunk at a time, checking in before each. Returns
// false when stopped (progress says so) or at a page that cannot be read (fault set).
bool formatCopyAs(const HexView& hv, CopyAsFormat format, const ByteRange& range, char* text,
                  Progress& progress, ReadFault& fault) {
    const std::int64_t count = range.end - range.begin;
    for (std::int64_t done = 0; done < count; done += copyAsChunkBytes) {
        if (!keepGoing(progress, done)) return false;
        const std::int64_t chunkEnd = std::min(done + copyAsChunkBytes, count);
        struct Piece {
            CopyAsFormat format;
            const std::uint8_t* bytes;
            std::int64_t from;
            std::int64_t to;
            std::int64_t total;
            char* text;
            void operator()() { formatCopyAsRange(format, bytes, from, to, total, text); }
        } piece{format, hv.doc.fileBytes + range.begin, done, chunkEnd, count, text};
        if (!checkedRun(hv.doc, piece, fault)) return false;
    }
    return true;
}

}  // namespace

void formatCopyAsRange(CopyAsFormat format, const std::uint8_t* bytes, std::int64_t from, std::int64_t to,
                       std::int64_t total, char* text) {
    for (std::int64_t at = from; at < to; at += copyAsPieceBytes)
        formatCopyAsPiece(format, bytes + at, static_cast<std::uint64_t>(at),
                          static_cast<std::uint64_t>(std::min(copyAsPieceBytes, to - at)),
                          static_cast<std::uint64_t>(total), text);
}

int copyAsToClipboard(const HexView& hv, CopyAsFormat format) {
    ViewHost& host = hv.host;
    ByteRange range;
    if (!copyRangeWithinLimit(hv, range)) return 0;
    const std::int64_t count = range.end - range.begin;
    const std::uint64_t units = copyAsUnits(format, static_cast<std::uint64_t>(count));
    auto* text = static_cast<char*>(host.clipboardBlock(ClipboardFormat::asciiText, units));
    if (!text) {
        warnNoMemoryToCopy(hv, count);
        return 0;
    }
    const bool waitCursorShown = count > copyAsChunkBytes;
    if (waitCursorShown) host.setWaitCursor(true);
    Progress progress{host, copyProgressTexts, count};
    ReadFault fault;
    const bool formatted = formatCopyAs(hv, format, range, text, progress, fault);
    finishProgress(progress);
    if (waitCursorShown) host.setWaitCursor(false);
    if (!formatted) {
        host.dropClipboardBlocks();
        if (progress.stopped) return copyStopped;
        reportUnreadable(host, BoxOwner::frame, hv.doc.fileTitle, fault.error);
        return 0;
    }
    if (!putCopyOnClipboard(hv)) return 0;
    showSelectionAgain(hv.view, hv.doc, host);
    return 1;
}

void selectBlock(const HexView& hv, const BlockRange& block) {
    hv.view.matchVisible = 0;
    revealOffset(hv, block.start, CaretArea::hex);
    setSelection(hv, block.start, block.start + block.length - 1);
}

int fillSelection(const HexView& hv, const FillPattern& pattern, std::int64_t chunkBytes) {
    if (refuseReadOnlyFile(hv)) return 0;
    ByteRange range;
    if (!hasDocument(hv.doc) || pattern.count == 0 || !selectedRange(hv.view, hv.doc, range)) {
        hv.host.beep();
        return 0;
    }
    const std::int64_t count = range.end - range.begin;
    const bool undoable = count <= static_cast<std::int64_t>(hv.doc.history.cap());
    if (!undoable && hv.host.messageBox(BoxOwner::hexView, cannotUndoFillText, programCaption,
                                        boxPasteQuestion) != answerYes)
        return 0;
    const bool waitCursorShown = count > chunkBytes;
    if (waitCursorShown) hv.host.setWaitCursor(true);
    Progress progress{hv.host, fillProgressTexts, count};
    FillPattern feedPattern = pattern;
    ReadFault fault;
    CompareFault uncounted;
    comparedBytesChanging(hv, range, uncounted);
    const std::int64_t stored =
        storeBytes(hv.doc, range.begin, count, ByteFeed{feedFillPattern, &feedPattern},
                   PasteControl{undoable, &progress, chunkBytes}, &fault);
    comparedBytesChanged(hv, range, uncounted);
    if (waitCursorShown) hv.host.setWaitCursor(false);
    finishProgress(progress);
    if (stored > 0) {
        hv.view.matchVisible = 0;
        hv.doc.isModified = 1;
        hv.host.invalidate(nullptr, false);
    }
    if (!progress.stopped) showSelectionAgain(hv.view, hv.doc, hv.host);
    reportChangeFault(hv, fault, uncounted);
    if (fault.happened()) return 0;
    if (progress.stopped) return fillStopped;
    if (stored == 0) {
        warnInView(hv, noMemoryForEditText);
        return 0;
    }
    return 1;
}

}  // namespace quillix
