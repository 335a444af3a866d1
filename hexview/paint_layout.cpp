// The paint layout. Each painted row is first filled into a 66-cell scratch row in the
// order a byte-by-byte painter would draw it (label, then per byte its hex text and its
// character), so that a later draw overwrites an earlier one exactly as opaque text
// does; the scratch row is then cut into runs of neighbouring cells with one colour pair.
// The edit log is asked once per row, through its row index, a batch of rows at a time.

#include "hexview/paint_layout.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "document/checked_view.h"
#include "host/text_format.h"

namespace quillix {
namespace {

// A cell's colour pair; undrawn cells keep whatever the window held.
enum CellStyle : std::uint8_t { undrawn = 0, plainStyle, editedStyle, matchStyle };

constexpr std::uint32_t textColourOf[4] = {0, colourBlack, colourRed, colourWhite};
constexpr std::uint32_t backColourOf[4] = {0, colourWhite, colourWhite, colourBlack};

struct HexPair {
    wchar_t high;
    wchar_t low;
};

constexpr std::array<HexPair, 256> makeHexPairs() {
    std::array<HexPair, 256> pairs{};
    for (int b = 0; b < 256; ++b)
        pairs[b] = {static_cast<wchar_t>(upperHexDigits[b >> 4]),
                    static_cast<wchar_t>(upperHexDigits[b & 15])};
    return pairs;
}
constexpr std::array<HexPair, 256> hexPairs = makeHexPairs();

// What the character area shows for each byte, widened once for the wide text runs.
constexpr std::array<wchar_t, 256> makeGlyphs() {
    std::array<wchar_t, 256> glyphs{};
    for (int b = 0; b < 256; ++b)
        glyphs[b] = static_cast<wchar_t>(shownCharacter(static_cast<std::uint8_t>(b)));
    return glyphs;
}
constexpr std::array<wchar_t, 256> glyphs = makeGlyphs();

struct ScratchRow {
    wchar_t glyph[rowCells];
    std::uint8_t style[rowCells];

