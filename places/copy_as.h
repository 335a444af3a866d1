#pragma once
// Copy As: bytes as text to paste into source code or a message. Three forms:
//   hex string  "4D5A9000"
//   C array     "unsigned char data[4] = {\r\n    0x4D, 0x5A, 0x90, 0x00\r\n};" (16 values a line)
//   Base64      RFC 4648 with its padding, on one line
// The texts are ASCII, one byte a character: the clipboard takes them as 8-bit text, which
// the system gives every program asking for Unicode text in that form, and they take half
// the memory and half the time of UTF-16. A long copy is formatted a piece at a time: every piece but the
// last starts and ends on a multiple of copyAsPieceAlign bytes, so each lands at a place of the text known
// from its offset alone.

#include <cstddef>
#include <cstdint>

namespace quillix {

enum class CopyAsFormat { hexString, cArray, base64 };

// Pieces start at multiples of this many bytes: whole Base64 groups and whole C array lines.
inline constexpr std::uint64_t copyAsPieceAlign = 48;

// Units of the whole text of count bytes, its terminator included.
std::uint64_t copyAsUnits(CopyAsFormat format, std::uint64_t count);

// Units before the text of byte at (a multiple of copyAsPieceAlign) in a text of total bytes.
std::uint64_t copyAsUnitsBefore(CopyAsFormat format, std::uint64_t at, std::uint64_t total);

// Writes the text of bytes at .. at + count - 1 of a copy of total bytes into text, at
// its place (copyAsUnitsBefore): the C array's head with the first piece, its tail and
// the terminator with the last (at + count == total). at is a multiple of
// copyAsPieceAlign, and so is count unless the piece is the last. text holds the whole
// text from its unit textStart on (0 for the first piece), so a piece can be written into
// a small buffer of its own.
void formatCopyAsPiece(CopyAsFormat format, const std::uint8_t* bytes, std::uint64_t at, std::uint64_t count,
                       std::uint64_t total, char* text, std::uint64_t textStart = 0);

}  // namespace quillix
