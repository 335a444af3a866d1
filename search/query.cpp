#include "search/query.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "document/file/checked_view.h"
#include "document/file/file_system.h"

#include "hexview/selection.h"
#include "host/text_format.h"
#include "host/view_host.h"
#include "search/case_fold.h"

namespace quillix {

std::int64_t boundedLength(const wchar_t (&text)[searchTextUnits]) {
    std::int64_t length = 0;
    while (length < searchTextUnits - 1 && text[length] != 0) ++length;
    return length;
}

namespace {

// One pair of the hex text: the bits it gives and which of them ("?" leaves a nibble open).
// False for a pair that names no byte (a negative value, a "?" beside a non-digit).
bool hexPair(wchar_t high, wchar_t low, std::uint8_t& value, std::uint8_t& mask) {
    if (high != L'?' && low != L'?') {
        const wchar_t pair[3] = {high, low, 0};
        const long number = std::wcstol(pair, nullptr, 16);
        value = static_cast<std::uint8_t>(number);
        mask = 0xFF;
        return number >= 0 && number <= 0xFF;
    }
    value = mask = 0;
    for (const wchar_t digit : {high, low}) {
        value = static_cast<std::uint8_t>(value << 4);
        mask = static_cast<std::uint8_t>(mask << 4);
        if (digit == L'?') continue;
        const wchar_t one[2] = {digit, 0};
        wchar_t* end = nullptr;
        const long number = std::wcstol(one, &end, 16);
        if (end == one) return false;
        value = static_cast<std::uint8_t>(value | number);
        mask = static_cast<std::uint8_t>(mask | 0x0F);
    }
    return true;
}

// The hex text's pairs into pattern (or replacement); false after the odd-digits box.
template <class Add>
bool readHexPairs(const wchar_t* text, std::int64_t length, Add add) {
    for (std::int64_t k = 0; 2 * k < length; ++k) {
        std::uint8_t value = 0, mask = 0;
        const bool byte = hexPair(text[2 * k], text[2 * k + 1], value, mask);
        add(byte, value, mask);
    }
    return true;
}

std::uint16_t unitOf(wchar_t unit) { return static_cast<std::uint16_t>(unit); }

}  // namespace

QueryMade makeQuery(const HexView& hv, SearchState& state, const DialogButtons& buttons, Query& query) {
    const std::int64_t length = boundedLength(state.findWhat);
    ScanPattern& pattern = query.pattern;
    const auto add = [&](std::int64_t a, std::int64_t b) {
        if (!addPosition(pattern, a, b)) pattern.matchable = false;
    };
    if (!buttons.findAscii && !buttons.findUtf16) {
        if (length % 2 != 0) {
            hv.host.messageBox(BoxOwner::none, L"Hexadecimal number must have even number of digits!",
                               inputCaption, boxWarning);
            return QueryMade::refused;
        }
        bool anyKnown = false;
        readHexPairs(state.findWhat, length, [&](bool byte, std::uint8_t value, std::uint8_t mask) {
            anyKnown = anyKnown || !byte || mask != 0;
            if (!byte) return add(-1, -1);
            if (!addMaskedPosition(pattern, value, mask)) pattern.matchable = false;
        });
        if (length == 0) return QueryMade::empty;
        if (!anyKnown) {
            wchar_t text[searchTextUnits + 64];
            formatWithName(text, searchTextUnits + 64, L"Hex value\n", state.findWhat,
                           L"\nneeds at least one byte without ?");
            hv.host.messageBox(BoxOwner::none, text, programCaption, boxWarning);
            return QueryMade::refused;
        }
        return QueryMade::ready;
    }
    for (std::int64_t k = 0; k < length; ++k) {
        const wchar_t unit = state.findWhat[k];
        state.findUpper[k] = buttons.matchCase ? unit : upperCaseUnit(unit);
        state.findLower[k] = buttons.matchCase ? unit : lowerCaseUnit(unit);
        if (buttons.findUtf16) {
            const std::uint16_t lower = unitOf(state.findLower[k]), upper = unitOf(state.findUpper[k]);
            query.lower[k] = lower;
            query.upper[k] = upper;
            add(lower & 0xFF, upper & 0xFF);
            add(lower >> 8, upper >> 8);
            query.unitsToConfirm = query.unitsToConfirm || ((lower ^ upper) & 0xFF && (lower ^ upper) >> 8);
        } else {
            add(byteOf(hv.view.characterSet, state.findLower[k]), byteOf(hv.view.characterSet, state.findUpper[k]));
        }
    }
    state.findUpper[length] = 0;
    state.findLower[length] = 0;
    query.utf16 = buttons.findUtf16;
    query.units = length;
    return length == 0 ? QueryMade::empty : QueryMade::ready;
}

bool confirms(const Query& query, const std::uint8_t* at) {
    if (!query.unitsToConfirm) return true;
    for (std::int64_t k = 0; k < query.units; ++k) {
        const auto unit = static_cast<std::uint16_t>(at[2 * k] | at[2 * k + 1] << 8);
        if (unit != query.lower[k] && unit != query.upper[k]) return false;
    }
    return true;
}

// The Down and Up buttons are one radio group, and the dialog always starts with Down
// checked. Should neither be checked, the last direction stays, and before the first
// search that is Down: a search needs a direction to step in.
std::int64_t directionOf(const SearchState& state, const DialogButtons& buttons) {
    if (buttons.down) return 1;
    if (buttons.up) return -1;
    return state.searchDirection != 0 ? state.searchDirection : 1;
}

ByteRange searchedRange(const HexView& hv, const DialogButtons& buttons) {
    ByteRange selected;
    if (buttons.inSelection && selectedRange(hv.view, hv.doc, selected)) return selected;
    return ByteRange{0, hv.doc.fileSize};
}

bool makeReplacement(const SearchState& state, const DialogButtons& buttons, CharacterSet set,
                     Replacement& replacement, std::int64_t& noByteAt) {
    noByteAt = -1;
    const std::int64_t length = boundedLength(state.replaceWhat);
    const auto put = [&](std::uint8_t value, std::uint8_t mask) {
        if (replacement.length >= maxScanPattern) return false;
        replacement.value[replacement.length] = value & mask;
        replacement.mask[replacement.length++] = mask;
        return true;
    };
    bool made = true;
    if (!buttons.findAscii && !buttons.findUtf16) {
        if (length % 2 != 0) return false;
        readHexPairs(state.replaceWhat, length, [&](bool byte, std::uint8_t value, std::uint8_t mask) {
            made = made && byte && put(value, mask);
        });
        return made;
    }
    for (std::int64_t k = 0; k < length; ++k) {
        const wchar_t unit = state.replaceWhat[k];
        if (buttons.findUtf16) {
            made = made && put(unitOf(unit) & 0xFF, 0xFF) && put(unitOf(unit) >> 8, 0xFF);
        } else {
            const int byte = byteOf(set, unit);
            if (byte < 0 && noByteAt < 0) noByteAt = k;
            made = made && byte >= 0 && put(static_cast<std::uint8_t>(byte), 0xFF);
        }
    }
    return made;
}

}  // namespace quillix

