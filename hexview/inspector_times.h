#pragma once
// The data inspector's time stamp rows, as "YYYY-MM-DD hh:mm:ss" in the proleptic
// Gregorian calendar, UTC, or "out of range" outside the years 1601..9999.

#include <cstdint>

#include "hexview/inspector_text.h"

namespace quillix {

// time_t: signed seconds since 1970-01-01 00:00:00.
void putUnixTime(InspectorText& text, std::int64_t seconds);
// FILETIME: 100 ns ticks since 1601-01-01 00:00:00, with seven fraction digits only when
// they are not all zero.
void putFileTime(InspectorText& text, std::uint64_t ticks);
// The FAT layout of a 32-bit value (time in the low half, date in the high half), or
// "invalid" when a field is outside its calendar range.
void putDosDateTime(InspectorText& text, std::uint32_t value);

}  // namespace quillix
