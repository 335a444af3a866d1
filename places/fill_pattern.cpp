// Fill Selection's pattern: reading it and repeating it.

#include "places/fill_pattern.h"

#include <algorithm>
#include <cstring>

namespace quillix {

PatternOutcome readFillPattern(const wchar_t* text, FillPattern& pattern) {
    std::size_t digits = 0;
    int high = 0;
    pattern.count = 0;
    for (; text && *text; ++text) {
        const wchar_t c = *text;
        if (c == L' ' || c == L'\t') continue;
        int value = -1;
        if (c >= L'0' && c <= L'9') value = c - L'0';
        if (c >= L'A' && c <= L'F') value = c - L'A' + 10;
        if (c >= L'a' && c <= L'f') value = c - L'a' + 10;
        if (value < 0) return PatternOutcome::notHex;
        if (digits++ % 2 == 0) {
            high = value;
            continue;
        }
        if (pattern.count == maxPatternBytes) return PatternOutcome::tooLong;
        pattern.bytes[pattern.count++] = static_cast<std::uint8_t>(high << 4 | value);
    }
    if (digits % 2 != 0) return PatternOutcome::oddDigits;
    return digits == 0 ? PatternOutcome::empty : PatternOutcome::ready;
}

void repeatPattern(const FillPattern& pattern, std::int64_t at, std::int64_t count, std::uint8_t* out) {
    if (count <= 0 || pattern.count == 0) return;
    const auto length = static_cast<std::int64_t>(pattern.count);
    const std::int64_t phase = at % length;
    if (length == 1) {
        std::memset(out, pattern.bytes[0], static_cast<std::size_t>(count));
        return;
    }
    // One period from the right phase, then the filled part copied onto what follows it.
    std::int64_t filled = std::min(count, length);
    for (std::int64_t i = 0; i < filled; ++i) out[i] = pattern.bytes[(phase + i) % length];
    // The block copied stops growing at a size that stays in the first-level cache.
    std::int64_t block = filled;
    while (filled < count) {
        const std::int64_t step = std::min(block, count - filled);
        std::memcpy(out + filled, out, static_cast<std::size_t>(step));
        filled += step;
        if (block < (16 << 10)) block = filled;
    }
}

void feedFillPattern(void* context, std::int64_t at, std::int64_t count, std::uint8_t* out) {
    repeatPattern(*static_cast<const FillPattern*>(context), at, count, out);
}

}  // namespace quillix
