// The data inspector's texts, row by row. Every value is assembled from integer arithmetic
// on the bytes, read one at a time in the column's order, so the result does not depend on
// the machine's own byte order; the characters and the time stamps have files of their own.

#include "hexview/data_inspector.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <limits>

#include "hexview/inspector_characters.h"
#include "hexview/inspector_text.h"
#include "hexview/inspector_times.h"

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

std::int64_t signExtend(std::uint64_t value, int size) {
    const int unused = 64 - 8 * size;
    return static_cast<std::int64_t>(value << unused) >> unused;
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
