// The data inspector against plain references computed here: integers through memcpy of
// the bytes, reversed for big-endian; floats read back with strtof/strtod; times through
// the C library's UTC conversion; UTF-8 through a lenient reader whose result must be the
// canonical encoding. Then the dashes at the end of the data, and the edge values.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "hexview/data_inspector.h"

namespace quillix::test {
namespace {

static_assert(std::endian::native == std::endian::little, "the references read in the host's byte order");

using Bytes = std::array<std::uint8_t, 16>;

// What each row reads, for data that gives UTF-8 and UTF-16 their shortest need.
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
T load(const Bytes& bytes, bool bigEndian, int at = 0) {
    std::uint8_t raw[sizeof(T)];
    std::memcpy(raw, bytes.data() + at, sizeof raw);
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
    if constexpr (sizeof(Float) == 4)
        return std::strtof(number, nullptr);
    else
        return std::strtod(number, nullptr);
}

// Reads back as the very same value and, unless written as a whole number (which has to
// show every digit up to the point) or a power of two (where the values that read back
// are not centred on it), one significant digit fewer would not.
template <typename Float>
void expectShortestRoundTrip(const std::wstring& shown, Float value) {
    if (std::isnan(value) || std::isinf(value)) {
        EXPECT_EQ(shown, std::isnan(value) ? L"NaN" : value < 0 ? L"-Infinity" : L"+Infinity");
        return;
    }
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
    const int significant =
        first == std::string::npos ? 0 : static_cast<int>(digits.find_last_not_of('0') + 1 - first);
    int exponent;
    if (significant < 2 || number.find_first_of(".e") == std::string::npos ||
        std::frexp(std::fabs(value), &exponent) == 0.5)
        return;
    char shorter[40];
    std::snprintf(shorter, sizeof shorter, "%.*e", significant - 2, static_cast<double>(value));
    EXPECT_NE(parse<Float>(shorter), value) << number << " could be " << shorter;
}

std::wstring codeOf(char32_t codePoint) {
    wchar_t code[16];
    std::swprintf(code, 16, L"U+%04X", static_cast<unsigned>(codePoint));
    return code;
}

// Its code, perhaps after the character itself.
bool showsCodePoint(const std::wstring& shown, char32_t codePoint) {
    std::wstring character(1, static_cast<wchar_t>(codePoint));
    if (WCHAR_MAX <= 0xFFFF && codePoint > 0xFFFF)
        character = {static_cast<wchar_t>(0xD800 + ((codePoint - 0x10000) >> 10)),
                     static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF))};
    return shown == codeOf(codePoint) || shown == character + L" " + codeOf(codePoint);
}

constexpr long invalidUtf8 = -1, cutUtf8 = -2;

// The lead byte's length and plain bit gathering, refused afterwards unless the code
// point's canonical encoding has that length; a sequence cut by the end of the data is
// "cut" when some completion of it would be accepted.
long referenceUtf8(const std::uint8_t* bytes, int count) {
    const std::uint8_t lead = bytes[0];
    const int length = lead < 0x80   ? 1
                       : lead < 0xC0 ? 0
                       : lead < 0xE0 ? 2
                       : lead < 0xF0 ? 3
                       : lead < 0xF8 ? 4
                                     : 0;
    if (length == 0) return invalidUtf8;
    if (count < length) {
        std::uint8_t completed[4] = {lead, 0x80, 0x80, 0x80};
        std::copy(bytes, bytes + count, completed);
        for (int second = count > 1 ? completed[1] : 0x80; second <= (count > 1 ? completed[1] : 0xBF);
             ++second) {
            completed[1] = static_cast<std::uint8_t>(second);
            if (referenceUtf8(completed, 4) >= 0) return cutUtf8;
        }
        return invalidUtf8;
    }
    long codePoint = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80) return invalidUtf8;
        codePoint = codePoint << 6 | (bytes[i] & 0x3F);
    }
    const int canonical = codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
    if (canonical != length || (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF)
        return invalidUtf8;
    return codePoint;
}

