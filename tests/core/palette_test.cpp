// The palettes: which one the view takes for each theme, app mode and high contrast; the
// contrast ratio against the guidelines' own figures; every text of the dark palette at
// least 4.5:1 on its background with every kind of byte told apart; high contrast made of
// the system's colours alone, changed bytes underlined.

#include "hexview/palette.h"

#include <gtest/gtest.h>

#include <set>

namespace quillix {
namespace {

std::vector<ColourPair> pairsOf(const Palette& p) {
    return {p.plain,     p.edited,          p.selected,          p.selectedEdited,         p.match,
            p.differing, p.differingEdited, p.differingSelected, p.differingSelectedEdited};
}

TEST(Palette, EachThemeAppModeAndHighContrastTakeTheirPalette) {
    struct Row {
        ThemeChoice theme;
        bool systemDark, highContrast;
        PaletteKind kind;
    };
    const Row table[] = {
        {ThemeChoice::system, false, false, PaletteKind::light}, {ThemeChoice::system, true, false, PaletteKind::dark},
        {ThemeChoice::light, true, false, PaletteKind::light},   {ThemeChoice::light, false, false, PaletteKind::light},
        {ThemeChoice::dark, false, false, PaletteKind::dark},    {ThemeChoice::dark, true, false, PaletteKind::dark},
        {ThemeChoice::system, true, true, PaletteKind::highContrast},
        {ThemeChoice::light, false, true, PaletteKind::highContrast},
        {ThemeChoice::dark, true, true, PaletteKind::highContrast},
    };
    for (const Row& row : table)
        EXPECT_EQ(paletteKind(row.theme, row.systemDark, row.highContrast), row.kind)
            << static_cast<int>(row.theme) << row.systemDark << row.highContrast;
}

TEST(Palette, ContrastRatiosAndTheDarkPalettesReadability) {
    // The guidelines' examples: black on white 21:1, #767676 on white just over 4.5:1,
    // #777777 just under; the order of the two colours does not matter.
    EXPECT_DOUBLE_EQ(contrastRatio(0x000000, 0xFFFFFF), 21.0);
    EXPECT_DOUBLE_EQ(contrastRatio(0x123456, 0x123456), 1.0);
    EXPECT_GT(contrastRatio(0x767676, 0xFFFFFF), 4.5);
    EXPECT_LT(contrastRatio(0xFFFFFF, 0x777777), 4.5);
    EXPECT_DOUBLE_EQ(contrastRatio(0x0000FF, 0xFFFFFF), contrastRatio(0xFFFFFF, 0x0000FF));

    const Palette dark = makePalette(PaletteKind::dark);
    std::set<std::uint32_t> backs;
    for (const ColourPair& pair : pairsOf(dark)) {
        EXPECT_GE(contrastRatio(pair.text, pair.back), 4.5) << std::hex << pair.text << " on " << pair.back;
        backs.insert(pair.back);
    }
    // The plain, the selected, the match's, the differing and the differing selected
    // backgrounds are five; a changed byte differs from its neighbours by its text.
    EXPECT_EQ(backs.size(), 5u);
    EXPECT_LT(contrastRatio(dark.plain.back, 0), 1.5) << "a dark background";
    for (auto [plain, edited] : {std::pair{dark.plain, dark.edited}, {dark.selected, dark.selectedEdited},
                                 {dark.differing, dark.differingEdited},
                                 {dark.differingSelected, dark.differingSelectedEdited}})
        EXPECT_NE(plain.text, edited.text);
    EXPECT_FALSE(dark.light || dark.underlineEdited);
}

TEST(Palette, HighContrastTakesOnlyTheSystemsColoursAndUnderlinesChangedBytes) {
    const SystemColours system{0x010101, 0x020202, 0x030303, 0x040404, 0x050505, 0x060606};
    const std::set<std::uint32_t> systems = {0x010101, 0x020202, 0x030303, 0x040404, 0x050505, 0x060606};
    const Palette contrast = makePalette(PaletteKind::highContrast, system);
    for (const ColourPair& pair : pairsOf(contrast)) {
        EXPECT_TRUE(systems.count(pair.text) && systems.count(pair.back)) << std::hex << pair.text << pair.back;
        EXPECT_NE(pair.text, pair.back);
    }
    EXPECT_EQ(contrast.plain.back, system.window);
    EXPECT_EQ(contrast.selected.back, system.highlight);
    EXPECT_TRUE(contrast.underlineEdited);
    const Palette light = makePalette(PaletteKind::light, system);
    EXPECT_FALSE(light.underlineEdited);
    EXPECT_EQ(light.selected.back, system.highlight);
}

}  // namespace
}  // namespace quillix
