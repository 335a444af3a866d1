#include "hexview/clipboard_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "host/text_format.h"
#include "host/vector_unit.h"

#if defined(__x86_64__)
#include <tmmintrin.h>
#endif

namespace quillix {
namespace {

// Value 0..15 of a hex digit; -1 for anything else.
constexpr int digitValue(TextUnit unit) {
    if (unit >= u'0' && unit <= u'9') return unit - u'0';
    if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
    if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
    return -1;
}

constexpr bool isWhiteSpace(TextUnit unit) {
    return unit == u' ' || unit == u'\t' || unit == u'\r' || unit == u'\n' || unit == u'\v' || unit == u'\f';
}

}  // namespace

void formatHexPiecePlain(const std::uint8_t* bytes, std::size_t count, TextUnit* out) {
    for (std::size_t i = 0; i < count; ++i, out += 3) {
        out[0] = static_cast<TextUnit>(upperHexDigits[bytes[i] >> 4]);
        out[1] = static_cast<TextUnit>(upperHexDigits[bytes[i] & 15]);
        out[2] = u' ';
    }
}

#if defined(__x86_64__)

// Sixteen bytes become 48 units in six stores: their digits, interleaved high and low,
// are spread by the byte shuffle into 16-bit lanes with a zero high byte, and the blanks
// are laid over the lanes left empty. The stores go straight to memory (streaming
// stores): a copy's text is six times its bytes, far more than any cache holds, and an
// ordinary store would first read every line it fills. They need 16-byte aligned
// addresses, so the first few bytes (at most seven) are formatted the plain way until
// the text reaches one.
__attribute__((target("ssse3"))) void formatHexPieceShuffled(const std::uint8_t* bytes, std::size_t count,
                                                             TextUnit* out) {
    // Each byte moves the text on by 6 bytes, so one of the first eight reaches any even
    // address's next 16-byte boundary; a text at an odd address never does.
    std::size_t head = 0;
    while (head < count && head < 8 && reinterpret_cast<std::uintptr_t>(out + 3 * head) % 16 != 0) ++head;
    if (head == count || head == 8) {
        formatHexPiecePlain(bytes, count, out);
        return;
    }
    formatHexPiecePlain(bytes, head, out);
    bytes += head;
    count -= head;
    out += 3 * head;

    const __m128i nibble = _mm_set1_epi8(0x0F);
    const __m128i nine = _mm_set1_epi8(9);
    const __m128i zeroDigit = _mm_set1_epi8('0');
    const __m128i letterGap = _mm_set1_epi8('A' - '0' - 10);
    constexpr char none = -128;  // a shuffle index that yields 0
    // Digits d0 d1 ... (high and low of each byte in turn) to the lanes of three triples
    // and a part: d0 d1 _ d2 d3 _ d4 d5 | _ d6 d7 _ d8 d9 _ d10 | d11 _ d12 d13 _ d14 d15 _
    const __m128i spread0 =
        _mm_setr_epi8(0, none, 1, none, none, none, 2, none, 3, none, none, none, 4, none, 5, none);
    const __m128i spread1 =
        _mm_setr_epi8(none, none, 6, none, 7, none, none, none, 8, none, 9, none, none, none, 10, none);
    const __m128i spread2 =
        _mm_setr_epi8(11, none, none, none, 12, none, 13, none, none, none, 14, none, 15, none, none, none);
    const __m128i blanks0 = _mm_setr_epi16(0, 0, ' ', 0, 0, ' ', 0, 0);
    const __m128i blanks1 = _mm_setr_epi16(' ', 0, 0, ' ', 0, 0, ' ', 0);
    const __m128i blanks2 = _mm_setr_epi16(0, ' ', 0, 0, ' ', 0, 0, ' ');
    const auto digits = [&](__m128i values) {
        const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(values, nine), letterGap);
        return _mm_add_epi8(_mm_add_epi8(values, zeroDigit), letters);
    };
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16, out += 48) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i high = digits(_mm_and_si128(_mm_srli_epi16(v, 4), nibble));
        const __m128i low = digits(_mm_and_si128(v, nibble));
        const __m128i front = _mm_unpacklo_epi8(high, low);
        const __m128i back = _mm_unpackhi_epi8(high, low);
        auto* at = reinterpret_cast<__m128i*>(out);
        _mm_stream_si128(at + 0, _mm_or_si128(_mm_shuffle_epi8(front, spread0), blanks0));
        _mm_stream_si128(at + 1, _mm_or_si128(_mm_shuffle_epi8(front, spread1), blanks1));
        _mm_stream_si128(at + 2, _mm_or_si128(_mm_shuffle_epi8(front, spread2), blanks2));
        _mm_stream_si128(at + 3, _mm_or_si128(_mm_shuffle_epi8(back, spread0), blanks0));
        _mm_stream_si128(at + 4, _mm_or_si128(_mm_shuffle_epi8(back, spread1), blanks1));
        _mm_stream_si128(at + 5, _mm_or_si128(_mm_shuffle_epi8(back, spread2), blanks2));
    }
    // The streaming stores are ordered before any store that follows, as ordinary ones are.
    _mm_sfence();
    formatHexPiecePlain(bytes + i, count - i, out);
}

