#pragma once
// The data inspector's text writer and the pieces every row's text is made of.

#include <charconv>
#include <cstdint>

#include "hexview/data_inspector.h"
#include "host/text_format.h"

namespace quillix {

// Writes into one fixed text buffer, cutting what does not fit; the last place is kept for
// the terminator, written when the writer goes.
class InspectorText {
public:
    explicit InspectorText(wchar_t (&buffer)[inspectorTextCapacity])
        : at_(buffer), end_(buffer + inspectorTextCapacity - 1) {}
    ~InspectorText() { *at_ = L'\0'; }

    void put(wchar_t c) {
        if (at_ < end_) *at_++ = c;
    }
    void put(const wchar_t* text) {
        while (*text) put(*text++);
    }
    void putAscii(const char* first, const char* last) {
        while (first != last) put(static_cast<wchar_t>(*first++));
    }

private:
    wchar_t* at_;
    wchar_t* end_;
};

// The value of size bytes read in the column's byte order, one byte at a time, so the
// result does not depend on the machine's own order.
inline std::uint64_t readUnsigned(const std::uint8_t* bytes, int size, bool bigEndian) {
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i) value |= std::uint64_t{bytes[i]} << 8 * (bigEndian ? size - 1 - i : i);
    return value;
}

template <typename Integer>
void putDecimal(InspectorText& text, Integer value) {
    char digits[24];
    text.putAscii(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// Exactly width (at most 16) digits of a value known to fit them.
inline void putDigits(InspectorText& text, std::uint64_t value, int width, unsigned base = 10) {
    wchar_t digits[16];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<wchar_t>(upperHexDigits[value % base]);
        value /= base;
    }
    for (int i = 0; i < width; ++i) text.put(digits[i]);
}

}  // namespace quillix
