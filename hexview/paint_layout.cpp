// The paint layout. Each painted row is first filled into a scratch row of cells in the
// order a byte-by-byte painter would draw it (label, then per byte its hex text and its
// character), so that a later draw overwrites an earlier one exactly as opaque text
// does; the scratch row is then cut into runs of neighbouring cells with one colour pair.
// The change record says which bytes are red, asked once per row, a batch of rows at a
// time.

#include "hexview/paint_layout.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "document/file/checked_view.h"
#include "hexview/selection.h"
#include "host/text_format.h"

namespace quillix {
namespace {

// A cell's colour pair; undrawn cells keep whatever the window held.
enum CellStyle : std::uint8_t {
    undrawn = 0,
    plainStyle,
    editedStyle,
    selectedStyle,
    selectedEditedStyle,
    matchStyle,
    // The styles before the match with the difference colour behind them: a differing
    // byte's style is its style above plus differenceShift. The match keeps white on black
    // over a difference: it is where the user's eye is.
    differStyle,
    differEditedStyle,
    differSelectedStyle,
    differSelectedEditedStyle,
    // A byte of a Find All hit, outside the match and the selection: its own background
    // in place of plain's or the difference's.
    hitStyle,
    hitEditedStyle,
    styleCount
};
constexpr std::uint8_t differenceShift = differStyle - plainStyle;
static_assert(selectedEditedStyle + differenceShift == differSelectedEditedStyle);

struct StyleColours {
    std::uint32_t text[styleCount];
    std::uint32_t back[styleCount];
    bool underline[styleCount];
};

StyleColours styleColours(const Palette& palette) {
    const ColourPair pairs[styleCount] = {{0, 0},
                                          palette.plain,
                                          palette.edited,
                                          palette.selected,
                                          palette.selectedEdited,
                                          palette.match,
                                          palette.differing,
                                          palette.differingEdited,
                                          palette.differingSelected,
                                          palette.differingSelectedEdited,
                                          palette.hit,
                                          palette.hitEdited};
    StyleColours colours{};
    for (int s = 0; s < styleCount; ++s) {
        colours.text[s] = pairs[s].text;
        colours.back[s] = pairs[s].back;
        const bool edited = s == editedStyle || s == selectedEditedStyle || s == differEditedStyle ||
                            s == differSelectedEditedStyle || s == hitEditedStyle;
        colours.underline[s] = palette.underlineEdited && edited;
    }
    return colours;
}

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

// What the character area shows for each byte in each set, made once at the set's first
// paint.
using Glyphs = std::array<wchar_t, 256>;
const Glyphs& glyphsOf(CharacterSet set) {
    static Glyphs tables[4];
    static bool made[4] = {};
    const auto index = static_cast<std::size_t>(set) & 3;
    if (!made[index]) {
        for (int b = 0; b < 256; ++b) tables[index][b] = shownCharacter(set, static_cast<std::uint8_t>(b));
        made[index] = true;
    }
    return tables[index];
}

struct ScratchRow {
    wchar_t glyph[maxRowCells];
    std::uint8_t style[maxRowCells];

