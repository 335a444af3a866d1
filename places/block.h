#pragma once
// Select Block: a start offset and a length, typed as hex or decimal digits, turned into
// the bytes they name, or refused when any of them lies outside the document.

#include <cstdint>

namespace quillix {

struct BlockRange {
    std::int64_t start = 0;
    std::int64_t length = 0;
};

// Reads start and length (digits only, hexadecimal when hex, else decimal) and checks
// the block against a document of fileSize bytes. Returns true with block set when
// start < fileSize, length >= 1 and start + length <= fileSize; false, block untouched,
// when either text is empty, holds anything but a digit, is too large to convert, or the
// block does not lie wholly in the document.
bool readBlock(const wchar_t* start, const wchar_t* length, bool hex, std::int64_t fileSize,
               BlockRange& block);

// Reads an offset typed as digits (hexadecimal when hex): false for an empty text, a
// character that is not a digit, or a value of 2^62 or more.
bool readOffsetDigits(const wchar_t* text, bool hex, std::int64_t& value);

}  // namespace quillix
