#include "search/case_fold.h"

#include <cstdint>

namespace quillix {

namespace {

// A run of code units that all map by the same distance.
struct CaseRun {
    std::uint16_t first;
    std::uint16_t last;
    std::int16_t delta;
};

// The system's tables, restricted to the units whose mapping is a byte or that are bytes
// themselves: ASCII, the Latin-1 letters (the multiplication and division signs between
// them have no case) and the y with diaeresis, whose capital lies outside Latin-1. The
// micro sign and the sharp s keep their value, and no other unit maps onto a byte.
constexpr CaseRun upperRuns[] = {
    {0x0061, 0x007A, -0x20},   // a-z
    {0x00E0, 0x00F6, -0x20},   // a grave .. o diaeresis
    {0x00F8, 0x00FE, -0x20},   // o stroke .. thorn
    {0x00FF, 0x00FF, 0x0079},  // y diaeresis -> U+0178
};

constexpr CaseRun lowerRuns[] = {
    {0x0041, 0x005A, 0x20},     // A-Z
    {0x00C0, 0x00D6, 0x20},     // A grave .. O diaeresis
    {0x00D8, 0x00DE, 0x20},     // O stroke .. Thorn
    {0x0178, 0x0178, -0x0079},  // Y diaeresis -> U+00FF
};

template <std::size_t N>
constexpr wchar_t mapUnit(const CaseRun (&runs)[N], wchar_t unit) {
    const auto value = static_cast<std::int64_t>(unit);
    for (const CaseRun& run : runs) {
        if (value >= run.first && value <= run.last) return static_cast<wchar_t>(value + run.delta);
    }
    return unit;
}

static_assert(mapUnit(upperRuns, L'q') == L'Q' && mapUnit(lowerRuns, L'Q') == L'q');
static_assert(mapUnit(upperRuns, L'\u00F7') == L'\u00F7' && mapUnit(lowerRuns, L'\u00D7') == L'\u00D7');

}  // namespace

wchar_t upperCaseUnit(wchar_t unit) { return mapUnit(upperRuns, unit); }

wchar_t lowerCaseUnit(wchar_t unit) { return mapUnit(lowerRuns, unit); }

}  // namespace quillix
