// Replace and Replace All: the hits of the Find what text overwritten with the Replace with
// bytes, which are as many (a file never changes size), each replace one step of the history.

#include <algorithm>
#include <cwchar>
#include <vector>

#include "document/file/checked_view.h"
#include "hexview/comparison_view.h"
#include "hexview/selection.h"
#include "host/text_format.h"
#include "host/view_host.h"
#include "search/query.h"
#include "search/scan_blocks.h"
#include "search/search.h"

namespace quillix {

namespace {

constexpr ProgressTexts replaceProgressTexts = {L"Replacing\u2026 ", L"Replace stopped"};
constexpr wchar_t lengthsDifferText[] =
    L"Find what and Replace with must be the same length: a file never changes size.";

// The query and the replacement, or false after the box that refused them (a read-only
// document, the query's own boxes, texts of different lengths). made says what the query
// came to.
bool prepare(const HexView& hv, SearchState& state, const DialogButtons& buttons, Query& query,
             Replacement& replacement, QueryMade& made) {
    if (refuseReadOnlyFile(hv)) return false;
    made = makeQuery(hv, state, buttons, query);
    if (made == QueryMade::refused) return false;
    if (made == QueryMade::empty) return true;
    std::int64_t noByteAt = -1;
    const bool madeReplacement =
        makeReplacement(state, buttons, hv.view.characterSet, replacement, noByteAt);
    if (noByteAt >= 0) {
        wchar_t text[160];
        const wchar_t shown[2] = {state.replaceWhat[noByteAt], 0};
        std::size_t length = appendText(text, 160, 0, L"Replace with holds \"");
        length = appendText(text, 160, length, shown);
        length = appendText(text, 160, length, L"\" (U+");
        length = appendHex(text, 160, length, static_cast<std::uint16_t>(shown[0]), 4);
        appendText(text, 160, length, L"), which the view's character set has no byte for.\nNothing was replaced.");
        hv.host.messageBox(BoxOwner::none, text, programCaption, boxWarning);
        return false;
    }
    if (!madeReplacement || replacement.length != query.pattern.length) {
        hv.host.messageBox(BoxOwner::none, lengthsDifferText, programCaption, boxWarning);
        return false;
    }
    return true;
}

// The new values of the runs, one after another, as storeRuns reads them.
struct NewValues {
    const std::uint8_t* bytes;
    std::int64_t next = 0;
};

void readNewValues(void* context, std::int64_t, std::int64_t count, std::uint8_t* out) {
    auto& values = *static_cast<NewValues*>(context);
    std::copy_n(values.bytes + values.next, count, out);
    values.next += count;
}

// Stores the runs with their new values as one step, keeping a comparison's counts and
// the view up to date. Returns the runs stored.
std::int64_t storeReplaced(const HexView& hv, const std::vector<ByteRange>& runs, const std::uint8_t* values,
                           Progress* progress, std::int64_t chunkBytes = pasteChunkBytes) {
    const ByteRange span{runs.front().begin, runs.back().end};
    ReadFault fault;
    CompareFault uncounted;
    comparedBytesChanging(hv, span, uncounted);
    NewValues feed{values};
    PasteControl control;
    control.progress = progress;
    control.chunkBytes = chunkBytes;
    const std::int64_t stored = storeRuns(hv.doc, runs.data(), static_cast<std::int64_t>(runs.size()),
                                          ByteFeed{readNewValues, &feed}, control, &fault);
    comparedBytesChanged(hv, span, uncounted);
    if (stored > 0) {
        hv.view.matchVisible = 0;
        hv.doc.isModified = 1;
        hv.host.invalidate(nullptr, false);
    }
    reportChangeFault(hv, fault, uncounted);
    // Fewer runs without a stop or a fault: memory ran out.
    if (stored < static_cast<std::int64_t>(runs.size()) && !fault.happened() &&
        !(progress && progress->stopped))
        warnInView(hv, noMemoryForEditText);
    return stored;
}

void showReplacedCount(ViewHost& host, std::int64_t count) {
    wchar_t text[64];
    std::size_t length = appendText(text, 64, 0, L"Replaced ");
    length = appendDecimal(text, 64, length, count);
    appendText(text, 64, length, count == 1 ? L" match" : L" matches");
    host.setStatusText(0, text);
}

}  // namespace

int replaceNext(const HexView& hv, SearchState& state, const DialogButtons& buttons) {
    Query query;
    Replacement replacement;
    QueryMade made = QueryMade::empty;
    if (!prepare(hv, state, buttons, query, replacement, made)) return 1;
    ViewState& view = hv.view;
    const std::int64_t length = query.pattern.length;
    const std::int64_t hit = view.matchStart;
    // The last hit, still marked where it was found, is replaced when its bytes still match.
    if (made == QueryMade::ready && view.matchVisible && view.searchPos == hit &&
        view.matchLength == length && hit >= 0 && hit + length <= hv.doc.fileSize) {
        std::uint8_t matched[maxScanPattern];
        ReadFault fault;
        if (checkedCopy(hv.doc, hit, length, matched, fault) &&
            scan::acceptsFrom(matched, query.pattern, 0) && confirms(query, matched)) {
            std::uint8_t values[maxScanPattern];
            replacement.apply(matched, values);
            const std::vector<ByteRange> run{ByteRange{hit, hit + length}};
            if (storeReplaced(hv, run, values, nullptr) == 0) return 1;
            // Down goes on after the new bytes, Up before them.
            if (directionOf(state, buttons) > 0) view.searchPos = hit + length - 1;
        }
    }
    return findNext(hv, state, buttons);
}

int replaceAll(const HexView& hv, SearchState& state, const DialogButtons& buttons, std::int64_t chunkBytes) {
    Query query;
    Replacement replacement;
    QueryMade made = QueryMade::empty;
    if (!prepare(hv, state, buttons, query, replacement, made)) return 1;
    if (made != QueryMade::ready) return 0;
    const std::int64_t length = query.pattern.length;
    std::vector<ByteRange> runs;
    std::vector<std::uint8_t> values;
    ReadFault fault;
    SweepEnd end = SweepEnd::done;
    try {
        end = sweepHits(
            hv, query, searchedRange(hv, buttons), length, replaceProgressTexts, true,
            [&](const std::int64_t* hits, const std::uint8_t* matched, std::int64_t count) {
                const std::size_t had = values.size();
                values.resize(had + static_cast<std::size_t>(count * length));
                for (std::int64_t k = 0; k < count; ++k) {
                    runs.push_back(ByteRange{hits[k], hits[k] + length});
                    replacement.apply(matched + k * length, values.data() + had + k * length);
                }
                return true;
            },
            fault);
    } catch (const std::bad_alloc&) {
        warnInView(hv, noMemoryForEditText);
        return 1;
    }
    if (end == SweepEnd::unreadable) {
        reportUnreadable(hv.host, BoxOwner::frame, hv.doc.fileTitle, fault.error);
        return 1;
    }
    if (runs.empty()) {
        if (end == SweepEnd::done) showSelectionAgain(hv.view, hv.doc, hv.host);
        return end == SweepEnd::done ? 0 : 1;
    }
    // What was found before a stop is replaced too, and the status says it stopped.
    Progress progress{hv.host, replaceProgressTexts, runs.back().end - runs.front().begin};
    const std::int64_t stored = storeReplaced(hv, runs, values.data(), &progress, chunkBytes);
    finishProgress(progress);
    if (end == SweepEnd::stopped || progress.stopped) {
        hv.host.setStatusText(0, replaceProgressTexts.stopped);
        return 1;
    }
    if (stored > 0) showReplacedCount(hv.host, stored);
    return 1;
}

}  // namespace quillix
