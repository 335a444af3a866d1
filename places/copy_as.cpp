// Copy As: the hex string, C array and Base64 texts, a piece at a time, in 8-bit units.

#include "places/copy_as.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "host/text_format.h"
#include "host/vector_unit.h"

#if defined(__x86_64__)
#include <tmmintrin.h>
#endif

namespace quillix {
namespace {

constexpr char base64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint64_t valuesPerLine = 16;
// "0xHH" and the blank or line break after it: ", " inside a line, ",\r\n    " at its end.
constexpr std::uint64_t valueUnits = 4;
constexpr std::uint64_t lineUnits = valuesPerLine * valueUnits + (valuesPerLine - 1) * 2 + 7;
constexpr char lineBreak[] = ",\r\n    ";
constexpr char arrayTail[] = "\r\n};";

// The two digits of each byte value as one 16-bit store.
struct PairTable {
    std::array<char, 512> units{};
    constexpr PairTable() {
        for (int value = 0; value < 256; ++value) {
            units[2 * value] = upperHexDigits[value >> 4];
            units[2 * value + 1] = upperHexDigits[value & 15];
        }
    }
};
constexpr PairTable pairs;

// "0xHH, " of each byte value: a C array's value inside a line, as one 6-byte store.
struct ArrayValueTable {
    std::array<char, 256 * 6> units{};
    constexpr ArrayValueTable() {
        for (int value = 0; value < 256; ++value) {
            const char text[6] = {'0', 'x', upperHexDigits[value >> 4], upperHexDigits[value & 15], ',', ' '};
            for (int i = 0; i < 6; ++i) units[6 * value + i] = text[i];
        }
    }
};
constexpr ArrayValueTable arrayValues;

// The two Base64 digits of each 12-bit value.
struct Base64Table {
    std::array<char, 8192> units{};
    constexpr Base64Table() {
        for (int value = 0; value < 4096; ++value) {
            units[2 * value] = base64Digits[value >> 6];
            units[2 * value + 1] = base64Digits[value & 63];
        }
    }
};
constexpr Base64Table base64Pairs;

// "unsigned char data[N] = {\r\n    " into text (when given); returns its units.
std::uint64_t arrayHead(std::uint64_t total, char* text) {
    char head[64];
    char digits[24];
    int length = 0;
    do {
        digits[length++] = static_cast<char>('0' + total % 10);
        total /= 10;
    } while (total != 0);
    std::size_t units = 0;
    for (const char* part = "unsigned char data["; *part; ++part) head[units++] = *part;
    while (length > 0) head[units++] = digits[--length];
    for (const char* part = "] = {\r\n    "; *part; ++part) head[units++] = *part;
    if (text) std::memcpy(text, head, units);
    return units;
}

void formatHexString(const std::uint8_t* bytes, std::uint64_t count, char* out) {
    for (std::uint64_t i = 0; i < count; ++i, out += 2) std::memcpy(out, &pairs.units[2 * bytes[i]], 2);
}

// One whole line of a C array that is not its last: sixteen values with their ", " and
// the line break after the sixteenth, 101 units.
void formatArrayLinePlain(const std::uint8_t* bytes, char* out) {
    for (std::uint64_t k = 0; k < valuesPerLine - 1; ++k, out += 6)
        std::memcpy(out, &arrayValues.units[6 * bytes[k]], 6);
    std::memcpy(out, &arrayValues.units[6 * bytes[valuesPerLine - 1]], valueUnits);
    std::memcpy(out + valueUnits, lineBreak, 7);
}

#if defined(__x86_64__)

// Sixteen lines are 1616 bytes of text, 101 vectors: a group of them that starts on a
// 16-byte boundary is made a whole vector at a time, each from the digits of at most two
// neighbouring halves of lines laid over its constant characters, and streamed past the
// cache (a C array's text is far more than a cache holds, and an ordinary store would
// first read every line it fills).
constexpr std::uint64_t groupLines = 16;
constexpr std::uint64_t groupVectors = groupLines * lineUnits / 16;
static_assert(groupLines * lineUnits % 16 == 0);

struct GroupTables {
    // For vector j: the two halves of lines its digits come from (index 2 * line + half,
    // half 0 holding values 0..7), which digit of each goes to each of its bytes (0x80:
    // none), and its constant characters.
    std::array<std::uint8_t, groupVectors> first{}, second{};
    std::array<std::array<std::uint8_t, 16>, groupVectors> firstDigits{}, secondDigits{}, constants{};
    constexpr GroupTables() {
        constexpr char fixed[6] = {'0', 'x', 0, 0, ',', ' '};
        for (std::uint64_t j = 0; j < groupVectors; ++j) {
            bool firstTaken = false;
            for (std::uint64_t b = 0; b < 16; ++b) {
                const std::uint64_t p = 16 * j + b, line = p / lineUnits, q = p % lineUnits;
                firstDigits[j][b] = secondDigits[j][b] = 0x80;
                if (q >= lineUnits - 7) {
                    constants[j][b] = static_cast<std::uint8_t>(lineBreak[q - (lineUnits - 7)]);
                    continue;
                }
                const std::uint64_t value = q / 6, place = q % 6;
                if (place != 2 && place != 3) {
                    constants[j][b] = static_cast<std::uint8_t>(fixed[place]);
                    continue;
                }
                const auto half = static_cast<std::uint8_t>(2 * line + value / 8);
                const auto digit = static_cast<std::uint8_t>(2 * (value % 8) + place - 2);
                if (!firstTaken || first[j] == half) {
                    first[j] = half;
                    firstTaken = true;
                    firstDigits[j][b] = digit;
                } else {
                    if (second[j] != 0 && second[j] != half) throw "a vector of three halves";
                    second[j] = half;
                    secondDigits[j][b] = digit;
                }
            }
            if (!firstTaken) first[j] = 0;
            if (second[j] == 0) second[j] = first[j];
        }
    }
};
constexpr GroupTables groupTables;

// groups * 16 whole lines of bytes into out, which is on a 16-byte boundary.
__attribute__((target("ssse3"))) void formatArrayGroups(const std::uint8_t* bytes, std::uint64_t groups,
                                                        char* out) {
    const __m128i table = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upperHexDigits));
    const __m128i nibble = _mm_set1_epi8(15);
    const auto load = [](const std::array<std::uint8_t, 16>& row) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.data()));
    };
    for (; groups > 0; --groups, bytes += groupLines * valuesPerLine, out += groupLines * lineUnits) {
        __m128i halves[2 * groupLines];
        for (std::uint64_t line = 0; line < groupLines; ++line) {
            const __m128i value =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + line * valuesPerLine));
            const __m128i high = _mm_shuffle_epi8(table, _mm_and_si128(_mm_srli_epi16(value, 4), nibble));
            const __m128i low = _mm_shuffle_epi8(table, _mm_and_si128(value, nibble));
            halves[2 * line] = _mm_unpacklo_epi8(high, low);
            halves[2 * line + 1] = _mm_unpackhi_epi8(high, low);
        }
        auto* to = reinterpret_cast<__m128i*>(out);
        for (std::uint64_t j = 0; j < groupVectors; ++j) {
            const __m128i text = _mm_or_si128(
                _mm_or_si128(
                    load(groupTables.constants[j]),
                    _mm_shuffle_epi8(halves[groupTables.first[j]], load(groupTables.firstDigits[j]))),
                _mm_shuffle_epi8(halves[groupTables.second[j]], load(groupTables.secondDigits[j])));
            _mm_stream_si128(to + j, text);
        }
    }
    _mm_sfence();
}

