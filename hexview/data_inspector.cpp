// The data inspector's texts. Every value is assembled from integer arithmetic on the
// bytes, read one at a time in the column's order, so the result does not depend on the
// machine's own byte order; dates come from a days-to-civil conversion of our own rather
// than the C library, whose range and time zone handling differ between the systems.

#include "hexview/data_inspector.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cwchar>
#include <limits>

#include "host/text_format.h"

namespace quillix {
namespace {

constexpr const wchar_t* rowNames[inspectorRowCount] = {
    L"int8",  L"uint8",  L"int16",           L"uint16",          L"int32",    L"uint32",
    L"int64", L"uint64", L"binary",          L"octal",           L"float32",  L"float64",
    L"UTF-8", L"UTF-16", L"time_t (32-bit)", L"time_t (64-bit)", L"FILETIME", L"MS-DOS date and time",
    L"GUID",
};

// Bytes a row needs before it can show anything; UTF-8 and UTF-16 may need more,
// depending on their first bytes.
constexpr int rowBytes[inspectorRowCount] = {1, 1, 2, 2, 4, 4, 8, 8, 1, 1, 4, 8, 1, 2, 4, 8, 8, 4, 16};

// Writes into one fixed text buffer, cutting what does not fit; the last place is kept for
// the terminator, written when the writer goes.
class InspectorText {
public:
    explicit InspectorText(wchar_t (&buffer)[inspectorTextCapacity])
        : at_(buffer), end_(buffer + inspectorTextCapacity - 1) {}
    ~InspectorText() { *at_ = L'\0'; }

    void put(wchar_t c) {
        if (at_ < end_) *at_++ = c;
    }
    void put(const wchar_t* text) {
        while (*text) put(*text++);
    }
    void putAscii(const char* first, const char* last) {
        while (first != last) put(static_cast<wchar_t>(*first++));
    }

private:
    wchar_t* at_;
    wchar_t* end_;
};

std::uint64_t readUnsigned(const std::uint8_t* bytes, int size, bool bigEndian) {
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i) value |= std::uint64_t{bytes[i]} << 8 * (bigEndian ? size - 1 - i : i);
    return value;
}

std::int64_t signExtend(std::uint64_t value, int size) {
    const int unused = 64 - 8 * size;
    return static_cast<std::int64_t>(value << unused) >> unused;
}

template <typename Integer>
void putDecimal(InspectorText& text, Integer value) {
    char digits[24];
    text.putAscii(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// Exactly width (at most 16) digits of a value known to fit them.
void putDigits(InspectorText& text, std::uint64_t value, int width, unsigned base = 10) {
    wchar_t digits[16];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<wchar_t>(upperHexDigits[value % base]);
        value /= base;
    }
    for (int i = 0; i < width; ++i) text.put(digits[i]);
}

template <typename Float, typename Bits>
void putFloat(InspectorText& text, Bits bits) {
    constexpr int fractionBits = std::numeric_limits<Float>::digits - 1;
    constexpr int signBit = sizeof(Bits) * 8 - 1;
    constexpr Bits fractionMask = (Bits{1} << fractionBits) - 1;
    constexpr Bits exponentMask = static_cast<Bits>(~fractionMask & ~(Bits{1} << signBit));
    const Bits exponent = bits & exponentMask;
    const Bits fraction = bits & fractionMask;
    if (exponent == exponentMask) {
        text.put(fraction != 0 ? L"NaN" : bits >> signBit ? L"-Infinity" : L"+Infinity");
        return;
    }
    char digits[40];
    text.putAscii(digits, std::to_chars(digits, digits + sizeof digits, std::bit_cast<Float>(bits)).ptr);
    if (exponent == 0 && fraction != 0) text.put(L" (subnormal)");
}

// Code points that draw nothing, or that no font is meant to draw: controls, blanks,
// invisible format characters, variation selectors, surrogates, private use and
// noncharacters. Sorted, not overlapping.
struct CodeRange {
    char32_t first, last;
};
constexpr CodeRange notShown[] = {
    {0x0000, 0x0020},   {0x007F, 0x00A0},   {0x00AD, 0x00AD},    {0x034F, 0x034F}, {0x061C, 0x061C},
    {0x115F, 0x1160},   {0x1680, 0x1680},   {0x180B, 0x180F},    {0x2000, 0x200F}, {0x2028, 0x202F},
    {0x205F, 0x206F},   {0x3000, 0x3000},   {0x3164, 0x3164},    {0xD800, 0xF8FF}, {0xFDD0, 0xFDEF},
    {0xFE00, 0xFE0F},   {0xFEFF, 0xFEFF},   {0xFFA0, 0xFFA0},    {0xFFF0, 0xFFFB}, {0x1BCA0, 0x1BCA3},
    {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF}, {0xF0000, 0x10FFFF},
};

bool shownAsItself(char32_t codePoint) {
    if ((codePoint & 0xFFFE) == 0xFFFE) return false;  // the last two of every plane
    for (const CodeRange& range : notShown) {
        if (codePoint < range.first) return true;
        if (codePoint <= range.last) return false;
    }
    return true;
}

void putCodePoint(InspectorText& text, char32_t codePoint) {
    text.put(L"U+");
    putDigits(text, codePoint, codePoint > 0xFFFFF ? 6 : codePoint > 0xFFFF ? 5 : 4, 16);
}

// The character, when it shows, then its code point.
void putCharacter(InspectorText& text, char32_t codePoint) {
    if (shownAsItself(codePoint)) {
        if (WCHAR_MAX <= 0xFFFF && codePoint > 0xFFFF) {
            text.put(static_cast<wchar_t>(0xD800 + ((codePoint - 0x10000) >> 10)));
            text.put(static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF)));
        } else {
            text.put(static_cast<wchar_t>(codePoint));
        }
        text.put(L' ');
    }
    putCodePoint(text, codePoint);
}

