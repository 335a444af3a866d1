#include "document/save/text_dump.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "document/file/checked_view.h"
#include "document/document.h"
#include "document/save/file_replace.h"
#include "document/save/full_write.h"
#include "host/text_format.h"
#include "host/progress.h"
#include "host/view_host.h"

namespace quillix {
namespace {

constexpr int offsetDigits = 8;
constexpr int charColumn = 50;
constexpr int endColumn = 66;
constexpr std::size_t dumpBufferBytes = std::size_t{dumpLinesPerWrite} * dumpLineBytes;

constexpr int hexColumnOf(int k) { return 10 + 2 * k + k / 2; }

struct HexPairs {
    char of[256][2];
};

constexpr HexPairs makeHexPairs() {
    HexPairs table{};
    for (int value = 0; value < 256; ++value) {
        table.of[value][0] = upperHexDigits[value >> 4];
        table.of[value][1] = upperHexDigits[value & 0xF];
    }
    return table;
}

constexpr HexPairs hexPairs = makeHexPairs();

void putOffset(char* line, std::uint64_t offset) {
    for (int i = 0; i < offsetDigits / 2; ++i)
        std::memcpy(line + 2 * i, hexPairs.of[(offset >> (24 - 8 * i)) & 0xFF], 2);
}

// Writes every column of one line from its count (1..16) bytes. Used for the last line,
// which may be short and ends in LF alone, and wherever no vector unit is at hand.
void formatLine(char* line, const std::uint8_t* bytes, int count, std::uint64_t offset, bool last) {
    std::memset(line, ' ', dumpLineBytes);
    putOffset(line, offset);
    line[offsetDigits] = ':';
    for (int k = 0; k < count; ++k) {
        std::memcpy(line + hexColumnOf(k), hexPairs.of[bytes[k]], 2);
        line[charColumn + k] = shownCharacter(bytes[k]);
    }
    if (last) {
        line[endColumn] = '\n';
        return;
    }
    line[endColumn] = '\r';
    line[endColumn + 1] = '\n';
}

// The columns every full line shares: the colon, the blanks and CR LF. The fast
// formatter below writes only the offset, the digits and the characters over them.
void fillLineTemplates(char* buffer, std::uint32_t lines) {
    std::memset(buffer, ' ', std::size_t{lines} * dumpLineBytes);
    for (std::uint32_t i = 0; i < lines; ++i) {
        char* line = buffer + std::size_t{i} * dumpLineBytes;
        line[offsetDigits] = ':';
        line[endColumn] = '\r';
        line[endColumn + 1] = '\n';
    }
}

#if defined(__SSE2__)

void store32(char* at, std::uint32_t value) { std::memcpy(at, &value, 4); }

// The eight digits of a line's offset, worked out in a register: spread the nibbles one
// to a byte, put the most significant first in memory order and add the digit codes.
void storeOffset(char* at, std::uint64_t offset) {
    std::uint64_t v = offset & 0xFFFFFFFFu;
    v = (v | (v << 16)) & 0x0000FFFF0000FFFFull;
    v = (v | (v << 8)) & 0x00FF00FF00FF00FFull;
    v = (v | (v << 4)) & 0x0F0F0F0F0F0F0F0Full;
    v = __builtin_bswap64(v);
    const std::uint64_t letters = ((v + 0x0606060606060606ull) >> 4) & 0x0101010101010101ull;
    v += 0x3030303030303030ull + letters * ('A' - '0' - 10);
    std::memcpy(at, &v, 8);
}

// Nibbles 0..15 to their upper-case digits.
__m128i hexDigitsOf(__m128i nibbles) {
    __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9)), _mm_set1_epi8('A' - '0' - 10));
    return _mm_add_epi8(_mm_add_epi8(nibbles, _mm_set1_epi8('0')), letters);
}

// Four groups of four digits, from their sixteen digits in order, to columns at, at + 5, ...
void storeGroups(char* at, __m128i digits) {
    std::uint64_t front = static_cast<std::uint64_t>(_mm_cvtsi128_si64(digits));
    std::uint64_t back = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(digits, digits)));
    store32(at, static_cast<std::uint32_t>(front));
    store32(at + 5, static_cast<std::uint32_t>(front >> 32));
    store32(at + 10, static_cast<std::uint32_t>(back));
    store32(at + 15, static_cast<std::uint32_t>(back >> 32));
}

