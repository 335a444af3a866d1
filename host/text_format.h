#pragma once
// Small formatting helpers for the fixed texts of the program. They write into fixed
// wide buffers, always terminate, and never write past the given capacity; hot paths
// (painting, dumping) use the digit tables directly instead of printf.

#include <cstddef>
#include <cstdint>

namespace quillix {

inline constexpr char upperHexDigits[] = "0123456789ABCDEF";

// How a byte is shown as a character, on screen and in the text dump: 32..126 as itself,
// anything else as a full stop (bytes 0x80..0xFF widen through a Western code page to
// codes above 126, so they are full stops too).
constexpr char shownCharacter(std::uint8_t byte) {
    return byte >= 32 && byte <= 126 ? static_cast<char>(byte) : '.';
}

// Appends value in upper-case hexadecimal, zero-padded to at least minDigits digits.
// Returns the new length (capped at capacity - 1).
std::size_t appendHex(wchar_t* buffer, std::size_t capacity, std::size_t length, std::uint64_t value,
                      int minDigits);
// Appends value in decimal, with a minus sign when negative.
std::size_t appendDecimal(wchar_t* buffer, std::size_t capacity, std::size_t length, std::int64_t value);
// Appends a NUL-terminated text, cut at the capacity.
std::size_t appendText(wchar_t* buffer, std::size_t capacity, std::size_t length, const wchar_t* text);

// Length of a NUL-terminated wide text.
std::size_t textLength(const wchar_t* text);
// Copies text into buffer when it fits whole (with its terminator); returns false and
// leaves buffer untouched otherwise.
bool copyTextIfFits(wchar_t* buffer, std::size_t capacity, const wchar_t* text);

// The name part of a path, after its last separator of either kind.
const wchar_t* nameOfPath(const wchar_t* path);

// "%s" with a name, or "(untitled)" when the name is empty, as every message does.
const wchar_t* nameOrUntitled(const wchar_t* name);

// Formats a message with one "%s": the parts before and after it and the inserted text.
// The result is cut to the capacity, never overflowing it.
void formatWithName(wchar_t* buffer, std::size_t capacity, const wchar_t* before, const wchar_t* name,
                    const wchar_t* after);

}  // namespace quillix
