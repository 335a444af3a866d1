#include "host/text_format.h"

namespace quillix {

std::size_t appendHex(wchar_t* buffer, std::size_t capacity, std::size_t length, std::uint64_t value,
                      int minDigits) {
    wchar_t digits[16];
    int count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(upperHexDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    while (count < minDigits && count < 16) digits[count++] = L'0';
    while (count > 0 && length + 1 < capacity) buffer[length++] = digits[--count];
    if (capacity > 0) buffer[length] = L'\0';
    return length;
}

std::size_t appendDecimal(wchar_t* buffer, std::size_t capacity, std::size_t length, std::int64_t value) {
    wchar_t digits[24];
    int count = 0;
    std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) digits[count++] = L'-';
    while (count > 0 && length + 1 < capacity) buffer[length++] = digits[--count];
    if (capacity > 0) buffer[length] = L'\0';
    return length;
}

std::size_t appendText(wchar_t* buffer, std::size_t capacity, std::size_t length, const wchar_t* text) {
    while (*text && length + 1 < capacity) buffer[length++] = *text++;
    if (capacity > 0) buffer[length] = L'\0';
    return length;
}

std::size_t textLength(const wchar_t* text) {
    std::size_t length = 0;
    while (text[length]) ++length;
    return length;
}

bool copyTextIfFits(wchar_t* buffer, std::size_t capacity, const wchar_t* text) {
    std::size_t length = textLength(text);
    if (length + 1 > capacity) return false;
    for (std::size_t i = 0; i <= length; ++i) buffer[i] = text[i];
    return true;
}

const wchar_t* nameOfPath(const wchar_t* path) {
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'\\' || *p == L'/') name = p + 1;
    return name;
}

const wchar_t* nameOrUntitled(const wchar_t* name) { return (name && name[0]) ? name : L"(untitled)"; }

void formatWithName(wchar_t* buffer, std::size_t capacity, const wchar_t* before, const wchar_t* name,
                    const wchar_t* after) {
    std::size_t length = appendText(buffer, capacity, 0, before);
    length = appendText(buffer, capacity, length, name);
    appendText(buffer, capacity, length, after);
}

}  // namespace quillix
