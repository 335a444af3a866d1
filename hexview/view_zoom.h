#pragma once
// The view font's size: the steps Zoom In and Zoom Out walk between 50 % and 400 % of the
// chosen size, and the cell height a font is asked for at a zoom and a DPI.

#include <cstdint>

namespace quillix {

inline constexpr std::uint32_t zoomSteps[] = {50,  67,  75,  80,  90,  100, 110,
                                              125, 150, 175, 200, 250, 300, 400};
inline constexpr std::uint32_t actualSize = 100;

// The next step above percent (a remembered zoom may lie between steps); 400 stays.
std::uint32_t zoomedIn(std::uint32_t percent);
// The next step below percent; 50 stays.
std::uint32_t zoomedOut(std::uint32_t percent);
// The cell height in pixels to ask the font for: height96 (the chosen cell height at
// 96 DPI, 0 for the program's own 18) times percent, scaled to dpi, rounded to the nearest
// pixel; never below 1.
int zoomedCellHeight(std::uint32_t height96, std::uint32_t percent, int dpi);

// Ctrl+wheel: turns wheel deltas into zoom steps, a step for each whole notch (120) the
// wheel turned, fine-grained wheels adding up until they make one. Returns the zoom after
// delta, keeping the part of a notch not yet used in remainder.
std::uint32_t zoomByWheel(std::uint32_t percent, int delta, std::int32_t& remainder);

}  // namespace quillix