void expectUtf16(const std::wstring& shown, const Bytes& bytes, bool bigEndian) {
    const char32_t first = load<std::uint16_t>(bytes, bigEndian),
                   second = load<std::uint16_t>(bytes, bigEndian, 2);
    if (first >= 0xD800 && first < 0xDC00 && second >= 0xDC00 && second < 0xE000)
        EXPECT_TRUE(showsCodePoint(shown, 0x10000 + (first - 0xD800) * 0x400 + (second - 0xDC00))) << shown;
    else if (first >= 0xD800 && first < 0xE000)
        EXPECT_EQ(shown, codeOf(first) + L" (lone surrogate)");
    else
        EXPECT_TRUE(showsCodePoint(shown, first)) << shown;
}

// "out of range" outside the years shown, else the C library's UTC text, or "" where
// the library cannot tell.
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

std::wstring referenceDos(std::uint32_t value) {
    const unsigned second = (value & 31) * 2, minute = value >> 5 & 63, hour = value >> 11 & 31;
    const unsigned day = value >> 16 & 31, month = value >> 21 & 15, year = 1980 + (value >> 25);
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    const unsigned monthDays = month == 2                                              ? 28 + leap
                               : month == 4 || month == 6 || month == 9 || month == 11 ? 30
                                                                                       : 31;
    if (second > 59 || minute > 59 || hour > 23 || month < 1 || month > 12 || day < 1 || day > monthDays)
        return L"invalid";
    wchar_t shown[48];
    std::swprintf(shown, 48, L"%04u-%02u-%02u %02u:%02u:%02u", year, month, day, hour, minute, second);
    return shown;
}