namespace quillix {

namespace {

// Hits a sweep gathers inside one guarded pass before handing them on.
constexpr std::int64_t sweepBatchHits = 16384;

}  // namespace

SweepEnd sweepHits(const HexView& hv, const Query& query, ByteRange range, std::int64_t advance,
                   const ProgressTexts& texts, bool withBytes,
                   const std::function<bool(const std::int64_t*, const std::uint8_t*, std::int64_t)>& take,
                   ReadFault& fault) {
    const Document& doc = hv.doc;
    const ScanPattern& pattern = query.pattern;
    const std::int64_t last = range.end - pattern.length;  // the last start position
    if (doc.fileBytes == nullptr || !pattern.matchable || pattern.length == 0 || range.begin > last)
        return SweepEnd::done;
    std::vector<std::int64_t> hits(static_cast<std::size_t>(sweepBatchHits));
    std::vector<std::uint8_t> bytes(withBytes ? static_cast<std::size_t>(sweepBatchHits * pattern.length)
                                              : 0);
    Progress progress{hv.host, texts, last - range.begin + 1};
    SweepEnd end = SweepEnd::done;
    for (std::int64_t at = range.begin; at <= last;) {
        if (!keepGoing(progress, at - range.begin)) {
            end = SweepEnd::stopped;
            break;
        }
        const std::int64_t through = std::min(last, at + searchChunkBytes - 1);
        // A view not read yet is brought in a chunk at a time, not a page fault at a time.
        systemFileSystem().prefetch(doc.fileBytes + at, through - at + pattern.length);
        std::int64_t count = 0;
        // Plain loops and plain variables only: the pass may be cut off at any read.
        auto scan = [&] {
            if (!query.unitsToConfirm) {
                count = scanHits(doc.fileBytes, range.end, pattern, at, through, advance, hits.data(),
                                 sweepBatchHits);
                for (std::int64_t k = 0; withBytes && k < count; ++k)
                    std::copy_n(doc.fileBytes + hits[static_cast<std::size_t>(k)], pattern.length,
                                bytes.data() + k * pattern.length);
                return;
            }
            while (at <= through && count < sweepBatchHits) {
                const std::int64_t hit = scanForward(doc.fileBytes, range.end, pattern, at, through);
                if (hit < 0) {
                    at = through + 1;
                    break;
                }
                if (confirms(query, doc.fileBytes + hit)) {
                    hits[static_cast<std::size_t>(count)] = hit;
                    if (withBytes)
                        std::copy_n(doc.fileBytes + hit, pattern.length,
                                    bytes.data() + count * pattern.length);
                    ++count;
                    at = hit + advance;
                } else {
                    at = hit + 1;
                }
            }
        };
        const bool readable = checkedRun(doc, scan, fault);
        if (count > 0 && !take(hits.data(), bytes.data(), count)) break;
        if (!readable) {
            end = SweepEnd::unreadable;
            break;
        }
    }
    finishProgress(progress);
    return end;
}

}  // namespace quillix