    void put(int cell, wchar_t c, std::uint8_t s) {
        glyph[cell] = c;
        style[cell] = s;
    }
};

// "%08lX: " of the row's first offset, kept 32-bit as the label always was; in decimal,
// the layout's digits of the whole offset.
void putLabel(ScratchRow& scratch, const RowLayout& layout, std::int64_t row) {
    const int digits = layout.offsetDigits;
    if (layout.decimal) {
        auto offset = static_cast<std::uint64_t>(row * layout.bytesPerRow);
        for (int i = digits - 1; i >= 0; --i) {
            scratch.put(i, static_cast<wchar_t>(L'0' + offset % 10), plainStyle);
            offset /= 10;
        }
    } else {
        std::uint32_t offset = static_cast<std::uint32_t>(row * layout.bytesPerRow);
        for (int i = digits - 1; i >= 0; --i) {
            scratch.put(i, static_cast<wchar_t>(upperHexDigits[offset & 15]), plainStyle);
            offset >>= 4;
        }
    }
    scratch.put(digits, L':', plainStyle);
    scratch.put(digits + 1, L' ', plainStyle);
}

// Per-paint facts every row needs.
struct PaintContext {
    const Document& doc;
    std::int64_t matchStart;
    std::int64_t matchEnd;   // one past the match; equal to matchStart when nothing is shown
    std::int64_t matchLast;  // the byte drawn without its trailing blank, shown or not
    std::int64_t selectionBegin;
    std::int64_t selectionEnd;  // one past the selection; equal to selectionBegin without one
    bool modified;
    const Glyphs& glyphs;
    const RowLayout& layout;
};

// What a byte that cannot be read shows.
constexpr HexPair unreadablePair = {L'?', L'?'};
constexpr wchar_t unreadableGlyph = L' ';

// Bits 0 .. count - 1 set (count 0..64).
constexpr std::uint64_t lowBits(std::int64_t count) { return count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1; }

// Which of the row's n bytes lie in one of Find All's hits: a binary search for the
// first hit that ends past the row's start, then the hits that start before its end.
std::uint64_t hitMaskOfRow(const HitList* hits, std::int64_t rowStart, int n) {
    if (!hits || hits->count == 0 || hits->length <= 0) return 0;
    const std::int64_t* end = hits->offsets + hits->count;
    const std::int64_t* hit = std::upper_bound(hits->offsets, end, rowStart - hits->length);
    std::uint64_t mask = 0;
    for (; hit != end && *hit < rowStart + n; ++hit) {
        const std::int64_t from = std::max<std::int64_t>(*hit - rowStart, 0);
        const std::int64_t to = std::min<std::int64_t>(*hit + hits->length - rowStart, n);
        mask |= lowBits(to) & ~lowBits(from);
    }
    return mask;
}

// Lays out one row from its bytes, or from none when they could not be read.
void fillRow(const PaintContext& pc, std::int64_t row, const std::uint8_t* bytes, std::uint64_t edited,
             std::uint64_t differing, std::uint64_t hits, ScratchRow& scratch) {
    const RowLayout& layout = pc.layout;
    const int n = layout.bytesPerRow;
    std::memset(scratch.style, undrawn, static_cast<std::size_t>(layout.cells));
    putLabel(scratch, layout, row);
    const std::int64_t rowStart = row * n;
    const std::int64_t left = pc.doc.fileSize - rowStart;
    const int count = left < n ? static_cast<int>(left) : n;
    for (int k = 0; k < count; ++k) {
        const std::int64_t pos = rowStart + k;
        const bool isEdited = (edited >> k) & 1u;
        const std::uint8_t unselected = isEdited ? editedStyle : plainStyle;
        std::uint8_t s = unselected;
        if (pos >= pc.matchStart && pos < pc.matchEnd)
            s = matchStyle;
        else if (pos >= pc.selectionBegin && pos < pc.selectionEnd)
            s = isEdited ? selectedEditedStyle : selectedStyle;
        else if ((hits >> k) & 1u)
            s = isEdited ? hitEditedStyle : hitStyle;
        const bool shifts = (differing >> k) & 1u && s != matchStyle && s < hitStyle;
        const std::uint8_t shift = shifts ? differenceShift : 0;
        s = static_cast<std::uint8_t>(s + shift);
        const HexPair& pair = bytes ? hexPairs[bytes[k]] : unreadablePair;
        const int high = layout.highCell(k + 1);
        scratch.put(high, pair.high, s);
        scratch.put(high + 1, pair.low, s);
        // The blank after a byte inside a group is drawn over by the next byte's digits
        // when there is a next byte; after a group's last byte it fills the gap cell,
        // which belongs to the selection only between two selected bytes, and to a hit
        // only between two bytes of hits.
        const bool lastSelected = s != matchStyle && pos == pc.selectionEnd - 1;
        const bool lastHit = s >= hitStyle && !((hits >> (k + 1)) & 1u);
        const std::uint8_t plainShift = (differing >> k) & 1u ? differenceShift : 0;
        if (k != n - 1 && pos != pc.matchLast)
            scratch.put(high + 2, L' ',
                        lastSelected || lastHit ? static_cast<std::uint8_t>(unselected + plainShift) : s);
        scratch.put(layout.firstChar + k, bytes ? pc.glyphs[bytes[k]] : unreadableGlyph, s);
    }
}

void emitRuns(const ScratchRow& scratch, int rowCells, std::int32_t viewRow, const StyleColours& colours,
              PaintRuns& out) {
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
                                   colours.text[s], colours.back[s], colours.underline[s]});
        cell = end;
    }
}