// Whole lines (none of them the array's last) of bytes, lines * 16 of them, into out: up
// to a line whose text starts on a 16-byte boundary one at a time, then in groups, and the
// few left after the last group one at a time.
__attribute__((target("ssse3"))) void formatArrayLines(const std::uint8_t* bytes, std::uint64_t lines,
                                                       char* out) {
    while (lines > 0 && (reinterpret_cast<std::uintptr_t>(out) % 16 != 0 || lines < groupLines)) {
        formatArrayLinePlain(bytes, out);
        bytes += valuesPerLine, out += lineUnits, --lines;
    }
    const std::uint64_t groups = lines / groupLines;
    formatArrayGroups(bytes, groups, out);
    bytes += groups * groupLines * valuesPerLine, out += groups * groupLines * lineUnits;
    for (lines -= groups * groupLines; lines > 0; --lines, bytes += valuesPerLine, out += lineUnits)
        formatArrayLinePlain(bytes, out);
}

#endif

// Values at .. at + count - 1 of total, each followed by what comes after it.
void formatArrayValues(const std::uint8_t* bytes, std::uint64_t at, std::uint64_t count, std::uint64_t total,
                       char* out) {
#if defined(__x86_64__)
    // The whole lines before the array's last one, in bulk (pieces start on a line).
    if (at % valuesPerLine == 0 && processorHasSsse3()) {
        const std::uint64_t lastLineStart = (total - 1) / valuesPerLine * valuesPerLine;
        const std::uint64_t lines =
            at < lastLineStart ? std::min(count, lastLineStart - at) / valuesPerLine : 0;
        if (lines > 0) {
            formatArrayLines(bytes, lines, out);
            const std::uint64_t done = lines * valuesPerLine;
            formatArrayValues(bytes + done, at + done, count - done, total, out + lines * lineUnits);
            return;
        }
    }
#endif
    for (std::uint64_t i = 0; i < count; ++i) {
        // A whole line that is not the last: fifteen values with their ", ", the sixteenth
        // with its line break.
        if ((at + i) % valuesPerLine == 0 && i + valuesPerLine <= count && at + i + valuesPerLine < total) {
            formatArrayLinePlain(bytes + i, out);
            out += lineUnits;
            i += valuesPerLine - 1;
            continue;
        }
        const char value[4] = {'0', 'x', pairs.units[2 * bytes[i]], pairs.units[2 * bytes[i] + 1]};
        std::memcpy(out, value, sizeof value);
        out += valueUnits;
        const std::uint64_t index = at + i;
        if (index + 1 == total) break;
        if (index % valuesPerLine == valuesPerLine - 1) {
            std::memcpy(out, lineBreak, 7);
            out += 7;
        } else {
            out[0] = ',';
            out[1] = ' ';
            out += 2;
        }
    }
}

