// Select Block: reading its two numbers and checking the block against the document.

#include "places/block.h"

namespace quillix {
namespace {

int digitValue(wchar_t c, bool hex) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (!hex) return -1;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

}  // namespace

bool readOffsetDigits(const wchar_t* text, bool hex, std::int64_t& value) {
    // Far above any document: larger values are refused before they could overflow.
    constexpr std::int64_t ceiling = std::int64_t{1} << 62;
    const int base = hex ? 16 : 10;
    std::int64_t result = 0;
    if (!text || !*text) return false;
    for (; *text; ++text) {
        const int digit = digitValue(*text, hex);
        if (digit < 0) return false;
        if (result >= ceiling / base) return false;
        result = result * base + digit;
    }
    value = result;
    return true;
}

bool readBlock(const wchar_t* start, const wchar_t* length, bool hex, std::int64_t fileSize,
               BlockRange& block) {
    BlockRange read;
    if (!readOffsetDigits(start, hex, read.start) || !readOffsetDigits(length, hex, read.length))
        return false;
    if (read.start >= fileSize || read.length < 1 || read.length > fileSize - read.start) return false;
    block = read;
    return true;
}

}  // namespace quillix
