#pragma once
// The data inspector's character rows: UTF-8 and UTF-16 at the bytes.

#include <cstdint>

#include "hexview/inspector_text.h"

namespace quillix {

// The character the bytes start as UTF-8 and its code point ("é U+00E9"), "invalid" for a
// sequence no character has, "-" for one cut short by the end of the count bytes.
void putUtf8(InspectorText& text, const std::uint8_t* bytes, int count);
// The UTF-16 code unit, or the surrogate pair it starts, in the column's byte order;
// "U+D800 (lone surrogate)" for an unpaired one, "-" for a pair cut short.
void putUtf16(InspectorText& text, const std::uint8_t* bytes, int count, bool bigEndian);

}  // namespace quillix
