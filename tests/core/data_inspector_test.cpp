// The data inspector: numbers and times from random bytes against plain references
// (memcpy of the bytes, reversed for big-endian; strtof/strtod reading the floats back;
// the C library's UTC conversion), the dashes at the end of the data, and the edge values
// of every row.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "hexview/data_inspector.h"

namespace quillix::test {
namespace {

static_assert(std::endian::native == std::endian::little, "the references read in the host's byte order");

using Bytes = std::array<std::uint8_t, 16>;

// What each row reads, for data whose UTF-8 and UTF-16 need the fewest bytes.
constexpr int bytesNeeded[inspectorRowCount] = {1, 1, 2, 2, 4, 4, 8, 8, 1, 1, 4, 8, 1, 2, 4, 8, 8, 4, 16};
constexpr std::int64_t firstShownSecond = -11644473600;  // 1601-01-01 00:00:00
constexpr std::int64_t endShownSecond = 253402300800;    // 10000-01-01 00:00:00

InspectorValues inspect(const std::uint8_t* bytes, std::int64_t available) {
    InspectorValues values;
    inspectBytes(bytes, available, values);
    return values;
}

std::wstring text(const InspectorValues& values, int row, int column) { return values.text[row][column]; }

template <typename T>
T load(const Bytes& bytes, bool bigEndian) {
    std::uint8_t raw[sizeof(T)];
    std::memcpy(raw, bytes.data(), sizeof raw);
    if (bigEndian) std::reverse(raw, raw + sizeof raw);
    T value;
    std::memcpy(&value, raw, sizeof value);
    return value;
}

std::wstring digitsOf(unsigned value, int count, int bitsPerDigit) {
    std::wstring digits;
    for (int i = count - 1; i >= 0; --i)
        digits += static_cast<wchar_t>(L'0' + (value >> i * bitsPerDigit & ((1u << bitsPerDigit) - 1)));
    return digits;
}

template <typename Float>
Float parse(const char* number) {
    return sizeof(Float) == 4 ? std::strtof(number, nullptr) : std::strtod(number, nullptr);
}

// Reads back as the very same value and, unless written as a whole number (which has to
// show every digit up to the point) or a power of two (where the values that read back
// are not centred on it), one significant digit fewer would not.
template <typename Float>
void expectShortestRoundTrip(const std::wstring& shown, Float value) {
    if (std::isnan(value) || std::isinf(value)) return;  // among the edge values
    std::string number(shown.begin(), shown.end());
    const std::string note = " (subnormal)";
    ASSERT_EQ(number.ends_with(note), std::fpclassify(value) == FP_SUBNORMAL) << number;
    if (number.ends_with(note)) number.resize(number.size() - note.size());
    ASSERT_EQ(number.find_first_not_of("0123456789.e+-"), std::string::npos) << number;
    const Float back = parse<Float>(number.c_str());
    ASSERT_EQ(std::memcmp(&back, &value, sizeof value), 0) << number;
    std::string digits = number.substr(0, number.find('e'));
    std::erase_if(digits, [](char c) { return c < '0' || c > '9'; });
    const auto first = digits.find_first_not_of('0');
    const int significant = first == std::string::npos ? 0 : int(digits.find_last_not_of('0') + 1 - first);
    int exponent;
    if (significant < 2 || number.find_first_of(".e") == std::string::npos ||
        std::frexp(std::fabs(value), &exponent) == 0.5)
        return;
    char shorter[40];
    std::snprintf(shorter, sizeof shorter, "%.*e", significant - 2, static_cast<double>(value));
    EXPECT_NE(parse<Float>(shorter), value) << number << " could be " << shorter;
}

// "out of range" outside the years shown, else the C library's UTC text, or "" where the
// library cannot tell.
std::wstring referenceTime(std::int64_t seconds) {
    if (seconds < firstShownSecond || seconds >= endShownSecond) return L"out of range";
    std::tm utc{};
#ifdef _WIN32
    const __time64_t time = seconds;
    if (_gmtime64_s(&utc, &time) != 0) return L"";
#else
    const std::time_t time = seconds;
    if (!gmtime_r(&time, &utc)) return L"";
#endif
    wchar_t shown[48];
    std::swprintf(shown, 48, L"%04d-%02d-%02d %02d:%02d:%02d", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return shown;
}

std::wstring referenceFileTime(std::uint64_t ticks) {
    const std::wstring shown =
        referenceTime(static_cast<std::int64_t>(ticks / 10'000'000) + firstShownSecond);
    wchar_t fraction[16];
    std::swprintf(fraction, 16, L".%07u", static_cast<unsigned>(ticks % 10'000'000));
    return shown.size() == 19 && ticks % 10'000'000 != 0 ? shown + fraction : shown;
}

// What a row must show for these bytes; "" for the rows checked otherwise, and where the
// library cannot tell.
std::wstring expectedText(int row, const Bytes& b, bool big) {
    switch (row) {
        case inspectInt8: return std::to_wstring(load<std::int8_t>(b, big));
        case inspectUint8: return std::to_wstring(load<std::uint8_t>(b, big));
        case inspectInt16: return std::to_wstring(load<std::int16_t>(b, big));
        case inspectUint16: return std::to_wstring(load<std::uint16_t>(b, big));
        case inspectInt32: return std::to_wstring(load<std::int32_t>(b, big));
        case inspectUint32: return std::to_wstring(load<std::uint32_t>(b, big));
        case inspectInt64: return std::to_wstring(load<long long>(b, big));
        case inspectUint64: return std::to_wstring(load<unsigned long long>(b, big));
        case inspectBinary: return digitsOf(b[0], 8, 1);
        case inspectOctal: return digitsOf(b[0], 3, 3);
        case inspectTime32: return referenceTime(load<std::int32_t>(b, big));
        case inspectTime64: return referenceTime(load<std::int64_t>(b, big));
        case inspectFileTime: return referenceFileTime(load<std::uint64_t>(b, big));
        default: return L"";
    }
}

TEST(DataInspector, NumbersAndTimesAgreeWithPlainReferencesOnRandomBytes) {
    std::mt19937_64 random(1208);
    std::uniform_int_distribution<std::int64_t> nearShownTimes(firstShownSecond - 99'999,
                                                               endShownSecond + 99'999);
    for (int i = 0; i < 50'000; ++i) {
        Bytes b;
        for (auto& byte : b) byte = static_cast<std::uint8_t>(random());
        // First 00.., FF.., 80 00.. and 7F FF..: the integers' ends and time 0.
        if (i < 4) {
            b.fill(i % 2 ? 0xFF : 0);
            b[0] ^= i < 2 ? 0 : 0x80;
        } else if (i % 2) {  // random 64-bit values seldom fall in the years shown
            const std::int64_t seconds = nearShownTimes(random);
            std::memcpy(b.data(), &seconds, 8);
            if (i % 4 == 1) std::reverse(b.begin(), b.begin() + 8);
        }
        const InspectorValues values = inspect(b.data(), 16);
        for (int column : {littleEndianColumn, bigEndianColumn}) {
            const bool big = column == bigEndianColumn;
            for (int row = 0; row < inspectorRowCount; ++row) {
                const std::wstring expected = expectedText(row, b, big);
                if (!expected.empty()) {
                    EXPECT_EQ(text(values, row, column), expected) << inspectorRowName(row);
                }
            }
            expectShortestRoundTrip(text(values, inspectFloat32, column), load<float>(b, big));
            expectShortestRoundTrip(text(values, inspectFloat64, column), load<double>(b, big));
        }
        if (HasFailure()) {
            ADD_FAILURE() << "for the bytes " << ::testing::PrintToString(b);
            return;
        }
    }
}

// A row shows "-" exactly when the data ends before what it reads (always with no data,
// -1 bytes standing for a caret past the end), and otherwise what it shows with all 16
// bytes. Over random bytes, which UTF-8 and UTF-16 may read up to four of, those two may
// show either below four. The data sits in a buffer of its own size, where the sanitizers
// see any read past it.
TEST(DataInspector, RowsPastTheEndOfTheDataShowADashAndNothingBeyondIsRead) {
    std::mt19937 random(16);
    for (int trial = 0; trial < 2000; ++trial) {
        Bytes b;
        for (auto& byte : b) byte = static_cast<std::uint8_t>(trial % 2 ? random() : 'A');
        const InspectorValues full = inspect(b.data(), 16);
        for (int count = -1; count <= 16; ++count) {
            const std::vector<std::uint8_t> data(b.begin(), b.begin() + std::max(count, 0));
            const InspectorValues values = inspect(data.data(), count);
            for (int row = 0; row < inspectorRowCount; ++row) {
                for (int column : {littleEndianColumn, bigEndianColumn}) {
                    const std::wstring shown = text(values, row, column), whole = text(full, row, column);
                    if (trial % 2 && (row == inspectUtf8 || row == inspectUtf16) && count >= 0 && count < 4)
                        EXPECT_TRUE(shown == L"-" || shown == whole) << shown << " with " << count;
                    else
                        EXPECT_EQ(shown, count < bytesNeeded[row] ? L"-" : whole)
                            << inspectorRowName(row) << count;
                }
            }
        }
        if (HasFailure()) return;
    }
}

constexpr std::uint64_t dos(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                            unsigned second) {
    return (year - 1980) << 25 | month << 21 | day << 16 | hour << 11 | minute << 5 | second / 2;
}

// Each value is laid out in both byte orders, and each column must read it back.
TEST(DataInspector, EdgeValuesOfTheNumberAndTimeRows) {
    struct Case {
        int row;
        std::uint64_t value;
        const wchar_t* shown;
    };
    constexpr int f32 = inspectFloat32, f64 = inspectFloat64, t32 = inspectTime32, t64 = inspectTime64;
    constexpr int fileTime = inspectFileTime, dosTime = inspectDosDateTime;
    const wchar_t* const invalid = L"invalid";
    // clang-format off
    const Case cases[] = {
        {f32, 0x7FC00000, L"NaN"}, {f32, 0xFF800001, L"NaN"}, {f32, 0x7F800000, L"+Infinity"},
        {f32, 0xFF800000, L"-Infinity"}, {f32, 1, L"1e-45 (subnormal)"}, {f32, 0x00800000, L"1.1754944e-38"},
        {f32, 0x807FFFFF, L"-1.1754942e-38 (subnormal)"}, {f32, 0x7F7FFFFF, L"3.4028235e+38"},
        {f32, 0x80000000, L"-0"}, {f32, 0, L"0"}, {f64, 1ull << 63, L"-0"}, {f64, 0x3FB999999999999A, L"0.1"},
        {f64, 0x7FF8000000000000, L"NaN"}, {f64, 0xFFF0000000000000, L"-Infinity"},
        {f64, 1, L"5e-324 (subnormal)"}, {f64, 0x800FFFFFFFFFFFFF, L"-2.225073858507201e-308 (subnormal)"},
        {f64, 0x7FEFFFFFFFFFFFFF, L"1.7976931348623157e+308"},
        {t32, 0x7FFFFFFF, L"2038-01-19 03:14:07"}, {t32, 0x80000000, L"1901-12-13 20:45:52"},
        {t64, 0, L"1970-01-01 00:00:00"}, {t64, 951782400, L"2000-02-29 00:00:00"},
        {t64, std::uint64_t(firstShownSecond), L"1601-01-01 00:00:00"},
        {t64, std::uint64_t(firstShownSecond - 1), L"out of range"},
        {t64, endShownSecond - 1, L"9999-12-31 23:59:59"}, {t64, endShownSecond, L"out of range"},
        {t64, 1ull << 63, L"out of range"}, {fileTime, ~0ull, L"out of range"},
        {fileTime, 0, L"1601-01-01 00:00:00"}, {fileTime, 1, L"1601-01-01 00:00:00.0000001"},
        {fileTime, 116444736000000000, L"1970-01-01 00:00:00"},
        {fileTime, 2650467743999999999, L"9999-12-31 23:59:59.9999999"},
        {fileTime, 2650467744000000000, L"out of range"},
        {dosTime, dos(1980, 1, 1, 0, 0, 0), L"1980-01-01 00:00:00"},
        {dosTime, dos(2107, 12, 31, 23, 59, 58), L"2107-12-31 23:59:58"},
        {dosTime, dos(2000, 2, 29, 12, 30, 10), L"2000-02-29 12:30:10"},
        {dosTime, dos(2024, 2, 29, 0, 0, 0), L"2024-02-29 00:00:00"},
        {dosTime, dos(2100, 2, 29, 0, 0, 0), invalid}, {dosTime, dos(2023, 2, 29, 0, 0, 0), invalid},
        {dosTime, dos(2023, 4, 31, 0, 0, 0), invalid}, {dosTime, dos(2023, 0, 1, 0, 0, 0), invalid},
        {dosTime, dos(2023, 13, 1, 0, 0, 0), invalid}, {dosTime, dos(2023, 1, 0, 0, 0, 0), invalid},
        {dosTime, dos(2023, 1, 1, 24, 0, 0), invalid}, {dosTime, dos(2023, 1, 1, 0, 60, 0), invalid},
        {dosTime, dos(2023, 1, 1, 0, 0, 60), invalid}};
    // clang-format on
    for (const Case& c : cases) {
        const int size = bytesNeeded[c.row];
        Bytes little{}, big{};
        for (int i = 0; i < size; ++i)
            little[i] = big[size - 1 - i] = static_cast<std::uint8_t>(c.value >> 8 * i);
        EXPECT_EQ(text(inspect(little.data(), size), c.row, littleEndianColumn), c.shown)
            << inspectorRowName(c.row);
        EXPECT_EQ(text(inspect(big.data(), size), c.row, bigEndianColumn), c.shown)
            << inspectorRowName(c.row);
    }
}

// The UTF-8 cases sit on both sides of every limit of the well-formed sequences. A GUID of
// distinct bytes shows where each byte goes in both layouts.
TEST(DataInspector, EdgeSequencesOfTheTextRowsAndTheTwoGuidLayouts) {
    struct Case {
        const char* hex;
        int row;
        const wchar_t* little;
        const wchar_t* big = nullptr;  // as little
    };
    constexpr int utf8 = inspectUtf8, utf16 = inspectUtf16;
    // clang-format off
    const Case cases[] = {
        {"41", utf8, L"A U+0041"}, {"09", utf8, L"U+0009"}, {"C280", utf8, L"U+0080"},
        {"C3A9", utf8, L"\u00E9 U+00E9"}, {"E0A080", utf8, L"\u0800 U+0800"}, {"EE8080", utf8, L"U+E000"},
        {"ED9FBF", utf8, L"\uD7FF U+D7FF"}, {"F0908080", utf8, L"\U00010000 U+10000"},
        {"F48FBFBF", utf8, L"U+10FFFF"},
        {"C1BF", utf8, L"invalid"}, {"E09FBF", utf8, L"invalid"}, {"EDA080", utf8, L"invalid"},
        {"F08FBFBF", utf8, L"invalid"}, {"F4908080", utf8, L"invalid"}, {"F5808080", utf8, L"invalid"},
        {"80", utf8, L"invalid"}, {"E241", utf8, L"invalid"}, {"F09F9841", utf8, L"invalid"},
        {"E080", utf8, L"invalid"}, {"E282", utf8, L"-"}, {"F09F98", utf8, L"-"},
        {"3DD800DE", utf16, L"\U0001F600 U+1F600", L"\u3DD8 U+3DD8"},
        {"FFDBFFDF", utf16, L"U+10FFFF", L"\uFFDB U+FFDB"}, {"00D8", utf16, L"-", L"\u00D8 U+00D8"},
        {"00D84100", utf16, L"U+D800 (lone surrogate)", L"\u00D8 U+00D8"},
        {"00DC00DC", utf16, L"U+DC00 (lone surrogate)", L"\u00DC U+00DC"},
        {"2000", utf16, L"U+0020", L"U+2000"}, {"AD00", utf16, L"U+00AD", L"\uAD00 U+AD00"},
        {"FEFF", utf16, L"U+FFFE", L"U+FEFF"}, {"0B20", utf16, L"U+200B", L"\u0B20 U+0B20"},
        {"7F00", utf16, L"U+007F", L"\u7F00 U+7F00"},
        {"00112233445566778899AABBCCDDEEFF", inspectGuid, L"{33221100-5544-7766-8899-AABBCCDDEEFF}",
         L"{00112233-4455-6677-8899-AABBCCDDEEFF}"}};
    // clang-format on
    for (const Case& c : cases) {
        std::vector<std::uint8_t> data;
        for (const char* at = c.hex; *at; at += 2)
            data.push_back(static_cast<std::uint8_t>(std::stoi(std::string(at, 2), nullptr, 16)));
        const InspectorValues values = inspect(data.data(), std::ssize(data));
        EXPECT_EQ(text(values, c.row, littleEndianColumn), c.little) << c.hex;
        EXPECT_EQ(text(values, c.row, bigEndianColumn), c.big ? c.big : c.little) << c.hex;
    }
}

}  // namespace
}  // namespace quillix::test