// One bit per byte of a and b's 8 bytes, set where they differ, without a branch per byte:
// each byte of a ^ b gets its top bit set when it is not 0, and the multiply gathers the
// eight top bits into the high byte.
std::uint32_t unequalBytes(const std::uint8_t* a, const std::uint8_t* b) {
    std::uint64_t x = 0, y = 0;
    std::memcpy(&x, a, 8);
    std::memcpy(&y, b, 8);
    const std::uint64_t d = x ^ y;
    constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7F;
    const std::uint64_t top = (((d & low7) + low7) | d) & ~low7;
    return static_cast<std::uint32_t>(((top >> 7) * 0x0102040810204080) >> 56);
}

// Which of a batch's bytes differ from the compared file's, a mask per row of n bytes:
// each byte against the byte at its offset there, every byte past the compared file's end.
// Bytes that cannot be read on either side are left uncoloured.
void differingMasks(const Document& compared, std::int64_t from, std::int64_t count, int n,
                    const std::uint8_t* bytes, const UnreadableBytes& unreadable, std::uint8_t* theirs,
                    std::uint64_t* masks) {
    const std::int64_t common = std::clamp<std::int64_t>(compared.fileSize - from, 0, count);
    UnreadableBytes theirsUnreadable;
    if (common > 0 && compared.fileBytes) copyReadable(compared, from, common, theirs, theirsUnreadable);
    const std::int64_t rowsInBatch = (count + n - 1) / n;
    for (std::int64_t r = 0; r < rowsInBatch; ++r) {
        if (r * n + n <= common) {
            std::uint64_t mask = 0;
            for (int j = 0; j < n; j += 8)
                mask |= std::uint64_t{unequalBytes(bytes + r * n + j, theirs + r * n + j)} << j;
            masks[r] = mask;
            continue;
        }
        std::uint64_t mask = 0;
        for (int k = 0; k < n && r * n + k < count; ++k) {
            const std::int64_t i = r * n + k;
            const bool differs = i >= common || bytes[i] != theirs[i];
            mask |= differs ? std::uint64_t{1} << k : 0u;
        }
        masks[r] = mask;
    }
    // Whole pages, so whole rows: a row either side cannot read shows no differences.
    for (const UnreadableBytes* list : {&unreadable, static_cast<const UnreadableBytes*>(&theirsUnreadable)})
        for (const ByteRange& range : list->ranges)
            for (std::int64_t at = std::max(range.begin, from); at < std::min(range.end, from + count);
                 at += n)
                masks[(at - from) / n] = 0;
}

// Bit k set when byte row * n + k is a logged edit: the change record's masks of 16-byte
// rows, cut or joined to rows of n bytes.
std::uint64_t changedMask(const Document& doc, std::int64_t row, int n) {
    if (n == 16) return changedMaskOfRow(doc, row);
    if (n < 16) return changedMaskOfRow(doc, row * n / 16) >> (row * n % 16) & ((1u << n) - 1);
    std::uint64_t mask = 0;
    for (int j = 0; j < n / 16; ++j)
        mask |= std::uint64_t{changedMaskOfRow(doc, row * (n / 16) + j)} << (16 * j);
    return mask;
}

}  // namespace

std::uint32_t differenceOnHighlight(std::uint32_t highlight) {
    std::uint32_t mixed = 0;
    for (int shift = 0; shift < 24; shift += 8)
        mixed |= (((highlight >> shift & 0xFF) + (colourDifference >> shift & 0xFF)) / 2) << shift;
    return mixed;
}

std::uint32_t editedOnHighlight(std::uint32_t highlight) {
    const std::uint32_t red = highlight & 0xFF, green = highlight >> 8 & 0xFF, blue = highlight >> 16 & 0xFF;
    // Perceived brightness, 0..255 (ITU-R BT.601 weights).
    const std::uint32_t brightness = (299 * red + 587 * green + 114 * blue) / 1000;
    return brightness >= 128 ? colourRed : 0xA0A0FF;  // RGB(255, 160, 160)
}