    void put(int cell, wchar_t c, std::uint8_t s) {
        glyph[cell] = c;
        style[cell] = s;
    }
};

// "%08lX: " of the row's first offset, kept 32-bit as the label always was.
void putLabel(ScratchRow& scratch, std::int64_t row) {
    std::uint32_t offset = static_cast<std::uint32_t>(row * 16);
    for (int i = 7; i >= 0; --i) {
        scratch.put(i, static_cast<wchar_t>(upperHexDigits[offset & 15]), plainStyle);
        offset >>= 4;
    }
    scratch.put(8, L':', plainStyle);
    scratch.put(9, L' ', plainStyle);
}

// Per-paint facts every row needs.
struct PaintContext {
    const Document& doc;
    std::int64_t matchStart;
    std::int64_t matchEnd;   // one past the match; equal to matchStart when nothing is shown
    std::int64_t matchLast;  // the byte drawn without its trailing blank, shown or not
    bool modified;
};

// What a byte that cannot be read shows.
constexpr HexPair unreadablePair = {L'?', L'?'};
constexpr wchar_t unreadableGlyph = L' ';

// Lays out one row from its bytes, or from none when they could not be read.
void fillRow(const PaintContext& pc, std::int64_t row, const std::uint8_t* bytes, std::uint16_t edited,
             ScratchRow& scratch) {
    std::memset(scratch.style, undrawn, sizeof scratch.style);
    putLabel(scratch, row);
    const std::int64_t rowStart = row * 16;
    const std::int64_t left = pc.doc.fileSize - rowStart;
    const int count = left < 16 ? static_cast<int>(left) : 16;
    for (int k = 0; k < count; ++k) {
        const std::int64_t pos = rowStart + k;
        std::uint8_t s = plainStyle;
        if (pos >= pc.matchStart && pos < pc.matchEnd)
            s = matchStyle;
        else if ((edited >> k) & 1u)
            s = editedStyle;
        const HexPair& pair = bytes ? hexPairs[bytes[k]] : unreadablePair;
        const int high = highCellOf[static_cast<std::size_t>(k + 1)];
        scratch.put(high, pair.high, s);
        scratch.put(high + 1, pair.low, s);
        // The blank after an even byte is drawn over by the next byte's digits when
        // there is a next byte; after an odd byte it fills the gap cell.
        if (k != 15 && pos != pc.matchLast) scratch.put(high + 2, L' ', s);
        scratch.put(firstCharCell + k, bytes ? glyphs[bytes[k]] : unreadableGlyph, s);
    }
}

void emitRuns(const ScratchRow& scratch, std::int32_t viewRow, PaintRuns& out) {
    int cell = 0;
    while (cell < rowCells) {
        const std::uint8_t s = scratch.style[cell];
        if (s == undrawn) {
            ++cell;
            continue;
        }
        int end = cell + 1;
        while (end < rowCells && scratch.style[end] == s) ++end;
        const std::uint32_t start = static_cast<std::uint32_t>(out.text.size());
        out.text.insert(out.text.end(), scratch.glyph + cell, scratch.glyph + end);
        out.runs.push_back(TextRun{cell, viewRow, start, static_cast<std::uint32_t>(end - cell),
                                   textColourOf[s], backColourOf[s]});
        cell = end;
    }
}

}  // namespace

void layoutPaint(const Document& doc, const ViewState& view, const PixelRect& paint, PaintRuns& out) {
    out.clear();
    if (doc.fileSize <= 0 || doc.fileBytes == nullptr || view.lineHeight <= 0) return;
    std::int64_t first = view.topLine + paint.top / view.lineHeight;
    if (first < 0) first = 0;
    std::int64_t end = view.topLine + paint.bottom / view.lineHeight + 1;
    if (end > doc.lineCount) end = doc.lineCount;

    const bool shown = view.matchVisible == 1;
    const PaintContext pc{doc, view.matchStart, shown ? view.matchStart + view.matchLength : view.matchStart,
                          view.matchStart + view.matchLength - 1, doc.isModified == 1};
    // Rows past the data are never painted.
    const std::int64_t dataRows = (doc.fileSize + 15) / 16;
    if (end > dataRows) end = dataRows;

    // The edit index is asked for a batch of rows in one tight loop before any of them
    // is laid out: with a big log each question is a cache miss, and asked together the
    // misses overlap instead of queueing behind each row's layout. The batch's bytes are
    // copied out of the view in one checked copy, which finds the rows that cannot be read.
    constexpr std::int64_t batchRows = 64;
    std::uint16_t edited[batchRows];
    std::uint8_t bytes[batchRows * 16];
    ScratchRow scratch;
    for (std::int64_t batch = first; batch < end; batch += batchRows) {
        const std::int64_t batchEnd = end - batch < batchRows ? end : batch + batchRows;
        for (std::int64_t row = batch; row < batchEnd; ++row)
            edited[row - batch] = pc.modified ? editedMaskOfRow(doc, row) : 0;
        UnreadableBytes unreadable;
        const std::int64_t from = batch * 16;
        copyReadable(doc, from, std::min(batchEnd * 16, doc.fileSize) - from, bytes, unreadable);
        auto range = unreadable.ranges.begin();
        for (std::int64_t row = batch; row < batchEnd; ++row) {
            // Pages are whole rows, so a row is readable or not as a whole.
            while (range != unreadable.ranges.end() && range->end <= row * 16) ++range;
            const bool readable = range == unreadable.ranges.end() || range->begin > row * 16;
            fillRow(pc, row, readable ? bytes + (row - batch) * 16 : nullptr, edited[row - batch], scratch);
            emitRuns(scratch, static_cast<std::int32_t>(row - view.topLine), out);
            if (readable) continue;
            if (out.unreadableRows++ == 0) out.unreadableError = unreadable.error;
        }
    }
}

}  // namespace quillix
