// Case folding for text searches: the core's tables against what the system's
// CharUpperW and CharLowerW do, for every code unit whose mapping can match a byte.

#include <cstdint>
#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "search/case_fold.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace quillix::test {
namespace {

constexpr unsigned lastUnit = 0xFFFF;

unsigned upper(unsigned unit) { return static_cast<unsigned>(upperCaseUnit(static_cast<wchar_t>(unit))); }
unsigned lower(unsigned unit) { return static_cast<unsigned>(lowerCaseUnit(static_cast<wchar_t>(unit))); }

TEST(CaseFold, AsciiLettersSwapCaseAndNothingElseInAsciiMoves) {
    for (unsigned unit = 0; unit < 0x80; ++unit) {
        const bool small = unit >= 'a' && unit <= 'z';
        const bool capital = unit >= 'A' && unit <= 'Z';
        EXPECT_EQ(upper(unit), small ? unit - 0x20 : unit) << unit;
        EXPECT_EQ(lower(unit), capital ? unit + 0x20 : unit) << unit;
    }
}

TEST(CaseFold, LatinOneLettersPairUpAroundTheSigns) {
    EXPECT_EQ(upper(0xE9), 0xC9u);  // e acute
    EXPECT_EQ(lower(0xC9), 0xE9u);
    EXPECT_EQ(upper(0xE0), 0xC0u);
    EXPECT_EQ(upper(0xFE), 0xDEu);  // thorn
    EXPECT_EQ(lower(0xDE), 0xFEu);
    // The multiplication and division signs sit where a letter pair would be.
    EXPECT_EQ(lower(0xD7), 0xD7u);
    EXPECT_EQ(upper(0xF7), 0xF7u);
    // Signs, digits and controls of the upper half keep their value.
    for (unsigned unit = 0x80; unit < 0xC0; ++unit) {
        EXPECT_EQ(upper(unit), unit) << unit;
        EXPECT_EQ(lower(unit), unit) << unit;
    }
    // Every Latin-1 letter returns to itself through the other case.
    for (unsigned unit = 0xC0; unit <= 0xFE; ++unit) {
        if (unit == 0xD7 || unit == 0xF7 || unit == 0xDF) continue;
        EXPECT_EQ(lower(upper(unit)), unit <= 0xDE ? unit + 0x20 : unit) << unit;
        EXPECT_EQ(upper(lower(unit)), unit <= 0xDE ? unit : unit - 0x20) << unit;
    }
}

TEST(CaseFold, YDiaeresisIsTheOneLetterWhoseCapitalLiesBeyondLatinOne) {
    EXPECT_EQ(upper(0xFF), 0x178u);
    EXPECT_EQ(lower(0x178), 0xFFu);
    EXPECT_EQ(upper(0x178), 0x178u);
}

// What the system's tables do not do (seen under Wine): letters with a compatibility or
// special-casing partner in ASCII stay as they are, and so do the sharp s and the micro sign.
TEST(CaseFold, NoOtherUnitReachesAByte) {
    EXPECT_EQ(lower(0x212A), 0x212Au);  // Kelvin sign
    EXPECT_EQ(lower(0x212B), 0x212Bu);  // Angstrom sign
    EXPECT_EQ(upper(0x0131), 0x0131u);  // dotless i
    EXPECT_EQ(lower(0x0130), 0x0130u);  // capital I with dot
    EXPECT_EQ(upper(0x017F), 0x017Fu);  // long s
    EXPECT_EQ(upper(0xDF), 0xDFu);
    EXPECT_EQ(upper(0xB5), 0xB5u);
    std::vector<unsigned> reachingBytes;
    for (unsigned unit = 0x100; unit <= lastUnit; ++unit) {
        if (upper(unit) <= 0xFF || lower(unit) <= 0xFF) reachingBytes.push_back(unit);
    }
    EXPECT_EQ(reachingBytes, std::vector<unsigned>{0x178});
}

#if WCHAR_MAX > 0xFFFF
// Where wchar_t is wider than a code unit, a value past 0xFFFF must not be cut to one:
// 0x10041 would become 'A'.
TEST(CaseFold, ValuesThatAreNoCodeUnitsStayUnchanged) {
    EXPECT_EQ(upper(0x10061), 0x10061u);
    EXPECT_EQ(lower(0x10041), 0x10041u);
    EXPECT_EQ(lowerCaseUnit(static_cast<wchar_t>(-1)), static_cast<wchar_t>(-1));
}
#endif

#if defined(_WIN32)

struct SystemCase {
    unsigned upperOfChar, lowerOfChar;      // the single-character form
    unsigned upperOfString, lowerOfString;  // a one-unit string
};

SystemCase systemCase(unsigned unit) {
    SystemCase result{};
    auto asChar = reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(unit));
    result.upperOfChar = LOWORD(reinterpret_cast<ULONG_PTR>(CharUpperW(asChar)));
    result.lowerOfChar = LOWORD(reinterpret_cast<ULONG_PTR>(CharLowerW(asChar)));
    WCHAR upperText[2] = {static_cast<WCHAR>(unit), 0};
    WCHAR lowerText[2] = {static_cast<WCHAR>(unit), 0};
    CharUpperW(upperText);
    CharLowerW(lowerText);
    result.upperOfString = upperText[0];
    result.lowerOfString = lowerText[0];
    return result;
}

void compare(std::vector<std::string>& differences, const char* what, unsigned unit, unsigned core,
             unsigned system) {
    if (core > 0xFF && system > 0xFF) return;  // neither can match a byte
    if (core == system) return;
    std::ostringstream line;
    line << std::hex << what << " U+" << unit << ": core " << core << ", system " << system;
    differences.push_back(line.str());
}

TEST(CaseFold, MatchesTheSystemForEveryUnitThatCanMeetAByte) {
    std::vector<std::string> differences;
    unsigned compared = 0;
    for (unsigned unit = 1; unit <= lastUnit; ++unit) {
        const SystemCase system = systemCase(unit);
        compare(differences, "upper (char)", unit, upper(unit), system.upperOfChar);
        compare(differences, "upper (string)", unit, upper(unit), system.upperOfString);
        compare(differences, "lower (char)", unit, lower(unit), system.lowerOfChar);
        compare(differences, "lower (string)", unit, lower(unit), system.lowerOfString);
        if (system.upperOfChar <= 0xFF || system.lowerOfChar <= 0xFF) ++compared;
    }
    // Every byte value is itself a unit whose mapping can meet a byte.
    EXPECT_GE(compared, 0x100u - 1);
    std::string listed;
    for (std::size_t i = 0; i < differences.size() && i < 40; ++i) listed += differences[i] + "\n";
    EXPECT_TRUE(differences.empty()) << differences.size() << " differences:\n" << listed;
}

#endif

}  // namespace
}  // namespace quillix::test
