// The palettes: which one each theme takes, contrast ratios, the dark texts at least 4.5:1.

#include "hexview/palette.h"

#include <gtest/gtest.h>

#include <set>

namespace quillix {
namespace {

std::vector<ColourPair> pairsOf(const Palette& p) {
    return {p.plain,     p.edited,          p.selected,          p.selectedEdited,          p.match,
            p.differing, p.differingEdited, p.differingSelected, p.differingSelectedEdited, p.hit,
            p.hitEdited};
}

TEST(Palette, EachThemeAppModeAndHighContrastTakeTheirPalette) {
    using T = ThemeChoice;
    using K = PaletteKind;
    const std::tuple<T, bool, bool, K> table[] = {
        {T::system, false, false, K::light},      {T::system, true, false, K::dark},
        {T::light, true, false, K::light},        {T::dark, false, false, K::dark},
        {T::system, true, true, K::highContrast}, {T::light, false, true, K::highContrast},
        {T::dark, true, true, K::highContrast}};
    for (const auto& [theme, systemDark, contrast, kind] : table)
        EXPECT_EQ(paletteKind(theme, systemDark, contrast), kind) << int(theme) << systemDark << contrast;
}

TEST(Palette, ContrastRatiosAndTheDarkPalettesReadability) {
    // The guidelines' examples: 21:1, #767676 on white just over 4.5:1, #777777 just under.
    EXPECT_DOUBLE_EQ(contrastRatio(0x000000, 0xFFFFFF), 21.0);
    EXPECT_GT(contrastRatio(0x767676, 0xFFFFFF), 4.5);
    EXPECT_LT(contrastRatio(0xFFFFFF, 0x777777), 4.5);

    const Palette dark = makePalette(PaletteKind::dark);
    std::set<std::uint32_t> backs;
    for (const ColourPair& pair : pairsOf(dark)) {
        EXPECT_GE(contrastRatio(pair.text, pair.back), 4.5) << std::hex << pair.text << " on " << pair.back;
        backs.insert(pair.back);
    }
    // Six backgrounds; a changed byte differs from its neighbours by its text.
    EXPECT_TRUE(backs.size() == 6 && !dark.underlineEdited) << backs.size();
    EXPECT_LT(contrastRatio(dark.plain.back, 0), 1.5) << "a dark background";
    const std::vector<ColourPair> pairs = pairsOf(dark);  // each kind, then the same kind changed
    for (int k : {0, 2, 5, 7, 9}) EXPECT_NE(pairs[k].text, pairs[k + 1].text) << k;
}

}  // namespace
}  // namespace quillix
