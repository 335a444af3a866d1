// Copy and Paste over the host's clipboard calls.

#include "hexview/clipboard.h"

#include <algorithm>
#include <cstring>

#include "document/checked_view.h"
#include "hexview/clipboard_text.h"
#include "hexview/comparison_view.h"
#include "hexview/selection.h"
#include "host/progress.h"
#include "host/text_format.h"

namespace quillix {
namespace {

// Bytes taken out of the document and formatted in one go: small enough to stay in the
// processor's second-level cache between the two.
constexpr std::int64_t copyPieceBytes = 64 << 10;

constexpr wchar_t noMemoryForEdit[] = L"Not enough memory to record this edit!";
constexpr wchar_t cannotUndoPasteText[] = L"This paste cannot be undone. Paste anyway?";
constexpr wchar_t notHexText[] = L"Hexadecimal numbers have to be between a-f or 0-9!";

void warn(const HexView& hv, const wchar_t* text) {
    hv.host.messageBox(BoxOwner::hexView, text, programCaption, boxWarning);
}

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
                void operator()() {
                    copyBytesPiece(from, count, bytes);
                    if (hexText)
                        formatHexPiece(from, count, text);
                    else
                        formatCharPiece(from, count, text);
                }
            } piece{hv.doc.fileBytes + range.begin + at,
                    static_cast<std::size_t>(std::min(copyPieceBytes, chunkEnd - at)), bytes + at,
                    text + (hexText ? 3 * at : at), hexText};
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

// Puts the caret on the byte at offset (or on the EOF position), in its area, scrolling
// the view as little as brings that row onto the whole rows.
void caretToOffset(const HexView& hv, std::int64_t offset) {
    ViewState& view = hv.view;
    const std::int64_t row = offset / 16;
    const std::int64_t shown = std::max<std::int64_t>(rows(view), 1);
    std::int64_t top = view.topLine;
    if (row < top) top = row;
    if (row > top + shown - 1) top = row - shown + 1;
    top = std::clamp<std::int64_t>(top, 0, view.scrollMax);
    const bool scrolled = top != view.topLine;
    view.topLine = top;
    view.caretRow = row - top;
    view.byteColumn = offset % 16 + 1;
    view.caretCell = inCharArea(view.caretCell) ? firstCharCell - 1 + view.byteColumn
                                                : highCellOf[static_cast<std::size_t>(view.byteColumn)];
    if (scrolled) hv.host.setScrollPosition(static_cast<int>(top));
    // After a scroll, rows past the data that showed bytes before must be erased.
    hv.host.invalidate(nullptr, scrolled);
    hv.host.updateWindow();
    hv.host.setCaretPos(static_cast<int>(view.caretCell * view.charWidth),
                        static_cast<int>(view.caretRow * view.lineHeight));
    showOffsetStatus(view, hv.doc, hv.host, EofText::substitute);
}

// Lets go of the clipboard when the paste is over, however it ends.
struct ClipboardReading {
    ViewHost& host;
    ~ClipboardReading() { host.endClipboardRead(); }
};

// Units of the clipboard's text read between two check-ins with the host.
constexpr std::size_t textPieceUnits = std::size_t{4} << 20;

// Where the pasted bytes come from: the clipboard's binary block, or its text read as hex
// pairs or as one byte per character. Read from while the clipboard is held.
struct PasteSource {
    const std::uint8_t* bytes = nullptr;  // the binary block's bytes; null for text
    const TextUnit* text = nullptr;
    std::size_t textRoom = 0;  // units the text's block has room for, its terminator's too
    std::size_t blockBytes = 0;
    bool hexText = false;
    std::int64_t count = 0;     // bytes it stands for
    std::size_t wideAt = 0;     // the unit of a character above U+00FF, when readText met one
    std::size_t nextUnit = 0;  // hex text: where the next pair is looked for
};

// The source as storeBytes reads it, a chunk at a time in increasing order.
void readPasted(void* context, std::int64_t at, std::int64_t count, std::uint8_t* out) {
    PasteSource& source = *static_cast<PasteSource*>(context);
    const auto units = static_cast<std::size_t>(count);
    if (source.bytes)
        std::memcpy(out, source.bytes + at, units);
    else if (source.hexText)
        source.nextUnit = decodeHexText(source.text, source.nextUnit, out, units);
    else
        decodeCharText(source.text + at, units, out);
}

// The binary block, or else the text; false when the clipboard holds neither.
bool readSource(const HexView& hv, PasteSource& source) {
    const void* data = nullptr;
    std::size_t size = 0;
    std::size_t count = 0;
    if (hv.host.readClipboard(ClipboardFormat::bytes, data, size) &&
        readBytesBlock(data, size, source.bytes, count)) {
        source.count = static_cast<std::int64_t>(count);
        source.blockBytes = size;
        return true;
    }
    if (!hv.host.readClipboard(ClipboardFormat::text, data, size)) return false;
    source.text = static_cast<const TextUnit*>(data);
    source.textRoom = size / sizeof(TextUnit);
    source.blockBytes = size;
    source.hexText = !inCharArea(hv.view.caretCell);
    return true;
}

enum class TextOutcome { ready, notHex, wideCharacter, stopped };

// Reads the text up to its terminator a piece at a time, checking in before each: the
// bytes it stands for as hex pairs, or as characters, each of which must fit in a byte.
TextOutcome readText(PasteSource& source, Progress& progress) {
    HexTextCount hex;
    std::size_t units = 0;
    for (;;) {
        if (!keepGoing(progress, 0)) return TextOutcome::stopped;
        const TextUnit* piece = source.text + units;
        const std::size_t room = std::min(textPieceUnits, source.textRoom - units);
        const std::size_t length = textUnits(piece, room);
        if (source.hexText) {
            countHexPiece(hex, piece, length);
            if (!hex.valid) return TextOutcome::notHex;
        } else if (const std::size_t wide = firstWideUnit(piece, length); wide < length) {
            source.wideAt = units + wide;
            return TextOutcome::wideCharacter;
        }
        units += length;
        if (length < room || units == source.textRoom) break;
    }
    std::size_t count = units;
    if (source.hexText && !hexTextBytes(hex, count)) return TextOutcome::notHex;
    source.count = static_cast<std::int64_t>(count);
    return TextOutcome::ready;
}

// The box for text holding a character no byte stands for, naming it, its code and its
// place in the text: "Character 5 of the clipboard's text is "€" (U+20AC), …".
void formatWideCharacter(wchar_t (&text)[256], const PasteSource& source) {
    const std::size_t at = source.wideAt;
    const TextUnit unit = source.text[at];
    const TextUnit next = at + 1 < source.textRoom ? source.text[at + 1] : 0;
    const bool pair = unit >= 0xD800 && unit < 0xDC00 && next >= 0xDC00 && next < 0xE000;
    const bool lone = !pair && unit >= 0xD800 && unit < 0xE000;  // half of a pair: no character
    const std::uint32_t code = pair ? 0x10000 + ((unit - 0xD800u) << 10) + (next - 0xDC00u) : unit;
    // As the system's wide texts hold it: one unit, or the pair where those are UTF-16.
    wchar_t shown[3] = {static_cast<wchar_t>(code), 0, 0};
    if (sizeof(wchar_t) == 2 && pair) {
        shown[0] = static_cast<wchar_t>(unit);
        shown[1] = static_cast<wchar_t>(next);
    }
    std::size_t length = appendText(text, 256, 0, L"Character ");
    length = appendDecimal(text, 256, length, static_cast<std::int64_t>(at + 1));
    length = appendText(text, 256, length, L" of the clipboard's text is ");
    if (!lone) {
        length = appendText(text, 256, length, L"\"");
        length = appendText(text, 256, length, shown);
        length = appendText(text, 256, length, L"\" (");
    }
    length = appendText(text, 256, length, L"U+");
    length = appendHex(text, 256, length, code, 4);
    length = appendText(text, 256, length, lone ? L"" : L")");
    appendText(text, 256, length,
               L", which does not fit in one byte: only characters up to U+00FF can be pasted into the "
               L"character area.\nNothing was pasted.");
}

void reportNoRoom(const HexView& hv, std::int64_t held, std::int64_t room, std::int64_t start) {
    wchar_t text[160];
    std::size_t length = appendText(text, 160, 0, L"The clipboard holds ");
    length = appendDecimal(text, 160, length, held);
    length = appendText(text, 160, length, held == 1 ? L" byte, but only " : L" bytes, but only ");
    length = appendDecimal(text, 160, length, room);
    length = appendText(text, 160, length, L" fit from offset ");
    length = appendHex(text, 160, length, static_cast<std::uint64_t>(start), 8);
    appendText(text, 160, length, L" to the end of the file.\nNothing was pasted.");
    warn(hv, text);
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

int copyToClipboard(const HexView& hv) {
    ViewHost& host = hv.host;
    ByteRange range;
    if (!copyRange(hv, range)) {
        host.beep();
        return 0;
    }
    const std::int64_t count = range.end - range.begin;
    wchar_t text[160];
    if (count > copyLimitBytes) {
        formatWithNumber(
            text, L"The selection holds ", count,
            L" bytes: too many to copy.\nAt most 268435456 bytes (256 MiB) can be copied at once.");
        warn(hv, text);
        return 0;
    }
    const bool hexText = !inCharArea(hv.view.caretCell);
    const std::size_t units = hexText ? hexTextUnits(static_cast<std::size_t>(count))
                                      : charTextUnits(static_cast<std::size_t>(count));
    auto* bytesBlock = static_cast<std::uint8_t*>(
        host.clipboardBlock(ClipboardFormat::bytes, bytesHeaderSize + static_cast<std::size_t>(count)));
    auto* textBlock =
        bytesBlock
            ? static_cast<TextUnit*>(host.clipboardBlock(ClipboardFormat::text, units * sizeof(TextUnit)))
            : nullptr;
    if (!textBlock) {
        host.dropClipboardBlocks();
        formatWithNumber(text, L"Not enough memory to copy ", count, count == 1 ? L" byte!" : L" bytes!");
        warn(hv, text);
        return 0;
    }
    const bool long_ = count > copyChunkBytes;
    if (long_) host.setWaitCursor(true);
    ReadFault fault;
    const Filled filled = fillBlocks(hv, range, hexText, bytesBlock, textBlock, fault);
    if (long_) host.setWaitCursor(false);
    if (filled != Filled::done) {
        host.dropClipboardBlocks();
        if (filled == Filled::stopped) return copyStopped;
        reportUnreadable(host, BoxOwner::frame, hv.doc.fileTitle, fault.error);
        return 0;
    }
    if (!host.putClipboard()) {
        warn(hv, L"Could not put the copied bytes on the clipboard!\nAnother program may be holding it.");
        return 0;
    }
    // The progress left part 0 at "Ready"; a selection is named there again.
    showSelectionAgain(hv.view, hv.doc, host);
    return 1;
}

bool canPaste(const HexView& hv) {
    return hasDocument(hv.doc) &&
           (hv.host.clipboardHas(ClipboardFormat::bytes) || hv.host.clipboardHas(ClipboardFormat::text));
}

int pasteFromClipboard(const HexView& hv, std::int64_t chunkBytes) {
    Document& doc = hv.doc;
    ViewState& view = hv.view;
    ViewHost& host = hv.host;
    // The rule of typing: a read-only, removed or absent file takes no edits.
    if (host.fileAttributes(doc.filePath) & attributeReadOnly) {
        showReadOnlyBox(hv);
        return 0;
    }
    if (!hasDocument(doc)) return 0;
    ByteRange selected;
    const std::int64_t start = selectedRange(view, doc, selected) ? selected.begin : offsetOf(view);
    // Its total becomes the bytes to store once the clipboard is read.
    Progress progress{host, pasteProgressTexts, 1};
    PasteSource source;
    ClipboardReading reading{host};
    bool long_ = false;
    // Every way out: the clipboard let go before a box comes up, and part 0 as it was.
    const auto settle = [&] {
        host.endClipboardRead();
        if (long_) host.setWaitCursor(false);
        finishProgress(progress);
        showSelectionAgain(view, doc, host);
    };
    if (!readSource(hv, source)) {
        host.beep();
        return 0;
    }
    long_ = source.blockBytes > static_cast<std::size_t>(chunkBytes);
    if (long_) host.setWaitCursor(true);
    wchar_t text[256];
    switch (source.bytes ? TextOutcome::ready : readText(source, progress)) {
        case TextOutcome::ready: break;
        case TextOutcome::stopped: settle(); return pasteStopped;
        case TextOutcome::notHex:
            settle();
            host.messageBox(BoxOwner::none, notHexText, inputCaption, boxWarning);
            return 0;
        case TextOutcome::wideCharacter:
            formatWideCharacter(text, source);
            settle();
            warn(hv, text);
            return 0;
    }
    const std::int64_t room = std::max<std::int64_t>(doc.fileSize - std::max<std::int64_t>(start, 0), 0);
    if (source.count > room || start < 0) {
        settle();
        reportNoRoom(hv, source.count, start < 0 ? 0 : room, std::max<std::int64_t>(start, 0));
        return 0;
    }
    if (source.count == 0) {
        settle();
        host.beep();
        return 0;
    }
    // A paste larger than the history may keep goes in only when the user agrees to
    // lose every step with it.
    const bool undoable = source.count <= static_cast<std::int64_t>(doc.history.cap());
    if (!undoable &&
        host.messageBox(BoxOwner::hexView, cannotUndoPasteText, programCaption, boxPasteQuestion) != answerYes) {
        settle();
        return 0;
    }
    progress.total = source.count;
    ReadFault fault;
    comparedBytesChanging(hv, {start, start + source.count});
    const std::int64_t stored = storeBytes(doc, start, source.count, ByteFeed{readPasted, &source},
                                           PasteControl{undoable, &progress, chunkBytes}, &fault);
    comparedBytesChanged(hv, {start, start + source.count});
    if (stored > 0) {
        view.matchVisible = 0;
        doc.isModified = 1;
        clearSelection(hv);
        caretToOffset(hv, start + stored);
    }
    settle();
    if (fault.happened()) {
        reportUnreadable(host, BoxOwner::hexView, doc.fileTitle, fault.error);
        return 0;
    }
    if (progress.stopped) return pasteStopped;
    if (stored == 0) {
        warn(hv, noMemoryForEdit);
        return 0;
    }
    return 1;
}

}  // namespace quillix