// The well-formed byte sequences, by lead byte: the second byte's range is narrower after
// E0 and F0 (no overlong forms), ED (no surrogates) and F4 (nothing past U+10FFFF).
void putUtf8(InspectorText& text, const std::uint8_t* bytes, int count) {
    const std::uint8_t lead = bytes[0];
    if (lead < 0x80) return putCharacter(text, lead);
    // A continuation byte, a lead only overlong forms use, or one past U+10FFFF.
    if (lead < 0xC2 || lead > 0xF4) return text.put(L"invalid");
    const int length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    std::uint8_t low = 0x80, high = 0xBF;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF4) high = 0x8F;
    char32_t codePoint = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if (i == count) return text.put(L'-');
        if (bytes[i] < low || bytes[i] > high) return text.put(L"invalid");
        codePoint = codePoint << 6 | (bytes[i] & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    putCharacter(text, codePoint);
}

void putUtf16(InspectorText& text, const std::uint8_t* bytes, int count, bool bigEndian) {
    const auto first = static_cast<char32_t>(readUnsigned(bytes, 2, bigEndian));
    if (first < 0xD800 || first > 0xDFFF) return putCharacter(text, first);
    if (first < 0xDC00) {
        if (count < 4) return text.put(L'-');
        const auto second = static_cast<char32_t>(readUnsigned(bytes + 2, 2, bigEndian));
        if (second >= 0xDC00 && second <= 0xDFFF)
            return putCharacter(text, 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));
    }
    putCodePoint(text, first);
    text.put(L" (lone surrogate)");
}

struct CivilDate {
    std::int64_t year;
    int month;  // 1..12
    int day;    // 1..31
};

// Days from 1970-01-01 in the proleptic Gregorian calendar. Both conversions count in
// 400-year eras of 146097 days, each starting on a 1 March so that the leap day ends it.
constexpr std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

constexpr CivilDate civilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // 0 is March
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return {yearOfEra + era * 400 + (month <= 2), month,
            static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1)};
}

constexpr std::int64_t secondsPerDay = 86400;
constexpr std::int64_t firstShownDay = daysFromCivil(1601, 1, 1);  // also FILETIME's day 0
constexpr std::int64_t endShownDay = daysFromCivil(10000, 1, 1);
constexpr std::uint64_t fileTimeTicksPerSecond = 10'000'000;

bool isLeapYear(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(std::int64_t year, int month) {
    constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return days[month - 1] + (month == 2 && isLeapYear(year));
}

void putDateTime(InspectorText& text, const CivilDate& date, int hour, int minute, int second) {
    putDigits(text, static_cast<std::uint64_t>(date.year), 4);
    text.put(L'-');
    putDigits(text, static_cast<std::uint64_t>(date.month), 2);
    text.put(L'-');
    putDigits(text, static_cast<std::uint64_t>(date.day), 2);
    text.put(L' ');
    putDigits(text, static_cast<std::uint64_t>(hour), 2);
    text.put(L':');
    putDigits(text, static_cast<std::uint64_t>(minute), 2);
    text.put(L':');
    putDigits(text, static_cast<std::uint64_t>(second), 2);
}

// days counts from 1970-01-01; false, with "out of range" written, outside the years shown.
bool putDaySecond(InspectorText& text, std::int64_t days, std::int64_t secondOfDay) {
    if (days < firstShownDay || days >= endShownDay) {
        text.put(L"out of range");
        return false;
    }
    const int second = static_cast<int>(secondOfDay);
    putDateTime(text, civilFromDays(days), second / 3600, second / 60 % 60, second % 60);
    return true;
}

void putUnixTime(InspectorText& text, std::int64_t seconds) {
    std::int64_t days = seconds / secondsPerDay;
    std::int64_t secondOfDay = seconds % secondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += secondsPerDay;
        --days;
    }
    putDaySecond(text, days, secondOfDay);
}

