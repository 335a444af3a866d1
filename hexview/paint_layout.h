#pragma once
// Painting, without the window system: the rows that a paint rectangle touches become
// text runs, each a stretch of neighbouring cells of one row drawn in one pair of
// colours. Drawing the runs in order, opaque, reproduces exactly the cells a byte-by-byte
// painter would leave: the offset label, the hex pairs with their gap cells, the
// characters of the view's character set ('.' for a byte without one), and each byte in
// its palette's colours: red (light) for logged edits and pasted bytes while the document
// is modified, the highlight colours for the selection, white on black (light) for the
// visible match; cells no run covers keep what they had.

#include <cstdint>
#include <vector>

#include "document/document.h"
#include "host/view_host.h"
#include "hexview/palette.h"
#include "hexview/view_state.h"

namespace quillix {

// COLORREF values (0x00BBGGRR).
inline constexpr std::uint32_t colourBlack = 0x000000;
inline constexpr std::uint32_t colourWhite = 0xFFFFFF;
inline constexpr std::uint32_t colourRed = 0x0000FF;
// The background of a byte that differs from the compared file's byte at its offset:
// light amber, under which black and red text both read well.
inline constexpr std::uint32_t colourDifference = 0x8CE0FF;  // RGB(255, 224, 140)

// The selection's colours: the system's highlight and highlight-text colours, which the
// window supplies; these fixed ones (the usual Windows blue) stand in without a window.
struct SelectionColours {
    std::uint32_t text = colourWhite;
    std::uint32_t back = 0xD77800;  // RGB(0, 120, 215)
};
// An edited byte inside the selection keeps red text on the highlight: full red on a
// light highlight, a light red on a dark one, where full red would hardly show.
std::uint32_t editedOnHighlight(std::uint32_t highlight);
// A differing byte inside the selection: halfway between the highlight and the difference
// colour, so that it reads as both.
std::uint32_t differenceOnHighlight(std::uint32_t highlight);

struct TextRun {
    std::int32_t cell;     // first cell, 0..65: x = cell * charWidth
    std::int32_t viewRow;  // row relative to topLine: y = viewRow * lineHeight
    std::uint32_t start;   // index of the first character in PaintRuns::text
    std::uint32_t length;  // characters, one per cell
    std::uint32_t textColour;
    std::uint32_t backColour;
    bool underline = false;  // a changed byte, in a palette that underlines them
};

struct PaintRuns {
    std::vector<wchar_t> text;        // characters of all runs, back to back
    std::vector<TextRun> runs;        // in drawing order
    std::int64_t unreadableRows = 0;  // laid-out rows whose bytes could not be read
    SystemError unreadableError = 0;  // the system's code for the first of them
    void clear() {
        text.clear();
        runs.clear();
        unreadableRows = 0;
        unreadableError = 0;
    }
};

// Lays out the rows that intersect paint (client pixels) into out, replacing what it
// held. Nothing at all for an empty document; nothing for rows past the data. The visible
// match is drawn over the selection; the blank cell after the selection's last byte
// keeps the colours it would have without the selection. A row whose bytes cannot be read
// (the file was cut shorter, its volume went away) shows "??" for each byte's pair and a
// blank for its character, in the colours the byte would have, and is counted in
// unreadableRows.
//
// With a comparison, bytes that differ from compared's byte at the same offset (or that
// compared lacks) have the difference colour behind them. The right pane of a comparison
// is laid out by the same call with the other file as doc and the document as compared
// (showsOther): its bytes have no edits, no selection and no match.
struct PaneComparison {
    const Document* compared = nullptr;  // null: no comparison
    bool showsOther = false;
};
void layoutPaint(const Document& doc, const ViewState& view, const PixelRect& paint, PaintRuns& out,
                 const Palette& palette, const PaneComparison& pane = {});
// The same in the light palette with the given selection colours.
void layoutPaint(const Document& doc, const ViewState& view, const PixelRect& paint, PaintRuns& out,
                 const SelectionColours& selection = SelectionColours{}, const PaneComparison& pane = {});

}  // namespace quillix
