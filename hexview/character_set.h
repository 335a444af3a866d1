#pragma once
// The character sets of the character column: which character a byte shows, and which byte
// a typed or pasted character is stored as. The tables are built into the program, so the
// view looks the same whichever code pages the system has installed.

#include <cstdint>

#include "settings/settings.h"

namespace quillix {

using CharacterSet = CharacterSetChoice;

// The character byte shows in set, or 0 when the set has no printable character for it
// (a control code, a code the set leaves undefined): the view shows '.' for it. ASCII shows
// 32..126 only.
wchar_t characterOf(CharacterSet set, std::uint8_t byte);
// The character byte stands for in set, control characters included: what Copy in the
// character area writes. ASCII gives every byte its own value (U+0000..U+00FF); a code
// Windows-1252 leaves undefined gives the control character of its value, as Windows does.
wchar_t codeOf(CharacterSet set, std::uint8_t byte);
// The byte set stores c as (codeOf's way back), or -1 when the set cannot store it. ASCII
// stores every character up to U+00FF as its own value, as typing always did.
int byteOf(CharacterSet set, wchar_t c);
// characterOf, or '.' where that is 0.
inline wchar_t shownCharacter(CharacterSet set, std::uint8_t byte) {
    const wchar_t c = characterOf(set, byte);
    return c != 0 ? c : L'.';
}

}  // namespace quillix
