// Copy: the selected bytes onto the clipboard, exactly and as the caret area's text.

#include <algorithm>

#include "document/file/checked_view.h"
#include "hexview/clipboard.h"
#include "hexview/clipboard_text.h"
#include "hexview/selection.h"
#include "host/progress.h"
#include "host/text_format.h"

namespace quillix {
namespace {

// Bytes taken out of the document and formatted in one go: small enough to stay in the
// processor's second-level cache between the two.
constexpr std::int64_t copyPieceBytes = 64 << 10;

// "<before><number><after>" into text.
void formatWithNumber(wchar_t (&text)[160], const wchar_t* before, std::int64_t number,
                      const wchar_t* after) {
    std::size_t length = appendText(text, 160, 0, before);
    length = appendDecimal(text, 160, length, number);
    appendText(text, 160, length, after);
}

enum class Filled { done, stopped, unreadable };

// Fills the blocks a chunk at a time, checking in before each: done, stopped by the user,
// or stopped at a page that cannot be read (fault says which and why).
Filled fillBlocks(const HexView& hv, const ByteRange& range, bool hexText, std::uint8_t* bytesBlock,
                  TextUnit* text, ReadFault& fault) {
    const std::int64_t count = range.end - range.begin;
    writeBytesHeader(bytesBlock, static_cast<std::uint64_t>(count));
    std::uint8_t* bytes = bytesBlock + bytesHeaderSize;
    Progress progress{hv.host, copyProgressTexts, count};
    Filled filled = Filled::done;
    for (std::int64_t done = 0; done < count && filled == Filled::done; done += copyChunkBytes) {
        if (!keepGoing(progress, done)) {
            filled = Filled::stopped;
            break;
        }
        const std::int64_t chunkEnd = std::min(done + copyChunkBytes, count);
        // Each piece is copied out of the view, then its text made from it while it is in
        // the cache: a plain loop over the view under its guard.
        for (std::int64_t at = done; at < chunkEnd; at += copyPieceBytes) {
            struct Piece {
                const std::uint8_t* from;
                std::size_t count;
                std::uint8_t* bytes;
                TextUnit* text;
                bool hexText;
                CharacterSet set;
                void operator()() {
                    copyBytesPiece(from, count, bytes);
                    if (hexText)
                        formatHexPiece(from, count, text);
                    else
                        formatCharPiece(from, count, text, set);
                }
            } piece{hv.doc.fileBytes + range.begin + at,
                    static_cast<std::size_t>(std::min(copyPieceBytes, chunkEnd - at)),
                    bytes + at,
                    text + (hexText ? 3 * at : at),
                    hexText,
                    hv.view.characterSet};
            if (!checkedRun(hv.doc, piece, fault)) {
                filled = Filled::unreadable;
                break;
            }
        }
    }
    finishProgress(progress);
    if (filled != Filled::done) return filled;
    if (hexText)
        endHexText(text, static_cast<std::size_t>(count));
    else
        text[count] = 0;
    return Filled::done;
}

}  // namespace

bool copyRange(const HexView& hv, ByteRange& range) {
    if (!hasDocument(hv.doc)) return false;
    if (selectedRange(hv.view, hv.doc, range)) return true;
    const std::int64_t offset = offsetOf(hv.view);
    if (offset < 0 || offset >= hv.doc.fileSize) return false;
    range = {offset, offset + 1};
    return true;
}

namespace {

// The two blocks a copy fills: the bytes exactly, and the caret area's text.
struct CopyBlocks {
    std::uint8_t* bytes = nullptr;
    TextUnit* text = nullptr;
};

// Asks the host for both blocks of a copy of count bytes. Returns false, holding none and
// after the box "Not enough memory to copy N bytes!", when either is refused.
bool takeBlocks(const HexView& hv, std::int64_t count, bool hexText, CopyBlocks& blocks) {
    ViewHost& host = hv.host;
    const std::size_t units = hexText ? hexTextUnits(static_cast<std::size_t>(count))
                                      : charTextUnits(static_cast<std::size_t>(count));
    blocks.bytes = static_cast<std::uint8_t*>(
        host.clipboardBlock(ClipboardFormat::bytes, bytesHeaderSize + static_cast<std::size_t>(count)));
    blocks.text =
        blocks.bytes
            ? static_cast<TextUnit*>(host.clipboardBlock(ClipboardFormat::text, units * sizeof(TextUnit)))
            : nullptr;
    if (blocks.text) return true;
    host.dropClipboardBlocks();
    warnNoMemoryToCopy(hv, count);
    return false;
}

}  // namespace

bool copyRangeWithinLimit(const HexView& hv, ByteRange& range) {
    if (!copyRange(hv, range)) {
        hv.host.beep();
        return false;
    }
    const std::int64_t count = range.end - range.begin;
    if (count <= copyLimitBytes) return true;
    wchar_t text[160];
    formatWithNumber(text, L"The selection holds ", count,
                     L" bytes: too many to copy.\nAt most 268435456 bytes (256 MiB) can be copied at once.");
    warnInView(hv, text);
    return false;
}

void warnNoMemoryToCopy(const HexView& hv, std::int64_t count) {
    wchar_t text[160];
    formatWithNumber(text, L"Not enough memory to copy ", count, count == 1 ? L" byte!" : L" bytes!");
    warnInView(hv, text);
}

bool putCopyOnClipboard(const HexView& hv) {
    if (hv.host.putClipboard()) return true;
    warnInView(hv, L"Could not put the copied bytes on the clipboard!\nAnother program may be holding it.");
    return false;
}

int copyToClipboard(const HexView& hv) {
    ViewHost& host = hv.host;
    ByteRange range;
    if (!copyRangeWithinLimit(hv, range)) return 0;
    const std::int64_t count = range.end - range.begin;
    const bool hexText = !hv.view.layout.inCharArea(hv.view.caretCell);
    CopyBlocks blocks;
    if (!takeBlocks(hv, count, hexText, blocks)) return 0;
    const bool waitCursorShown = count > copyChunkBytes;
    if (waitCursorShown) host.setWaitCursor(true);
    ReadFault fault;
    const Filled filled = fillBlocks(hv, range, hexText, blocks.bytes, blocks.text, fault);
    if (waitCursorShown) host.setWaitCursor(false);
    if (filled != Filled::done) {
        host.dropClipboardBlocks();
        if (filled == Filled::stopped) return copyStopped;
        reportUnreadable(host, BoxOwner::frame, hv.doc.fileTitle, fault.error);
        return 0;
    }
    if (!putCopyOnClipboard(hv)) return 0;
    // The progress left part 0 at "Ready"; a selection is named there again.
    showSelectionAgain(hv.view, hv.doc, host);
    return 1;
}

}  // namespace quillix
