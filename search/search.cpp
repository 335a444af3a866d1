#include "search/search.h"

#include <algorithm>
#include <cwchar>

#include "document/file/checked_view.h"
#include "hexview/selection.h"
#include "host/progress.h"
#include "search/query.h"

namespace quillix {

namespace {

// What a scan came to: a hit, none (-1), the user stopped it first, or it met a page of
// the view that cannot be read.
struct Found {
    std::int64_t hit = -1;
    bool stopped = false;
    ReadFault unreadable;
};

// The first hit from pos on in the search direction, inside range. The scan goes a chunk
// at a time and checks in with the host before each, showing its progress in status part
// 0 and stopping at Escape; part 0 reads "Ready" or "Search stopped" afterwards.
Found findFrom(const HexView& hv, const Query& query, ByteRange range, std::int64_t pos,
               std::int64_t direction) {
    const Document& doc = hv.doc;
    const ScanPattern& pattern = query.pattern;
    // Going up, a start too close to the end for the whole pattern is not a miss: the
    // scan begins at the last position where the pattern still fits.
    if (direction < 0) pos = std::min(pos, range.end - pattern.length);
    if (direction > 0) pos = std::max(pos, range.begin);
    const std::int64_t end = direction > 0 ? range.end - pattern.length : range.begin;
    const bool canMatch = doc.fileBytes != nullptr && pattern.matchable && pattern.length > 0 && pos >= 0;
    Progress progress{hv.host, searchProgressTexts, direction > 0 ? end - pos + 1 : pos - end + 1};
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
            for (std::int64_t at = from;;) {
                hit = direction > 0
                          ? scanForward(doc.fileBytes, range.end, pattern, at, bound)
                          : scanBackward(doc.fileBytes, range.end, pattern, at, std::max(bound, end));
                if (hit < 0 || confirms(query, doc.fileBytes + hit)) break;
                at = hit + direction;
                if (at < 0) {
                    hit = -1;
                    break;
                }
            }
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

int findNext(const HexView& hv, SearchState& state, const DialogButtons& buttons) {
    rememberFind(state, buttons);
    Query query;
    const QueryMade made = makeQuery(hv, state, buttons, query);
    if (made == QueryMade::refused) return 1;
    const std::int64_t direction = directionOf(state, buttons);
    ViewState& view = hv.view;
    const bool hex = !buttons.findAscii && !buttons.findUtf16;
    ByteRange selected;
    const bool inSelection = buttons.inSelection && selectedRange(view, hv.doc, selected);
    const ByteRange range = inSelection ? selected : ByteRange{0, hv.doc.fileSize};
    const Found found = findFrom(hv, query, range, view.searchPos + direction, direction);
    if (found.stopped) return 1;
    if (found.unreadable.happened()) return stopAtUnreadable(hv, found);
    state.searchDirection = direction;
    view.matchLength = query.pattern.length;
    if (found.hit < 0) {
        view.searchPos = hex ? -1 : view.matchStart;
        return 0;
    }
    view.searchPos = found.hit;
    revealMatch(hv, buttons);
    // Searching on in the selection needs it still there.
    if (inSelection) setSelection(hv, selected.begin, selected.end - 1);
    return 1;
}

int searchHex(const HexView& hv, SearchState& state, const DialogButtons& buttons) {
    DialogButtons hex = buttons;
    hex.findAscii = hex.findUtf16 = false;
    return findNext(hv, state, hex);
}

int searchText(const HexView& hv, SearchState& state, const DialogButtons& buttons) {
    DialogButtons text = buttons;
    text.findAscii = !buttons.findUtf16;
    return findNext(hv, state, text);
}

int findAgain(const HexView& hv, SearchState& state, bool up) {
    if (!state.hasLastFind) return -1;
    DialogButtons buttons = state.lastFindButtons;
    buttons.up = up;
    buttons.down = !up;
    std::copy_n(state.lastFindWhat, searchTextUnits, state.findWhat);
    return findNext(hv, state, buttons);
}

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
    if (buttons.findAscii || buttons.findUtf16) return CaretArea::character;
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
