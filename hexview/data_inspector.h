#pragma once
// The data inspector: the bytes at the caret read as each common type, one row per type,
// in both byte orders, as texts for a two-column list (little-endian, big-endian). No
// window code here; the tool window only copies the texts into its list view.
//
// What the rows show:
//   int8 .. uint64    decimal, a minus sign for negative values
//   binary, octal     the first byte, always 8 binary / 3 octal digits ("00001010", "012")
//   float32, float64  the shortest decimal text that reads back as the same value ("0.1",
//                     "1e+20", "-0"); "NaN", "+Infinity", "-Infinity"; a subnormal value
//                     is followed by " (subnormal)"
//   UTF-8             the character the bytes start and its code point ("é U+00E9"), or
//                     "invalid": a continuation byte first, a lead byte no valid sequence
//                     starts with, a wrong byte where a continuation belongs, an overlong
//                     form, a surrogate, a value past U+10FFFF. Byte order does not apply,
//                     so both columns show the same text.
//   UTF-16            the code unit, or the surrogate pair it starts, read in each byte
//                     order ("é U+00E9"); an unpaired surrogate "U+D800 (lone surrogate)"
//   time_t 32/64      signed seconds since 1970-01-01 00:00:00 UTC
//   FILETIME          unsigned count of 100 ns since 1601-01-01 00:00:00 UTC, with seven
//                     fraction digits after the seconds only when they are not all zero
//                     (all three as "YYYY-MM-DD hh:mm:ss[.fffffff]", proleptic Gregorian,
//                     or "out of range" outside 1601-01-01 00:00:00 .. 9999-12-31 23:59:59:
//                     FILETIME starts at 1601 and the text has room for four year digits)
//   MS-DOS date/time  the FAT layout of a 32-bit value read in the column's byte order:
//                     time in the low half (seconds/2, minutes, hours from bit 0), date in
//                     the high half (day, month, years since 1980 from bit 0), shown as a
//                     date and time, or "invalid" when a field is outside its calendar range
//   GUID              16 bytes as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}": the
//                     little-endian column reads the first three fields as Windows keeps
//                     them in memory, the big-endian column reads all of it in network order
//
// A character is shown as itself only when it draws something: controls, blanks,
// invisible format characters, surrogates, private-use characters and noncharacters show
// their code alone ("U+0009"). Whether a font has a glyph for an assigned character is
// the window's business.
//
// A row whose type needs more bytes than are available shows "-". For UTF-8 and UTF-16 the
// need is what the first bytes announce: a sequence cut short by the end of the data is
// "-", while one with a wrong byte before the end is invalid or a lone surrogate.

#include <cstdint>

namespace quillix {

enum InspectorRowId : int {
    inspectInt8,
    inspectUint8,
    inspectInt16,
    inspectUint16,
    inspectInt32,
    inspectUint32,
    inspectInt64,
    inspectUint64,
    inspectBinary,
    inspectOctal,
    inspectFloat32,
    inspectFloat64,
    inspectUtf8,
    inspectUtf16,
    inspectTime32,
    inspectTime64,
    inspectFileTime,
    inspectDosDateTime,
    inspectGuid,
};
inline constexpr int inspectorRowCount = inspectGuid + 1;

// The value columns.
inline constexpr int littleEndianColumn = 0;
inline constexpr int bigEndianColumn = 1;

// The most bytes any row reads: a caller need not make more than this many available.
inline constexpr std::int64_t inspectorBytesUsed = 16;
// Room for the longest value text and its terminator.
inline constexpr int inspectorTextCapacity = 48;

// Every value text of one update, NUL-terminated, indexed [row][column].
struct InspectorValues {
    wchar_t text[inspectorRowCount][2][inspectorTextCapacity];
};

// The type name shown in the first column of row (0 .. inspectorRowCount - 1).
const wchar_t* inspectorRowName(int row);

// Fills every text of out for the data starting at bytes, of which available bytes exist
// (0 or less when there is no data: every row then shows "-"). Reads nothing at or past
// bytes[available] and allocates nothing, so it can run on every caret move.
void inspectBytes(const std::uint8_t* bytes, std::int64_t available, InspectorValues& out);

}  // namespace quillix