void layoutPaint(const Document& doc, const ViewState& view, const PixelRect& paint, PaintRuns& out,
                 const SelectionColours& selection, const PaneComparison& pane) {
    SystemColours system;
    system.highlight = selection.back;
    system.highlightText = selection.text;
    layoutPaint(doc, view, paint, out, makePalette(PaletteKind::light, system), pane);
}

void layoutPaint(const Document& doc, const ViewState& view, const PixelRect& paint, PaintRuns& out,
                 const Palette& palette, const PaneComparison& pane) {
    out.clear();
    if (doc.fileSize <= 0 || doc.fileBytes == nullptr || view.lineHeight <= 0) return;
    std::int64_t first = view.topLine + paint.top / view.lineHeight;
    if (first < 0) first = 0;
    std::int64_t end = view.topLine + paint.bottom / view.lineHeight + 1;
    const std::int64_t lineCount = lineCountOf(view, doc);
    if (end > lineCount) end = lineCount;

    // The other file's pane shows neither the match nor the selection.
    const bool shown = view.matchVisible == 1 && !pane.showsOther;
    ByteRange selected{};
    if (!pane.showsOther) selectedRange(view, doc, selected);
    const PaintContext pc{doc,
                          view.matchStart,
                          shown ? view.matchStart + view.matchLength : view.matchStart,
                          pane.showsOther ? -1 : view.matchStart + view.matchLength - 1,
                          selected.begin,
                          selected.end,
                          doc.isModified == 1,
                          glyphsOf(view.characterSet),
                          view.layout};
    const StyleColours colours = styleColours(palette);
    // Rows past the data are never painted.
    const int n = view.layout.bytesPerRow;
    const std::int64_t dataRows = (doc.fileSize + n - 1) / n;
    if (end > dataRows) end = dataRows;

    // The change record is asked for a batch of rows in one tight loop before any of them
    // is laid out, its lines prefetched first: with many changes each question is a cache
    // miss, and asked together the misses overlap instead of queueing behind each row. The
    // batch's bytes are copied out of the view in one checked copy, which finds the rows
    // that cannot be read.
    constexpr std::int64_t batchRows = 64;
    std::uint64_t edited[batchRows];
    std::uint8_t bytes[batchRows * maxRowBytes];
    std::uint64_t differing[batchRows] = {};
    std::uint8_t theirs[batchRows * maxRowBytes];
    ScratchRow scratch;
    for (std::int64_t batch = first; batch < end; batch += batchRows) {
        const std::int64_t batchEnd = end - batch < batchRows ? end : batch + batchRows;
        if (pc.modified) doc.changes.prefetchRows(batch * n / 16, (batchEnd * n + 15) / 16);
        for (std::int64_t row = batch; row < batchEnd; ++row)
            edited[row - batch] = pc.modified ? changedMask(doc, row, n) : 0;
        UnreadableBytes unreadable;
        const std::int64_t from = batch * n;
        const std::int64_t count = std::min(batchEnd * n, doc.fileSize) - from;
        copyReadable(doc, from, count, bytes, unreadable);
        if (pane.compared)
            differingMasks(*pane.compared, from, count, n, bytes, unreadable, theirs, differing);
        auto range = unreadable.ranges.begin();
        for (std::int64_t row = batch; row < batchEnd; ++row) {
            // Pages are whole rows, so a row is readable or not as a whole.
            while (range != unreadable.ranges.end() && range->end <= row * n) ++range;
            const bool readable = range == unreadable.ranges.end() || range->begin > row * n;
            const std::uint64_t hits = pane.showsOther ? 0 : hitMaskOfRow(view.hits, row * n, n);
            fillRow(pc, row, readable ? bytes + (row - batch) * n : nullptr, edited[row - batch],
                    differing[row - batch], hits, scratch);
            emitRuns(scratch, view.layout.cells, static_cast<std::int32_t>(row - view.topLine), colours, out);
            if (readable) continue;
            if (out.unreadableRows++ == 0) out.unreadableError = unreadable.error;
        }
    }
}

}  // namespace quillix