void putFileTime(InspectorText& text, std::uint64_t ticks) {
    const std::uint64_t seconds = ticks / fileTimeTicksPerSecond;
    const std::uint64_t fraction = ticks % fileTimeTicksPerSecond;
    const auto days = static_cast<std::int64_t>(seconds / secondsPerDay) + firstShownDay;
    if (putDaySecond(text, days, static_cast<std::int64_t>(seconds % secondsPerDay)) && fraction != 0) {
        text.put(L'.');
        putDigits(text, fraction, 7);
    }
}

void putDosDateTime(InspectorText& text, std::uint32_t value) {
    const int second = static_cast<int>(value & 0x1F) * 2;
    const int minute = static_cast<int>(value >> 5 & 0x3F);
    const int hour = static_cast<int>(value >> 11 & 0x1F);
    const int day = static_cast<int>(value >> 16 & 0x1F);
    const int month = static_cast<int>(value >> 21 & 0xF);
    const int year = 1980 + static_cast<int>(value >> 25);
    if (second > 59 || minute > 59 || hour > 23 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month))
        return text.put(L"invalid");
    putDateTime(text, CivilDate{year, month, day}, hour, minute, second);
}

// The last two fields are a byte array in both layouts.
void putGuid(InspectorText& text, const std::uint8_t* bytes, bool bigEndian) {
    text.put(L'{');
    putDigits(text, readUnsigned(bytes, 4, bigEndian), 8, 16);
    text.put(L'-');
    putDigits(text, readUnsigned(bytes + 4, 2, bigEndian), 4, 16);
    text.put(L'-');
    putDigits(text, readUnsigned(bytes + 6, 2, bigEndian), 4, 16);
    text.put(L'-');
    putDigits(text, readUnsigned(bytes + 8, 2, true), 4, 16);
    text.put(L'-');
    putDigits(text, readUnsigned(bytes + 10, 6, true), 12, 16);
    text.put(L'}');
}

void putRow(InspectorText& text, int row, const std::uint8_t* bytes, int count, bool bigEndian) {
    const int size = rowBytes[row];
    if (count < size) return text.put(L'-');
    const std::uint64_t value = size <= 8 ? readUnsigned(bytes, size, bigEndian) : 0;
    switch (row) {
        case inspectInt8:
        case inspectInt16:
        case inspectInt32:
        case inspectInt64: return putDecimal(text, signExtend(value, size));
        case inspectUint8:
        case inspectUint16:
        case inspectUint32:
        case inspectUint64: return putDecimal(text, value);
        case inspectBinary: return putDigits(text, value, 8, 2);
        case inspectOctal: return putDigits(text, value, 3, 8);
        case inspectFloat32: return putFloat<float>(text, static_cast<std::uint32_t>(value));
        case inspectFloat64: return putFloat<double>(text, value);
        case inspectUtf8: return putUtf8(text, bytes, count);
        case inspectUtf16: return putUtf16(text, bytes, count, bigEndian);
        case inspectTime32: return putUnixTime(text, signExtend(value, size));
        case inspectTime64: return putUnixTime(text, static_cast<std::int64_t>(value));
        case inspectFileTime: return putFileTime(text, value);
        case inspectDosDateTime: return putDosDateTime(text, static_cast<std::uint32_t>(value));
        case inspectGuid: return putGuid(text, bytes, bigEndian);
    }
}

}  // namespace

const wchar_t* inspectorRowName(int row) { return row >= 0 && row < inspectorRowCount ? rowNames[row] : L""; }

void inspectBytes(const std::uint8_t* bytes, std::int64_t available, InspectorValues& out) {
    const int count = static_cast<int>(std::clamp<std::int64_t>(available, 0, inspectorBytesUsed));
    for (int row = 0; row < inspectorRowCount; ++row) {
        for (int column = 0; column < 2; ++column) {
            InspectorText text(out.text[row][column]);
            putRow(text, row, bytes, count, column == bigEndianColumn);
        }
    }
}

}  // namespace quillix