std::wstring referenceGuid(const Bytes& b, bool bigEndian) {
    wchar_t shown[48];
    std::swprintf(shown, 48, L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  load<std::uint32_t>(b, bigEndian), unsigned{load<std::uint16_t>(b, bigEndian, 4)},
                  unsigned{load<std::uint16_t>(b, bigEndian, 6)}, b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return shown;
}

TEST(DataInspector, EveryRowAgreesWithAPlainReferenceOnRandomBytes) {
    std::mt19937_64 random(1208);
    std::uniform_int_distribution<std::int64_t> nearShownTimes(firstShownSecond - 99'999,
                                                               endShownSecond + 99'999);
    std::uniform_int_distribution<unsigned> surrogates(0xD800, 0xDFFF);
    for (int i = 0; i < 50'000; ++i) {
        Bytes b;
        for (auto& byte : b) byte = static_cast<std::uint8_t>(random());
        // Random 64-bit values seldom fall in the years shown, random units seldom pair.
        if (i % 3 == 1) {
            const std::int64_t seconds = nearShownTimes(random);
            std::memcpy(b.data(), &seconds, 8);
            if (i % 2) std::reverse(b.begin(), b.begin() + 8);
        }
        if (i % 3 == 2)
            for (int at : {0, 2}) b[at + 1] = static_cast<std::uint8_t>(surrogates(random) >> 8);
        const InspectorValues values = inspect(b.data(), 16);
        for (int column : {littleEndianColumn, bigEndianColumn}) {
            const bool big = column == bigEndianColumn;
            auto shown = [&](int row) { return text(values, row, column); };
            EXPECT_EQ(shown(inspectInt8), std::to_wstring(load<std::int8_t>(b, big)));
            EXPECT_EQ(shown(inspectUint8), std::to_wstring(load<std::uint8_t>(b, big)));
            EXPECT_EQ(shown(inspectInt16), std::to_wstring(load<std::int16_t>(b, big)));
            EXPECT_EQ(shown(inspectUint16), std::to_wstring(load<std::uint16_t>(b, big)));
            EXPECT_EQ(shown(inspectInt32), std::to_wstring(load<std::int32_t>(b, big)));
            EXPECT_EQ(shown(inspectUint32), std::to_wstring(load<std::uint32_t>(b, big)));
            EXPECT_EQ(shown(inspectInt64), std::to_wstring(load<long long>(b, big)));
            EXPECT_EQ(shown(inspectUint64), std::to_wstring(load<unsigned long long>(b, big)));
            EXPECT_EQ(shown(inspectBinary), digitsOf(b[0], 8, 1));
            EXPECT_EQ(shown(inspectOctal), digitsOf(b[0], 3, 3));
            expectShortestRoundTrip(shown(inspectFloat32), load<float>(b, big));
            expectShortestRoundTrip(shown(inspectFloat64), load<double>(b, big));
            expectUtf16(shown(inspectUtf16), b, big);
            for (auto [row, expected] : {std::pair{inspectTime32, referenceTime(load<std::int32_t>(b, big))},
                                         {inspectTime64, referenceTime(load<std::int64_t>(b, big))},
                                         {inspectFileTime, referenceFileTime(load<std::uint64_t>(b, big))}})
                if (!expected.empty()) {
                    EXPECT_EQ(shown(row), expected);
                }
            EXPECT_EQ(shown(inspectDosDateTime), referenceDos(load<std::uint32_t>(b, big)));
            EXPECT_EQ(shown(inspectGuid), referenceGuid(b, big));
        }
        if (HasFailure()) {
            ADD_FAILURE() << "for the bytes " << ::testing::PrintToString(b);
            return;
        }
    }
}

// Every pair of first bytes, followed mostly by continuation bytes so that long sequences
// are often well formed, and cut at every length up to the longest.
TEST(DataInspector, Utf8AgreesWithALenientReaderCheckedForTheCanonicalForm) {
    std::mt19937 random(8);
    for (unsigned pair = 0; pair < 0x10000; ++pair) {
        std::uint8_t b[4] = {static_cast<std::uint8_t>(pair >> 8), static_cast<std::uint8_t>(pair)};
        for (int at : {2, 3})
            b[at] = static_cast<std::uint8_t>(random() % 4 ? 0x80 + random() % 0x40 : random());
        for (int count = 1; count <= 4; ++count) {
            const std::vector<std::uint8_t> data(b, b + count);
            const InspectorValues values = inspect(data.data(), count);
            const std::wstring shown = text(values, inspectUtf8, littleEndianColumn);
            const long expected = referenceUtf8(b, count);
            EXPECT_TRUE(expected == cutUtf8       ? shown == L"-"
                        : expected == invalidUtf8 ? shown == L"invalid"
                                                  : showsCodePoint(shown, static_cast<char32_t>(expected)))
                << shown << " for " << ::testing::PrintToString(data);
            EXPECT_EQ(text(values, inspectUtf8, bigEndianColumn), shown);
        }
        if (HasFailure()) return;
    }
}

// A row shows "-" exactly when the data ends before what it reads, and otherwise what it
// shows with all 16 bytes. The data sits in a buffer of its own size, where the
// sanitizers see any read past it.
TEST(DataInspector, RowsPastTheEndOfTheDataShowADashAndNothingBeyondIsRead) {
    std::mt19937 random(16);
    for (int trial = 0; trial < 2000; ++trial) {
        Bytes b;
        for (auto& byte : b) byte = static_cast<std::uint8_t>(trial % 2 ? random() : 'A');
        const InspectorValues full = inspect(b.data(), 16);
        for (int count = 0; count <= 16; ++count) {
            const std::vector<std::uint8_t> data(b.begin(), b.begin() + count);
            const InspectorValues values = inspect(data.data(), count);
            for (int row = 0; row < inspectorRowCount; ++row) {
                for (int column : {littleEndianColumn, bigEndianColumn}) {
                    const std::wstring shown = text(values, row, column), whole = text(full, row, column);
                    if (trial % 2 && (row == inspectUtf8 || row == inspectUtf16) && count < 4)
                        EXPECT_TRUE(shown == L"-" || shown == whole) << shown << " with " << count;
                    else
                        EXPECT_EQ(shown, count < bytesNeeded[row] ? L"-" : whole)
                            << inspectorRowName(row) << count;
                }
            }
        }
        if (HasFailure()) return;
    }
    for (std::int64_t none : {std::int64_t{0}, std::int64_t{-1}, INT64_MIN}) {
        const InspectorValues values = inspect(nullptr, none);
        for (int row = 0; row < inspectorRowCount; ++row)
            for (int column : {littleEndianColumn, bigEndianColumn})
                EXPECT_EQ(text(values, row, column), L"-");
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
    } const cases[] = {
        {inspectInt8, 0x80, L"-128"},
        {inspectInt8, 0x7F, L"127"},
        {inspectUint8, 0xFF, L"255"},
        {inspectInt16, 0x8000, L"-32768"},
        {inspectUint16, 0xFFFF, L"65535"},
        {inspectInt32, 0x80000000, L"-2147483648"},
        {inspectUint32, 0xFFFFFFFF, L"4294967295"},
        {inspectInt64, 1ull << 63, L"-9223372036854775808"},
        {inspectInt64, ~0ull >> 1, L"9223372036854775807"},
        {inspectUint64, ~0ull, L"18446744073709551615"},
        {inspectOctal, 8, L"010"},
        {inspectBinary, 5, L"00000101"},
        {inspectFloat32, 0x7FC00000, L"NaN"},
        {inspectFloat32, 0xFF800001, L"NaN"},
        {inspectFloat32, 0x7F800000, L"+Infinity"},
        {inspectFloat32, 0xFF800000, L"-Infinity"},
        {inspectFloat32, 0x00000001, L"1e-45 (subnormal)"},
        {inspectFloat32, 0x807FFFFF, L"-1.1754942e-38 (subnormal)"},
        {inspectFloat32, 0x00800000, L"1.1754944e-38"},
        {inspectFloat32, 0x80000000, L"-0"},
        {inspectFloat32, 0, L"0"},
        {inspectFloat32, 0x3DCCCCCD, L"0.1"},
        {inspectFloat32, 0x7F7FFFFF, L"3.4028235e+38"},
        {inspectFloat64, 0x7FF8000000000000, L"NaN"},
        {inspectFloat64, 0x7FF0000000000000, L"+Infinity"},
        {inspectFloat64, 0xFFF0000000000000, L"-Infinity"},
        {inspectFloat64, 1, L"5e-324 (subnormal)"},
        {inspectFloat64, 0x800FFFFFFFFFFFFF, L"-2.225073858507201e-308 (subnormal)"},
        {inspectFloat64, 1ull << 63, L"-0"},
        {inspectFloat64, 0x3FB999999999999A, L"0.1"},
        {inspectFloat64, 0x7FEFFFFFFFFFFFFF, L"1.7976931348623157e+308"},
        {inspectTime32, 0, L"1970-01-01 00:00:00"},
        {inspectTime32, 0x7FFFFFFF, L"2038-01-19 03:14:07"},
        {inspectTime32, 0x80000000, L"1901-12-13 20:45:52"},
        {inspectTime32, 0xFFFFFFFF, L"1969-12-31 23:59:59"},
        {inspectTime64, 0, L"1970-01-01 00:00:00"},
        {inspectTime64, 951782400, L"2000-02-29 00:00:00"},
        {inspectTime64, std::uint64_t(firstShownSecond), L"1601-01-01 00:00:00"},
        {inspectTime64, std::uint64_t(firstShownSecond - 1), L"out of range"},
        {inspectTime64, endShownSecond - 1, L"9999-12-31 23:59:59"},
        {inspectTime64, endShownSecond, L"out of range"},
        {inspectTime64, 1ull << 63, L"out of range"},
        {inspectTime64, ~0ull >> 1, L"out of range"},
        {inspectFileTime, 0, L"1601-01-01 00:00:00"},
        {inspectFileTime, 1, L"1601-01-01 00:00:00.0000001"},
        {inspectFileTime, 116444736000000000, L"1970-01-01 00:00:00"},
        {inspectFileTime, 2650467743999999999, L"9999-12-31 23:59:59.9999999"},
        {inspectFileTime, 2650467744000000000, L"out of range"},
        {inspectFileTime, ~0ull, L"out of range"},
        {inspectDosDateTime, dos(1980, 1, 1, 0, 0, 0), L"1980-01-01 00:00:00"},
        {inspectDosDateTime, dos(2107, 12, 31, 23, 59, 58), L"2107-12-31 23:59:58"},
        {inspectDosDateTime, dos(2000, 2, 29, 12, 30, 10), L"2000-02-29 12:30:10"},
        {inspectDosDateTime, dos(2100, 2, 29, 0, 0, 0), L"invalid"},
        {inspectDosDateTime, dos(2023, 2, 29, 0, 0, 0), L"invalid"},
        {inspectDosDateTime, dos(2023, 4, 31, 0, 0, 0), L"invalid"},
        {inspectDosDateTime, dos(2023, 0, 1, 0, 0, 0), L"invalid"},
        {inspectDosDateTime, dos(2023, 13, 1, 0, 0, 0), L"invalid"},
        {inspectDosDateTime, dos(2023, 1, 0, 0, 0, 0), L"invalid"},
        {inspectDosDateTime, dos(2023, 1, 1, 24, 0, 0), L"invalid"},
        {inspectDosDateTime, dos(2023, 1, 1, 0, 60, 0), L"invalid"},
        {inspectDosDateTime, dos(2023, 1, 1, 0, 0, 60), L"invalid"},
    };
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

TEST(DataInspector, EdgeSequencesOfTheTextRowsAndTheTwoGuidLayouts) {
    struct Case {
        const char* hex;
        int row;
        const wchar_t* little;
        const wchar_t* big = nullptr;  // as little
    } const cases[] = {
        {"C3A9", inspectUtf8, L"\u00E9 U+00E9"},
        {"F09F9880", inspectUtf8, L"\U0001F600 U+1F600"},
        {"41", inspectUtf8, L"A U+0041"},
        {"09", inspectUtf8, L"U+0009"},
        {"F48FBFBF", inspectUtf8, L"U+10FFFF"},
        {"C080", inspectUtf8, L"invalid"},
        {"C1BF", inspectUtf8, L"invalid"},
        {"E09FBF", inspectUtf8, L"invalid"},
        {"F08FBFBF", inspectUtf8, L"invalid"},
        {"EDA080", inspectUtf8, L"invalid"},
        {"EDBFBF", inspectUtf8, L"invalid"},
        {"F4908080", inspectUtf8, L"invalid"},
        {"F5808080", inspectUtf8, L"invalid"},
        {"80", inspectUtf8, L"invalid"},
        {"BF41", inspectUtf8, L"invalid"},
        {"E241", inspectUtf8, L"invalid"},
        {"E080", inspectUtf8, L"invalid"},
        {"E282", inspectUtf8, L"-"},
        {"F09F98", inspectUtf8, L"-"},
        {"3DD800DE", inspectUtf16, L"\U0001F600 U+1F600", L"\u3DD8 U+3DD8"},
        {"00D84100", inspectUtf16, L"U+D800 (lone surrogate)", L"\u00D8 U+00D8"},
        {"00DC00D8", inspectUtf16, L"U+DC00 (lone surrogate)", L"\u00DC U+00DC"},
        {"00D8", inspectUtf16, L"-", L"\u00D8 U+00D8"},
        {"DBFF", inspectUtf16, L"\uFFDB U+FFDB", L"-"},
        {"2000", inspectUtf16, L"U+0020", L"U+2000"},
        {"AD00", inspectUtf16, L"U+00AD", L"\uAD00 U+AD00"},
        {"FEFF", inspectUtf16, L"U+FFFE", L"U+FEFF"},
        {"00E0", inspectUtf16, L"U+E000", L"\u00E0 U+00E0"},
        {"0B20", inspectUtf16, L"U+200B", L"\u0B20 U+0B20"},
        {"7F00", inspectUtf16, L"U+007F", L"\u7F00 U+7F00"},
        {"00112233445566778899AABBCCDDEEFF", inspectGuid, L"{33221100-5544-7766-8899-AABBCCDDEEFF}",
         L"{00112233-4455-6677-8899-AABBCCDDEEFF}"},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> data;
        for (const char* at = c.hex; *at; at += 2)
            data.push_back(static_cast<std::uint8_t>(std::stoi(std::string(at, 2), nullptr, 16)));
        const InspectorValues values = inspect(data.data(), static_cast<std::int64_t>(data.size()));
        EXPECT_EQ(text(values, c.row, littleEndianColumn), c.little) << c.hex;
        EXPECT_EQ(text(values, c.row, bigEndianColumn), c.big ? c.big : c.little) << c.hex;
    }
}

}  // namespace
}  // namespace quillix::test
