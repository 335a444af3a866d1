// The three palettes and the contrast ratio.

#include "hexview/palette.h"

#include <algorithm>
#include <cmath>

#include "hexview/paint_layout.h"

namespace quillix {
namespace {

constexpr std::uint32_t rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return r | g << 8 | b << 16;
}

// The dark palette: light gray on near black, a muted blue selection, a dark amber behind
// differences, and a light red for changed bytes that reads on all three.
constexpr std::uint32_t darkBack = rgb(30, 30, 30);
constexpr std::uint32_t darkText = rgb(212, 212, 212);
constexpr std::uint32_t darkEdited = rgb(255, 140, 140);
constexpr std::uint32_t darkSelection = rgb(38, 79, 120);
constexpr std::uint32_t darkSelectionText = rgb(255, 255, 255);
constexpr std::uint32_t darkEditedOnSelection = rgb(255, 176, 176);
constexpr std::uint32_t darkDifference = rgb(74, 58, 0);
// Find All's hits: a deep green, apart from the blue selection and the amber differences.
constexpr std::uint32_t darkHit = rgb(20, 64, 40);
// And in the light palette a pale green, under which black and red both read.
constexpr std::uint32_t lightHit = rgb(180, 238, 180);

// Halfway between two colours, channel by channel.
std::uint32_t between(std::uint32_t a, std::uint32_t b) {
    std::uint32_t mixed = 0;
    for (int shift = 0; shift < 24; shift += 8)
        mixed |= (((a >> shift & 0xFF) + (b >> shift & 0xFF)) / 2) << shift;
    return mixed;
}

double luminance(std::uint32_t colour) {
    double sum = 0;
    const double weights[3] = {0.2126, 0.7152, 0.0722};  // red, green, blue
    for (int channel = 0; channel < 3; ++channel) {
        const double c = (colour >> (8 * channel) & 0xFF) / 255.0;
        sum += weights[channel] * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    return sum;
}

Palette lightPalette(const SystemColours& system) {
    const std::uint32_t highlight = system.highlight, mixed = differenceOnHighlight(highlight);
    return {{colourBlack, colourWhite},
            {colourRed, colourWhite},
            {system.highlightText, highlight},
            {editedOnHighlight(highlight), highlight},
            {colourWhite, colourBlack},
            {colourBlack, colourDifference},
            {colourRed, colourDifference},
            {system.highlightText, mixed},
            {editedOnHighlight(mixed), mixed},
            {colourBlack, lightHit},
            {colourRed, lightHit},
            highlight,
            system.shadow,
            false,
            true};
}

Palette darkPalette() {
    const std::uint32_t mixed = between(darkSelection, darkDifference);
    return {{darkText, darkBack},
            {darkEdited, darkBack},
            {darkSelectionText, darkSelection},
            {darkEditedOnSelection, darkSelection},
            {rgb(0, 0, 0), rgb(230, 230, 230)},
            {darkText, darkDifference},
            {darkEdited, darkDifference},
            {darkSelectionText, mixed},
            {darkEditedOnSelection, mixed},
            {darkText, darkHit},
            {darkEdited, darkHit},
            rgb(86, 156, 214),
            rgb(96, 96, 96),
            false,
            false};
}

// Only the system's colours: the user chose them to be told apart. A difference is drawn
// in the colour of links, a Find All hit on it; changed bytes are underlined, since no
// colour is left for them.
Palette highContrastPalette(const SystemColours& s) {
    const ColourPair plain{s.windowText, s.window}, selected{s.highlightText, s.highlight};
    const ColourPair differing{s.hotlight, s.window}, hit{s.window, s.hotlight};
    return {plain,     plain,       selected,     selected, {s.window, s.windowText},
            differing, differing,   selected,     selected, hit,
            hit,       s.highlight, s.windowText, true,     false};
}

}  // namespace

PaletteKind paletteKind(ThemeChoice theme, bool systemDark, bool highContrast) {
    if (highContrast) return PaletteKind::highContrast;
    if (theme == ThemeChoice::dark || (theme == ThemeChoice::system && systemDark)) return PaletteKind::dark;
    return PaletteKind::light;
}

Palette makePalette(PaletteKind kind, const SystemColours& system) {
    switch (kind) {
        case PaletteKind::dark: return darkPalette();
        case PaletteKind::highContrast: return highContrastPalette(system);
        case PaletteKind::light: break;
    }
    return lightPalette(system);
}

double contrastRatio(std::uint32_t a, std::uint32_t b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace quillix
