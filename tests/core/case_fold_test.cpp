// Case folding for text searches: every code unit's folding against a plain table of the
// expected pairs, and, under Windows, that table against what the system's CharUpperW
// and CharLowerW do, for every code unit whose mapping can match a byte.

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

// The letters whose two cases can meet a byte, small and capital at the same place. Every
// other code unit, the sharp s and the micro sign among them, keeps its value both ways.
constexpr wchar_t smallLetters[] = L"abcdefghijklmnopqrstuvwxyzàáâãäåæçèéêëìíîïðñòóôõöøùúûüýþÿ";
constexpr wchar_t capitalLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞŸ";
static_assert(sizeof smallLetters == sizeof capitalLetters);

unsigned expectedUpper(unsigned unit) {
    const wchar_t* at = std::wcschr(smallLetters, static_cast<wchar_t>(unit));
    return unit != 0 && at ? static_cast<unsigned>(capitalLetters[at - smallLetters]) : unit;
}
unsigned expectedLower(unsigned unit) {
    const wchar_t* at = std::wcschr(capitalLetters, static_cast<wchar_t>(unit));
    return unit != 0 && at ? static_cast<unsigned>(smallLetters[at - capitalLetters]) : unit;
}

TEST(CaseFold, EveryCodeUnitFoldsAsTheTableOfPairsSays) {
    std::vector<std::string> differences;
    for (unsigned unit = 0; unit <= lastUnit; ++unit) {
        std::ostringstream line;
        line << std::hex << "U+" << unit;
        if (upper(unit) != expectedUpper(unit)) differences.push_back(line.str() + " upper");
        if (lower(unit) != expectedLower(unit)) differences.push_back(line.str() + " lower");
    }
    EXPECT_TRUE(differences.empty()) << differences.size() << " differences, first " << differences.front();
}

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

void compare(std::vector<std::string>& differences, const char* what, unsigned unit, unsigned table,
             unsigned system) {
    if (table > 0xFF && system > 0xFF) return;  // neither can match a byte
    if (table == system) return;
    std::ostringstream line;
    line << std::hex << what << " U+" << unit << ": table " << table << ", system " << system;
    differences.push_back(line.str());
}

// The table the core is held to is the system's own, wherever a mapping can meet a byte.
TEST(CaseFold, TheTableOfPairsMatchesTheSystemForEveryUnitThatCanMeetAByte) {
    std::vector<std::string> differences;
    unsigned compared = 0;
    for (unsigned unit = 1; unit <= lastUnit; ++unit) {
        const SystemCase system = systemCase(unit);
        compare(differences, "upper (char)", unit, expectedUpper(unit), system.upperOfChar);
        compare(differences, "upper (string)", unit, expectedUpper(unit), system.upperOfString);
        compare(differences, "lower (char)", unit, expectedLower(unit), system.lowerOfChar);
        compare(differences, "lower (string)", unit, expectedLower(unit), system.lowerOfString);
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
