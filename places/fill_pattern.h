#pragma once
// Fill Selection's pattern: hex digit pairs with blanks between them anywhere, 1 to 256
// bytes, and the bytes of the pattern repeated over a range, the last repetition cut short.

#include <cstddef>
#include <cstdint>

namespace quillix {

inline constexpr std::size_t maxPatternBytes = 256;

struct FillPattern {
    std::uint8_t bytes[maxPatternBytes] = {};
    std::size_t count = 0;
};

enum class PatternOutcome { ready, empty, oddDigits, notHex, tooLong };

// Reads text (digits and blanks) into pattern; pattern is whole only when ready.
PatternOutcome readFillPattern(const wchar_t* text, FillPattern& pattern);

// Puts bytes at .. at + count - 1 of the pattern repeated from its first byte into out:
// out[i] = pattern[(at + i) % pattern.count]. Copies in doubling blocks, so a long run
// costs little more than a memcpy.
void repeatPattern(const FillPattern& pattern, std::int64_t at, std::int64_t count, std::uint8_t* out);

// repeatPattern in the shape of a paste's feed (document/history/history.h: ByteFeed),
// the context a FillPattern.
void feedFillPattern(void* context, std::int64_t at, std::int64_t count, std::uint8_t* out);

}  // namespace quillix
