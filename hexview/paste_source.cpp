#include "hexview/paste_source.h"

#include <algorithm>
#include <cstring>

#include "host/progress.h"
#include "host/text_format.h"

namespace quillix {
namespace {

// Units of the clipboard's text read between two check-ins with the host.
constexpr std::size_t textPieceUnits = std::size_t{4} << 20;

}  // namespace

// The source as storeBytes reads it, a chunk at a time in increasing order.
void readPasted(void* context, std::int64_t at, std::int64_t count, std::uint8_t* out) {
    PasteSource& source = *static_cast<PasteSource*>(context);
    const auto units = static_cast<std::size_t>(count);
    if (source.bytes)
        std::memcpy(out, source.bytes + at, units);
    else if (source.hexText)
        source.nextUnit = decodeHexText(source.text, source.nextUnit, out, units);
    else
        decodeCharText(source.text + at, units, out, source.set);
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
    source.hexText = !hv.view.layout.inCharArea(hv.view.caretCell);
    source.set = hv.view.characterSet;
    return true;
}

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
        } else if (const std::size_t wide = firstWideUnit(piece, length, source.set); wide < length) {
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
               source.set == CharacterSet::ascii
                   ? L", which does not fit in one byte: only characters up to U+00FF can be pasted into the "
                     L"character area.\nNothing was pasted."
                   : L", which the view's character set has no byte for.\nNothing was pasted.");
}

}  // namespace quillix