void formatBase64(const std::uint8_t* bytes, std::uint64_t count, char* out) {
    std::uint64_t i = 0;
    for (; i + 3 <= count; i += 3, out += 4) {
        const std::uint32_t group =
            (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        std::memcpy(out, &base64Pairs.units[2 * (group >> 12)], 2);
        std::memcpy(out + 2, &base64Pairs.units[2 * (group & 4095)], 2);
    }
    if (i == count) return;
    const std::uint32_t group =
        (std::uint32_t{bytes[i]} << 16) | (i + 1 < count ? std::uint32_t{bytes[i + 1]} << 8 : 0);
    out[0] = base64Digits[group >> 18];
    out[1] = base64Digits[(group >> 12) & 63];
    out[2] = i + 1 < count ? base64Digits[(group >> 6) & 63] : '=';
    out[3] = '=';
}

}  // namespace

std::uint64_t copyAsUnits(CopyAsFormat format, std::uint64_t count) {
    switch (format) {
        case CopyAsFormat::hexString: return 2 * count + 1;
        case CopyAsFormat::base64: return (count + 2) / 3 * 4 + 1;
        case CopyAsFormat::cArray:
            if (count == 0)
                return arrayHead(0, nullptr) + 4 + 1;  // "unsigned char data[0] = {\r\n    \r\n};"
            return arrayHead(count, nullptr) + valueUnits * count + 2 * (count - 1) +
                   5 * ((count - 1) / valuesPerLine) + 4 + 1;
    }
    return 1;
}

std::uint64_t copyAsUnitsBefore(CopyAsFormat format, std::uint64_t at, std::uint64_t total) {
    switch (format) {
        case CopyAsFormat::hexString: return 2 * at;
        case CopyAsFormat::base64: return at / 3 * 4;
        case CopyAsFormat::cArray: return arrayHead(total, nullptr) + at / valuesPerLine * lineUnits;
    }
    return 0;
}

void formatCopyAsPiece(CopyAsFormat format, const std::uint8_t* bytes, std::uint64_t at, std::uint64_t count,
                       std::uint64_t total, char* text, std::uint64_t textStart) {
    char* out = text + (copyAsUnitsBefore(format, at, total) - textStart);
    switch (format) {
        case CopyAsFormat::hexString: formatHexString(bytes, count, out); break;
        case CopyAsFormat::base64: formatBase64(bytes, count, out); break;
        case CopyAsFormat::cArray:
            if (at == 0) arrayHead(total, text);
            formatArrayValues(bytes, at, count, total, out);
            break;
    }
    if (at + count != total) return;
    char* end = text + (copyAsUnits(format, total) - 1 - textStart);
    if (format == CopyAsFormat::cArray) {
        std::memcpy(end - 4, arrayTail, 4);
        if (total == 0) arrayHead(0, text);
    }
    *end = 0;
}

}  // namespace quillix
