#include <string>

#include "compare/comparison.h"
#include "host/text_format.h"

namespace quillix {
namespace {

std::wstring decimal(std::int64_t value) {
    wchar_t digits[24];
    appendDecimal(digits, 24, 0, value);
    return digits;
}

}  // namespace

std::wstring comparedText(const DifferenceCounts& counts, const wchar_t* otherName) {
    const std::wstring named = L"Compared with " + std::wstring(otherName) + L": ";
    if (counts.bytes == 0) return named + L"the files are identical";
    return named + decimal(counts.bytes) + (counts.bytes == 1 ? L" byte differs in " : L" bytes differ in ") +
           decimal(counts.runs) + (counts.runs == 1 ? L" run" : L" runs");
}

std::wstring differenceText(const DifferenceRun& run, std::int64_t number, std::int64_t runs) {
    wchar_t offset[24];
    appendHex(offset, 24, 0, static_cast<std::uint64_t>(run.start), 8);
    const std::wstring which = number > 0 ? decimal(number) + L" of " + decimal(runs) + L" " : L"";
    return L"Difference " + which + L"at " + std::wstring(offset) + L": " + decimal(run.length) +
           (run.length == 1 ? L" byte" : L" bytes");
}

}  // namespace quillix
