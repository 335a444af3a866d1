#pragma once
// Case mapping of single UTF-16 code units, as the system's CharUpperW and CharLowerW do
// it, for text searches without Match case. A file byte is read as the character with the
// same code (ISO 8859-1), so only mappings that land on 0..255 can ever decide a match;
// every other unit keeps its own value, which never equals a byte.

namespace quillix {

// The upper-case form of one code unit (a wchar_t element holding a UTF-16 code unit).
// Values outside 0..0xFFFF are not code units and come back unchanged.
wchar_t upperCaseUnit(wchar_t unit);
// The lower-case form of one code unit; unchanged outside 0..0xFFFF.
wchar_t lowerCaseUnit(wchar_t unit);

}  // namespace quillix
