// The checksum window's texts: the values in hex, what they are of, the note under the
// range, the verdict on a pasted digest and the rows a copy takes.

#include <cwctype>

#include "checksums/checksums.h"
#include "host/text_format.h"

namespace quillix {
namespace {

constexpr wchar_t lowerHexDigits[] = L"0123456789abcdef";

bool hasValue(const ChecksumResults& results, int algorithm) {
    return results.outcome == ChecksumOutcome::done && (results.which & 1u << algorithm);
}

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

}  // namespace

std::wstring checksumText(const ChecksumResults& results, int algorithm) {
    std::wstring text;
    if (!hasValue(results, algorithm)) return text;
    for (std::size_t k = 0; k < checksumBytes(algorithm); ++k) {
        text += lowerHexDigits[results.values[algorithm][k] >> 4];
        text += lowerHexDigits[results.values[algorithm][k] & 15];
    }
    return text;
}

std::wstring checksumRangeText(const ChecksumResults& results) {
    constexpr std::size_t capacity = 96;
    wchar_t text[capacity];
    std::size_t length = 0;
    const std::int64_t count = results.range.end - results.range.begin;
    if (results.selection) {
        length = appendText(text, capacity, length, L"Selection ");
        length = appendHex(text, capacity, length, static_cast<std::uint64_t>(results.range.begin), 8);
        length = appendText(text, capacity, length, L"-");
        length = appendHex(text, capacity, length, static_cast<std::uint64_t>(results.range.end - 1), 8);
        length = appendText(text, capacity, length, L", ");
    } else {
        length = appendText(text, capacity, length, L"Whole document, ");
    }
    length = appendDecimal(text, capacity, length, count);
    length = appendText(text, capacity, length, count == 1 ? L" byte" : L" bytes");
    if (results.unsaved) appendText(text, capacity, length, L", with unsaved changes");
    return text;
}

std::wstring checksumNote(const ChecksumResults& results, const Document& doc) {
    switch (results.outcome) {
        case ChecksumOutcome::none: return L"";
        case ChecksumOutcome::stopped: return checksumProgressTexts.stopped;
        case ChecksumOutcome::unreadable: return std::wstring(L"Could not read ") + nameOrUntitled(doc.fileTitle);
        case ChecksumOutcome::failed: return L"Could not compute the checksums";
        case ChecksumOutcome::done: break;
    }
    return doc.byteChanges != results.byteChanges ? L"Changed since computed \u2014 press F5" : L"";
}

std::wstring compareVerdict(const ChecksumResults& results, const wchar_t* typed) {
    std::wstring digest;
    for (const wchar_t* c = typed; *c; ++c)
        if (!isBlank(*c)) digest += static_cast<wchar_t>(std::towlower(*c));
    if (digest.empty()) return L"";
    for (int algorithm = 0; algorithm < checksumCount; ++algorithm)
        if (hasValue(results, algorithm) && checksumText(results, algorithm) == digest)
            return std::wstring(L"Matches ") + checksumName(algorithm);
    return L"Matches none";
}

std::wstring checksumRowsText(const ChecksumResults& results, unsigned rows) {
    std::wstring text;
    for (int algorithm = 0; algorithm < checksumCount; ++algorithm) {
        if (!(rows & 1u << algorithm) || !hasValue(results, algorithm)) continue;
        if (!text.empty()) text += L"\r\n";
        text += checksumName(algorithm);
        text += L'\t';
        text += checksumText(results, algorithm);
    }
    return text;
}

}  // namespace quillix
