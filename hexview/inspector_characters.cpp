#include "hexview/inspector_characters.h"

#include <cwchar>

namespace quillix {
namespace {

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

}  // namespace

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

}  // namespace quillix
