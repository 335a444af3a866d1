#pragma once
// The program's pixel measures are given for a display of 96 dots per inch. This is the one
// place that turns them into pixels of a window at another DPI; at 96 every measure is
// exactly the given one.

#include <array>

namespace quillix {

inline constexpr int baseDpi = 96;

// The measures, in pixels at 96 DPI.
inline constexpr int viewFontHeight96 = 18;   // the view font's character cell height
inline constexpr int caretWidth96 = 2;        // the solid caret
inline constexpr int roomMargin96 = 20;       // the key rules' room test, clientHeight - 20
inline constexpr int statusBarHeight96 = 20;  // the status bar below the hex view
inline constexpr int frameWidth96 = 635;      // the frame's first outer size
inline constexpr int frameHeight96 = 353;
// The status parts' right edges, counted from the right of the bar: part 0 ends 240 pixels
// from it, part 1 138, part 2 30 (the size grip's corner belongs to no part).
inline constexpr std::array<int, 3> statusEdgesFromRight96 = {240, 138, 30};
// Room a part needs around its text: the bar's gap between parts, the part's sunken edges
// and the indent the bar draws its text at, with a little to spare.
inline constexpr int statusTextMargin96 = 12;

// pixels96 × dpi / 96, rounded to the nearest pixel, halves away from zero (as MulDiv
// rounds). A dpi below 1 (one that could not be read) leaves pixels96 as it is; a result
// beyond the range of int is held at its limit.
int scalePixels(int pixels96, int dpi);

// Right edges of the three status parts, for SB_SETPARTS.
using StatusEdges = std::array<int, 3>;

// The parts of a status bar width pixels wide at dpi. Each edge stays where the 96-DPI
// layout, scaled, puts it, unless the part to its right needs more room for its longest
// text in the bar's font (the text's pixel width plus the margin): then it moves left just
// far enough. The size grip's corner keeps its scaled width at the right, and part 0 takes
// what is left, down to nothing (the edges may then be negative, as the plain layout's
// are in a minimized window).
StatusEdges statusPartEdges(int width, int dpi, int offsetTextWidth, int bytesTextWidth);

}  // namespace quillix
