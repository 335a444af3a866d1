#pragma once
// The view's colours: which palette the view takes (the light one of old, the dark one,
// or the system's own colours while Windows' high contrast is on) and, for each kind of
// byte the view shows, its text and background colours. Also the contrast ratio of two
// colours, by which the dark palette's choices are measured.

#include <cstdint>

#include "settings/settings.h"

namespace quillix {

// COLORREF values (0x00BBGGRR).
struct ColourPair {
    std::uint32_t text;
    std::uint32_t back;
};

struct Palette {
    ColourPair plain;                    // bytes, characters and offsets
    ColourPair edited;                   // bytes changed since the last save
    ColourPair selected;                 // the selection
    ColourPair selectedEdited;           // a changed byte inside it
    ColourPair match;                    // the visible match (a search hit, a go-to target)
    ColourPair differing;                // a byte unlike the compared file's
    ColourPair differingEdited;          // a changed one
    ColourPair differingSelected;        // a differing byte inside the selection
    ColourPair differingSelectedEdited;  // and changed
    ColourPair hit;                      // a byte of one of Find All's hits
    ColourPair hitEdited;                // a changed one
    std::uint32_t outline;               // the caret's byte in the other pane
    std::uint32_t divider;               // the line between the two panes
    bool underlineEdited;                // changed bytes underlined as well as coloured
    bool light;                          // the light palette, whose background is the window's own
};

// The system colours the light and high-contrast palettes take, as GetSysColor gives them.
struct SystemColours {
    std::uint32_t window = 0xFFFFFF;         // COLOR_WINDOW
    std::uint32_t windowText = 0x000000;     // COLOR_WINDOWTEXT
    std::uint32_t highlight = 0xD77800;      // COLOR_HIGHLIGHT, RGB(0, 120, 215)
    std::uint32_t highlightText = 0xFFFFFF;  // COLOR_HIGHLIGHTTEXT
    std::uint32_t hotlight = 0xCC6600;       // COLOR_HOTLIGHT, RGB(0, 102, 204)
    std::uint32_t shadow = 0xA0A0A0;         // COLOR_BTNSHADOW
};

enum class PaletteKind { light, dark, highContrast };

// High contrast wins over every theme; System follows Windows' app mode (systemDark).
PaletteKind paletteKind(ThemeChoice theme, bool systemDark, bool highContrast);
// The palette of kind: light is the program's look of old, the selection and the caret's
// outline in the system's highlight; dark is fixed, every text at least 4.5:1 against its
// background; high contrast is the system's colours alone, changed bytes underlined.
Palette makePalette(PaletteKind kind, const SystemColours& system = {});

// The contrast ratio of two colours as the Web Content Accessibility Guidelines measure
// it, from 1 (alike) to 21 (black on white).
double contrastRatio(std::uint32_t a, std::uint32_t b);

}  // namespace quillix