bool hexShuffleAvailable() { return processorHasSsse3(); }

#else

void formatHexPieceShuffled(const std::uint8_t* bytes, std::size_t count, TextUnit* out) {
    formatHexPiecePlain(bytes, count, out);
}
bool hexShuffleAvailable() { return false; }

#endif

void formatHexPiece(const std::uint8_t* bytes, std::size_t count, TextUnit* out) {
    if (hexShuffleAvailable())
        formatHexPieceShuffled(bytes, count, out);
    else
        formatHexPiecePlain(bytes, count, out);
}

void copyBytesPiece(const std::uint8_t* bytes, std::size_t count, std::uint8_t* out) {
#if defined(__x86_64__)
    // Sixteen bytes a store, from the first 16-byte boundary of out on; the library's copy
    // would read each line of out before filling it.
    std::size_t i = std::min<std::size_t>(count, (16 - reinterpret_cast<std::uintptr_t>(out) % 16) % 16);
    std::memcpy(out, bytes, i);
    for (; i + 16 <= count; i += 16)
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i)));
    _mm_sfence();
    std::memcpy(out + i, bytes + i, count - i);
#else
    std::memcpy(out, bytes, count);
#endif
}

void formatCharPiece(const std::uint8_t* bytes, std::size_t count, TextUnit* out, CharacterSet set) {
    if (set == CharacterSet::ascii) {
        for (std::size_t i = 0; i < count; ++i) out[i] = bytes[i];
        return;
    }
    TextUnit codes[256];
    for (int b = 0; b < 256; ++b) codes[b] = static_cast<TextUnit>(codeOf(set, static_cast<std::uint8_t>(b)));
    for (std::size_t i = 0; i < count; ++i) out[i] = codes[bytes[i]];
}

std::size_t textUnits(const TextUnit* text, std::size_t capacity) {
    std::size_t units = 0;
    while (units < capacity && text[units] != 0) ++units;
    return units;
}

void countHexPiece(HexTextCount& count, const TextUnit* text, std::size_t units) {
    for (std::size_t i = 0; i < units && count.valid; ++i) {
        if (digitValue(text[i]) >= 0) {
            ++count.run;
            continue;
        }
        count.valid = isWhiteSpace(text[i]) && count.run % 2 == 0;
        count.digits += count.run;
        count.run = 0;
    }
}

bool hexTextBytes(const HexTextCount& count, std::size_t& bytes) {
    if (!count.valid || count.run % 2 != 0) return false;
    bytes = (count.digits + count.run) / 2;
    return true;
}

std::size_t decodeHexText(const TextUnit* text, std::size_t from, std::uint8_t* out, std::size_t count) {
    std::size_t i = from;
    for (; count > 0; ++i) {
        const int high = digitValue(text[i]);
        if (high < 0) continue;  // white space between the pairs
        *out++ = static_cast<std::uint8_t>(high << 4 | digitValue(text[++i]));
        --count;
    }
    return i;
}

std::size_t firstWideUnit(const TextUnit* text, std::size_t units, CharacterSet set) {
    std::size_t i = 0;
    if (set == CharacterSet::ascii)
        while (i < units && text[i] <= 0xFF) ++i;
    else
        while (i < units && byteOf(set, static_cast<wchar_t>(text[i])) >= 0) ++i;
    return i;
}

void decodeCharText(const TextUnit* text, std::size_t units, std::uint8_t* out, CharacterSet set) {
    if (set == CharacterSet::ascii) {
        for (std::size_t i = 0; i < units; ++i) out[i] = static_cast<std::uint8_t>(text[i] & 0xFF);
        return;
    }
    for (std::size_t i = 0; i < units; ++i)
        out[i] = static_cast<std::uint8_t>(byteOf(set, static_cast<wchar_t>(text[i])));
}

void writeBytesHeader(std::uint8_t* block, std::uint64_t count) {
    for (std::size_t i = 0; i < bytesHeaderSize; ++i) block[i] = static_cast<std::uint8_t>(count >> (8 * i));
}

bool readBytesBlock(const void* block, std::size_t blockBytes, const std::uint8_t*& bytes,
                    std::size_t& count) {
    if (block == nullptr || blockBytes < bytesHeaderSize) return false;
    const auto* header = static_cast<const std::uint8_t*>(block);
    std::uint64_t stated = 0;
    for (std::size_t i = 0; i < bytesHeaderSize; ++i) stated |= std::uint64_t{header[i]} << (8 * i);
    // The system may hand out a block larger than asked for, never a smaller one.
    if (stated > blockBytes - bytesHeaderSize) return false;
    bytes = header + bytesHeaderSize;
    count = static_cast<std::size_t>(stated);
    return true;
}

}  // namespace quillix
