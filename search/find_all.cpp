#include "search/find_all.h"

#include <algorithm>
#include <cwchar>

#include "document/file/checked_view.h"
#include "hexview/selection.h"
#include "host/text_format.h"
#include "host/view_host.h"
#include "search/query.h"

namespace quillix {

namespace {

constexpr ProgressTexts findAllProgressTexts = {L"Finding\u2026 ", L"Find stopped"};

void showFoundCount(ViewHost& host, const FoundAll& found) {
    wchar_t text[96];
    std::size_t length = appendText(text, 96, 0, L"Found ");
    length = appendDecimal(text, 96, length, found.count);
    length = appendText(text, 96, length, found.count == 1 ? L" match" : L" matches");
    if (found.count > maxListedHits) {
        length = appendText(text, 96, length, L"; the first ");
        length = appendDecimal(text, 96, length, maxListedHits);
        appendText(text, 96, length, L" listed");
    }
    host.setStatusText(0, text);
}

}  // namespace

FindAllResult findAll(const HexView& hv, SearchState& state, const DialogButtons& buttons, FoundAll& found) {
    found.offsets.clear();
    found.count = 0;
    found.stopped = false;
    found.buttons = buttons;
    std::copy_n(state.findWhat, searchTextUnits, found.what);
    found.what[searchTextUnits - 1] = 0;
    Query query;
    const QueryMade made = makeQuery(hv, state, buttons, query);
    if (made != QueryMade::ready) return FindAllResult::refused;
    found.length = query.pattern.length;
    ReadFault fault;
    const SweepEnd end = sweepHits(
        hv, query, searchedRange(hv, buttons), 1, findAllProgressTexts, false,
        [&](const std::int64_t* hits, const std::uint8_t*, std::int64_t count) {
            const std::int64_t listed =
                std::min(count, maxListedHits - static_cast<std::int64_t>(found.offsets.size()));
            found.offsets.insert(found.offsets.end(), hits, hits + listed);
            found.count += count;
            return true;
        },
        fault);
    if (end == SweepEnd::unreadable) {
        reportUnreadable(hv.host, BoxOwner::frame, hv.doc.fileTitle, fault.error);
        return FindAllResult::unreadable;
    }
    if (end == SweepEnd::stopped) {
        found.stopped = true;
        return FindAllResult::stopped;
    }
    if (found.count == 0) {
        showSelectionAgain(hv.view, hv.doc, hv.host);
        return FindAllResult::none;
    }
    showFoundCount(hv.host, found);
    return FindAllResult::found;
}

}  // namespace quillix