// Full lines over templates already in place: sixteen bytes at a time, no per-byte work.
void formatFullLines(char* out, const std::uint8_t* bytes, std::uint32_t lines, std::uint64_t offset) {
    const __m128i nibbleMask = _mm_set1_epi8(0x0F);
    const __m128i fullStops = _mm_set1_epi8('.');
    const __m128i belowPrintable = _mm_set1_epi8(31);
    const __m128i deleteCode = _mm_set1_epi8(127);
    for (std::uint32_t i = 0; i < lines; ++i, out += dumpLineBytes, bytes += 16, offset += 16) {
        storeOffset(out, offset);
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
        __m128i high = hexDigitsOf(_mm_and_si128(_mm_srli_epi16(v, 4), nibbleMask));
        __m128i low = hexDigitsOf(_mm_and_si128(v, nibbleMask));
        storeGroups(out + hexColumnOf(0), _mm_unpacklo_epi8(high, low));
        storeGroups(out + hexColumnOf(8), _mm_unpackhi_epi8(high, low));
        // Signed compares: bytes 128..255 are negative, so they fail the first test.
        __m128i printable = _mm_and_si128(_mm_cmpgt_epi8(v, belowPrintable), _mm_cmplt_epi8(v, deleteCode));
        __m128i shown = _mm_or_si128(_mm_and_si128(printable, v), _mm_andnot_si128(printable, fullStops));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + charColumn), shown);
    }
}

#else

void formatFullLines(char* out, const std::uint8_t* bytes, std::uint32_t lines, std::uint64_t offset) {
    for (std::uint32_t i = 0; i < lines; ++i, out += dumpLineBytes, bytes += 16, offset += 16)
        formatLine(out, bytes, 16, offset, false);
}

#endif

// The dump, one buffer of whole lines per write call, checking in with the host before
// the first write and after every few: false when a write failed (error says why), the
// user stopped it (the progress then says so) or a page of the view could not be read
// (unreadable says where and why).
bool writeDump(const Document& doc, FileSystem& fs, FileHandle file, char* buffer, Progress& progress,
               SystemError& error, ReadFault& unreadable) {
    const std::int64_t lines = (doc.fileSize + 15) / 16;
    fillLineTemplates(buffer, static_cast<std::uint32_t>(std::min<std::int64_t>(lines, dumpLinesPerWrite)));
    for (std::int64_t first = 0; first < lines; first += dumpLinesPerWrite) {
        if (first % (std::int64_t{dumpLinesPerWrite} * dumpWritesPerCheck) == 0 &&
            !keepGoing(progress, first * 16))
            return false;
        const std::int64_t count = std::min<std::int64_t>(lines - first, dumpLinesPerWrite);
        const bool final = first + count == lines;
        const std::int64_t full = final ? count - 1 : count;
        const std::size_t length =
            static_cast<std::size_t>(full) * dumpLineBytes + (final ? dumpLastLineBytes : 0);
        auto format = [&] {
            formatFullLines(buffer, doc.fileBytes + first * 16, static_cast<std::uint32_t>(full),
                            static_cast<std::uint64_t>(first) * 16);
            if (!final) return;
            const std::int64_t offset = (lines - 1) * 16;
            formatLine(buffer + static_cast<std::size_t>(full) * dumpLineBytes, doc.fileBytes + offset,
                       static_cast<int>(doc.fileSize - offset), static_cast<std::uint64_t>(offset), true);
        };
        if (!checkedRun(doc, format, unreadable)) {
            error = unreadable.error;
            return false;
        }
        if (!writeAll(fs, file, buffer, static_cast<std::uint32_t>(length), error)) return false;
    }
    return true;
}

// Writes the dump into a new file beside path and moves it over path. On failure or a
// stop the new file is gone and path untouched.
bool writeDumpOver(const Document& doc, ViewHost& host, const wchar_t* path, FileSystem& fs,
                   Progress& progress, SystemError& cause, ReadFault& unreadable) {
    cause = 0;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[dumpBufferBytes]);
    if (!buffer) return false;
    host.setWaitCursor(true);
    const ReplaceResult result = replaceFile(
        fs, path,
        [&](FileHandle file, SystemError& error) {
            return writeDump(doc, fs, file, buffer.get(), progress, error, unreadable);
        },
        cause, doc.mappedFile);
    host.setWaitCursor(false);
    return result == ReplaceResult::done;
}

}  // namespace

std::int64_t textDumpSize(std::int64_t fileSize) {
    if (fileSize <= 0) return 0;
    return (fileSize + 15) / 16 * dumpLineBytes - 1;
}

int exportTextDump(const Document& doc, ViewHost& host, const wchar_t* path, FileSystem& fs,
                   SystemError* cause) {
    SystemError failure = 0;
    if (cause) *cause = 0;
    if (!doc.fileBytes || doc.fileSize <= 0) return 0;
    host.hideCaret();
    Progress progress{host, exportProgressTexts, doc.fileSize};
    ReadFault unreadable;
    const bool done = writeDumpOver(doc, host, path, fs, progress, failure, unreadable);
    finishProgress(progress);
    if (cause && !progress.stopped) *cause = failure;
    if (done) host.beep();
    host.showCaret();
    if (progress.stopped) return exportStopped;
    if (unreadable.happened()) return exportUnreadable;
    return done ? 1 : 0;
}

}  // namespace quillix
