#include "search/search.h"

#include <algorithm>
#include <cwchar>

#include "document/file/checked_view.h"
#include "hexview/selection.h"
#include "host/progress.h"
#include "search/case_fold.h"
#include "search/scan.h"

namespace quillix {

namespace {

// Code units before the terminator. A buffer that lost its terminator is read as if its
// last unit were one, so nothing past it is touched.
std::int64_t boundedLength(const wchar_t (&text)[searchTextUnits]) {
    std::int64_t length = 0;
    while (length < searchTextUnits - 1 && text[length] != 0) ++length;
    return length;
}

// The Down and Up buttons are one radio group, and the dialog always starts with Down
// checked. Should neither be checked, the last direction stays, and before the first
// search that is Down: a search needs a direction to step in.
std::int64_t directionOf(const SearchState& state, const DialogButtons& buttons) {
    if (buttons.down) return 1;
    if (buttons.up) return -1;
    return state.searchDirection != 0 ? state.searchDirection : 1;
}

// What a scan came to: a hit, none (-1), the user stopped it first, or it met a page of
// the view that cannot be read.
struct Found {
    std::int64_t hit = -1;
    bool stopped = false;
    ReadFault unreadable;
};

// The first hit from pos on in the search direction. The scan goes a chunk at a time and
// checks in with the host before each, showing its progress in status part 0 and
// stopping at Escape; part 0 reads "Ready" or "Search stopped" afterwards.
Found findFrom(const HexView& hv, const ScanPattern& pattern, std::int64_t pos, std::int64_t direction) {
    const Document& doc = hv.doc;
    // Going up, a start too close to the end for the whole pattern is not a miss: the
    // scan begins at the last position where the pattern still fits.
    if (direction < 0) pos = std::min(pos, doc.fileSize - pattern.length);
    const std::int64_t end = direction > 0 ? doc.fileSize - pattern.length : 0;
    const bool canMatch = doc.fileBytes != nullptr && pattern.matchable && pattern.length > 0 && pos >= 0;
    Progress progress{hv.host, searchProgressTexts, direction > 0 ? end - pos + 1 : pos + 1};
    Found found;
    for (std::int64_t done = 0; canMatch && found.hit < 0; done += searchChunkBytes) {
        const std::int64_t from = pos + direction * done;
        if (direction > 0 ? from > end : from < end) break;
        if (!keepGoing(progress, done)) {
            found.stopped = true;
            break;
        }
        const std::int64_t bound = from + direction * (searchChunkBytes - 1);
        std::int64_t hit = -1;
        auto scan = [&] {
            hit = direction > 0 ? scanForward(doc.fileBytes, doc.fileSize, pattern, from, bound)
                                : scanBackward(doc.fileBytes, doc.fileSize, pattern, from, bound);
        };
        if (!checkedRun(doc, scan, found.unreadable)) break;
        found.hit = hit;
    }
    finishProgress(progress);
    if (!found.stopped) showSelectionAgain(hv.view, doc, hv.host);
    return found;
}

// A search that met a page it cannot read stops there and says so; nothing else changes.
int stopAtUnreadable(const HexView& hv, const Found& found) {
    reportUnreadable(hv.host, BoxOwner::frame, hv.doc.fileTitle, found.unreadable.error);
    return 1;
}

void rememberFind(SearchState& state, const DialogButtons& buttons) {
    state.hasLastFind = true;
    state.lastFindButtons = buttons;
    std::copy_n(state.findWhat, searchTextUnits, state.lastFindWhat);
    state.lastFindWhat[searchTextUnits - 1] = 0;
}

}  // namespace

int searchHex(const HexView& hv, SearchState& state, const DialogButtons& buttons) {
    rememberFind(state, buttons);
    const std::int64_t length = boundedLength(state.findWhat);
    if (length % 2 != 0) {
        hv.host.messageBox(BoxOwner::none, L"Hexadecimal number must have even number of digits!",
                           inputCaption, boxWarning);
        return 1;
    }
    // Pairs of digits are converted as wcstol reads them, so pasted signs and blanks give
    // what that conversion gives; a negative value matches no byte. Every pair is compared,
    // however many the edit let through.
    ScanPattern pattern;
    for (std::int64_t k = 0; 2 * k < length; ++k) {
        const wchar_t pair[3] = {state.findWhat[2 * k], state.findWhat[2 * k + 1], 0};
        const long value = std::wcstol(pair, nullptr, 16);
        addPosition(pattern, value, value);
    }
    const std::int64_t direction = directionOf(state, buttons);
    ViewState& view = hv.view;
    const Found found = findFrom(hv, pattern, view.searchPos + direction, direction);
    if (found.stopped) return 1;
    if (found.unreadable.happened()) return stopAtUnreadable(hv, found);
    state.searchDirection = direction;
    view.matchLength = pattern.length;
    if (found.hit < 0) {
        view.searchPos = -1;
        return 0;
    }
    view.searchPos = found.hit;
    revealMatch(hv, buttons);
    return 1;
}

int searchText(const HexView& hv, SearchState& state, const DialogButtons& buttons) {
    rememberFind(state, buttons);
    const std::int64_t length = boundedLength(state.findWhat);
    ScanPattern pattern;
    for (std::int64_t k = 0; k < length; ++k) {
        const wchar_t unit = state.findWhat[k];
        state.findUpper[k] = buttons.matchCase ? unit : upperCaseUnit(unit);
        state.findLower[k] = buttons.matchCase ? unit : lowerCaseUnit(unit);
        addPosition(pattern, state.findLower[k], state.findUpper[k]);
    }
    state.findUpper[length] = 0;
    state.findLower[length] = 0;

    const std::int64_t direction = directionOf(state, buttons);
    ViewState& view = hv.view;
    const Found found = findFrom(hv, pattern, view.searchPos + direction, direction);
    if (found.stopped) return 1;
    if (found.unreadable.happened()) return stopAtUnreadable(hv, found);
    state.searchDirection = direction;
    view.matchLength = length;
    if (found.hit < 0) {
        view.searchPos = view.matchStart;
        return 0;
    }
    view.searchPos = found.hit;
    revealMatch(hv, buttons);
    return 1;
}

int findAgain(const HexView& hv, SearchState& state, bool up) {
    if (!state.hasLastFind) return -1;
    DialogButtons buttons = state.lastFindButtons;
    buttons.up = up;
    buttons.down = !up;
    std::copy_n(state.lastFindWhat, searchTextUnits, state.findWhat);
    return buttons.findAscii ? searchText(hv, state, buttons) : searchHex(hv, state, buttons);
}

int findNext(const HexView& hv, SearchState& state, const DialogButtons& buttons) {
    return buttons.findAscii ? searchText(hv, state, buttons) : searchHex(hv, state, buttons);
}

int replaceNext(const HexView&, SearchState&, const DialogButtons&) { return 0; }

int replaceAll(const HexView&, SearchState&, const DialogButtons&) { return 0; }

int asciiModeByte(wchar_t unit) { return unit >= 0 && unit <= 0xFF ? static_cast<int>(unit) : -1; }

int gotoOffset(const HexView& hv, SearchState& state, const DialogButtons& buttons) {
    wchar_t text[searchTextUnits];
    const std::int64_t length = boundedLength(state.gotoWhat);
    std::copy_n(state.gotoWhat, length, text);
    text[length] = 0;

    long long value = 0;
    if (buttons.gotoHex) value = std::wcstoll(text, nullptr, 16);
    if (buttons.gotoDec) value = std::wcstoll(text, nullptr, 10);
    ViewState& view = hv.view;
    if (value < 0 || value >= hv.doc.fileSize) return 0;

    view.searchPos = value;
    view.matchStart = value;
    view.matchLength = 1;
    revealMatch(hv, buttons);
    return 1;
}

CaretArea caretAreaOf(const DialogButtons& buttons) {
    if (buttons.findAscii) return CaretArea::character;
    if (buttons.findHex || buttons.gotoHex || buttons.gotoDec) return CaretArea::hex;
    return CaretArea::unchanged;
}

void revealMatch(const HexView& hv, const DialogButtons& buttons) {
    hv.view.matchVisible = 1;
    hv.view.matchStart = hv.view.searchPos;
    clearSelection(hv);
    revealOffset(hv, hv.view.searchPos, caretAreaOf(buttons));
}

}  // namespace quillix
