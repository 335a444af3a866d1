#pragma once
// The clipboard's forms of a run of bytes, built and read without the window system.
//
// - Hex text: upper-case hex pairs separated by single blanks, "4D 5A 90 00".
// - Character text: each byte as the character it stands for in the view's character set
//   (in ASCII the UTF-16 code unit of the same value, U+0000..U+00FF), so that pasting it
//   into the character area gives the same bytes back.
// - The program's own binary form: the byte count (8 bytes, little-endian), then the bytes
//   exactly, NUL bytes included.
// Texts are UTF-16, as the clipboard's Unicode text is on every platform.

#include <cstddef>
#include <cstdint>

#include "hexview/character_set.h"

namespace quillix {

using TextUnit = char16_t;

// UTF-16 units of the hex text of count bytes, its terminator included: three per byte
// (the last byte's blank is the terminator's place), 1 for no bytes.
constexpr std::size_t hexTextUnits(std::size_t count) { return count == 0 ? 1 : 3 * count; }
// Units of the character text of count bytes, its terminator included.
constexpr std::size_t charTextUnits(std::size_t count) { return count + 1; }

// Writes the hex text of bytes[0 .. count - 1] as pieces of a longer text: byte i of the
// piece goes to out[3 * i] and out[3 * i + 1], a blank to out[3 * i + 2]. Formatting a
// text piece by piece, each at three times its first byte's index, and then putting the
// terminator over the last blank (endHexText) gives the whole text.
void formatHexPiece(const std::uint8_t* bytes, std::size_t count, TextUnit* out);
// Puts the terminator of the hex text of count bytes over its last blank.
inline void endHexText(TextUnit* text, std::size_t count) { text[hexTextUnits(count) - 1] = 0; }
// The same piece the plain way, and through the processor's byte shuffle (SSSE3) with
// stores that go past the caches, which formatHexPiece uses when the processor has it.
// Tests call both.
void formatHexPiecePlain(const std::uint8_t* bytes, std::size_t count, TextUnit* out);
void formatHexPieceShuffled(const std::uint8_t* bytes, std::size_t count, TextUnit* out);
bool hexShuffleAvailable();

// Copies bytes[0 .. count - 1] to out as the binary form's bytes, with stores that go
// past the caches where the processor has them: a copy's bytes are not read again.
void copyBytesPiece(const std::uint8_t* bytes, std::size_t count, std::uint8_t* out);

// Writes the character text of bytes[0 .. count - 1] to out[0 .. count - 1].
void formatCharPiece(const std::uint8_t* bytes, std::size_t count, TextUnit* out,
                     CharacterSet set = CharacterSet::ascii);

// Units of a text before its terminator, looking at no more than capacity units.
std::size_t textUnits(const TextUnit* text, std::size_t capacity);

// Hex text, read a piece at a time (countHexPiece over its pieces in order, then
// hexTextBytes): hex digit pairs, written together or apart, between any white space
// (blank, tab, line breaks), and nothing else.
struct HexTextCount {
    std::size_t digits = 0;  // in the runs white space ended
    std::size_t run = 0;     // digits since the last white space
    bool valid = true;       // false once anything else was read
};
void countHexPiece(HexTextCount& count, const TextUnit* text, std::size_t units);
// After the last piece: false when the text is not hex text (another character, or a run
// of digits of odd length); otherwise bytes is the number of bytes it stands for.
bool hexTextBytes(const HexTextCount& count, std::size_t& bytes);
// Decodes the next count bytes of a text hexTextBytes accepted into out, looking for the
// first pair from text[from] on. Returns where to look for the pair after them.
std::size_t decodeHexText(const TextUnit* text, std::size_t from, std::uint8_t* out, std::size_t count);
// Index of the first unit of text[0 .. units - 1] that set cannot store (in ASCII one above
// U+00FF), a character no byte stands for; units when there is none.
std::size_t firstWideUnit(const TextUnit* text, std::size_t units, CharacterSet set = CharacterSet::ascii);
// Each unit as the byte set stores it, as typing a character does; firstWideUnit has
// found none that it cannot store.
void decodeCharText(const TextUnit* text, std::size_t units, std::uint8_t* out,
                    CharacterSet set = CharacterSet::ascii);

// The program's binary form.
inline constexpr std::size_t bytesHeaderSize = 8;
void writeBytesHeader(std::uint8_t* block, std::uint64_t count);
// The bytes a block of that form holds; false when the block is too short to be one.
bool readBytesBlock(const void* block, std::size_t blockBytes, const std::uint8_t*& bytes,
                    std::size_t& count);

}  // namespace quillix
